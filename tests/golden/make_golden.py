#!/usr/bin/env python3
"""An independent second implementation of thermtab's report, used to make
the golden files the end-to-end tests compare against.

Numbers are printed with exact decimal arithmetic (Python's Decimal holds the
exact value of every double), so these files do not depend on the C++ number
text they check. Run from this folder: python3 make_golden.py
"""
import math
from decimal import Decimal, ROUND_HALF_UP

PROGRAM = "thermtab"


def digits17(x):
    """The exact value of x rounded half away from zero to 17 significant digits."""
    d = Decimal(x)
    if d == 0:
        return d
    exp = d.adjusted()
    return d.quantize(Decimal(1).scaleb(exp - 16), rounding=ROUND_HALF_UP)


def sign_text(x, space):
    if math.copysign(1.0, x) < 0:
        return "-"
    return " " if space else ""


def fmt_f(x, prec, width=0, space=False):
    d = abs(digits17(x)).quantize(Decimal(1).scaleb(-prec), rounding=ROUND_HALF_UP)
    body = sign_text(x, space) + f"{d:.{prec}f}"
    return body.rjust(width)


def fmt_g(x):
    d = abs(digits17(x))
    if d == 0:
        return sign_text(x, False) + "0"
    r = d.quantize(Decimal(1).scaleb(d.adjusted() - 5), rounding=ROUND_HALF_UP)
    exp = r.adjusted()
    if -4 <= exp < 6:
        text = f"{r:.{5 - exp}f}"
        if "." in text:
            text = text.rstrip("0").rstrip(".")
    else:
        mant = f"{r.scaleb(-exp):.5f}".rstrip("0").rstrip(".")
        text = f"{mant}e{'-' if exp < 0 else '+'}{abs(exp):03d}"
    return sign_text(x, False) + text


def to_int(v):
    if math.isnan(v) or math.isinf(v) or abs(v) >= 2.0**63:
        return 0
    w = int(v) & 0xFFFFFFFF
    return w - (1 << 32) if w >= 1 << 31 else w


class Sensor:
    def __init__(self):
        self.A, self.B, self.C = 0.00149031826, 0.00022745952, 1.1639e-07
        self.label = "GM 121 463 12 sensor data."
        self.bias = 2490.0
        self.points = [[253.14999999999998, 28681.0], [303.15000000000003, 2238.0], [372.03888888888895, 177.0]]
        self.measured = False

    def kelvin(self, r):
        l = math.log(r)
        return 1.0 / ((self.C * l**3.0 + self.B * l) + self.A)

    def fahrenheit(self, r):
        return self.kelvin(r) * 1.8 - 459.67

    def solve(self):
        L = [math.log(p[1]) for p in self.points]
        P = [l**3.0 for l in L]
        Y = [1.0 / p[0] for p in self.points]
        d21, d31 = L[1] - L[0], L[2] - L[0]
        c = ((Y[1] - Y[0]) - ((Y[2] - Y[0]) * d21) / d31) / ((P[1] - P[0]) - ((P[2] - P[0]) * d21) / d31)
        b = ((Y[2] - Y[0]) - c * (P[2] - P[0])) / d31
        a = (Y[0] - L[0] * b) - P[0] * c
        self.A, self.B, self.C = a, b, c


def report(s):
    """Returns (console, thermfactor.inc, airdenfactor.inc) texts."""
    con, cts, iat = [], [], []
    every = (con, cts, iat)

    def out(chans, text):
        for c in chans:
            c.append(text)

    out(every, f"; {PROGRAM} v.2.2\n;\n")
    if s.label is not None:
        out(every, f"; {s.label}\n")
    out([iat], f"; For use with {fmt_f(s.bias, 0)} ohm bias resistor installed at R4.\n")
    out([cts], f"; For use with {fmt_f(s.bias, 0)} ohm bias resistor installed at R7.\n")
    kind = "Computed" if s.measured else "Known"
    out(every, f";\n; {kind} Steinhart-Hart coefficients: A={fmt_g(s.A)}  B={fmt_g(s.B)}  C={fmt_g(s.C)}\n")
    if s.measured:
        out(every, ";\n; Input data confirmation (2nd and 3rd columns had better be the same):\n;\n")
        out(every, ";    Resistance    Input Temp     Computed\n")
        for t, r in s.points:
            cols = [fmt_f(r, 2, 10, True), fmt_f(t * 1.8 - 459.67, 2, 10, True), fmt_f(s.fahrenheit(r), 2, 10, True)]
            out(every, f";    {cols[0]}    {cols[1]}   {cols[2]}\n")
    out(every, "\n")
    out([iat], "AIRDENFACTOR:\n\t\t\t; ADC - Temp (dF)\n")
    out([cts], "THERMFACTOR:\n\t\t\t; ADC - Temp (dF)\n")
    out([con], "ADC -        Res       Temp    Density\n")
    for adc in range(256):
        if adc in (0, 255):
            cts.append(f"\tDB\t210T\t; {adc:3d} - sensor failure.\n")
            iat.append(f"\tDB\t100T\t; {adc:3d} - sensor failure.\n")
            con.append(f"{adc:3d} - sensor failure.\n")
            continue
        r = s.bias / (255.0 / adc - 1.0)
        t = s.fahrenheit(r)
        v = t
        if t > 215.0:
            v = 215.0
        if not t >= -40.0:
            v = -40.0
        d = 37.943 / ((t + 459.7) * 1728.0) * 24055.809477988936 * 100.0
        cts.append(f"\tDB\t{to_int(v + 40.0):3d}T\t; {adc:3d} - {fmt_f(t, 1, 5, True)}\n")
        iat.append(f"\tDB\t{to_int(d):3d}T\t; {adc:3d} - {fmt_f(t, 1, 5, True)}\n")
        con.append(f"{adc:3d} - {fmt_f(r, 2, 10)}   {fmt_f(t, 2, 8, True)}   {fmt_f(d, 2, 8, True)}\n")
    return "".join(con), "".join(cts), "".join(iat)


def write(name, text):
    with open(name, "w", newline="\n") as f:
        f.write(text)


if __name__ == "__main__":
    con, cts, iat = report(Sensor())
    write("builtin_console.txt", con)
    write("builtin_thermfactor.inc", cts)
    write("builtin_airdenfactor.inc", iat)

    s = Sensor()  # the usage screen's example: -t0,70,100 -r6000,450,190 -C -i -c
    s.label = ""
    s.measured = True
    for p, t, r in zip(s.points, (0.0, 70.0, 100.0), (6000.0, 450.0, 190.0)):
        p[0], p[1] = t - (-273.15), r
    s.solve()
    _, cts, iat = report(s)
    write("example_thermfactor.inc", cts)
    write("example_airdenfactor.inc", iat)
