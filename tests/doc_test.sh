#!/usr/bin/env bash
# Checks the manual page, the installed files and the plot script.
#   doc_test.sh manual SOURCE_DIR
#   doc_test.sh install BUILD_DIR
#   doc_test.sh plot SOURCE_DIR THERMTAB
set -euo pipefail
what=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

check_manual() {  # page
  # Any warning from the formatter fails the test.
  warnings=$(groff -man -Tutf8 -ww -z "$1" 2>&1)
  if [ -n "$warnings" ]; then
    echo "groff warnings: $warnings" >&2
    exit 1
  fi
  text=$(MANWIDTH=100 man -l "$1" 2>"$scratch/man.err" | col -b)
  if [ -s "$scratch/man.err" ]; then
    cat "$scratch/man.err" >&2
    exit 1
  fi
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" FILES EXAMPLES; do
    grep -q "^$section" <<<"$text" || { echo "missing section $section" >&2; exit 1; }
  done
  for option in -i -c -l -b -s -r -t -F -C -h -? --help; do
    grep -qF -- "$option" <<<"$text" || { echo "option $option not documented" >&2; exit 1; }
  done
  for item in thermfactor.inc airdenfactor.inc THERMFACTOR AIRDENFACTOR; do
    grep -qF -- "$item" <<<"$text" || { echo "$item not documented" >&2; exit 1; }
  done
}

case $what in
manual)
  check_manual "$2/doc/thermtab.1"
  ;;
install)
  cmake --install "$2" --prefix "$scratch/prefix" >/dev/null
  [ -x "$scratch/prefix/bin/thermtab" ] || { echo "bin/thermtab not installed" >&2; exit 1; }
  check_manual "$scratch/prefix/share/man/man1/thermtab.1"
  (cd "$scratch" && "$scratch/prefix/bin/thermtab" -i -c && [ "$(wc -l < thermfactor.inc)" -eq 265 ])
  ;;
plot)
  command -v gnuplot >/dev/null 2>&1 || exit 77  # skipped
  (cd "$scratch" && "$3" > table.txt && "$2/tools/plot-table" curve.svg < table.txt)
  # Each curve is one plot group of the SVG, with one marker per count 1..254.
  python3 - "$scratch/curve.svg" <<'PY'
import re, sys
svg = open(sys.argv[1]).read()
groups = re.split(r'<g id="gnuplot_plot_', svg)[1:]
counts = [g.split("</g>")[0].count("<use") for g in groups]
if counts != [254, 254]:
    sys.exit(f"points per curve: {counts}, expected [254, 254]")
PY
  ;;
*)
  echo "unknown check $what" >&2
  exit 2
  ;;
esac
