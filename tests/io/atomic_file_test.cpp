#include "io/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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
        auto f = AtomicFile::Create(dir / "old.bin");
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

}  // namespace
}  // namespace varlen
