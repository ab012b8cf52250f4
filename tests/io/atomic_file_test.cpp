#include "io/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "io/temporary_files.h"

#include "tests/io/writer_support.h"

namespace varlen {
namespace {

using namespace testing_support;
namespace fs = std::filesystem;

bool WriteBytes(OutFile& f, const Bytes& b) {
    return f.Write(b.data(), b.size());
}

TEST(AtomicFile, CommitReplacesTargetWithEverythingWritten) {
    TempFolder dir;
    const auto target = dir / "t.bin";
    WriteAll(target, Bytes(20, 9));
    auto f = AtomicFile::Create(target);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->TemporaryPath().parent_path(), dir.Path());
    ASSERT_TRUE(WriteBytes(*f, Bytes{1, 2, 3, 4, 5}));
    EXPECT_EQ(ReadAll(target), Bytes(20, 9));  // nothing visible before the commit
    ASSERT_TRUE(f->Seek(1));
    ASSERT_TRUE(WriteBytes(*f, Bytes{7, 8}));
    EXPECT_EQ(f->GetPosition(), 3u);
    ASSERT_TRUE(f->SeekToEnd());
    EXPECT_EQ(f->GetPosition(), 5u);
    ASSERT_TRUE(WriteBytes(*f, Bytes{6}));
    EXPECT_FALSE(f->Seek(7));  // beyond the end
    ASSERT_TRUE(f->Commit());
    EXPECT_EQ(ReadAll(target), (Bytes{1, 7, 8, 4, 5, 6}));
    EXPECT_EQ(dir.Count(), 1u);
    EXPECT_FALSE(f->Commit());  // only once
    f.reset();
    EXPECT_EQ(ReadAll(target), (Bytes{1, 7, 8, 4, 5, 6}));
}

TEST(AtomicFile, WithoutCommitTheTemporaryGoesAndTheTargetStays) {
    TempFolder dir;
    WriteAll(dir / "old.bin", Bytes{4, 4});
    {
        auto f = AtomicFile::Create(dir / "old.bin", nullptr, AtomicFile::Temporary::kNamed);
        ASSERT_NE(f, nullptr);
        ASSERT_TRUE(WriteBytes(*f, Bytes(100, 1)));
        EXPECT_EQ(dir.Count(), 2u);
    }
    {
        auto f = AtomicFile::Create(dir / "new.bin");
        ASSERT_NE(f, nullptr);
        ASSERT_TRUE(WriteBytes(*f, Bytes(100, 1)));
    }
    EXPECT_EQ(dir.Count(), 1u);
    EXPECT_EQ(ReadAll(dir / "old.bin"), (Bytes{4, 4}));
}

TEST(AtomicFile, UnusableTargetsGiveNoFile) {
    TempFolder dir;
    EXPECT_EQ(AtomicFile::Create(dir / "missing" / "x"), nullptr);
    EXPECT_EQ(AtomicFile::Create(dir.Path()), nullptr);  // a folder
    EXPECT_EQ(AtomicFile::Create(""), nullptr);
    EXPECT_EQ(dir.Count(), 0u);
}

TEST(AtomicFile, WriteErrorFailsEveryLaterCallAndCommit) {
    TempFolder dir;
    const auto target = dir / "t.bin";
    WriteAll(target, Bytes{1});
    const int r = RunWithFileSizeLimit(64, [&] {
        auto f = AtomicFile::Create(target);
        if (!f || !WriteBytes(*f, Bytes(60, 2))) {
            return true;  // must not happen: reported as success to fail the test
        }
        const bool failed = !WriteBytes(*f, Bytes(10, 3));
        const bool laterFails = !WriteBytes(*f, Bytes{1}) && !f->Commit();
        return !(failed && laterFails);
    });
    EXPECT_EQ(r, 0);
    EXPECT_EQ(ReadAll(target), Bytes{1});
    EXPECT_EQ(dir.Count(), 1u);
}

TEST(AtomicFile, KeepsPermissionsOfAnExistingTarget) {
    TempFolder dir;
    const auto target = dir / "t.bin";
    WriteAll(target, Bytes{1});
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    auto f = AtomicFile::Create(target);
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(WriteBytes(*f, Bytes{2}));
    ASSERT_TRUE(f->Commit());
    EXPECT_EQ(fs::status(target).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    const mode_t mask = ::umask(022);
    ::umask(mask);
    auto g = AtomicFile::Create(dir / "new.bin");
    ASSERT_NE(g, nullptr);
    ASSERT_TRUE(g->Commit());
    EXPECT_EQ(static_cast<unsigned>(fs::status(dir / "new.bin").permissions()), 0666u & ~mask);
}

TEST(AtomicFile, SymbolicLinkStaysAndItsFileIsReplaced) {
    TempFolder dir;
    fs::create_directory(dir / "real");
    WriteAll(dir / "real" / "t.bin", Bytes{1});
    fs::create_symlink(dir / "real" / "t.bin", dir / "link.bin");
    auto f = AtomicFile::Create(dir / "link.bin");
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(WriteBytes(*f, Bytes{5, 6}));
    ASSERT_TRUE(f->Commit());
    EXPECT_TRUE(fs::is_symlink(dir / "link.bin"));
    EXPECT_EQ(ReadAll(dir / "real" / "t.bin"), (Bytes{5, 6}));
    EXPECT_EQ(dir.Count(), 2u);
}

TEST(AtomicFile, UnnamedTemporaryIsInvisibleUntilTheCommit) {
    TempFolder dir;
    WriteAll(dir / "old.bin", Bytes{4});
    auto f = AtomicFile::Create(dir / "old.bin");
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(WriteBytes(*f, Bytes(100, 1)));
    EXPECT_EQ(dir.Count(), 1u);
    EXPECT_EQ(f->TemporaryPath().parent_path(), dir.Path());
    ASSERT_TRUE(f->Commit());
    EXPECT_EQ(ReadAll(dir / "old.bin"), Bytes(100, 1));
    EXPECT_EQ(dir.Count(), 1u);
}

// A child that writes into a temporary, tells the parent, and waits to be killed by sig.
// Returns whether the child ended by that signal.
bool KilledWhileWriting(const fs::path& target, AtomicFile::Temporary kind, int sig) {
    int ready[2];
    if (::pipe(ready) != 0) {
        return false;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        RemoveTemporaryFilesOnSignals();
        auto f = AtomicFile::Create(target, nullptr, kind);
        const Bytes data(4096, 7);
        if (!f || !f->Write(data.data(), data.size())) {
            ::_exit(3);
        }
        const char byte = 1;
        (void)!::write(ready[1], &byte, 1);
        for (;;) {
            ::pause();
        }
    }
    ::close(ready[1]);
    char byte = 0;
    const bool wrote = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    if (wrote) {
        ::kill(pid, sig);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return wrote && WIFSIGNALED(status) && WTERMSIG(status) == sig;
}

TEST(AtomicFile, FatalSignalsLeaveNoTemporary) {
    for (const auto kind : {AtomicFile::Temporary::kNamed, AtomicFile::Temporary::kUnnamed}) {
        for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
            TempFolder dir;
            WriteAll(dir / "t.bin", Bytes{1, 2});
            EXPECT_TRUE(KilledWhileWriting(dir / "t.bin", kind, sig)) << sig;
            EXPECT_EQ(dir.Count(), 1u) << "signal " << sig;
            EXPECT_EQ(ReadAll(dir / "t.bin"), (Bytes{1, 2}));
        }
    }
}

TEST(AtomicFile, WriteBeyondTheFileSizeLimitIsAnErrorNotADeath) {
    TempFolder dir;
    const auto target = dir / "t.bin";
    WriteAll(target, Bytes{1});
    const pid_t pid = ::fork();
    if (pid == 0) {
        RemoveTemporaryFilesOnSignals();  // SIGXFSZ would otherwise end the child
        const rlimit lim{64, 64};
        ::setrlimit(RLIMIT_FSIZE, &lim);
        WriteError why;
        const bool saved = SaveAtomically(target, &why, [](OutFile& f) {
            const Bytes data(100, 2);
            return f.Write(data.data(), data.size());
        });
        ::_exit(!saved && why.error == EFBIG ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadAll(target), Bytes{1});
    EXPECT_EQ(dir.Count(), 1u);
}

TEST(AtomicFile, TemporaryNameFitsTheLongestFileName) {
    std::string accents;
    while (accents.size() + 2 <= 255) {
        accents += "\xc3\xa9";  // 2-byte characters: the cut must not split one
    }
    for (const std::string& name : {std::string(255, 'n'), accents, std::string(238, 'm')}) {
        for (const auto kind : {AtomicFile::Temporary::kNamed, AtomicFile::Temporary::kUnnamed}) {
            TempFolder dir;
            auto f = AtomicFile::Create(dir / name, nullptr, kind);
            ASSERT_NE(f, nullptr) << name.size();
            const std::string temp = f->TemporaryPath().filename().string();
            EXPECT_LE(temp.size(), 255u);
            const std::size_t stem = temp.size() - 18;  // ".", ".tmp-" and 12 digits
            EXPECT_EQ(temp.compare(1, stem, name, 0, stem), 0);
            EXPECT_NE(static_cast<unsigned char>(name[stem]) & 0xC0, 0x80u) << "cut in a character";
            ASSERT_TRUE(WriteBytes(*f, Bytes{3}));
            ASSERT_TRUE(f->Commit());
            EXPECT_EQ(ReadAll(dir / name), Bytes{3});
            EXPECT_EQ(dir.Count(), 1u);
        }
    }
}

TEST(AtomicFile, DanglingLinkStaysALinkAndItsFileIsCreated) {
    TempFolder dir;
    fs::create_directory(dir / "real");
    fs::create_symlink("real/new.bin", dir / "link.bin");  // relative to the link's folder
    auto f = AtomicFile::Create(dir / "link.bin");
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(WriteBytes(*f, Bytes{8}));
    ASSERT_TRUE(f->Commit());
    EXPECT_TRUE(fs::is_symlink(dir / "link.bin"));
    EXPECT_EQ(fs::read_symlink(dir / "link.bin"), "real/new.bin");
    EXPECT_EQ(ReadAll(dir / "real" / "new.bin"), Bytes{8});
}

TEST(AtomicFile, ChainOfLinksIsFollowedToTheLastFile) {
    TempFolder dir;
    fs::create_directories(dir / "a" / "b");
    fs::create_directory(dir / "real");
    WriteAll(dir / "real" / "t.bin", Bytes{1});
    fs::create_symlink("a/b/hop.bin", dir / "first.bin");
    fs::create_symlink("../../real/t.bin", dir / "a" / "b" / "hop.bin");
    auto f = AtomicFile::Create(dir / "first.bin");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->TemporaryPath().parent_path().filename(), "real");
    ASSERT_TRUE(WriteBytes(*f, Bytes{2}));
    ASSERT_TRUE(f->Commit());
    EXPECT_TRUE(fs::is_symlink(dir / "first.bin"));
    EXPECT_TRUE(fs::is_symlink(dir / "a" / "b" / "hop.bin"));
    EXPECT_EQ(ReadAll(dir / "real" / "t.bin"), Bytes{2});
}

TEST(AtomicFile, LoopingLinksAndLinksToFoldersAreErrors) {
    TempFolder dir;
    fs::create_symlink("b.bin", dir / "a.bin");
    fs::create_symlink("a.bin", dir / "b.bin");
    fs::create_symlink("self.bin", dir / "self.bin");
    fs::create_directory(dir / "sub");
    fs::create_symlink("sub/", dir / "folder.bin");
    fs::create_symlink("sub/..", dir / "up.bin");
    WriteError why;
    EXPECT_EQ(AtomicFile::Create(dir / "a.bin", &why), nullptr);
    EXPECT_EQ(why.error, ELOOP);
    why = {};
    EXPECT_EQ(AtomicFile::Create(dir / "self.bin", &why), nullptr);
    EXPECT_EQ(why.error, ELOOP);
    for (const char* link : {"folder.bin", "up.bin"}) {
        why = {};
        EXPECT_EQ(AtomicFile::Create(dir / link, &why), nullptr);
        EXPECT_EQ(why.error, EISDIR) << link;
    }
    EXPECT_TRUE(fs::is_symlink(dir / "a.bin"));
    EXPECT_TRUE(fs::is_symlink(dir / "self.bin"));
    EXPECT_EQ(dir.Count(), 6u);
}

TEST(AtomicFile, LinkOfAnotherUserInASharedStickyFolderIsNotFollowed) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to give a link to another user";
    }
    TempFolder dir;
    fs::create_directory(dir / "shared");
    fs::permissions(dir / "shared", static_cast<fs::perms>(01777));
    WriteAll(dir / "victim.bin", Bytes{9, 9});
    fs::create_symlink(dir / "victim.bin", dir / "shared" / "planted.bin");
    ASSERT_EQ(::lchown((dir / "shared" / "planted.bin").c_str(), 65534, 65534), 0);
    WriteError why;
    EXPECT_EQ(AtomicFile::Create(dir / "shared" / "planted.bin", &why), nullptr);
    EXPECT_EQ(why.limit, WriteLimit::kProtectedLink);
    EXPECT_EQ(ReadAll(dir / "victim.bin"), (Bytes{9, 9}));

    // Our own link there, and any link outside a sticky folder, is followed.
    fs::create_symlink(dir / "victim.bin", dir / "shared" / "mine.bin");
    auto f = AtomicFile::Create(dir / "shared" / "mine.bin");
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(f->Commit());
    fs::permissions(dir / "shared", static_cast<fs::perms>(0777));
    auto g = AtomicFile::Create(dir / "shared" / "planted.bin");
    ASSERT_NE(g, nullptr);
    ASSERT_TRUE(WriteBytes(*g, Bytes{5}));
    ASSERT_TRUE(g->Commit());
    EXPECT_EQ(ReadAll(dir / "victim.bin"), Bytes{5});
}

TEST(AtomicFile, KeepsOwnerAndGroupOfAnExistingTarget) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to give the file to another user";
    }
    for (const auto kind : {AtomicFile::Temporary::kNamed, AtomicFile::Temporary::kUnnamed}) {
        TempFolder dir;
        const auto target = dir / "t.bin";
        WriteAll(target, Bytes{1});
        ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chmod(target.c_str(), 04750), 0);
        auto f = AtomicFile::Create(target, nullptr, kind);
        ASSERT_NE(f, nullptr);
        ASSERT_TRUE(WriteBytes(*f, Bytes{2}));
        ASSERT_TRUE(f->Commit());
        struct stat st {};
        ASSERT_EQ(::stat(target.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, 65534u);
        EXPECT_EQ(st.st_gid, 65534u);
        EXPECT_EQ(st.st_mode & 07777, 04750u);
        EXPECT_EQ(ReadAll(target), Bytes{2});
    }
}

TEST(AtomicFile, KeepsTheAccessAclOfAnExistingTarget) {
    TempFolder dir;
    const auto target = dir / "t.bin";
    WriteAll(target, Bytes{1});
    // The kernel's ACL form: version 2, then (tag, permissions, id) entries in tag order.
    Bytes acl = {2, 0, 0, 0};
    const auto entry = [&](unsigned tag, unsigned perm, std::uint32_t id) {
        acl.insert(acl.end(),
                   {static_cast<std::uint8_t>(tag), 0, static_cast<std::uint8_t>(perm), 0,
                    static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8),
                    static_cast<std::uint8_t>(id >> 16), static_cast<std::uint8_t>(id >> 24)});
    };
    entry(0x01, 6, 0xFFFFFFFFu);  // owner rw
    entry(0x02, 6, 65534);        // user 65534 rw
    entry(0x04, 4, 0xFFFFFFFFu);  // group r
    entry(0x10, 6, 0xFFFFFFFFu);  // mask rw
    entry(0x20, 0, 0xFFFFFFFFu);  // others none
    if (::setxattr(target.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0) {
        GTEST_SKIP() << "no ACLs on this file system: " << std::strerror(errno);
    }
    for (const auto kind : {AtomicFile::Temporary::kNamed, AtomicFile::Temporary::kUnnamed}) {
        auto f = AtomicFile::Create(target, nullptr, kind);
        ASSERT_NE(f, nullptr);
        ASSERT_TRUE(f->Commit());
        Bytes kept(64);
        const ssize_t n =
            ::getxattr(target.c_str(), "system.posix_acl_access", kept.data(), kept.size());
        ASSERT_GT(n, 0) << std::strerror(errno);
        kept.resize(static_cast<std::size_t>(n));
        EXPECT_EQ(kept, acl);
    }
}

TEST(AtomicFile, FailuresSayWhy) {
    TempFolder dir;
    WriteError why;
    EXPECT_EQ(AtomicFile::Create(dir / "missing" / "x", &why), nullptr);
    EXPECT_EQ(why.error, ENOENT);
    why = {};
    EXPECT_EQ(AtomicFile::Create(dir.Path(), &why), nullptr);
    EXPECT_EQ(why.error, EISDIR);
    why = {};
    EXPECT_EQ(AtomicFile::Create(dir / std::string(256, 'x'), &why), nullptr);
    EXPECT_EQ(why.error, ENAMETOOLONG);
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    why = {};
    EXPECT_EQ(AtomicFile::Create(dir / "fifo", &why), nullptr);  // and never blocks on it
    EXPECT_EQ(why.limit, WriteLimit::kNotRegularFile);
    WriteAll(dir / "ro.bin", Bytes{1});
    fs::permissions(dir.Path(), fs::perms::all);  // only the file's own bits refuse
    fs::permissions(dir / "ro.bin",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(RunUnprivileged([&] {
                  WriteError e;
                  return AtomicFile::Create(dir / "ro.bin", &e) == nullptr && e.error == EACCES;
              }),
              1);
    EXPECT_EQ(dir.Count(), 2u);

    EXPECT_EQ(DescribeWriteError({ENOSPC, WriteLimit::kNone}), std::strerror(ENOSPC));
    EXPECT_NE(DescribeWriteError({0, WriteLimit::kTooLarge}).find("4 GiB"), std::string::npos);
    EXPECT_NE(DescribeWriteError({0, WriteLimit::kProtectedLink}).find("sticky"),
              std::string::npos);
}

TEST(AtomicFile, SaveNamesTheLimitAWriterStoppedAt) {
    TempFolder dir;
    WriteError why;
    // A writer that gives up without an I/O error: the image has no form in this type.
    EXPECT_FALSE(
        SaveAtomically(dir / "a.bin", &why, [](OutFile& f) { return f.Write("ab", 2) && false; }));
    EXPECT_EQ(why.limit, WriteLimit::kNotEncodable);
    EXPECT_EQ(why.error, 0);
    EXPECT_EQ(dir.Count(), 0u);
}

}  // namespace
}  // namespace varlen
