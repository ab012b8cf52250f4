// TIFF decoding: files of every sample layout written by libtiff into memory, loaded and
// compared with literal pixel tables.
#include <gtest/gtest.h>
#include <tiffio.h>

#include "io/picture_decoders.h"
#include "tests/io/decode_support.h"

namespace varlen {
namespace {

using namespace decode_support;

TEST(TiffDecode, RgbInEveryLayoutArrivesAsTwentyFourBits) {
    testdata::TiffLayout s = FiveByThreeTiff(3);
    for (const bool big : {false, true}) {
        for (const int compression :
             {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE}) {
            s.bigEndian = big;
            s.compression = compression;
            s.rowsPerStrip = compression == COMPRESSION_NONE ? 1 : 2;
            const auto icon = Load(testdata::EncodeTiff(s));
            ASSERT_NE(icon, nullptr) << big << " " << compression;
            EXPECT_EQ(icon->Bpp(), 24);
            EXPECT_EQ(PixelsOf(*icon), Opaque(kFiveByThree)) << big << " " << compression;
        }
    }
}

TEST(TiffDecode, UnassociatedAlphaIsKeptExactly) {
    const auto rgba = Load(testdata::EncodeTiff(FiveByThreeTiff(4)));
    ASSERT_NE(rgba, nullptr);
    EXPECT_EQ(rgba->Bpp(), 32);
    EXPECT_EQ(PixelsOf(*rgba), kFiveByThree);

    const auto greyAlpha = Load(testdata::EncodeTiff(FiveByThreeTiff(2)));
    ASSERT_NE(greyAlpha, nullptr);
    EXPECT_EQ(greyAlpha->Bpp(), 32);
    std::vector<Pixel> want;
    for (Pixel p : kFiveByThree) {
        want.push_back(MakePixel(Alpha(p), Green(p), Green(p), Green(p)));
    }
    EXPECT_EQ(PixelsOf(*greyAlpha), want);
}

TEST(TiffDecode, AssociatedAlphaIsDividedOut) {
    testdata::TiffLayout s;
    s.width = 3;
    s.height = 1;
    s.samples = 4;
    s.extraType = EXTRASAMPLE_ASSOCALPHA;
    s.data = {100, 50, 0, 128, 0, 0, 0, 0, 255, 64, 10, 255};
    const auto icon = Load(testdata::EncodeTiff(s));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Bpp(), 32);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{0x80C76400, 0x00000000, 0xFFFF400A}));
}

TEST(TiffDecode, GreyArrivesAsTwentyFourBits) {
    const auto icon = Load(testdata::EncodeTiff(FiveByThreeTiff(1)));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Bpp(), 24);
    EXPECT_EQ(icon->GetPixel(1, 0), 0xFF202020u);
    EXPECT_EQ(icon->GetPixel(4, 2), 0xFF434343u);
}

TEST(TiffDecode, OrientationTagTurnsThePictureUpright) {
    testdata::TiffLayout s;
    s.width = 3;
    s.height = 2;
    for (Pixel p : kStored) {
        s.data.insert(s.data.end(), {static_cast<std::uint8_t>(Red(p)), 0, 0});
    }
    for (int o = 1; o <= 8; ++o) {
        s.orientation = o;
        const auto icon = Load(testdata::EncodeTiff(s));
        ASSERT_NE(icon, nullptr) << o;
        EXPECT_EQ(icon->Width(), kUpright[o].width) << o;
        EXPECT_EQ(PixelsOf(*icon), kUpright[o].pixels) << o;
    }
}

TEST(TiffDecode, OnlyTheFirstPageIsRead) {
    testdata::TiffLayout s = FiveByThreeTiff(3);
    s.pages = 3;
    const auto icon = Load(testdata::EncodeTiff(s));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(PixelsOf(*icon), Opaque(kFiveByThree));
}

}  // namespace
}  // namespace varlen
