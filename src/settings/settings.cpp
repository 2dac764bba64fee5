#include "settings/settings.h"

#include <cerrno>
#include <cstring>
#include <random>

namespace thermtab {

namespace {

// Writes out what is pending for a channel, keeping the first error so the
// run can report it.
void drain(std::FILE* stream, text_buffer& pending, int& error) {
    if (pending.size() == 0) return;
    errno = 0;
    if (std::fwrite(pending.data(), 1, pending.size(), stream) != pending.size() && error == 0)
        error = errno != 0 ? errno : EIO;
    pending.clear();
}

int last_error() { return errno != 0 ? errno : EIO; }

}  // namespace

void complete_emit(run_settings& s, const channel_selection& channels, std::size_t start) {
    const text_buffer& first = *channels.pending[0];
    for (int i = 1; i < channels.count; ++i)
        channels.pending[i]->append(first.data() + start, first.size() - start);
    for (int i = 0; i < channels.count; ++i) {
        if (channels.pending[i]->size() >= drain_size) {
            flush_channels(s);
            return;
        }
    }
}

void flush_channels(run_settings& s) {
    if (s.iat_file.stream) drain(s.iat_file.stream, s.iat_file.pending, s.iat_file.error);
    if (s.cts_file.stream) drain(s.cts_file.stream, s.cts_file.pending, s.cts_file.error);
    drain(s.console, s.console_pending, s.console_error);
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
            // Room for a whole table: the file is written in one piece at the end.
            std::setvbuf(file.stream, nullptr, _IOFBF, 1 << 16);
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
    file.pending.clear();
    if (!file.stream) return;
    std::fclose(file.stream);
    file.stream = nullptr;
    std::remove(file.temp_name.c_str());
    file.temp_name.clear();
}

void commit_include_file(run_settings& s, include_file& file) {
    if (!file.stream) return;
    drain(file.stream, file.pending, file.error);
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
    flush_channels(s);
    commit_include_file(s, s.cts_file);
    commit_include_file(s, s.iat_file);
    errno = 0;
    if (std::fflush(s.console) != 0 && s.console_error == 0) s.console_error = last_error();
    if (s.console_error != 0) report_failure(s, "cannot write", "standard output", s.console_error);
    return s.output_failed ? 1 : 0;
}

}  // namespace thermtab
