#include <gtest/gtest.h>

#include "core/icon.h"

namespace varlen {
namespace {

constexpr Pixel kGrey = 0xFFC0C0C0u;   // checkerboard square with even index
constexpr Pixel kWhite = 0xFFFFFFFFu;  // checkerboard square with odd index

std::unique_ptr<CIcon> ImageOf(int w, int h, int bpp, std::initializer_list<Pixel> pixels) {
    auto icon = CreateIcon(w, h, bpp);
    std::size_t k = 0;
    for (Pixel p : pixels) {
        icon->Pixels()[k++] = p;
    }
    return icon;
}

TEST(DrawBackdrop, TransparentImageShowsCheckerboardAlignedToDevice) {
    auto icon = CreateIcon(20, 10, 32);
    const auto out = icon->Draw(nullptr, nullptr, true, false, 0.0, false, 0);
    ASSERT_EQ(out.size(), 200u);
    // Squares 0 ... 7 of the top-left corner are grey, the next to the right white, and
    // the one below that grey again.
    EXPECT_EQ(out[0], kGrey);
    EXPECT_EQ(out[7 * 20 + 7], kGrey);
    EXPECT_EQ(out[8], kWhite);
    EXPECT_EQ(out[15], kWhite);
    EXPECT_EQ(out[16], kGrey);
    EXPECT_EQ(out[8 * 20 + 0], kWhite);
    EXPECT_EQ(out[8 * 20 + 8], kGrey);

    // A destination that starts at device (4, 0) is offset against the squares: its first
    // four columns are still in the first square, the fifth in the second.
    const Rect dst{4, 0, 24, 10};
    const auto shifted = icon->Draw(&dst, nullptr, true, false, 0.0, false, 0);
    EXPECT_EQ(shifted[3], kGrey);
    EXPECT_EQ(shifted[4], kWhite);
}

TEST(DrawBackdrop, BackgroundColourIsAWindowsColourValue) {
    auto icon = CreateIcon(2, 1, 32);
    const ColorRef red = 0x000000FF;
    const auto out = icon->Draw(nullptr, nullptr, true, false, 0.0, true, red);
    EXPECT_EQ(out[0], 0xFFFF0000u);
    EXPECT_EQ(out[1], 0xFFFF0000u);
}

TEST(DrawBlend, HalfTransparentBlackOverWhite) {
    // (0 * 128 + 127 * 255) / 255 = 127 in each channel.
    auto icon = ImageOf(1, 1, 32, {0x80000000u});
    const auto out = icon->Draw(nullptr, nullptr, true, false, 0.0, true, 0x00FFFFFF);
    EXPECT_EQ(out[0], 0xFF7F7F7Fu);
}

TEST(DrawBlend, OpaquePixelsUnchangedPartialAlphaMixedPerChannel) {
    // alpha 51 over the grey 192 square: red (250 * 51 + 204 * 192) / 255 = 203,
    // green (100 * 51 + 204 * 192) / 255 = 173, blue (0 + 204 * 192) / 255 = 153.
    auto icon = ImageOf(2, 1, 32, {0xFF123456u, 0x33FA6400u});
    const auto out = icon->Draw(nullptr, nullptr, true, false, 0.0, false, 0);
    EXPECT_EQ(out[0], 0xFF123456u);
    EXPECT_EQ(out[1], MakePixel(255, 203, 173, 153));
}

TEST(DrawDepth, TwentyFourBitsShowOnOrOffTransparency) {
    auto icon = ImageOf(2, 1, 24, {0xC8102030u, 0x64102030u});
    const auto out = icon->Draw(nullptr, nullptr, false, false, 0.0, true, 0x00000000);
    EXPECT_EQ(out[0], 0xFF102030u);  // alpha 200: opaque
    EXPECT_EQ(out[1], 0xFF000000u);  // alpha 100: backdrop (black background)
    // Forced to 32 bits the same pixels blend instead.
    const auto blended = icon->Draw(nullptr, nullptr, true, false, 0.0, true, 0x00000000);
    EXPECT_EQ(blended[0], MakePixel(255, 0x10 * 200 / 255, 0x20 * 200 / 255, 0x30 * 200 / 255));
}

TEST(DrawDepth, PaletteDepthsShowNearestPaletteColour) {
    auto icon = ImageOf(3, 1, 4, {0xFFF00A0Au, 0xFF0B0BF0u, 0x7FF00A0Au});
    // The grey ramp plus two saturated entries: the reddish pixel is nearest to entry 3,
    // the bluish one to entry 5.
    icon->Palette()[3] = RGBQUAD{0, 0, 255, 0};
    icon->Palette()[5] = RGBQUAD{255, 0, 0, 0};
    const auto out = icon->Draw(nullptr, nullptr, false, false, 0.0, true, 0x0000FF00);
    EXPECT_EQ(out[0], 0xFFFF0000u);
    EXPECT_EQ(out[1], 0xFF0000FFu);
    EXPECT_EQ(out[2], 0xFF00FF00u);  // alpha 127: the green background
}

TEST(DrawGeometry, SourceRectangleBeyondImageShowsBackdrop) {
    auto icon = ImageOf(2, 2, 32, {0xFF000001u, 0xFF000002u, 0xFF000003u, 0xFF000004u});
    const Rect src{-1, 0, 3, 2};
    const Rect dst{0, 0, 4, 2};
    const auto out = icon->Draw(&dst, &src, true, false, 0.0, true, 0x00FFFFFF);
    const std::vector<Pixel> expected = {kWhite, 0xFF000001u, 0xFF000002u, kWhite,
                                         kWhite, 0xFF000003u, 0xFF000004u, kWhite};
    EXPECT_EQ(out, expected);
}

TEST(DrawGeometry, DoubleSizeRepeatsEachPixelInTwoByTwoBlocks) {
    auto icon = ImageOf(2, 2, 32, {0xFF000001u, 0xFF000002u, 0xFF000003u, 0xFF000004u});
    const Rect dst{0, 0, 4, 4};
    const auto out = icon->Draw(&dst, nullptr, true, false, 0.0, false, 0);
    const std::vector<Pixel> expected = {
        0xFF000001u, 0xFF000001u, 0xFF000002u, 0xFF000002u,  //
        0xFF000001u, 0xFF000001u, 0xFF000002u, 0xFF000002u,  //
        0xFF000003u, 0xFF000003u, 0xFF000004u, 0xFF000004u,  //
        0xFF000003u, 0xFF000003u, 0xFF000004u, 0xFF000004u,
    };
    EXPECT_EQ(out, expected);
}

TEST(DrawGeometry, MirrorReversesRows) {
    auto icon = ImageOf(3, 1, 32, {0xFF000001u, 0xFF000002u, 0xFF000003u});
    const auto out = icon->Draw(nullptr, nullptr, true, true, 0.0, false, 0);
    const std::vector<Pixel> expected = {0xFF000003u, 0xFF000002u, 0xFF000001u};
    EXPECT_EQ(out, expected);
}

TEST(DrawGeometry, RotationTurnsAboutTheRectangleCentre) {
    // 3 x 3 image, centre (1, 1). At 90 degrees output (j, i) reads column
    // trunc(u cos + v sin + 1.5) = i and row trunc(v cos - u sin + 1.5) = 2 - j, so the
    // picture's top row appears as the right column (clockwise turn).
    auto icon = ImageOf(3, 3, 32,
                        {0xFF000001u, 0xFF000002u, 0xFF000003u, 0xFF000004u, 0xFF000005u,
                         0xFF000006u, 0xFF000007u, 0xFF000008u, 0xFF000009u});
    const auto out = icon->Draw(nullptr, nullptr, true, false, 90.0, false, 0);
    const std::vector<Pixel> expected = {
        0xFF000007u, 0xFF000004u, 0xFF000001u,  //
        0xFF000008u, 0xFF000005u, 0xFF000002u,  //
        0xFF000009u, 0xFF000006u, 0xFF000003u,
    };
    EXPECT_EQ(out, expected);
}

TEST(DrawGeometry, EmptyDestinationGivesNoPixels) {
    auto icon = CreateIcon(4, 4, 32);
    const Rect dst{5, 5, 5, 9};
    EXPECT_TRUE(icon->Draw(&dst, nullptr, true, false, 0.0, false, 0).empty());
}

}  // namespace
}  // namespace varlen
