// The input, split at NUL bytes, is an argument vector; the whole run (parse,
// solve, report, include files) happens in-process in a scratch directory.
// It must end with status 0, 1 or 2; a rejected run must leave no file; an
// accepted one leaves only complete tables of 256 DB lines after the header.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "report/report.h"

namespace fs = std::filesystem;

namespace {

std::FILE* sink = nullptr;
std::string scratch;

void remove_scratch() {
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
}

[[noreturn]] void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "fuzz_command_line: %s: %s\n", what, detail.c_str());
    std::abort();
}

void check_table(const fs::path& path, const char* label) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::size_t first_db = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].rfind("\tDB\t", 0) == 0) {
            first_db = i;
            break;
        }
    if (lines.size() - first_db != 256) fail("wrong number of DB lines", path.string());
    for (std::size_t i = first_db; i < lines.size(); ++i)
        if (lines[i].rfind("\tDB\t", 0) != 0) fail("table interrupted", path.string());
    if (first_db < 2 || lines[first_db - 2] != label) fail("table label missing", path.string());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char pattern[] = "/tmp/thermtab-fuzz-XXXXXX";
    if (!mkdtemp(pattern) || chdir(pattern) != 0) fail("scratch directory", pattern);
    scratch = pattern;
    std::atexit(remove_scratch);
    sink = std::fopen("/dev/null", "w");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> words(1, "thermtab");
    words.emplace_back();
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            words.emplace_back();
        else
            words.back() += static_cast<char>(data[i]);
    }
    if (size == 0) words.pop_back();
    std::vector<const char*> argv;
    for (const std::string& w : words) argv.push_back(w.c_str());
    argv.push_back(nullptr);

    for (const auto& entry : fs::directory_iterator(fs::current_path())) fs::remove_all(entry.path());

    int status;
    {
        thermtab::run_settings s;
        s.console = sink;
        s.errors = sink;
        status = thermtab::write_report(static_cast<int>(words.size()), argv.data(), s);
    }
    if (status < 0 || status > 2) fail("exit status", std::to_string(status));
    for (const auto& entry : fs::directory_iterator(fs::current_path())) {
        std::string name = entry.path().filename().string();
        if (status == 2) fail("a rejected run left a file", name);
        if (name == "thermfactor.inc")
            check_table(entry.path(), "THERMFACTOR:");
        else if (name == "airdenfactor.inc")
            check_table(entry.path(), "AIRDENFACTOR:");
        else
            fail("unexpected file", name);
    }
    return 0;
}
