// WebP decoding: lossless, lossy and animated files made with libwebp's encoder and muxer,
// loaded and compared with literal pixel tables.
#include <gtest/gtest.h>

#include "io/picture_decoders.h"
#include "tests/io/decode_support.h"

namespace varlen {
namespace {

using namespace decode_support;

TEST(WebpDecode, LosslessKeepsEveryValueAndItsAlpha) {
    const auto withAlpha = Load(testdata::EncodeWebp(FiveByThreeWebp(true)));
    ASSERT_NE(withAlpha, nullptr);
    EXPECT_EQ(withAlpha->Bpp(), 32);
    EXPECT_EQ(PixelsOf(*withAlpha), kFiveByThree);

    const auto opaque = Load(testdata::EncodeWebp(FiveByThreeWebp(false)));
    ASSERT_NE(opaque, nullptr);
    EXPECT_EQ(opaque->Bpp(), 24);
    EXPECT_EQ(PixelsOf(*opaque), Opaque(kFiveByThree));
}

TEST(WebpDecode, LossyIsOpaqueTwentyFourBits) {
    testdata::WebpLayout s;
    s.width = 9;
    s.height = 7;
    s.lossless = false;
    for (int i = 0; i < 9 * 7; ++i) {
        s.pixels.insert(s.pixels.end(), {40, 160, 220});
    }
    const auto icon = Load(testdata::EncodeWebp(s));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Bpp(), 24);
    EXPECT_EQ(icon->Width(), 9);
    EXPECT_EQ(icon->Height(), 7);
    for (Pixel p : icon->Pixels()) {
        ASSERT_EQ(Alpha(p), 255);
        ASSERT_NEAR(Red(p), 220, 8);
        ASSERT_NEAR(Green(p), 160, 8);
        ASSERT_NEAR(Blue(p), 40, 8);
    }
}

TEST(WebpDecode, ExifChunkTurnsThePictureUpright) {
    testdata::WebpLayout s;
    s.width = 3;
    s.height = 2;
    s.alpha = true;
    s.pixels = PackBgr(kStored, true);
    const Bytes plain = testdata::EncodeWebp(s);
    for (int o = 1; o <= 8; ++o) {
        const auto icon = Load(testdata::WithWebpExif(plain, testdata::ExifBlock(o, o % 2 == 0)));
        ASSERT_NE(icon, nullptr) << o;
        EXPECT_EQ(icon->Width(), kUpright[o].width) << o;
        EXPECT_EQ(PixelsOf(*icon), kUpright[o].pixels) << o;
    }
}

TEST(WebpDecode, AnimationGivesItsFirstFrameOnTheCanvas) {
    testdata::WebpFrame first;
    first.picture.width = 3;
    first.picture.height = 2;
    first.picture.alpha = true;
    first.picture.pixels = PackBgr(kStored, true);
    first.x = 2;
    first.y = 2;
    testdata::WebpFrame second;
    second.picture.width = 7;
    second.picture.height = 5;
    second.picture.pixels = Bytes(7 * 5 * 3, 0x77);
    const auto icon = Load(testdata::EncodeWebpAnimation(7, 5, {first, second}));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Bpp(), 32);
    const std::vector<Pixel> want = {
        0, 0, 0, 0, 0, 0, 0,  //
        0, 0, 0, 0, 0, 0, 0,  //
        0, 0, A, B, C, 0, 0,  //
        0, 0, D, E, F, 0, 0,  //
        0, 0, 0, 0, 0, 0, 0,
    };
    EXPECT_EQ(PixelsOf(*icon), want);

    // A first frame that is opaque and covers the canvas is the whole picture.
    const auto covered = Load(testdata::EncodeWebpAnimation(7, 5, {second, first}));
    ASSERT_NE(covered, nullptr);
    EXPECT_EQ(covered->Bpp(), 24);
    EXPECT_EQ(PixelsOf(*covered), std::vector<Pixel>(35, 0xFF777777u));
}

}  // namespace
}  // namespace varlen
