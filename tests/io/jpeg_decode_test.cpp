// JPEG decoding: files made with libjpeg's own encoder, decoded through FromEncoded and
// compared with literal pixel tables within a tolerance.
#include <gtest/gtest.h>

#include <cstdlib>

#include "io/picture_decoders.h"
#include "tests/io/decode_support.h"

namespace varlen {
namespace {

using namespace decode_support;

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

}  // namespace
}  // namespace varlen
