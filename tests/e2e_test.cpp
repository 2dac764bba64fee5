// Runs the built binary in a fresh temporary directory and checks everything
// it leaves: standard output, standard error, exit status and files.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "usage_text.h"

namespace fs = std::filesystem;

namespace {

using thermtab::testing::usage_screen;
using thermtab::testing::usage_with_error;

std::string read_file(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_file(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

std::string golden(const char* name) { return read_file(fs::path(GOLDEN_DIR) / name); }

struct outcome {
    int status = -1;
    std::string out;
    std::string err;
};

struct run_options {
    std::string stdout_path;    // instead of capturing, e.g. /dev/full
    rlim_t file_size_limit = 0;  // bytes; 0 for none
};

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/thermtab-e2e-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        work = dir / "work";
        fs::create_directory(work);
    }
    void TearDown() override { fs::remove_all(dir); }

    // Runs thermtab, invoked as "thermtab", in `work`.
    outcome run(std::vector<std::string> args, const run_options& opt = {}) {
        fs::path out_path = opt.stdout_path.empty() ? dir / "stdout" : fs::path(opt.stdout_path);
        fs::path err_path = dir / "stderr";
        pid_t pid = fork();
        if (pid == 0) {
            if (chdir(work.c_str()) != 0) _exit(127);
            int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (out < 0 || err < 0) _exit(127);
            dup2(out, 1);
            dup2(err, 2);
            if (opt.file_size_limit) {
                signal(SIGXFSZ, SIG_IGN);  // so the write fails with EFBIG instead
                rlimit limit{opt.file_size_limit, opt.file_size_limit};
                setrlimit(RLIMIT_FSIZE, &limit);
            }
            std::vector<char*> argv;
            std::string name = "thermtab";
            argv.push_back(name.data());
            for (std::string& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(THERMTAB_BINARY, argv.data());
            _exit(127);
        }
        int wstatus = 0;
        waitpid(pid, &wstatus, 0);
        outcome o;
        o.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
        if (opt.stdout_path.empty()) o.out = read_file(out_path);
        o.err = read_file(err_path);
        return o;
    }

    std::set<std::string> files() {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(work)) names.insert(e.path().filename().string());
        return names;
    }
    std::string file(const char* name) { return read_file(work / name); }

    fs::path dir, work;
};

using names = std::set<std::string>;

TEST_F(EndToEnd, BuiltInSensorOnConsole) {
    outcome o = run({});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, golden("builtin_console.txt"));
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(files(), names{});
}

TEST_F(EndToEnd, BuiltInSensorIncludeFiles) {
    outcome o = run({"-i", "-c"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(files(), (names{"airdenfactor.inc", "thermfactor.inc"}));
    EXPECT_EQ(file("thermfactor.inc"), golden("builtin_thermfactor.inc"));
    EXPECT_EQ(file("airdenfactor.inc"), golden("builtin_airdenfactor.inc"));
}

TEST_F(EndToEnd, UsageScreenExample) {
    outcome o = run({"-t0,70,100", "-r6000,450,190", "-C", "-i", "-c"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(files(), (names{"airdenfactor.inc", "thermfactor.inc"}));
    EXPECT_EQ(file("thermfactor.inc"), golden("example_thermfactor.inc"));
    EXPECT_EQ(file("airdenfactor.inc"), golden("example_airdenfactor.inc"));
}

TEST_F(EndToEnd, OptionCharactersAfterTheLetterAreIgnored) {
    outcome o = run({"-ifoo"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(files(), names{"airdenfactor.inc"});
    EXPECT_EQ(file("airdenfactor.inc"), golden("builtin_airdenfactor.inc"));
}

TEST_F(EndToEnd, OverwritesAnEarlierTable) {
    write_file(work / "thermfactor.inc", "old table\n");
    outcome o = run({"-c"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(file("thermfactor.inc"), golden("builtin_thermfactor.inc"));
    EXPECT_EQ(files(), names{"thermfactor.inc"});
}

TEST_F(EndToEnd, RejectedRunsLeaveTablesAlone) {
    struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"-c", "-r1,2"}, 2, usage_with_error("Wrong number of resistance values (should be 3)", "1,2")},
        {{"-c", "-c"}, 2, usage_with_error("CTS file already opened.", "-c")},
        {{"-i", "-c", "-i"}, 2, usage_with_error("IAT file already opened.", "-i")},
        {{"-c", "-bfoo"}, 2, usage_with_error("Invalid bias resistor value.", "foo")},
        {{"-c", "-x"}, 2, usage_screen},
        {{"-c", "-h"}, 0, usage_screen},
        {{"-i", "-c", "--help"}, 0, usage_screen},
    };
    for (const auto& c : cases) {
        write_file(work / "thermfactor.inc", "precious\n");
        outcome o = run(c.args);
        EXPECT_EQ(o.status, c.status) << c.args[1];
        EXPECT_EQ(o.out, "") << c.args[1];
        EXPECT_EQ(o.err, c.err) << c.args[1];
        EXPECT_EQ(file("thermfactor.inc"), "precious\n") << c.args[1];
        EXPECT_EQ(files(), names{"thermfactor.inc"}) << c.args[1];  // no airdenfactor.inc, no temporary
    }
}

TEST_F(EndToEnd, StandardOutputFull) {
    outcome o = run({}, {"/dev/full"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.err, "thermtab: cannot write standard output: No space left on device\n");
    EXPECT_EQ(files(), names{});
}

TEST_F(EndToEnd, IncludeFileTooLarge) {
    write_file(work / "thermfactor.inc", "old table\n");
    outcome o = run({"-i", "-c"}, {"", 4096});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    // Each table is about 6 kB: neither fits, and neither replaces anything.
    EXPECT_EQ(o.err,
              "thermtab: cannot write thermfactor.inc: File too large\n"
              "thermtab: cannot write airdenfactor.inc: File too large\n");
    EXPECT_EQ(file("thermfactor.inc"), "old table\n");
    EXPECT_EQ(files(), names{"thermfactor.inc"});
}

TEST_F(EndToEnd, IncludeFileCannotBeCreated) {
    // A directory stands where the table should go: the report still reaches
    // the console, as the option failed, and the failure is reported.
    fs::create_directory(work / "thermfactor.inc");
    outcome o = run({"-c"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, golden("builtin_console.txt"));
    EXPECT_EQ(o.err, "thermtab: cannot create thermfactor.inc: Is a directory\n");
    EXPECT_TRUE(fs::is_directory(work / "thermfactor.inc"));
    EXPECT_EQ(files(), names{"thermfactor.inc"});
}

TEST_F(EndToEnd, LastFileOptionDecidesTheConsole) {
    fs::create_directory(work / "airdenfactor.inc");
    outcome o = run({"-c", "-i"});
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, golden("builtin_console.txt"));  // -i failed, so the console is on
    EXPECT_EQ(o.err, "thermtab: cannot create airdenfactor.inc: Is a directory\n");
    EXPECT_EQ(file("thermfactor.inc"), golden("builtin_thermfactor.inc"));

    fs::remove(work / "thermfactor.inc");
    o = run({"-i", "-c"});  // -c opened last: the console is off
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(file("thermfactor.inc"), golden("builtin_thermfactor.inc"));
}

}  // namespace
