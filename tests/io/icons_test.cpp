#include "io/icons.h"

#include <gtest/gtest.h>

#include "io/dib_writer.h"
#include "tests/io/writer_support.h"

namespace varlen {
namespace {

using namespace testing_support;

const Bytes kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

Bytes IcoBytes(const CIcons& icons, bool png) {
    MemoryFile f;
    EXPECT_TRUE(icons.Write(f, png));
    return f.Take();
}

struct Entry {
    std::uint32_t width, height, colors, reserved, planes, bitCount, bytes, offset;
};
Entry EntryAt(const Bytes& b, std::size_t i) {
    const std::size_t at = 6 + 16 * i;
    return Entry{b.at(at),       b.at(at + 1),   b.at(at + 2),   b.at(at + 3),
                 U16(b, at + 4), U16(b, at + 6), U32(b, at + 8), U32(b, at + 12)};
}
bool StartsWith(const Bytes& b, std::size_t at, const Bytes& prefix) {
    return b.size() >= at + prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}

TEST(IconFile, EmptyArrayGivesSixByteFile) {
    CIcons icons;
    EXPECT_EQ(IcoBytes(icons, true), (Bytes{0, 0, 1, 0, 0, 0}));
    TempFolder dir;
    ASSERT_TRUE(icons.Save(dir / "empty.ico", false));
    EXPECT_EQ(ReadAll(dir / "empty.ico"), (Bytes{0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(dir.Count(), 1u);  // no temporary left behind
}

TEST(IconFile, DirectoryOffsetsStartAfterDirectoryAndRunOn) {
    CIcons icons;
    icons.Add(Solid(1, 1, 4, 16));  // 40 + 64 + 4 + 4 = 112
    icons.Add(Solid(2, 2, 8, 1));   // 40 + 1024 + 2*4 + 2*4 = 1080
    icons.Add(Solid(3, 1, 24, 7));  // 40 + 12 + 4 = 56
    const Bytes b = IcoBytes(icons, false);
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 6), (Bytes{0, 0, 1, 0, 3, 0}));
    const Entry e0 = EntryAt(b, 0), e1 = EntryAt(b, 1), e2 = EntryAt(b, 2);
    EXPECT_EQ(e0.offset, 54u);
    EXPECT_EQ(e0.bytes, 112u);
    EXPECT_EQ(e1.offset, 166u);
    EXPECT_EQ(e1.bytes, 1080u);
    EXPECT_EQ(e2.offset, 1246u);
    EXPECT_EQ(e2.bytes, 56u);
    EXPECT_EQ(b.size(), 1302u);
    // Each image is exactly its DIB icon form.
    MemoryFile dib;
    ASSERT_TRUE(WriteDib(icons[1], dib, true));
    EXPECT_EQ(Bytes(b.begin() + 166, b.begin() + 1246), dib.Bytes());
}

TEST(IconFile, EntryFieldsPerDepth) {
    CIcons icons;
    icons.Add(Solid(16, 16, 4));
    icons.Add(Solid(16, 16, 8));
    icons.Add(Solid(16, 16, 24));
    icons.Add(Solid(16, 16, 32));
    const Bytes b = IcoBytes(icons, true);
    const std::uint32_t colors[] = {16, 0, 0, 0};
    const std::uint32_t bits[] = {4, 8, 24, 32};
    const std::uint32_t sizes[] = {40 + 64 + 128 + 64, 40 + 1024 + 256 + 64, 40 + 768 + 64,
                                   40 + 1024 + 64};
    for (std::size_t i = 0; i < 4; ++i) {
        const Entry e = EntryAt(b, i);
        EXPECT_EQ(e.width, 16u);
        EXPECT_EQ(e.height, 16u);
        EXPECT_EQ(e.colors, colors[i]) << i;
        EXPECT_EQ(e.reserved, 0u);
        EXPECT_EQ(e.planes, 1u);
        EXPECT_EQ(e.bitCount, bits[i]);
        EXPECT_EQ(e.bytes, sizes[i]) << i;
        // biSizeImage counts the colour bits only, the entry counts everything.
        EXPECT_EQ(U32(b, e.offset + 20), CIcon::ColorStride(16, static_cast<int>(bits[i])) * 16);
    }
}

TEST(IconFile, SidesAbove255AreZeroBytes) {
    CIcons icons;
    icons.Add(Solid(256, 256, 4));
    icons.Add(Solid(255, 255, 4));
    icons.Add(Solid(300, 2, 4));
    const Bytes b = IcoBytes(icons, false);
    EXPECT_EQ(EntryAt(b, 0).width, 0u);
    EXPECT_EQ(EntryAt(b, 0).height, 0u);
    EXPECT_EQ(EntryAt(b, 1).width, 255u);
    EXPECT_EQ(EntryAt(b, 1).height, 255u);
    EXPECT_EQ(EntryAt(b, 2).width, 0u);
    EXPECT_EQ(EntryAt(b, 2).height, 2u);
    EXPECT_EQ(I32(b, EntryAt(b, 0).offset + 8), 512);  // biHeight keeps the real size
}

TEST(IconFile, PngFormExactlyForThirtyTwoBitsFrom64x64WithOptionOn) {
    CIcons icons;
    icons.Add(Solid(64, 64, 32, 10));
    icons.Add(Solid(63, 64, 32, 10));
    icons.Add(Solid(64, 63, 32, 10));
    icons.Add(Solid(64, 64, 24, 10));
    icons.Add(Solid(128, 96, 32, 10));
    const Bytes withPng = IcoBytes(icons, true);
    const bool expectPng[] = {true, false, false, false, true};
    for (std::size_t i = 0; i < 5; ++i) {
        const Entry e = EntryAt(withPng, i);
        EXPECT_EQ(StartsWith(withPng, e.offset, kPngSignature), expectPng[i]) << i;
        EXPECT_EQ(StartsWith(withPng, e.offset, Bytes{40, 0, 0, 0}), !expectPng[i]) << i;
        EXPECT_EQ(e.bitCount, i == 3 ? 24u : 32u);
    }
    // The PNG entry's length ends exactly at the IEND chunk.
    const Entry last = EntryAt(withPng, 4);
    EXPECT_EQ(last.offset + last.bytes, withPng.size());
    EXPECT_TRUE(
        StartsWith(withPng, withPng.size() - 8, Bytes{'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82}));
    EXPECT_EQ(EntryAt(withPng, 1).offset, EntryAt(withPng, 0).offset + EntryAt(withPng, 0).bytes);

    const Bytes without = IcoBytes(icons, false);
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_TRUE(StartsWith(without, EntryAt(without, i).offset, Bytes{40, 0, 0, 0})) << i;
    }
    EXPECT_EQ(EntryAt(without, 0).bytes, 40u + 64 * 64 * 4 + 8 * 64);
}

TEST(IconFile, EveryWriteErrorIsReported) {
    CIcons icons;
    icons.Add(Solid(3, 3, 4, 16));
    icons.Add(Solid(64, 64, 32, 10));
    icons.Add(Solid(2, 2, 24, 10));
    const std::size_t full = IcoBytes(icons, true).size();
    for (std::size_t budget = 0; budget < full; budget += (budget < 300 ? 1 : 97)) {
        FailingFile f(budget);
        EXPECT_FALSE(icons.Write(f, true)) << "budget " << budget;
    }
    FailingFile enough(full + 16 * 3);  // entries are rewritten once each
    EXPECT_TRUE(icons.Write(enough, true));
}

TEST(IconFile, ImageThatCannotBeWrittenFailsTheFile) {
    CIcons icons;
    icons.Add(Solid(2, 2, 4));
    MemoryFile f;
    const std::uint8_t junk = 1;
    ASSERT_TRUE(f.Write(&junk, 1));  // directory offsets would be wrong: refused
    EXPECT_FALSE(icons.Write(f, false));
}

TEST(IconFile, MoreImagesThanTheCountFieldHoldsAreRefused) {
    CIcons icons;
    for (int i = 0; i < 65536; ++i) {
        icons.Add(CreateIcon(1, 1, 4));
    }
    MemoryFile f;
    EXPECT_FALSE(icons.Write(f, false));  // 65536 would be stored as count 0
    EXPECT_EQ(f.GetPosition(), 0u);
}

TEST(IconFileSave, NonExistentFolderFailsAndCreatesNothing) {
    TempFolder dir;
    CIcons icons;
    icons.Add(Solid(4, 4, 8));
    EXPECT_FALSE(icons.Save(dir / "missing" / "a.ico", false));
    EXPECT_EQ(dir.Count(), 0u);
    WriteAll(dir / "file", Bytes{1});
    EXPECT_FALSE(icons.Save(dir / "file" / "a.ico", false));  // parent is not a folder
    EXPECT_FALSE(icons.Save(dir.Path(), false));              // target is a folder
    EXPECT_EQ(dir.Count(), 1u);
}

TEST(IconFileSave, ReplacesAnExistingFileCompletely) {
    TempFolder dir;
    const auto target = dir / "a.ico";
    WriteAll(target, Bytes(5000, 0x55));
    CIcons icons;
    icons.Add(Solid(1, 1, 4, 16));
    ASSERT_TRUE(icons.Save(target, false));
    const Bytes b = ReadAll(target);
    EXPECT_EQ(b.size(), 6u + 16 + 112);  // truncated, not overwritten in place
    EXPECT_EQ(dir.Count(), 1u);
}

TEST(IconFileSave, FullDiskKeepsThePreviousFileIntact) {
    TempFolder dir;
    const auto target = dir / "a.ico";
    const Bytes old(100, 0x42);
    WriteAll(target, old);
    CIcons icons;
    icons.Add(Solid(32, 32, 32, 10));  // 4264 bytes of image data
    EXPECT_EQ(RunWithFileSizeLimit(2000, [&] { return icons.Save(target, false); }), 0);
    EXPECT_EQ(ReadAll(target), old);
    EXPECT_EQ(dir.Count(), 1u);
    EXPECT_EQ(RunWithFileSizeLimit(1 << 20, [&] { return icons.Save(target, false); }), 1);
    EXPECT_EQ(ReadAll(target).size(), 6u + 16 + 40 + 4096 + 128);
}

TEST(IconFileSave, WriteProtectedFileOrFolderFailsAndKeepsContent) {
    namespace fs = std::filesystem;
    TempFolder dir;
    const auto target = dir / "a.ico";
    const Bytes old(10, 7);
    WriteAll(target, old);
    CIcons icons;
    icons.Add(Solid(2, 2, 4));
    // A read-only file in a folder anyone may write to: renaming over it would succeed,
    // but the file itself may not be written, so it must not be replaced.
    fs::permissions(target, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(dir.Path(), fs::perms::all);
    EXPECT_EQ(RunUnprivileged([&] { return icons.Save(target, false); }), 0);
    EXPECT_EQ(ReadAll(target), old);
    EXPECT_EQ(dir.Count(), 1u);
    // A folder nobody may write to.
    fs::permissions(target, fs::perms::all);
    fs::permissions(dir.Path(), fs::perms::owner_read | fs::perms::owner_exec |
                                    fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    EXPECT_EQ(RunUnprivileged([&] { return icons.Save(target, false); }), 0);
    EXPECT_EQ(RunUnprivileged([&] { return icons.Save(dir / "new.ico", false); }), 0);
    EXPECT_EQ(ReadAll(target), old);
    EXPECT_EQ(dir.Count(), 1u);
}

}  // namespace
}  // namespace varlen
