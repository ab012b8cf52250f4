// Known answers for colour reduction and masks, worked out by hand.
#include <cstdint>
#include <initializer_list>
#include <vector>

#include <gtest/gtest.h>

#include "core/icon.h"
#include "core/median_cut.h"
#include "core/reference/reduce_reference.h"

namespace varlen {
namespace {

std::unique_ptr<CIcon> MakeImage(int width, int height, int bpp, std::initializer_list<Pixel> px) {
    auto icon = CreateIcon(width, height, bpp);
    EXPECT_EQ(px.size(), icon->PixelCount());
    std::size_t i = 0;
    for (Pixel p : px) {
        icon->Pixels()[i++] = p;
    }
    return icon;
}

std::vector<Pixel> PixelsOf(const CIcon& icon) {
    return {icon.Pixels().begin(), icon.Pixels().end()};
}

using Bytes = std::vector<std::uint8_t>;

RGBQUAD Rgb(int r, int g, int b) {
    return RGBQUAD{static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(g),
                   static_cast<std::uint8_t>(r), 0};
}

// ---------------------------------------------------------------------------------------------

TEST(ThresholdAlpha, SplitsAtHalfAndKeepsColour) {
    auto icon = MakeImage(6, 1, 32,
                          {0x00123456, 0x01123456, 0x7F654321, 0x80654321, 0xFEABCDEF, 0xFFABCDEF});
    icon->ThresholdAlpha();
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{0x00123456, 0x00123456, 0x00654321, 0xFF654321,
                                                   0xFFABCDEF, 0xFFABCDEF}));
}

// ---------------------------------------------------------------------------------------------

TEST(CountColors, IgnoresAlphaAndCountsTransparentPixels) {
    auto icon = MakeImage(4, 2, 32,
                          {0x00000000, 0xFF000000, 0x00FF0000, 0x80FF0000, 0x0000FF00, 0x000000FF,
                           0x00FFFFFF, 0x7F0000FF});
    EXPECT_EQ(icon->CountColors(), 5);
}

TEST(CountColors, FreshImageHasOneColour) {
    auto icon = CreateIcon(7, 5, 32);
    EXPECT_EQ(icon->CountColors(), 1);
}

TEST(CountColors, EveryLowWordDistinct) {
    auto icon = CreateIcon(256, 256, 32);
    for (int i = 0; i < 256 * 256; ++i) {
        // Alpha varies too, but must not make colours distinct.
        icon->Pixels()[static_cast<std::size_t>(i)] =
            (static_cast<Pixel>(i & 3) << 24) | static_cast<Pixel>(i * 97 % 65536) << 4;
    }
    EXPECT_EQ(icon->CountColors(), 65536);
}

// ---------------------------------------------------------------------------------------------

TEST(MedianCut, HistogramSeedsBlackAndKeepsFirstAppearance) {
    // Black with alpha 0 and 255 both add to the seed; X's entry keeps its first pixel value.
    auto icon = MakeImage(3, 2, 32,
                          {0x00000000, 0x40010203, 0xFF000000, 0xFF010203, 0x80FFFFFF, 0x00010203});
    const std::vector<HistEntry> h = BuildHistogram(*icon);
    ASSERT_EQ(h.size(), 3u);
    EXPECT_EQ(h[0].color, 0u);
    EXPECT_EQ(h[0].count, 6 + 2);
    EXPECT_EQ(h[1].color, 0x40010203u);
    EXPECT_EQ(h[1].count, 3);
    EXPECT_EQ(h[2].color, 0x80FFFFFFu);
    EXPECT_EQ(h[2].count, 1);
}

TEST(MedianCut, PureRedFourBit) {
    auto icon = CreateIcon(3, 2, 4);
    const Pixel alphas[] = {255, 0, 200, 10, 128, 127};
    for (std::size_t i = 0; i < 6; ++i) {
        icon->Pixels()[i] = (alphas[i] << 24) | 0xFF0000u;
    }
    std::vector<HistEntry> h = BuildHistogram(*icon);
    ASSERT_EQ(h.size(), 2u);
    EXPECT_EQ(h[0].count, 6);
    EXPECT_EQ(h[1].count, 6);
    const std::vector<int> bounds = MedianCutBoxes(h, 16);
    EXPECT_EQ(bounds, (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2}));
    EXPECT_EQ(h[0].color & 0xFFFFFFu, 0xFF0000u);  // red sorted first
    EXPECT_EQ(h[1].color, 0u);

    ASSERT_TRUE(icon->MakePalette());
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(icon->Palette()[static_cast<std::size_t>(k)],
                  k == 7 ? Rgb(255, 0, 0) : Rgb(0, 0, 0))
            << "entry " << k;
    }
    EXPECT_EQ(NearestPaletteIndex(*icon, 255, 0, 0), 7);
    EXPECT_EQ(NearestPaletteIndex(*icon, 0, 0, 0), 0);

    // Top row: opaque, transparent, opaque -> 7 0 7; bottom row: transparent, opaque,
    // transparent -> 0 7 0. Buffer rows bottom-up.
    const DibBits bits = icon->BuildBits();
    EXPECT_EQ(bits.color, (Bytes{0x07, 0x00, 0, 0, 0x70, 0x70, 0, 0}));
    EXPECT_EQ(bits.mask, (Bytes{0xBF, 0xFF, 0xFF, 0xFF, 0x5F, 0xFF, 0xFF, 0xFF}));
}

TEST(MedianCut, SelectionSortIsNotStable) {
    // Colours in order of appearance A, C, B, D, F; red has the widest range (9 against 8).
    // Sorting [black, A5, C5, B9, D7, F1] by red with the first-maximum selection sort swaps
    // B to the front (black goes to position 3), then D to position 1 (A goes to 4), so C ends
    // up before A although A came first: [B, D, C, A, F, black]. The cut falls after C.
    const Pixel a = 0xFF050100, c = 0xFF050800, b = 0xFF090200, d = 0xFF070300, f = 0xFF010400;
    auto icon = MakeImage(5, 1, 1, {a, c, b, d, f});
    std::vector<HistEntry> h = BuildHistogram(*icon);
    const std::vector<int> bounds = MedianCutBoxes(h, 2);
    EXPECT_EQ(bounds, (std::vector<int>{0, 3, 6}));
    ASSERT_EQ(h.size(), 6u);
    const Pixel order[] = {b, d, c, a, f, 0};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(h[i].color, order[i]) << "position " << i;
    }
    // Box 0: B, D, C -> red 21/3, green 13/3. Box 1: A, F and black (count 5) -> 6/7, 5/7.
    ASSERT_TRUE(icon->MakePalette());
    EXPECT_EQ(icon->Palette()[0], Rgb(7, 4, 0));
    EXPECT_EQ(icon->Palette()[1], Rgb(0, 0, 0));
}

TEST(MedianCut, GreenWinsEqualRangesAndBlueMustBeWider) {
    const Pixel x = 0x0A0005, y = 0x000A00, z = 0x05050A;  // every range is 10
    std::vector<HistEntry> h{{x, 1}, {y, 1}, {z, 1}};
    EXPECT_EQ(SplitBox(h, 0, 3), 1);
    EXPECT_EQ(h[0].color, y);
    EXPECT_EQ(h[1].color, z);
    EXPECT_EQ(h[2].color, x);

    // Red 10, green 5, blue 10: red.
    const Pixel p = 0x0A0000, q = 0x00050A, r = 0x030206;
    h = {{q, 1}, {r, 1}, {p, 1}};
    SplitBox(h, 0, 3);
    EXPECT_EQ(h[0].color, p);
    EXPECT_EQ(h[1].color, r);
    EXPECT_EQ(h[2].color, q);

    // Red 10, green 5, blue 11: blue.
    const Pixel s = 0x00050B;
    h = {{p, 1}, {r, 1}, {s, 1}};
    SplitBox(h, 0, 3);
    EXPECT_EQ(h[0].color, s);
    EXPECT_EQ(h[1].color, r);
    EXPECT_EQ(h[2].color, p);
}

TEST(MedianCut, SplitPointIsMiddleOfEntriesAndEmptyRunIsLeftAlone) {
    std::vector<HistEntry> h{{0x010000, 1}, {0x020000, 9}, {0x030000, 1}, {0x040000, 1}};
    EXPECT_EQ(SplitBox(h, 2, 2), 2);
    EXPECT_EQ(h[2].color, 0x030000u);
    EXPECT_EQ(SplitBox(h, 1, 4), 2);  // (1 + 4) / 2, whatever the counts
    EXPECT_EQ(h[0].color, 0x010000u);
    EXPECT_EQ(h[1].color, 0x040000u);
    EXPECT_EQ(h[2].color, 0x030000u);
    EXPECT_EQ(h[3].color, 0x020000u);
    EXPECT_EQ(h[3].count, 9);
}

TEST(MedianCut, FullColourDepthsAreLeftUnchanged) {
    for (int bpp : {24, 32}) {
        auto icon = MakeImage(2, 1, bpp, {0xFF102030, 0x00405060});
        EXPECT_FALSE(icon->MakePalette());
        EXPECT_TRUE(icon->Palette().empty());
        EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{0xFF102030, 0x00405060}));
    }
}

TEST(MedianCut, ColoursAverageByCount) {
    // 1 bit: [black(4), (200,100,50) x3, (0,0,90) x1]. Ranges: red 200, green 100, blue 90:
    // red. Sorted: [(200,100,50), black, (0,0,90)] -> black and (0,0,90) tie at red 0 and
    // keep their order. Box 0 = (200,100,50); box 1 = black(4) + (0,0,90) -> 90/5 = 18.
    auto icon = MakeImage(2, 2, 1, {0xFFC86432, 0xFFC86432, 0x0000005A, 0xFFC86432});
    ASSERT_TRUE(icon->MakePalette());
    EXPECT_EQ(icon->Palette()[0], Rgb(200, 100, 50));
    EXPECT_EQ(icon->Palette()[1], Rgb(0, 0, 18));
}

// ---------------------------------------------------------------------------------------------

TEST(PaletteSums, LargeBoxDoesNotWrap) {
    // One white entry of 20,000,000 pixels: 255 x 20,000,000 does not fit 32 bits.
    const std::vector<HistEntry> h{{0xFFFFFF, 20000000}};
    EXPECT_EQ(BoxPalette(h, {0, 1}), (std::vector<RGBQUAD>{Rgb(255, 255, 255)}));
    // The 32-bit sum would give (5,100,000,000 mod 2^32) / 20,000,000 = 40.
    const std::vector<reference::HistEntry> r{{0xFFFFFF, 20000000}};
    EXPECT_EQ(reference::BoxPalette(r, {0, 1}), (std::vector<RGBQUAD>{Rgb(40, 40, 40)}));
}

TEST(PaletteSums, HugeWhiteImageKeepsWhite) {
    // 4112 x 4112 = 16,908,544 white pixels: 255 times that exceeds 2^32.
    auto icon = CreateIcon(4112, 4112, 4);
    for (Pixel& p : icon->Pixels()) {
        p = 0xFFFFFFFF;
    }
    ASSERT_TRUE(icon->MakePalette());
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(icon->Palette()[static_cast<std::size_t>(k)],
                  k == 7 ? Rgb(255, 255, 255) : Rgb(0, 0, 0))
            << "entry " << k;
    }
}

// ---------------------------------------------------------------------------------------------

TEST(NearestPaletteIndex, FirstIndexWinsTies) {
    auto icon = CreateIcon(1, 1, 4);
    for (RGBQUAD& q : icon->Palette()) {
        q = Rgb(255, 255, 255);
    }
    icon->Palette()[2] = Rgb(0, 0, 0);
    icon->Palette()[3] = Rgb(10, 10, 10);
    icon->Palette()[5] = Rgb(10, 10, 10);
    icon->Palette()[9] = Rgb(20, 0, 0);
    icon->Palette()[12] = Rgb(10, 1, 0);
    EXPECT_EQ(NearestPaletteIndex(*icon, 10, 10, 10), 3);
    EXPECT_EQ(NearestPaletteIndex(*icon, 10, 0, 0), 12);  // 1 beats 100 and 100
    icon->Palette()[12] = Rgb(255, 255, 255);
    EXPECT_EQ(NearestPaletteIndex(*icon, 10, 0, 0), 2);  // 2 and 9 both at 100
    EXPECT_EQ(NearestPaletteIndex(*icon, 250, 255, 255), 0);
}

TEST(NearestPaletteIndex, NoPaletteGivesZero) {
    auto icon = CreateIcon(1, 1, 24);
    EXPECT_EQ(NearestPaletteIndex(*icon, 255, 255, 255), 0);
}

TEST(NearestPaletteIndex, GreyRampOfEightBits) {
    auto icon = CreateIcon(1, 1, 8);
    EXPECT_EQ(NearestPaletteIndex(*icon, 7, 7, 7), 7);
    EXPECT_EQ(NearestPaletteIndex(*icon, 255, 0, 0), 85);  // minimises 3g^2 - 510g
}

// ---------------------------------------------------------------------------------------------

TEST(BuildBits, FourBitOddWidth) {
    // Grey ramp palette: grey 32 -> 2, 240 -> 15, 80 -> 5.
    auto icon = MakeImage(3, 1, 4, {0xFF202020, 0xFFF0F0F0, 0xFF505050});
    DibBits bits = icon->BuildBits();
    EXPECT_EQ(bits.color, (Bytes{0x2F, 0x50, 0, 0}));
    EXPECT_EQ(bits.mask, (Bytes{0x1F, 0xFF, 0xFF, 0xFF}));

    // Only the third pixel opaque: its index in the high nibble of byte 1, mask bit 0x20.
    icon = MakeImage(3, 1, 4, {0x7F202020, 0x00F0F0F0, 0x80505050});
    bits = icon->BuildBits();
    EXPECT_EQ(bits.color, (Bytes{0x00, 0x50, 0, 0}));
    EXPECT_EQ(bits.mask, (Bytes{0xDF, 0xFF, 0xFF, 0xFF}));
}

TEST(BuildBits, AlphaOneOpaqueOnlyAtThirtyTwoBits) {
    auto icon = MakeImage(1, 1, 32, {0x01405060});
    DibBits bits = icon->BuildBits();
    EXPECT_EQ(bits.color, (Bytes{0x60, 0x50, 0x40, 0x01}));
    EXPECT_EQ(bits.mask, (Bytes{0x7F, 0xFF, 0xFF, 0xFF}));

    icon = MakeImage(1, 1, 24, {0x01405060});
    bits = icon->BuildBits();
    EXPECT_EQ(bits.color, (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(bits.mask, (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(BuildBits, ThirtyTwoBitsCopiesTransparentPixels) {
    auto icon = MakeImage(2, 1, 32, {0x00ABCDEF, 0xFF123456});
    const DibBits bits = icon->BuildBits();
    EXPECT_EQ(bits.color, (Bytes{0xEF, 0xCD, 0xAB, 0x00, 0x56, 0x34, 0x12, 0xFF}));
    EXPECT_EQ(bits.mask, (Bytes{0xBF, 0xFF, 0xFF, 0xFF}));
}

TEST(BuildBits, TwentyFourBitsPadsRows) {
    auto icon = MakeImage(2, 2, 24, {0xFF112233, 0x80445566, 0x7F778899, 0xFFAABBCC});
    const DibBits bits = icon->BuildBits();
    EXPECT_EQ(bits.color, (Bytes{0, 0, 0, 0xCC, 0xBB, 0xAA, 0, 0,  //
                                 0x33, 0x22, 0x11, 0x66, 0x55, 0x44, 0, 0}));
    EXPECT_EQ(bits.mask, (Bytes{0xBF, 0xFF, 0xFF, 0xFF, 0x3F, 0xFF, 0xFF, 0xFF}));
}

TEST(BuildBits, EightBitTransparentTakesFirstIndexNearestBlack) {
    auto icon = MakeImage(2, 1, 8, {0x00FF0000, 0xFF000101});
    for (RGBQUAD& q : icon->Palette()) {
        q = Rgb(200, 200, 200);
    }
    icon->Palette()[3] = Rgb(1, 1, 0);
    icon->Palette()[6] = Rgb(0, 1, 1);
    const DibBits bits = icon->BuildBits();
    EXPECT_EQ(bits.color, (Bytes{3, 6, 0, 0}));
    EXPECT_EQ(bits.mask, (Bytes{0xBF, 0xFF, 0xFF, 0xFF}));
}

TEST(BuildBits, RowsAreBottomUp) {
    auto icon = MakeImage(1, 3, 8, {0xFF0A0A0A, 0xFF141414, 0x001E1E1E});
    const DibBits bits = icon->BuildBits();
    EXPECT_EQ(bits.color, (Bytes{0, 0, 0, 0, 20, 0, 0, 0, 10, 0, 0, 0}));
    EXPECT_EQ(bits.mask,
              (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF}));
}

TEST(BuildBits, MaskBitsBeyondFirstByte) {
    auto icon = CreateIcon(10, 1, 32);
    icon->Pixels()[9] = 0x80000000;
    const DibBits bits = icon->BuildBits();
    EXPECT_EQ(bits.mask, (Bytes{0xFF, 0xBF, 0xFF, 0xFF}));
}

TEST(BuildBits, OtherDepthsGiveZeroColourAndFullMask) {
    for (int bpp : {1, 16}) {
        auto icon = MakeImage(
            3, 2, bpp, {0xFFFFFFFF, 0xFF102030, 0xFF000000, 0xFFFFFFFF, 0xFF102030, 0xFF000000});
        const DibBits bits = icon->BuildBits();
        EXPECT_EQ(bits.color, Bytes(bpp == 1 ? 8 : 16, 0)) << bpp;
        EXPECT_EQ(bits.mask, Bytes(8, 0xFF)) << bpp;
    }
}

}  // namespace
}  // namespace varlen
