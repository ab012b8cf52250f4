#include "io/dib_writer.h"

#include <gtest/gtest.h>

#include "tests/io/writer_support.h"

namespace varlen {
namespace {

using testing_support::Bytes;
using testing_support::FailingFile;
using testing_support::I32;
using testing_support::Solid;
using testing_support::U16;
using testing_support::U32;

Bytes Dib(const CIcon& icon, bool iconForm) {
    MemoryFile f;
    EXPECT_TRUE(WriteDib(icon, f, iconForm));
    return f.Take();
}

void ExpectInfoHeader(const Bytes& b, int width, int dibHeight, int bpp, std::uint32_t sizeImage) {
    EXPECT_EQ(U32(b, 0), 40u);
    EXPECT_EQ(I32(b, 4), width);
    EXPECT_EQ(I32(b, 8), dibHeight);
    EXPECT_EQ(U16(b, 12), 1u);
    EXPECT_EQ(U16(b, 14), static_cast<std::uint32_t>(bpp));
    EXPECT_EQ(U32(b, 16), 0u);
    EXPECT_EQ(U32(b, 20), sizeImage);
    for (std::size_t at = 24; at < 40; at += 4) {
        EXPECT_EQ(U32(b, at), 0u) << "at " << at;
    }
}

TEST(DibForm, OnePixelFourBitIconIs112BytesWithPaddedRows) {
    auto icon = Solid(1, 1, 4, 32);  // grey 32 is ramp entry 2
    const Bytes b = Dib(*icon, true);
    ASSERT_EQ(b.size(), 112u);  // 40 + 64 + 4 + 4
    ExpectInfoHeader(b, 1, 2, 4, 4);
    for (int i = 0; i < 16; ++i) {
        const std::size_t at = 40 + 4 * static_cast<std::size_t>(i);
        EXPECT_EQ(b[at], 16 * i);
        EXPECT_EQ(b[at + 1], 16 * i);
        EXPECT_EQ(b[at + 2], 16 * i);
        EXPECT_EQ(b[at + 3], 0);
    }
    EXPECT_EQ(Bytes(b.begin() + 104, b.end()), (Bytes{0x20, 0, 0, 0, 0x7F, 0xFF, 0xFF, 0xFF}));
}

TEST(DibForm, FourBitOddWidthRowsBottomUpWithMask) {
    auto icon = CreateIcon(3, 2, 4);
    auto px = icon->Pixels();
    const auto grey = [](int g) { return MakePixel(255, g, g, g); };
    px[0] = grey(16);
    px[1] = grey(32);
    px[2] = MakePixel(0, 255, 255, 255);  // transparent: index nearest to black, 0
    px[3] = grey(240);
    px[4] = grey(128);
    px[5] = grey(48);
    const Bytes b = Dib(*icon, true);
    ASSERT_EQ(b.size(), 40u + 64 + 2 * 4 + 2 * 4);
    ExpectInfoHeader(b, 3, 4, 4, 8);
    const Bytes bits(b.begin() + 104, b.end());
    EXPECT_EQ(bits, (Bytes{0xF8, 0x30, 0, 0,  // bottom row
                           0x12, 0x00, 0, 0,  // top row, third pixel index 0
                           0x1F, 0xFF, 0xFF, 0xFF, 0x3F, 0xFF, 0xFF, 0xFF}));
}

TEST(DibForm, EightBitCarriesWhole1024ByteTable) {
    auto icon = Solid(2, 1, 8, 200);
    icon->Palette()[255] = RGBQUAD{7, 8, 9, 0};  // an entry no pixel uses is still written
    const Bytes b = Dib(*icon, false);
    ASSERT_EQ(b.size(), 40u + 1024 + 4);
    ExpectInfoHeader(b, 2, 1, 8, 4);
    EXPECT_EQ(b[40 + 4 * 100], 100);
    EXPECT_EQ(Bytes(b.begin() + 40 + 1020, b.begin() + 40 + 1024), (Bytes{7, 8, 9, 0}));
    EXPECT_EQ(Bytes(b.begin() + 1064, b.end()), (Bytes{200, 200, 0, 0}));
}

TEST(DibForm, TwentyFourBitTransparentPixelIsBlackAndPlainFormHasNoMask) {
    auto icon = CreateIcon(1, 2, 24);
    icon->Pixels()[0] = MakePixel(255, 1, 2, 3);
    icon->Pixels()[1] = MakePixel(127, 9, 9, 9);
    const Bytes b = Dib(*icon, false);
    ASSERT_EQ(b.size(), 48u);
    ExpectInfoHeader(b, 1, 2, 24, 8);
    EXPECT_EQ(Bytes(b.begin() + 40, b.end()), (Bytes{0, 0, 0, 0, 3, 2, 1, 0}));
}

TEST(DibForm, ThirtyTwoBitKeepsAlphaAndAlphaOneIsOpaque) {
    auto icon = CreateIcon(1, 1, 32);
    icon->Pixels()[0] = MakePixel(1, 10, 20, 30);
    const Bytes b = Dib(*icon, true);
    ASSERT_EQ(b.size(), 48u);
    ExpectInfoHeader(b, 1, 2, 32, 4);
    EXPECT_EQ(Bytes(b.begin() + 40, b.end()), (Bytes{30, 20, 10, 1, 0x7F, 0xFF, 0xFF, 0xFF}));
}

TEST(DibForm, NonSquareKeepsItsSizeAndSizeImageCountsColourBitsOnly) {
    auto icon = Solid(48, 32, 32, 90);
    const Bytes iconForm = Dib(*icon, true);
    ExpectInfoHeader(iconForm, 48, 64, 32, 48 * 4 * 32);
    EXPECT_EQ(iconForm.size(), 40u + 6144 + 8 * 32);
    const Bytes plain = Dib(*icon, false);
    ExpectInfoHeader(plain, 48, 32, 32, 6144);
    EXPECT_EQ(plain.size(), 40u + 6144);
}

TEST(DibForm, MedianCutPaletteIsWrittenWithTheIndicesItGives) {
    // Pure red: the palette gets red at 7 and black at 15 and in the empty boxes; the
    // transparent pixel takes the first index nearest to black, 0.
    auto icon = CreateIcon(2, 1, 4);
    icon->Pixels()[0] = MakePixel(255, 255, 0, 0);
    icon->Pixels()[1] = MakePixel(0, 255, 0, 0);
    ASSERT_TRUE(icon->MakePalette());
    const Bytes b = Dib(*icon, true);
    ASSERT_EQ(b.size(), 112u);
    for (int i = 0; i < 16; ++i) {
        const Bytes expected = i == 7 ? Bytes{0, 0, 255, 0} : Bytes{0, 0, 0, 0};
        EXPECT_EQ(Bytes(b.begin() + 40 + 4 * i, b.begin() + 44 + 4 * i), expected) << i;
    }
    EXPECT_EQ(Bytes(b.begin() + 104, b.end()), (Bytes{0x70, 0, 0, 0, 0x7F, 0xFF, 0xFF, 0xFF}));
}

TEST(DibForm, EveryWriteErrorIsReported) {
    auto icon = Solid(5, 3, 4, 16);
    const std::size_t full = Dib(*icon, true).size();
    for (std::size_t budget = 0; budget < full; ++budget) {
        FailingFile f(budget);
        EXPECT_FALSE(WriteDib(*icon, f, true)) << "budget " << budget;
    }
    FailingFile enough(full);
    EXPECT_TRUE(WriteDib(*icon, enough, true));
}

TEST(DibForm, AppendsAtTheCurrentPosition) {
    auto icon = Solid(1, 1, 24, 5);
    MemoryFile f;
    const std::uint8_t lead[3] = {0xAA, 0xBB, 0xCC};
    ASSERT_TRUE(f.Write(lead, 3));
    ASSERT_TRUE(WriteDib(*icon, f, false));
    ASSERT_EQ(f.Bytes().size(), 3u + 44);
    EXPECT_EQ(f.Bytes()[0], 0xAA);
    EXPECT_EQ(U32(f.Bytes(), 3), 40u);
}

}  // namespace
}  // namespace varlen
