// PNG decoding: files made with libpng's own encoder, decoded through FromEncoded and
// FromFile, compared with literal pixel tables.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>

#include "io/picture_decoders.h"
#include "tests/io/decode_support.h"

namespace varlen {
namespace {

using namespace decode_support;

TEST(PngDecode, RgbArrivesAsTwentyFourBits) {
    testdata::PngLayout s;
    s.width = 2;
    s.height = 2;
    s.colorType = PNG_COLOR_TYPE_RGB;
    s.rows = {{255, 0, 0, 0, 255, 0}, {0, 0, 255, 10, 20, 30}};
    const auto icon = Encoded(testdata::EncodePng(s));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Bpp(), 24);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{Opaque(255, 0, 0), Opaque(0, 255, 0),
                                                   Opaque(0, 0, 255), Opaque(10, 20, 30)}));
}

TEST(PngDecode, RgbaKeepsAlpha) {
    testdata::PngLayout s;
    s.width = 2;
    s.height = 1;
    s.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    s.rows = {{1, 2, 3, 0, 4, 5, 6, 128}};
    const auto icon = Encoded(testdata::EncodePng(s));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Bpp(), 32);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{0x00010203, 0x80040506}));
}

TEST(PngDecode, PaletteWithoutTransparencyKeepsDepthAndPalette) {
    testdata::PngLayout s;
    s.width = 3;
    s.height = 1;
    s.colorType = PNG_COLOR_TYPE_PALETTE;
    s.bitDepth = 4;
    s.plte = {10, 20, 30, 40, 50, 60, 70, 80, 90};
    s.rows = {{0x21, 0x00}};
    const auto icon = Encoded(testdata::EncodePng(s));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Bpp(), 4);
    EXPECT_EQ(PixelsOf(*icon),
              (std::vector<Pixel>{Opaque(70, 80, 90), Opaque(40, 50, 60), Opaque(10, 20, 30)}));
    ASSERT_EQ(icon->Palette().size(), 16u);
    EXPECT_EQ(icon->Palette()[1], (RGBQUAD{60, 50, 40, 0}));
    EXPECT_EQ(icon->Palette()[5], (RGBQUAD{0, 0, 0, 0}));
}

TEST(PngDecode, TwoBitPaletteArrivesAsFourBits) {
    testdata::PngLayout s;
    s.width = 5;
    s.height = 1;
    s.colorType = PNG_COLOR_TYPE_PALETTE;
    s.bitDepth = 2;
    s.plte = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    s.rows = {{0x1B, 0x80}};  // 0 1 2 3 | 2
    const auto icon = Encoded(testdata::EncodePng(s));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Bpp(), 4);
    EXPECT_EQ(PixelsOf(*icon),
              (std::vector<Pixel>{Opaque(0, 0, 0), Opaque(255, 0, 0), Opaque(0, 255, 0),
                                  Opaque(0, 0, 255), Opaque(0, 255, 0)}));
}

TEST(PngDecode, PaletteWithTransparencyArrivesAsArgb) {
    testdata::PngLayout s;
    s.width = 3;
    s.height = 1;
    s.colorType = PNG_COLOR_TYPE_PALETTE;
    s.bitDepth = 8;
    s.plte = {10, 20, 30, 40, 50, 60, 70, 80, 90};
    s.trnsAlpha = {0, 100};  // entry 2 stays opaque
    s.rows = {{0, 1, 2}};
    const auto icon = Encoded(testdata::EncodePng(s));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Bpp(), 32);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{0x000A141E, 0x6428323C, Opaque(70, 80, 90)}));
}

TEST(PngDecode, GreyArrivesIndexedWithGreyPalette) {
    testdata::PngLayout s;
    s.width = 4;
    s.height = 1;
    s.colorType = PNG_COLOR_TYPE_GRAY;
    s.bitDepth = 2;
    s.rows = {{0x1B}};  // 0 1 2 3
    const auto two = Encoded(testdata::EncodePng(s));
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(two->Bpp(), 4);
    EXPECT_EQ(PixelsOf(*two), (std::vector<Pixel>{Opaque(0, 0, 0), Opaque(85, 85, 85),
                                                  Opaque(170, 170, 170), Opaque(255, 255, 255)}));
    s.bitDepth = 8;
    s.rows = {{0, 7, 128, 255}};
    const auto eight = Encoded(testdata::EncodePng(s));
    ASSERT_NE(eight, nullptr);
    EXPECT_EQ(eight->Bpp(), 8);
    EXPECT_EQ(PixelsOf(*eight), (std::vector<Pixel>{Opaque(0, 0, 0), Opaque(7, 7, 7),
                                                    Opaque(128, 128, 128), Opaque(255, 255, 255)}));
    s.bitDepth = 1;
    s.rows = {{0x50}};  // 0 1 0 1
    const auto one = Encoded(testdata::EncodePng(s));
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->Bpp(), 1);
    EXPECT_EQ(PixelsOf(*one), (std::vector<Pixel>{Opaque(0, 0, 0), Opaque(255, 255, 255),
                                                  Opaque(0, 0, 0), Opaque(255, 255, 255)}));
}

TEST(PngDecode, GreyWithTransparentLevelAndGreyAlphaArriveAsArgb) {
    testdata::PngLayout s;
    s.width = 2;
    s.height = 1;
    s.colorType = PNG_COLOR_TYPE_GRAY;
    s.trnsGrey = 50;
    s.rows = {{50, 51}};
    const auto keyed = Encoded(testdata::EncodePng(s));
    ASSERT_NE(keyed, nullptr);
    EXPECT_EQ(keyed->Bpp(), 32);
    EXPECT_EQ(PixelsOf(*keyed), (std::vector<Pixel>{0x00323232, Opaque(51, 51, 51)}));

    testdata::PngLayout ga;
    ga.width = 1;
    ga.height = 1;
    ga.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
    ga.rows = {{9, 77}};
    const auto icon = Encoded(testdata::EncodePng(ga));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{MakePixel(77, 9, 9, 9)}));
}

TEST(PngDecode, SixteenBitChannelsAreRoundedToEight) {
    testdata::PngLayout s;
    s.width = 1;
    s.height = 1;
    s.colorType = PNG_COLOR_TYPE_RGB;
    s.bitDepth = 16;
    s.rows = {{0xFF, 0x00, 0x80, 0x80, 0x00, 0x7F}};  // 65280, 32896, 127
    const auto icon = Encoded(testdata::EncodePng(s));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Bpp(), 24);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{Opaque(254, 128, 0)}));

    testdata::PngLayout g;
    g.width = 2;
    g.height = 1;
    g.colorType = PNG_COLOR_TYPE_GRAY;
    g.bitDepth = 16;
    g.rows = {{0xFF, 0xFF, 0x01, 0x00}};  // 65535, 256
    const auto grey = Encoded(testdata::EncodePng(g));
    ASSERT_NE(grey, nullptr);
    EXPECT_EQ(grey->Bpp(), 24);
    EXPECT_EQ(PixelsOf(*grey), (std::vector<Pixel>{Opaque(255, 255, 255), Opaque(1, 1, 1)}));
}

TEST(PngDecode, InterlacedEqualsItsPattern) {
    testdata::PngLayout s;
    s.width = 9;
    s.height = 7;
    s.colorType = PNG_COLOR_TYPE_RGB;
    s.interlace = true;
    for (int y = 0; y < s.height; ++y) {
        Bytes row;
        for (int x = 0; x < s.width; ++x) {
            row.insert(row.end(),
                       {static_cast<std::uint8_t>(x * 20), static_cast<std::uint8_t>(y * 30), 7});
        }
        s.rows.push_back(row);
    }
    const auto icon = Encoded(testdata::EncodePng(s));
    ASSERT_NE(icon, nullptr);
    for (int y = 0; y < s.height; ++y) {
        for (int x = 0; x < s.width; ++x) {
            EXPECT_EQ(icon->GetPixel(x, y), Opaque(x * 20, y * 30, 7)) << x << "," << y;
        }
    }
}

TEST(PngDecode, IndexPastPaletteIsBlack) {
    testdata::PngLayout s;
    s.width = 2;
    s.height = 1;
    s.colorType = PNG_COLOR_TYPE_PALETTE;
    s.plte = {10, 20, 30, 40, 50, 60};
    s.rows = {{1, 9}};
    const Bytes png = testdata::EncodePng(s);
    ASSERT_FALSE(png.empty());
    const auto icon = Encoded(png);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{Opaque(40, 50, 60), Opaque(0, 0, 0)}));
}

}  // namespace
}  // namespace varlen
