// PNG, JPEG and GIF decoding: files made with the libraries' own encoders, decoded through
// FromEncoded and FromFile, compared with literal pixel tables (JPEG within a tolerance).
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>

#include "io/codec_fixtures.h"
#include "io/loaders.h"
#include "io/picture_decoders.h"

namespace varlen {
namespace {

using testdata::Bytes;

std::unique_ptr<CIcon> Encoded(const Bytes& data) {
    ByteReader reader(data);
    return FromEncoded(reader);
}

std::vector<Pixel> PixelsOf(const CIcon& icon) {
    return {icon.Pixels().begin(), icon.Pixels().end()};
}

constexpr Pixel Opaque(int r, int g, int b) {
    return MakePixel(255, r, g, b);
}

// --- PNG ------------------------------------------------------------------------------

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

// --- JPEG -----------------------------------------------------------------------------

void ExpectNear(Pixel actual, Pixel expected, int tolerance, const char* what) {
    EXPECT_EQ(Alpha(actual), 255) << what;
    EXPECT_NEAR(Red(actual), Red(expected), tolerance) << what;
    EXPECT_NEAR(Green(actual), Green(expected), tolerance) << what;
    EXPECT_NEAR(Blue(actual), Blue(expected), tolerance) << what;
}

// A 16 x 8 picture: left 8 x 8 block one colour, right block the other.
testdata::JpegLayout TwoBlocks(int components, const Bytes& left, const Bytes& right) {
    testdata::JpegLayout s;
    s.width = 16;
    s.height = 8;
    s.components = components;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) {
            const Bytes& c = x < 8 ? left : right;
            s.samples.insert(s.samples.end(), c.begin(), c.end());
        }
    }
    return s;
}

TEST(JpegDecode, RgbBaselineAndProgressive) {
    for (bool progressive : {false, true}) {
        testdata::JpegLayout s = TwoBlocks(3, {200, 30, 40}, {20, 90, 220});
        s.progressive = progressive;
        const auto icon = Encoded(testdata::EncodeJpeg(s));
        ASSERT_NE(icon, nullptr) << progressive;
        EXPECT_EQ(icon->Bpp(), 24);
        EXPECT_EQ(icon->Width(), 16);
        EXPECT_EQ(icon->Height(), 8);
        ExpectNear(icon->GetPixel(3, 4), Opaque(200, 30, 40), 3, "left");
        ExpectNear(icon->GetPixel(12, 4), Opaque(20, 90, 220), 3, "right");
    }
}

TEST(JpegDecode, GreyIsRepeatedIntoThreeChannels) {
    const auto icon = Encoded(testdata::EncodeJpeg(TwoBlocks(1, {30}, {220})));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Bpp(), 24);
    const Pixel p = icon->GetPixel(2, 2);
    EXPECT_EQ(Red(p), Green(p));
    EXPECT_EQ(Green(p), Blue(p));
    ExpectNear(p, Opaque(30, 30, 30), 2, "dark");
    ExpectNear(icon->GetPixel(13, 5), Opaque(220, 220, 220), 2, "light");
}

TEST(JpegDecode, AdobeCmykIsStoredInverted) {
    // Adobe stores 255 - ink: raw (255, 0, 255, 255) is no cyan, full magenta, no yellow,
    // no black: magenta. Raw (128, 255, 255, 200): red = 128 * 200 / 255 = 100.4.
    const auto icon =
        Encoded(testdata::EncodeJpeg(TwoBlocks(4, {255, 0, 255, 255}, {128, 255, 255, 200})));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Bpp(), 24);
    ExpectNear(icon->GetPixel(4, 4), Opaque(255, 0, 255), 3, "magenta");
    ExpectNear(icon->GetPixel(12, 4), Opaque(100, 200, 200), 3, "mixed");
}

TEST(JpegDecode, PlainCmykWithoutAdobeMarker) {
    testdata::JpegLayout s = TwoBlocks(4, {0, 255, 0, 0}, {0, 0, 0, 255});
    s.adobe = false;
    const auto icon = Encoded(testdata::EncodeJpeg(s));
    ASSERT_NE(icon, nullptr);
    ExpectNear(icon->GetPixel(4, 4), Opaque(255, 0, 255), 3, "magenta ink");
    ExpectNear(icon->GetPixel(12, 4), Opaque(0, 0, 0), 3, "black ink");
}

// --- GIF ------------------------------------------------------------------------------

// 4 x 2, colours: 0 red, 1 green, 2 blue, 3 red again.
testdata::GifLayout FourColourGif() {
    testdata::GifLayout s;
    s.screenWidth = 4;
    s.screenHeight = 2;
    s.width = 4;
    s.height = 2;
    s.globalColors = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 0, 0};
    s.indexes = {0, 1, 2, 3, 3, 2, 1, 0};
    return s;
}
const Pixel kR = Opaque(255, 0, 0), kG = Opaque(0, 255, 0), kB = Opaque(0, 0, 255);

TEST(GifDecode, FirstImageArrivesAsEightBitIndexed) {
    const Bytes gif = testdata::EncodeGif(FourColourGif());
    const auto bitmap = DecodeGif(gif);
    ASSERT_TRUE(bitmap.has_value());
    EXPECT_EQ(bitmap->depth, 8);
    EXPECT_EQ(bitmap->palette.size(), 256u);
    const auto icon = Encoded(gif);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Bpp(), 8);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{kR, kG, kB, kR, kR, kB, kG, kR}));
    EXPECT_EQ(icon->Palette()[2], (RGBQUAD{255, 0, 0, 0}));
    EXPECT_EQ(icon->Palette()[4], (RGBQUAD{0, 0, 0, 0}));
}

TEST(GifDecode, EncodedDataGetsNoColourKey) {
    testdata::GifLayout s = FourColourGif();
    s.gceFlags = 1;
    s.gceIndex = 0;
    const auto icon = Encoded(testdata::EncodeGif(s));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{kR, kG, kB, kR, kR, kB, kG, kR}));
}

TEST(GifDecode, FileWithTransparencyFlagClearIsOpaque) {
    testdata::GifLayout s = FourColourGif();
    s.gceFlags = 0;
    s.gceIndex = 0;
    const auto icon = FromFile(testdata::WriteTempFile("flag_clear.gif", testdata::EncodeGif(s)));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{kR, kG, kB, kR, kR, kB, kG, kR}));
}

TEST(GifDecode, FileWithTransparencyFlagClearsEveryPixelOfThatColour) {
    testdata::GifLayout s = FourColourGif();
    s.gceFlags = 1;
    s.gceIndex = 0;
    const auto icon = FromFile(testdata::WriteTempFile("flag_set.gif", testdata::EncodeGif(s)));
    ASSERT_NE(icon, nullptr);
    const Pixel t = 0x00FF0000;
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{t, kG, kB, t, t, kB, kG, t}));
}

TEST(GifDecode, BytesInMemoryAreReadAsTheFileIsWithTheColourKey) {
    testdata::GifLayout s = FourColourGif();
    s.gceFlags = 1;
    s.gceIndex = 0;
    const testdata::Bytes gif = testdata::EncodeGif(s);
    const auto icon = FromFileData(gif);
    ASSERT_NE(icon, nullptr);
    const Pixel t = 0x00FF0000;
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{t, kG, kB, t, t, kB, kG, t}));
    EXPECT_EQ(FromFileData({}), nullptr);
    EXPECT_EQ(FromFileData(testdata::Bytes{'B', 'M', 0, 0}),
              nullptr);  // shorter than a file header
}

TEST(GifDecode, ApplicationExtensionBeforeControlExtension) {
    testdata::GifLayout s = FourColourGif();
    s.applicationExtensionFirst = true;
    s.gceFlags = 0x05;  // disposal bits and the transparency flag
    s.gceIndex = 2;
    const Bytes gif = testdata::EncodeGif(s);
    ByteReader scan(gif);
    EXPECT_EQ(FindGifTransparentIndex(scan), std::optional<int>(2));
    const auto icon = FromFile(testdata::WriteTempFile("app_ext.gif", gif));
    ASSERT_NE(icon, nullptr);
    const Pixel t = 0x000000FF;
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{kR, kG, t, kR, kR, t, kG, kR}));
}

TEST(GifDecode, ImageIsPlacedOnItsLogicalScreen) {
    testdata::GifLayout s;
    s.screenWidth = 3;
    s.screenHeight = 2;
    s.background = 1;
    s.globalColors = {255, 0, 0, 0, 255, 0};
    s.left = 1;
    s.top = 1;
    s.width = 2;
    s.height = 1;
    s.indexes = {0, 0};
    const auto plain = Encoded(testdata::EncodeGif(s));
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->Width(), 3);
    EXPECT_EQ(plain->Height(), 2);
    EXPECT_EQ(PixelsOf(*plain), (std::vector<Pixel>{kG, kG, kG, kG, kR, kR}));

    // With a transparent index the uncovered screen takes that index.
    s.gceFlags = 1;
    s.gceIndex = 0;
    s.indexes = {1, 0};
    const auto keyed = FromFile(testdata::WriteTempFile("placed.gif", testdata::EncodeGif(s)));
    ASSERT_NE(keyed, nullptr);
    const Pixel t = 0x00FF0000;
    EXPECT_EQ(PixelsOf(*keyed), (std::vector<Pixel>{t, t, t, t, kG, t}));
}

TEST(GifDecode, ImageReachingPastTheScreenWidensIt) {
    testdata::GifLayout s;
    s.screenWidth = 1;
    s.screenHeight = 1;
    s.globalColors = {255, 0, 0, 0, 255, 0};
    s.left = 1;
    s.width = 1;
    s.height = 2;
    s.indexes = {1, 1};
    const auto icon = Encoded(testdata::EncodeGif(s));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Width(), 2);
    EXPECT_EQ(icon->Height(), 2);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{kR, kG, kR, kG}));
}

TEST(GifDecode, InterlacedRowsAreReordered) {
    testdata::GifLayout s;
    s.screenWidth = 1;
    s.screenHeight = 10;
    s.width = 1;
    s.height = 10;
    s.interlace = true;
    for (int i = 0; i < 16; ++i) {
        s.globalColors.insert(s.globalColors.end(), {static_cast<std::uint8_t>(i * 10), 0, 0});
    }
    for (int y = 0; y < 10; ++y) {
        s.indexes.push_back(static_cast<std::uint8_t>(y));
    }
    const auto icon = Encoded(testdata::EncodeGif(s));
    ASSERT_NE(icon, nullptr);
    for (int y = 0; y < 10; ++y) {
        EXPECT_EQ(icon->GetPixel(0, y), Opaque(y * 10, 0, 0)) << y;
    }
}

TEST(GifDecode, LocalColourTableWins) {
    testdata::GifLayout s = FourColourGif();
    s.localColors = {0, 0, 0, 255, 255, 255, 0, 0, 0, 0, 0, 0};
    const auto icon = Encoded(testdata::EncodeGif(s));
    ASSERT_NE(icon, nullptr);
    const Pixel k = Opaque(0, 0, 0), w = Opaque(255, 255, 255);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{k, w, k, k, k, k, w, k}));
}

}  // namespace
}  // namespace varlen
