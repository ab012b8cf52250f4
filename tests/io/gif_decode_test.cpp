// GIF decoding: files made with giflib's own encoder, decoded through FromEncoded and
// FromFile (with the colour key of the transparency scan), compared with literal pixel
// tables.
#include <gtest/gtest.h>

#include <cstdlib>

#include "io/picture_decoders.h"
#include "tests/io/decode_support.h"

namespace varlen {
namespace {

using namespace decode_support;

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
