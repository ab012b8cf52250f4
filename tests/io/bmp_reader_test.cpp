// The packed DIB reader through FromDib: every depth and compression, row order, header
// versions, and refusal of inconsistent or truncated data.
#include <gtest/gtest.h>

#include <climits>

#include "io/bmp_reader.h"
#include "io/loaders.h"
#include "io/picture_fixtures.h"

namespace varlen {
namespace {

using testdata::BuildDib;
using testdata::Bytes;
using testdata::DibLayout;

std::unique_ptr<CIcon> Load(const Bytes& dib) {
    ByteReader reader(dib);
    return FromDib(reader);
}

std::vector<Pixel> PixelsOf(const CIcon& icon) {
    return {icon.Pixels().begin(), icon.Pixels().end()};
}

constexpr Pixel Opaque(int r, int g, int b) {
    return MakePixel(255, r, g, b);
}

// --- Depths -------------------------------------------------------------------------

TEST(BmpDepths, OneBitWidthTenUsesTopBitsOfSecondByte) {
    DibLayout s;
    s.width = 10;
    s.height = 2;
    s.bpp = 1;
    s.palette = {RGBQUAD{0x30, 0x20, 0x10, 0}, RGBQUAD{0x50, 0x60, 0xC0, 0}};
    // Bottom row first: 0100110010, then the top row 1011001101 (unused low bits set).
    s.pixels = {0x4C, 0x80, 0, 0, 0xB3, 0x7F, 0xFF, 0xFF};
    const auto icon = Load(BuildDib(s));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Bpp(), 1);
    const Pixel a = 0xFF102030, b = 0xFFC06050;
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{b, a, b, b, a, a, b, b, a, b,  //
                                                   a, b, a, a, b, b, a, a, b, a}));
    ASSERT_EQ(icon->Palette().size(), 2u);
    EXPECT_EQ(icon->Palette()[1], (RGBQUAD{0x50, 0x60, 0xC0, 0}));
}

TEST(BmpDepths, FourBitOddWidthTopDown) {
    DibLayout s;
    s.width = 3;
    s.height = -2;
    s.bpp = 4;
    s.clrUsed = 3;
    s.palette = {RGBQUAD{1, 2, 3, 0}, RGBQUAD{4, 5, 6, 0}, RGBQUAD{7, 8, 9, 0}};
    s.pixels = {0x12, 0x0F, 0xEE, 0xEE, 0x20, 0x1A, 0, 0};
    const auto icon = Load(BuildDib(s));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Bpp(), 4);
    const Pixel p0 = Opaque(3, 2, 1), p1 = Opaque(6, 5, 4), p2 = Opaque(9, 8, 7);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{p1, p2, p0, p2, p0, p1}));
    ASSERT_EQ(icon->Palette().size(), 16u);
    EXPECT_EQ(icon->Palette()[2], (RGBQUAD{7, 8, 9, 0}));
    EXPECT_EQ(icon->Palette()[3], (RGBQUAD{0, 0, 0, 0}));  // padded with black
}

TEST(BmpDepths, EightBitWithSixteenUsedColoursFindsPixelsAfterSixtyFourBytes) {
    DibLayout s;
    s.width = 2;
    s.height = 1;
    s.bpp = 8;
    s.clrUsed = 16;
    for (int i = 0; i < 16; ++i) {
        s.palette.push_back(RGBQUAD{static_cast<std::uint8_t>(i * 10),
                                    static_cast<std::uint8_t>(i * 11),
                                    static_cast<std::uint8_t>(i * 12), 0});
    }
    s.pixels = {15, 3, 0, 0};
    const Bytes dib = BuildDib(s);
    ASSERT_EQ(dib.size(), 40u + 64u + 4u);
    ASSERT_EQ(dib[104], 15);
    const auto icon = Load(dib);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Bpp(), 8);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{Opaque(180, 165, 150), Opaque(36, 33, 30)}));
    EXPECT_EQ(icon->Palette().size(), 256u);
    EXPECT_EQ(icon->Palette()[15], (RGBQUAD{150, 165, 180, 0}));
}

TEST(BmpDepths, IndexPastShortColourTableIsBlack) {
    DibLayout s;
    s.width = 3;
    s.height = 1;
    s.bpp = 8;
    s.clrUsed = 2;
    s.palette = {RGBQUAD{10, 20, 30, 0}, RGBQUAD{40, 50, 60, 0}};
    s.pixels = {1, 200, 0, 0};
    const auto icon = Load(BuildDib(s));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(PixelsOf(*icon),
              (std::vector<Pixel>{Opaque(60, 50, 40), Opaque(0, 0, 0), Opaque(30, 20, 10)}));
}

TEST(BmpDepths, SixteenBitDefaultsToFiveFiveFive) {
    DibLayout s;
    s.width = 4;
    s.height = 1;
    s.bpp = 16;
    // 0x7FFF white, 0x7C00 red, 0x4210 = 16,16,16 -> 132 each, 0x8000 top bit unused.
    s.pixels = {0xFF, 0x7F, 0x00, 0x7C, 0x10, 0x42, 0x00, 0x80};
    const auto icon = Load(BuildDib(s));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Bpp(), 16);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{Opaque(255, 255, 255), Opaque(255, 0, 0),
                                                   Opaque(132, 132, 132), Opaque(0, 0, 0)}));
}

TEST(BmpDepths, SixteenBitFiveSixFiveBitFieldsOddWidth) {
    DibLayout s;
    s.width = 3;
    s.height = 2;
    s.bpp = 16;
    s.compression = 3;
    s.masks = {0xF800, 0x07E0, 0x001F};
    // Bottom row: 0x0400 (green 32 of 63 -> 130), 0x001F, 0x0000; top: F800, 07E0, 0841.
    s.pixels = {0x00, 0x04, 0x1F, 0x00, 0x00, 0x00, 0xAA, 0xAA,
                0x00, 0xF8, 0xE0, 0x07, 0x41, 0x08, 0x00, 0x00};
    const auto icon = Load(BuildDib(s));
    ASSERT_NE(icon, nullptr);
    // 0x0841: red 1 -> 8, green 2 -> 8, blue 1 -> 8.
    EXPECT_EQ(PixelsOf(*icon),
              (std::vector<Pixel>{Opaque(255, 0, 0), Opaque(0, 255, 0), Opaque(8, 8, 8),
                                  Opaque(0, 130, 0), Opaque(0, 0, 255), Opaque(0, 0, 0)}));
}

TEST(BmpDepths, TwentyFourBitBottomUpAndTopDownAgree) {
    DibLayout s;
    s.width = 3;
    s.height = 2;
    s.bpp = 24;
    const Bytes top = {3, 2, 1, 6, 5, 4, 9, 8, 7, 0xEE, 0xEE, 0xEE};
    const Bytes bottom = {12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0};
    s.pixels = bottom;
    s.pixels.insert(s.pixels.end(), top.begin(), top.end());
    const std::vector<Pixel> expected = {Opaque(1, 2, 3),    Opaque(4, 5, 6),
                                         Opaque(7, 8, 9),    Opaque(10, 11, 12),
                                         Opaque(13, 14, 15), Opaque(16, 17, 18)};
    const auto up = Load(BuildDib(s));
    ASSERT_NE(up, nullptr);
    EXPECT_EQ(up->Bpp(), 24);
    EXPECT_EQ(PixelsOf(*up), expected);

    s.height = -2;
    s.pixels = top;
    s.pixels.insert(s.pixels.end(), bottom.begin(), bottom.end());
    const auto down = Load(BuildDib(s));
    ASSERT_NE(down, nullptr);
    EXPECT_EQ(PixelsOf(*down), expected);
}

TEST(BmpDepths, TwentyFourBitIgnoresClrUsedWhenSkippingToPixels) {
    DibLayout s;
    s.width = 1;
    s.height = 1;
    s.bpp = 24;
    s.clrUsed = 5;  // no colour table above 8 bits: pixels follow the header
    s.pixels = {0x10, 0x20, 0x30, 0};
    const auto icon = Load(BuildDib(s));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{Opaque(0x30, 0x20, 0x10)}));
}

TEST(BmpDepths, ThirtyTwoBitRgbWithAllZeroFourthBytesIsOpaque) {
    DibLayout s;
    s.width = 2;
    s.height = 1;
    s.bpp = 32;
    s.pixels = {1, 2, 3, 0, 4, 5, 6, 0};
    const auto icon = Load(BuildDib(s));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Bpp(), 32);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{0xFF030201, 0xFF060504}));
}

TEST(BmpDepths, ThirtyTwoBitRgbWithOneNonZeroFourthByteKeepsEveryFourthByte) {
    DibLayout s;
    s.width = 3;
    s.height = 1;
    s.bpp = 32;
    s.pixels = {1, 2, 3, 0, 4, 5, 6, 0x80, 7, 8, 9, 0};
    const auto icon = Load(BuildDib(s));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{0x00030201, 0x80060504, 0x00090807}));
}

TEST(BmpDepths, ThirtyTwoBitBitFieldsIsOpaque) {
    DibLayout s;
    s.width = 2;
    s.height = 1;
    s.bpp = 32;
    s.compression = 3;
    s.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
    s.pixels = {1, 2, 3, 0x80, 4, 5, 6, 0};
    const auto icon = Load(BuildDib(s));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{0xFF030201, 0xFF060504}));
}

TEST(BmpDepths, ThirtyTwoBitBitFieldsHonoursUnusualMasks) {
    DibLayout s;
    s.width = 2;
    s.height = 1;
    s.bpp = 32;
    s.compression = 3;
    // First pixel: red in the low byte, blue in the third. Second: 10-10-10 is read with
    // its own masks below, so use a second DIB for it.
    s.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
    s.pixels = {1, 2, 3, 0x80, 9, 8, 7, 0};
    const auto swapped = Load(BuildDib(s));
    ASSERT_NE(swapped, nullptr);
    EXPECT_EQ(PixelsOf(*swapped), (std::vector<Pixel>{Opaque(1, 2, 3), Opaque(9, 8, 7)}));

    s.masks = {0x3FF00000, 0x000FFC00, 0x000003FF};
    // 0x3FF80001: red 0x3FF -> 255, green 0x200 -> 0x80, blue 1 -> 0.
    s.pixels = {0x01, 0x00, 0xF8, 0x3F, 0, 0, 0, 0};
    const auto wide = Load(BuildDib(s));
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(PixelsOf(*wide), (std::vector<Pixel>{Opaque(255, 0x80, 0), Opaque(0, 0, 0)}));
}

// --- Header versions ----------------------------------------------------------------

TEST(BmpHeaders, LongHeadersHoldTheirMasksInside) {
    for (std::uint32_t size : {52u, 56u, 108u, 124u}) {
        DibLayout s;
        s.headerSize = size;
        s.width = 2;
        s.height = 1;
        s.bpp = 16;
        s.compression = 3;
        s.masks = {0xF800, 0x07E0, 0x001F};
        s.pixels = {0x00, 0xF8, 0x1F, 0x00};
        const Bytes dib = BuildDib(s);
        ASSERT_EQ(dib.size(), size + 4u);
        const auto icon = Load(dib);
        ASSERT_NE(icon, nullptr) << size;
        EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{Opaque(255, 0, 0), Opaque(0, 0, 255)}))
            << size;
    }
}

TEST(BmpHeaders, VersionFivePaletteFollowsTheWholeHeader) {
    DibLayout s;
    s.headerSize = 124;
    s.width = 2;
    s.height = 1;
    s.bpp = 1;
    s.palette = {RGBQUAD{1, 2, 3, 0}, RGBQUAD{4, 5, 6, 0}};
    s.pixels = {0x40, 0, 0, 0};
    const auto icon = Load(BuildDib(s));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{Opaque(3, 2, 1), Opaque(6, 5, 4)}));
}

TEST(BmpHeaders, VersionFourThirtyTwoBitRgbKeepsAlpha) {
    DibLayout s;
    s.headerSize = 108;
    s.width = 1;
    s.height = 1;
    s.bpp = 32;
    s.pixels = {1, 2, 3, 0x40};
    const auto icon = Load(BuildDib(s));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{0x40030201}));
}

TEST(BmpHeaders, SidesUpToTheLimitAreAccepted) {
    DibLayout s;
    s.width = kMaxPictureSide;
    s.height = 1;
    s.bpp = 1;
    s.palette = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
    s.pixels.assign(kMaxPictureSide / 8, 0xFF);
    const auto wide = Load(BuildDib(s));
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide->Width(), kMaxPictureSide);
    EXPECT_EQ(wide->GetPixel(kMaxPictureSide - 1, 0), Opaque(255, 255, 255));

    s.width = 1;
    s.height = -kMaxPictureSide;
    s.pixels.assign(static_cast<std::size_t>(kMaxPictureSide) * 4, 0x80);
    const auto tall = Load(BuildDib(s));
    ASSERT_NE(tall, nullptr);
    EXPECT_EQ(tall->Height(), kMaxPictureSide);

    s.height = -(kMaxPictureSide + 1);
    s.pixels.resize(static_cast<std::size_t>(kMaxPictureSide + 1) * 4, 0x80);
    EXPECT_EQ(Load(BuildDib(s)), nullptr);
}

TEST(BmpHeaders, DeliveredBitmapCarriesMasksAndAlphaFlag) {
    DibLayout s;
    s.width = 1;
    s.height = 1;
    s.bpp = 16;
    s.compression = 3;
    s.masks = {0xF800, 0x07E0, 0x001F};
    s.pixels = {0, 0, 0, 0};
    const Bytes dib = BuildDib(s);
    const auto picture = ReadPackedDib(dib);
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->bitmap.depth, 16);
    EXPECT_EQ(picture->bitmap.redMask, 0xF800u);
    EXPECT_EQ(picture->bitmap.greenMask, 0x07E0u);
    EXPECT_EQ(picture->bitmap.blueMask, 0x001Fu);
    EXPECT_FALSE(picture->fourthByteMayBeAlpha);

    DibLayout t;
    t.width = 1;
    t.height = 1;
    t.bpp = 32;
    t.pixels = {0, 0, 0, 0};
    const Bytes dib32 = BuildDib(t);
    const auto rgb = ReadPackedDib(dib32);
    ASSERT_TRUE(rgb.has_value());
    EXPECT_TRUE(rgb->fourthByteMayBeAlpha);
}

// --- RLE ------------------------------------------------------------------------------

std::vector<RGBQUAD> Ramp(int n) {
    std::vector<RGBQUAD> p;
    for (int i = 0; i < n; ++i) {
        p.push_back(RGBQUAD{static_cast<std::uint8_t>(i * 20), 0,
                            static_cast<std::uint8_t>(255 - i * 20), 0});
    }
    return p;
}
constexpr Pixel RampPixel(int i) {
    return MakePixel(255, 255 - i * 20, 0, i * 20);
}

TEST(BmpRle, Rle8RunsLiteralsEndOfLineAndDelta) {
    DibLayout s;
    s.width = 5;
    s.height = 2;
    s.bpp = 8;
    s.compression = 1;
    s.clrUsed = 5;
    s.palette = Ramp(5);
    s.pixels = {2, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 2, 0, 1, 4, 0, 1};
    const auto icon = Load(BuildDib(s));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Bpp(), 8);
    const Pixel z = RampPixel(0);
    EXPECT_EQ(
        PixelsOf(*icon),
        (std::vector<Pixel>{z, z, RampPixel(4), z, z,  // top row: delta then one run
                            RampPixel(1), RampPixel(1), RampPixel(2), RampPixel(3), RampPixel(1)}));
}

TEST(BmpRle, Rle8DeltaSkipsWholeRows) {
    DibLayout s;
    s.width = 2;
    s.height = 3;
    s.bpp = 8;
    s.compression = 1;
    s.clrUsed = 6;
    s.palette = Ramp(6);
    s.pixels = {0, 2, 0, 2, 2, 5, 0, 1};
    const auto icon = Load(BuildDib(s));
    ASSERT_NE(icon, nullptr);
    const Pixel z = RampPixel(0), f = RampPixel(5);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{f, f, z, z, z, z}));
}

TEST(BmpRle, Rle4AlternatesNibblesInRunsAndLiterals) {
    DibLayout s;
    s.width = 7;
    s.height = 1;
    s.bpp = 4;
    s.compression = 2;
    s.clrUsed = 8;
    s.palette = Ramp(8);
    s.pixels = {0, 3, 0x34, 0x50, 4, 0x67, 0, 1};
    const auto icon = Load(BuildDib(s));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Bpp(), 4);
    EXPECT_EQ(PixelsOf(*icon),
              (std::vector<Pixel>{RampPixel(3), RampPixel(4), RampPixel(5), RampPixel(6),
                                  RampPixel(7), RampPixel(6), RampPixel(7)}));
}

Bytes Rle8(int width, int height, Bytes data) {
    DibLayout s;
    s.width = width;
    s.height = height;
    s.bpp = 8;
    s.compression = 1;
    s.clrUsed = 2;
    s.palette = Ramp(2);
    s.pixels = std::move(data);
    return BuildDib(s);
}

TEST(BmpRle, RunsAndMovesOutsideThePictureAreRefused) {
    EXPECT_NE(Load(Rle8(4, 1, {4, 1, 0, 1})), nullptr);              // exactly fills the row
    EXPECT_EQ(Load(Rle8(4, 1, {5, 1, 0, 1})), nullptr);              // run past the row
    EXPECT_EQ(Load(Rle8(4, 1, {2, 1, 3, 1, 0, 1})), nullptr);        // second run past the row
    EXPECT_EQ(Load(Rle8(2, 1, {0, 3, 1, 1, 1, 0, 0, 1})), nullptr);  // literal past the row
    EXPECT_EQ(Load(Rle8(2, 2, {0, 2, 3, 0, 0, 1})), nullptr);        // delta right of the row
    EXPECT_EQ(Load(Rle8(2, 2, {0, 2, 0, 3, 0, 1})), nullptr);        // delta below the picture
    EXPECT_EQ(Load(Rle8(2, 1, {0, 0, 1, 1, 0, 1})), nullptr);        // run on a row past the end
    EXPECT_EQ(Load(Rle8(2, 1, {0, 0, 0, 0, 0, 1})), nullptr);        // end of line past the end
    EXPECT_EQ(Load(Rle8(2, 1, {2, 1})), nullptr);                    // no end-of-bitmap code
    EXPECT_EQ(Load(Rle8(2, 1, {2, 1, 0})), nullptr);                 // half a code
    EXPECT_EQ(Load(Rle8(4, 1, {0, 3, 1, 1, 1})), nullptr);           // literal cut short
    EXPECT_EQ(Load(Rle8(2, -1, {2, 1, 0, 1})), nullptr);             // RLE cannot be top-down
}

TEST(BmpRle, CompressionMustMatchDepth) {
    DibLayout s;
    s.width = 2;
    s.height = 1;
    s.bpp = 4;
    s.compression = 1;  // RLE8 on 4 bits
    s.palette = Ramp(16);
    s.pixels = {2, 1, 0, 1};
    EXPECT_EQ(Load(BuildDib(s)), nullptr);
    s.bpp = 8;
    s.compression = 2;  // RLE4 on 8 bits
    s.palette = Ramp(256);
    EXPECT_EQ(Load(BuildDib(s)), nullptr);
}

}  // namespace
}  // namespace varlen
