#include "io/export.h"

#include <gtest/gtest.h>

#include "io/dib_writer.h"
#include "io/png_encode.h"
#include "tests/io/writer_support.h"

namespace varlen {
namespace {

using namespace testing_support;

TEST(BitmapExport, ThirtyTwoByThirtyTwoEightBitHeader) {
    TempFolder dir;
    auto icon = Solid(32, 32, 8, 66);
    ASSERT_TRUE(SaveBmp(*icon, dir / "a.bmp"));
    const Bytes b = ReadAll(dir / "a.bmp");
    ASSERT_EQ(b.size(), 2102u);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(U32(b, 2), 2102u);
    EXPECT_EQ(U16(b, 6), 0u);
    EXPECT_EQ(U16(b, 8), 0u);
    EXPECT_EQ(U32(b, 10), 1078u);
    EXPECT_EQ(I32(b, 14 + 8), 32);  // plain form: biHeight = height
    EXPECT_EQ(b[1078], 66);         // first colour byte at bfOffBits
    MemoryFile dib;
    ASSERT_TRUE(WriteDib(*icon, dib, false));
    EXPECT_EQ(Bytes(b.begin() + 14, b.end()), dib.Bytes());
}

TEST(BitmapExport, OffsetsPerDepthAndNoMask) {
    struct Case {
        int bpp;
        std::uint32_t offBits, size;
    };
    const Case cases[] = {{4, 118, 118 + 3 * 4},
                          {8, 1078, 1078 + 3 * 4},
                          {24, 54, 54 + 3 * 12},
                          {32, 54, 54 + 3 * 12}};
    for (const Case& c : cases) {
        MemoryFile f;
        ASSERT_TRUE(WriteBmpFile(*Solid(3, 3, c.bpp), f));
        EXPECT_EQ(U32(f.Bytes(), 10), c.offBits) << c.bpp;
        EXPECT_EQ(U32(f.Bytes(), 2), c.size) << c.bpp;
        EXPECT_EQ(f.Bytes().size(), c.size) << c.bpp;
    }
}

TEST(BitmapExport, ThirtyTwoBitsKeepsAlphaTwentyFourBitsBlackensTransparency) {
    auto icon32 = CreateIcon(1, 1, 32);
    icon32->Pixels()[0] = MakePixel(5, 1, 2, 3);
    MemoryFile f32;
    ASSERT_TRUE(WriteBmpFile(*icon32, f32));
    EXPECT_EQ(Bytes(f32.Bytes().begin() + 54, f32.Bytes().end()), (Bytes{3, 2, 1, 5}));
    auto icon24 = CreateIcon(1, 1, 24);
    icon24->Pixels()[0] = MakePixel(5, 1, 2, 3);
    MemoryFile f24;
    ASSERT_TRUE(WriteBmpFile(*icon24, f24));
    EXPECT_EQ(Bytes(f24.Bytes().begin() + 54, f24.Bytes().end()), (Bytes{0, 0, 0, 0}));
}

TEST(CursorExport, SixteenBySixteenFourBitIs318Bytes) {
    TempFolder dir;
    auto icon = Solid(16, 16, 4, 128);
    ASSERT_TRUE(SaveCursor(*icon, dir / "a.cur", 5, 11));
    const Bytes b = ReadAll(dir / "a.cur");
    ASSERT_EQ(b.size(), 318u);
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 10), (Bytes{0, 0, 2, 0, 1, 0, 16, 16, 16, 0}));
    EXPECT_EQ(U16(b, 10), 5u);
    EXPECT_EQ(U16(b, 12), 11u);
    EXPECT_EQ(U32(b, 14), 296u);
    EXPECT_EQ(U32(b, 18), 22u);
    MemoryFile dib;
    ASSERT_TRUE(WriteDib(*icon, dib, true));
    EXPECT_EQ(Bytes(b.begin() + 22, b.end()), dib.Bytes());
    EXPECT_EQ(I32(b, 22 + 8), 32);  // icon form: biHeight doubled
}

TEST(CursorExport, LargeAndNonSquareCursors) {
    MemoryFile big;
    ASSERT_TRUE(WriteCursorFile(*Solid(256, 256, 8), big, 255, 0));
    EXPECT_EQ(big.Bytes()[6], 0);
    EXPECT_EQ(big.Bytes()[7], 0);
    EXPECT_EQ(big.Bytes()[8], 0);  // 256 colours truncate to 0
    EXPECT_EQ(U16(big.Bytes(), 10), 255u);

    MemoryFile wide;
    ASSERT_TRUE(WriteCursorFile(*Solid(48, 32, 32), wide, 47, 31));
    EXPECT_EQ(wide.Bytes()[6], 48);
    EXPECT_EQ(wide.Bytes()[7], 32);
    EXPECT_EQ(wide.Bytes()[8], 0);
    EXPECT_EQ(I32(wide.Bytes(), 22 + 4), 48);
    EXPECT_EQ(I32(wide.Bytes(), 22 + 8), 64);
    EXPECT_EQ(U32(wide.Bytes(), 14), 40u + 48 * 4 * 32 + 8 * 32);
}

TEST(CursorExport, HotspotOutsideTheImageIsRefused) {
    auto icon = Solid(48, 32, 4);
    for (const auto& [x, y] : {std::pair{48, 0}, {0, 32}, {-1, 0}, {0, -1}, {70000, 0}}) {
        MemoryFile f;
        EXPECT_FALSE(WriteCursorFile(*icon, f, x, y)) << x << "," << y;
    }
}

TEST(CursorExport, EveryWriteErrorIsReported) {
    auto icon = Solid(5, 5, 8);
    MemoryFile ok;
    ASSERT_TRUE(WriteCursorFile(*icon, ok, 0, 0));
    for (std::size_t budget = 0; budget < ok.Bytes().size() + 16; budget += 7) {
        FailingFile f(budget);
        EXPECT_FALSE(WriteCursorFile(*icon, f, 0, 0)) << budget;
    }
    MemoryFile bmp;
    ASSERT_TRUE(WriteBmpFile(*icon, bmp));
    for (std::size_t budget = 0; budget < bmp.Bytes().size() + 14; budget += 7) {
        FailingFile f(budget);
        EXPECT_FALSE(WriteBmpFile(*icon, f)) << budget;
    }
}

TEST(PngExport, FileIsExactlyThePngForm) {
    TempFolder dir;
    auto icon = Solid(10, 6, 24, 31);
    ASSERT_TRUE(SavePng(*icon, dir / "a.png"));
    Bytes encoded;
    ASSERT_TRUE(EncodePng(*icon, encoded));
    EXPECT_EQ(ReadAll(dir / "a.png"), encoded);
    EXPECT_FALSE(SavePng(*Solid(4, 4, 16), dir / "b.png"));
    EXPECT_EQ(dir.Count(), 1u);
}

TEST(ExportSave, FailuresLeaveThePreviousFilesIntact) {
    TempFolder dir;
    const Bytes old(50, 0x33);
    const char* names[] = {"a.bmp", "a.png", "a.gif", "a.cur"};
    for (const char* n : names) {
        WriteAll(dir / n, old);
    }
    auto icon = Solid(40, 40, 8, 3);  // every form is well over 100 bytes
    const auto saveAll = [&] {
        bool any = SaveBmp(*icon, dir / "a.bmp");
        any = SavePng(*icon, dir / "a.png") || any;
        any = SaveGif(*icon, dir / "a.gif") || any;
        any = SaveCursor(*icon, dir / "a.cur", 1, 1) || any;
        return any;
    };
    EXPECT_EQ(RunWithFileSizeLimit(100, saveAll), 0);
    for (const char* n : names) {
        EXPECT_EQ(ReadAll(dir / n), old) << n;
    }
    EXPECT_EQ(dir.Count(), 4u);
    EXPECT_FALSE(SaveBmp(*icon, dir / "no" / "a.bmp"));
    EXPECT_FALSE(SavePng(*icon, dir / "no" / "a.png"));
    EXPECT_FALSE(SaveGif(*icon, dir / "no" / "a.gif"));
    EXPECT_FALSE(SaveCursor(*icon, dir / "no" / "a.cur", 0, 0));
    EXPECT_FALSE(SaveCursor(*icon, dir / "a.cur", 40, 0));
    EXPECT_EQ(ReadAll(dir / "a.cur"), old);
    EXPECT_EQ(dir.Count(), 4u);
}

TEST(ExportTypes, NumbersAndExtensionsNameOneTypeEach) {
    for (const int bad : {-1, 0, 5, 1000}) {
        EXPECT_FALSE(ExportTypeFromNumber(bad)) << bad;
    }
    for (int n = 1; n <= 4; ++n) {
        const auto type = ExportTypeFromNumber(n);
        ASSERT_TRUE(type) << n;
        EXPECT_EQ(static_cast<int>(*type), n);
        const std::string ext(ExportExtension(*type));
        EXPECT_EQ(ExportTypeOf("dir/name" + ext), type) << ext;
        std::string upper = ext;
        for (char& c : upper) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        EXPECT_EQ(ExportTypeOf("a.b" + upper), type) << upper;
    }
    EXPECT_EQ(ExportExtension(ExportType::kCursor), ".cur");
    for (const char* none : {"name", "a.ico", "a.png/file", "a.bmp\\x", "a.", ".bmpx", ""}) {
        EXPECT_FALSE(ExportTypeOf(none)) << none;
    }
}

TEST(ExportSave, SaveByTypeRefusesWhatItsTypeCannotHold) {
    TempFolder dir;
    EXPECT_FALSE(SaveExport(*Solid(9, 7, 32, 77), ExportType::kGif, dir / "deep.gif", 0, 0));
    EXPECT_FALSE(std::filesystem::exists(dir / "deep.gif"));
    EXPECT_FALSE(SaveExport(*Solid(9, 7, 8, 77), ExportType::kCursor, dir / "far.cur", 9, 0));
    EXPECT_FALSE(std::filesystem::exists(dir / "far.cur"));
    EXPECT_TRUE(SaveExport(*Solid(9, 7, 8, 77), ExportType::kCursor, dir / "in.cur", 8, 6));
}

}  // namespace
}  // namespace varlen
