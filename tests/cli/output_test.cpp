// The batch front end's output files: reasons in "cannot write" messages, and the program
// under a file-size limit (run as its own process, as a shell would start it).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "../io/writer_support.h"
#include "cli/batch.h"
#include "io/export.h"
#include "io/loaders.h"

namespace varlen {
namespace {

using testing_support::Bytes;
using testing_support::ReadAll;
using testing_support::Solid;
using testing_support::TempFolder;
using testing_support::WriteAll;
namespace fs = std::filesystem;

struct Ended {
    bool exited = false;
    int status = -1;  // exit status, or the signal that ended it
    std::string err;
};

// Runs the varlen program with args; its files may grow to at most fileLimit bytes.
Ended RunProgram(const std::vector<std::string>& args, rlim_t fileLimit, const fs::path& errFile) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 2);
        const rlimit lim{fileLimit, fileLimit};
        ::setrlimit(RLIMIT_FSIZE, &lim);
        std::vector<char*> argv{const_cast<char*>(VARLEN_EXE)};
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(VARLEN_EXE, argv.data());
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

TEST(BatchOutput, FileSizeLimitIsReportedAndLeavesNoTemporary) {
    TempFolder dir, logs;
    ASSERT_TRUE(SavePng(*Solid(40, 40, 32, 90), logs / "in.png"));
    WriteAll(dir / "a.ico", Bytes{1, 2, 3});
    const Ended e = RunProgram({"--create", (dir / "a.ico").string(), (logs / "in.png").string()},
                               4096, logs / "err.txt");
    ASSERT_TRUE(e.exited) << "ended by signal " << e.status;
    EXPECT_EQ(e.status, kExitFailed);
    EXPECT_NE(
        e.err.find("cannot write '" + (dir / "a.ico").string() + "': " + std::strerror(EFBIG)),
        std::string::npos)
        << e.err;
    EXPECT_EQ(ReadAll(dir / "a.ico"), (Bytes{1, 2, 3}));
    EXPECT_EQ(dir.Count(), 1u);
}

TEST(BatchOutput, CannotWriteNamesTheReason) {
    TempFolder dir;
    ASSERT_TRUE(SavePng(*Solid(20, 20, 32, 90), dir / "in.png"));
    fs::create_directory(dir / "folder.ico");
    fs::create_directory(dir / "folder.png");
    const struct {
        std::string base;  // the output without its type
        std::string reason;
    } cases[] = {
        {(dir / "no" / "a").string(), std::strerror(ENOENT)},
        {(dir / "folder").string(), std::strerror(EISDIR)},
        {(dir / std::string(300, 'n')).string(), std::strerror(ENAMETOOLONG)},
        {(dir / "in.png" / "a").string(), std::strerror(ENOTDIR)},
    };
    for (const auto& c : cases) {
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"--create", c.base + ".ico", (dir / "in.png").string()},
              std::vector<std::string>{"--export", c.base + ".png", "--format", "32:16x16",
                                       (dir / "in.png").string()}}) {
            std::ostringstream out, err;
            EXPECT_EQ(BatchMain(args, out, err), kExitFailed) << args[1];
            EXPECT_NE(err.str().find("': " + c.reason + "\n"), std::string::npos) << err.str();
        }
    }
    EXPECT_EQ(dir.Count(), 3u);
}

TEST(BatchOutput, CannotWriteEscapesTheName) {
    TempFolder dir;
    ASSERT_TRUE(SavePng(*Solid(20, 20, 32, 90), dir / "in.png"));
    const std::string output = (dir / "no" / "a\x1b[2J\nb.ico").string();
    std::ostringstream out, err;
    EXPECT_EQ(BatchMain(std::vector<std::string>{"--create", output, (dir / "in.png").string()},
                        out, err),
              kExitFailed);
    EXPECT_EQ(err.str().find('\x1b'), std::string::npos);
    EXPECT_EQ(err.str().find('\n'), err.str().size() - 1) << err.str();  // one line
    EXPECT_NE(err.str().find("a\\x1b[2J\\nb.ico': " + std::string(std::strerror(ENOENT))),
              std::string::npos)
        << err.str();
}

std::string Capture(const std::string& command) {
    std::string result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        result += buffer;
    }
    ::pclose(pipe);
    return result;
}

// The file made behind a dangling link (linked into place from a nameless temporary) is
// whole: other programs read every entry.
TEST(BatchOutput, IconBehindADanglingLinkIsReadByOtherPrograms) {
    TempFolder dir;
    ASSERT_TRUE(SavePng(*Solid(64, 64, 32, 90), dir / "in.png"));
    fs::create_directory(dir / "real");
    fs::create_symlink("real/made.ico", dir / "link.ico");
    std::ostringstream out, err;
    ASSERT_EQ(
        BatchMain(std::vector<std::string>{"--create", (dir / "link.ico").string(), "--formats",
                                           "32:48x48,8:16x16,4:32x32", (dir / "in.png").string()},
                  out, err),
        kExitOk)
        << err.str();
    EXPECT_TRUE(fs::is_symlink(dir / "link.ico"));
    const std::string link = (dir / "link.ico").string();
    const std::string listing = Capture(std::string(VARLEN_ICOTOOL) + " -l '" + link + "'");
    EXPECT_NE(listing.find("--width=48 --height=48 --bit-depth=32"), std::string::npos) << listing;
    EXPECT_NE(listing.find("--width=16 --height=16 --bit-depth=8"), std::string::npos) << listing;
    EXPECT_NE(listing.find("--width=32 --height=32 --bit-depth=4"), std::string::npos) << listing;
    const std::string pillow =
        Capture(std::string(VARLEN_SYSTEM_PYTHON) +
                " -c \"from PIL import Image; im = Image.open('" + link +
                "'); print(sorted(im.info['sizes'])); im.size = (48, 48); im.load(); "
                "print(im.mode, im.getpixel((20, 20)))\"");
    EXPECT_NE(pillow.find("[(16, 16), (32, 32), (48, 48)]"), std::string::npos) << pillow;
    // The same pixel as our own reader sees it in the largest entry.
    const auto ours = FromFile(dir / "link.ico");
    ASSERT_NE(ours, nullptr);
    ASSERT_EQ(ours->Width(), 48);
    const Pixel p = ours->GetPixel(20, 20);
    const std::string rgba = "RGBA (" + std::to_string((p >> 16) & 0xFF) + ", " +
                             std::to_string((p >> 8) & 0xFF) + ", " + std::to_string(p & 0xFF) +
                             ", " + std::to_string(p >> 24) + ")";
    EXPECT_NE(pillow.find(rgba), std::string::npos) << pillow << " vs " << rgba;
}

}  // namespace
}  // namespace varlen
