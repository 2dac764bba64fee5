#include "settings/settings.h"

#include <cerrno>
#include <cstring>
#include <random>

namespace thermtab {

namespace {

// Writes `text` to `stream`, keeping the first error so the run can report it.
void write_channel(std::FILE* stream, const std::string& text, int& error) {
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stream) != text.size() && error == 0)
        error = errno != 0 ? errno : EIO;
}

int last_error() { return errno != 0 ? errno : EIO; }

}  // namespace

void emit(run_settings& s, unsigned mask, std::string_view format, std::initializer_list<text_arg> args) {
    s.scratch.clear();
    format_text(s.scratch, format, std::span<const text_arg>(args.begin(), args.size()));
    if ((mask & OUT_IAT) && s.iat_file.stream) write_channel(s.iat_file.stream, s.scratch, s.iat_file.error);
    if ((mask & OUT_CTS) && s.cts_file.stream) write_channel(s.cts_file.stream, s.scratch, s.cts_file.error);
    if ((mask & OUT_CONSOLE) && s.console_enabled) write_channel(s.console, s.scratch, s.console_error);
}

void report_failure(run_settings& s, const char* what, const char* name, int error) {
    std::string line;
    const char* reason = std::strerror(error);
    text_arg args[] = {s.program_name, what, name, reason};
    format_text(line, "%s: %s %s: %s\n", args);
    std::fwrite(line.data(), 1, line.size(), s.errors);
    std::fflush(s.errors);
    s.output_failed = true;
}

bool open_include_file(run_settings& s, include_file& file) {
    // A file we could not overwrite in place (read-only, a directory) is
    // refused now, as opening it for writing would be, rather than silently
    // replaced by the rename at the end.
    errno = 0;
    if (std::FILE* existing = std::fopen(file.name, "r+")) {
        std::fclose(existing);
    } else if (errno != ENOENT) {
        report_failure(s, "cannot create", file.name, last_error());
        return false;
    }
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    std::uniform_int_distribution<int> pick(0, 35);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = std::string(".") + file.name + ".";
        for (int i = 0; i < 8; ++i) name += alphabet[pick(random)];
        errno = 0;
        // "x": never reuse or truncate a file that happens to have this name.
        file.stream = std::fopen(name.c_str(), "wx");
        if (file.stream) {
            file.temp_name = name;
            file.error = 0;
            return true;
        }
        if (errno != EEXIST) break;
    }
    report_failure(s, "cannot create", file.name, last_error());
    return false;
}

void discard_include_file(include_file& file) {
    if (!file.stream) return;
    std::fclose(file.stream);
    file.stream = nullptr;
    std::remove(file.temp_name.c_str());
    file.temp_name.clear();
}

void commit_include_file(run_settings& s, include_file& file) {
    if (!file.stream) return;
    errno = 0;
    if (std::fflush(file.stream) != 0 && file.error == 0) file.error = last_error();
    if (std::ferror(file.stream) && file.error == 0) file.error = EIO;
    errno = 0;
    if (std::fclose(file.stream) != 0 && file.error == 0) file.error = last_error();
    file.stream = nullptr;
    errno = 0;
    if (file.error == 0 && std::rename(file.temp_name.c_str(), file.name) != 0) file.error = last_error();
    if (file.error != 0) {
        std::remove(file.temp_name.c_str());
        report_failure(s, "cannot write", file.name, file.error);
    }
    file.temp_name.clear();
}

int finish_outputs(run_settings& s) {
    commit_include_file(s, s.cts_file);
    commit_include_file(s, s.iat_file);
    errno = 0;
    if (std::fflush(s.console) != 0 && s.console_error == 0) s.console_error = last_error();
    if (s.console_error != 0) report_failure(s, "cannot write", "standard output", s.console_error);
    return s.output_failed ? 1 : 0;
}

}  // namespace thermtab
