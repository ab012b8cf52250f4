// Pictures stored turned: the EXIF orientation read from blocks in both byte orders,
// malformed blocks, and JPEG and WebP files turned upright, checked against Pillow too.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "io/exif_orientation.h"
#include "tests/io/decode_support.h"

namespace varlen {
namespace {

using namespace decode_support;

TEST(Orientation, EachValueTurnsTheStoredPictureUpright) {
    for (int o = 0; o <= 9; ++o) {
        auto icon = CreateIcon(3, 2, 8);
        std::copy(kStored.begin(), kStored.end(), icon->Pixels().begin());
        icon->Palette()[5] = RGBQUAD{1, 2, 3, 0};
        const auto turned = TurnUpright(std::move(icon), o);
        ASSERT_NE(turned, nullptr) << o;
        const Upright& want = kUpright[o >= 1 && o <= 8 ? o : 1];
        EXPECT_EQ(turned->Width(), want.width) << o;
        EXPECT_EQ(turned->Height(), want.height) << o;
        EXPECT_EQ(PixelsOf(*turned), want.pixels) << o;
        EXPECT_EQ(turned->Bpp(), 8) << o;
        EXPECT_EQ(turned->Palette()[5], (RGBQUAD{1, 2, 3, 0})) << o;
    }
}

TEST(Orientation, ExifBlocksInBothByteOrders) {
    for (const bool big : {false, true}) {
        for (int o = 1; o <= 8; ++o) {
            const Bytes block = testdata::ExifBlock(o, big);
            EXPECT_EQ(ExifOrientation(block), o) << big;
            EXPECT_EQ(ExifOrientation(std::span(block).subspan(6)), o) << "without the Exif prefix";
        }
        EXPECT_EQ(ExifOrientation(testdata::ExifBlock(0, big)), 1);
        EXPECT_EQ(ExifOrientation(testdata::ExifBlock(9, big)), 1);
    }
}

TEST(Orientation, MalformedExifBlocksMeanUpright) {
    const Bytes good = testdata::ExifBlock(6, false);
    // The orientation entry ends 6 + 8 + 2 + 3 * 12 bytes in; any shorter block lacks it.
    for (std::size_t n = 0; n < good.size(); ++n) {
        EXPECT_EQ(ExifOrientation(std::span(good).first(n)), n >= 52 ? 6 : 1) << n;
    }
    Bytes bad = good;
    bad[6] = 'X';  // byte order
    EXPECT_EQ(ExifOrientation(bad), 1);
    bad = good;
    bad[8] = 43;  // magic
    EXPECT_EQ(ExifOrientation(bad), 1);
    bad = good;
    testdata::SetU32(bad, 10, 0x7FFFFFF0);  // directory far past the end
    EXPECT_EQ(ExifOrientation(bad), 1);
    bad = good;
    bad[42] = 2;  // the orientation entry's type: ASCII
    EXPECT_EQ(ExifOrientation(bad), 1);
}

// A 16 x 8 JPEG: left half red, right half blue.
Bytes HalvesJpeg() {
    testdata::JpegLayout s;
    s.width = 16;
    s.height = 8;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 16; ++x) {
            s.samples.insert(s.samples.end(), {static_cast<std::uint8_t>(x < 8 ? 255 : 0), 0,
                                               static_cast<std::uint8_t>(x < 8 ? 0 : 255)});
        }
    }
    return testdata::EncodeJpeg(s);
}

bool Reddish(Pixel p) {
    return Red(p) > 200 && Blue(p) < 60;
}
bool Bluish(Pixel p) {
    return Blue(p) > 200 && Red(p) < 60;
}

TEST(Orientation, JpegWithExifArrivesUpright) {
    const Bytes jpeg = HalvesJpeg();
    const auto plain = Load(jpeg);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->Width(), 16);
    EXPECT_TRUE(Reddish(plain->GetPixel(0, 0)) && Bluish(plain->GetPixel(15, 7)));

    // 6: turned clockwise, so the left (red) half is on top; 8: the right (blue) half.
    const Bytes xmp = {'h', 't', 't', 'p', ':', '/', '/', 'n', 's', '.', 0};
    for (const bool big : {false, true}) {
        const auto six = Load(testdata::WithApp1(jpeg, testdata::ExifBlock(6, big)));
        ASSERT_NE(six, nullptr);
        EXPECT_EQ(six->Width(), 8);
        EXPECT_EQ(six->Height(), 16);
        EXPECT_EQ(six->Bpp(), 24);
        EXPECT_TRUE(Reddish(six->GetPixel(0, 0)) && Reddish(six->GetPixel(7, 7)));
        EXPECT_TRUE(Bluish(six->GetPixel(0, 8)) && Bluish(six->GetPixel(7, 15)));

        // An APP1 segment that is not EXIF comes first: the EXIF one still counts.
        const Bytes both =
            testdata::WithApp1(testdata::WithApp1(jpeg, testdata::ExifBlock(8, big)), xmp);
        const auto eight = Load(both);
        ASSERT_NE(eight, nullptr);
        EXPECT_EQ(eight->Height(), 16);
        EXPECT_TRUE(Bluish(eight->GetPixel(0, 0)) && Reddish(eight->GetPixel(7, 15)));
    }
    // Through the clipboard's encoded-picture path as well.
    const Bytes three = testdata::WithApp1(jpeg, testdata::ExifBlock(3, false));
    ByteReader reader(three);
    const auto encoded = FromEncoded(reader);
    ASSERT_NE(encoded, nullptr);
    EXPECT_TRUE(Bluish(encoded->GetPixel(0, 0)) && Reddish(encoded->GetPixel(15, 0)));
}

// Pillow, an independent reader, turns the same files upright the same way.
TEST(Orientation, AgreesWithPillow) {
    testdata::WebpLayout s;
    s.width = 3;
    s.height = 2;
    s.pixels = PackBgr(kStored, false);
    const Bytes plain = testdata::EncodeWebp(s);
    for (int o = 1; o <= 8; ++o) {
        const std::string path =
            testdata::WriteTempFile("pillow_" + std::to_string(o) + ".webp",
                                    testdata::WithWebpExif(plain, testdata::ExifBlock(o, false)));
        const std::string command =
            std::string(VARLEN_SYSTEM_PYTHON) +
            " -c \"import sys; from PIL import Image, ImageOps; "
            "im = ImageOps.exif_transpose(Image.open(sys.argv[1])).convert('RGB'); "
            "print(im.size[0], im.size[1], *[im.getpixel((x, y))[0] "
            "for y in range(im.size[1]) for x in range(im.size[0])])\" " +
            path;
        FILE* pipe = ::popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        char buffer[256] = {};
        const bool read = std::fgets(buffer, sizeof buffer, pipe) != nullptr;
        ::pclose(pipe);
        ASSERT_TRUE(read) << o;
        const auto icon = Load(testdata::WithWebpExif(plain, testdata::ExifBlock(o, false)));
        ASSERT_NE(icon, nullptr);
        std::string ours = std::to_string(icon->Width()) + " " + std::to_string(icon->Height());
        for (Pixel p : icon->Pixels()) {
            ours += " " + std::to_string(Red(p));
        }
        EXPECT_EQ(std::string(buffer), ours + "\n") << o;
        std::remove(path.c_str());
    }
}

}  // namespace
}  // namespace varlen
