// The varlen program as a shell starts it: which front end runs for which arguments and
// environment. Each case runs the program in a child with a chosen environment.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../io/writer_support.h"
#include "cli/batch.h"
#include "cli/terminal.h"

namespace varlen {
namespace {

using testing_support::Bytes;
using testing_support::ReadAll;
using testing_support::TempFolder;

struct Ended {
    bool exited = false;
    int status = -1;
    std::string err;
};

// Runs varlen with args and only the environment env; stdin is /dev/null.
Ended RunVarlen(const std::vector<std::string>& args, const std::vector<std::string>& env) {
    TempFolder logs;
    const auto errFile = logs / "err.txt";
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int in = ::open("/dev/null", O_RDONLY);
        ::dup2(err, 2);
        ::dup2(in, 0);
        std::vector<char*> argv{const_cast<char*>(VARLEN_EXE)};
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (const std::string& e : env) {
            envp.push_back(const_cast<char*>(e.c_str()));
        }
        envp.push_back(nullptr);
        ::execve(VARLEN_EXE, argv.data(), envp.data());
        ::_exit(127);
    }
    int status = 0;
    Ended e;
    if (::waitpid(pid, &status, 0) == pid) {
        e.exited = WIFEXITED(status);
        e.status = e.exited ? WEXITSTATUS(status) : WTERMSIG(status);
    }
    const Bytes err = ReadAll(errFile);
    e.err.assign(err.begin(), err.end());
    return e;
}

std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(Program, MistypedOptionsAreUsageErrorsWithoutAWizard) {
    // No display and no platform: a wizard started by mistake would abort in Qt.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--Create", "o.ico", "p.png"},
          std::vector<std::string>{"--crate", "o.ico", "p.png"},
          std::vector<std::string>{"--bogus"},
          std::vector<std::string>{"--formats", "32:16x16", "p.png"},
          std::vector<std::string>{"p.png", "-v"}}) {
        const Ended e = RunVarlen(args, {"PATH=/usr/bin:/bin"});
        ASSERT_TRUE(e.exited) << args[0] << ": signal " << e.status;
        EXPECT_EQ(e.status, kExitUsage) << args[0];
        EXPECT_EQ(Lines(e.err), 2u) << e.err;  // the reason and the pointer to --help
        EXPECT_NE(e.err.find("--help"), std::string::npos);
    }
}

TEST(Program, WizardWithoutAGraphicalSessionSaysSoInOneLine) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, std::vector<std::string>{"p.png"},
          std::vector<std::string>{"-del"}}) {
        const Ended e = RunVarlen(args, {"PATH=/usr/bin:/bin", "DISPLAY=", "WAYLAND_DISPLAY="});
        ASSERT_TRUE(e.exited) << "signal " << e.status;
        EXPECT_EQ(e.status, kExitUsage);
        EXPECT_EQ(e.err, std::string(kNoGraphicalSession) + "\n");
    }
}

TEST(Program, AnExplicitQtPlatformStillStartsTheWizard) {
    // A platform that does not exist: Qt itself refuses it, naming it, which only the
    // wizard program can have done.
    const Ended e =
        RunVarlen({}, {"PATH=/usr/bin:/bin", "QT_QPA_PLATFORM=varlen-no-such-platform"});
    EXPECT_NE(e.status, kExitUsage);
    EXPECT_NE(e.err.find("varlen-no-such-platform"), std::string::npos) << e.err;
}

}  // namespace
}  // namespace varlen
