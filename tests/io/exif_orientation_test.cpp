// WebP, TIFF, SVG, icon and cursor input, and pictures stored turned: files made with the
// libraries' own encoders (or built field by field), decoded through the loaders and
// compared with literal pixel tables.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "io/codec_fixtures.h"
#include "io/exif_orientation.h"
#include "io/export.h"
#include "io/icons.h"
#include "io/input_fixtures.h"
#include "io/loaders.h"
#include "io/picture_decoders.h"
#include "io/png_encode.h"
#include "io/writer_support.h"

namespace varlen {
namespace {

using testdata::Bytes;

std::unique_ptr<CIcon> Load(const Bytes& data) {
    return FromFileData(data);
}

std::vector<Pixel> PixelsOf(const CIcon& icon) {
    return {icon.Pixels().begin(), icon.Pixels().end()};
}

// Rows of blue, green, red (and alpha) bytes from pixels.
Bytes PackBgr(const std::vector<Pixel>& pixels, bool alpha) {
    Bytes out;
    for (Pixel p : pixels) {
        out.insert(out.end(),
                   {static_cast<std::uint8_t>(Blue(p)), static_cast<std::uint8_t>(Green(p)),
                    static_cast<std::uint8_t>(Red(p))});
        if (alpha) {
            out.push_back(static_cast<std::uint8_t>(Alpha(p)));
        }
    }
    return out;
}

// The six pixels of a 3 x 2 picture, a b c over d e f, and the same picture turned
// upright from each orientation.
constexpr Pixel A = 0xFF100000, B = 0xFF200000, C = 0xFF300000;
constexpr Pixel D = 0xFF400000, E = 0xFF500000, F = 0xFF600000;
const std::vector<Pixel> kStored = {A, B, C, D, E, F};
struct Upright {
    int width, height;
    std::vector<Pixel> pixels;
};
const Upright kUpright[9] = {
    {0, 0, {}},
    {3, 2, {A, B, C, D, E, F}},
    {3, 2, {C, B, A, F, E, D}},
    {3, 2, {F, E, D, C, B, A}},
    {3, 2, {D, E, F, A, B, C}},
    {2, 3, {A, D, B, E, C, F}},
    {2, 3, {D, A, E, B, F, C}},
    {2, 3, {F, C, E, B, D, A}},
    {2, 3, {C, F, B, E, A, D}},
};

// --- Orientation --------------------------------------------------------------------------

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

// --- WebP ----------------------------------------------------------------------------------

// 5 x 3 with alpha 0, 128 and 255 and colours under alpha 0.
const std::vector<Pixel> kFiveByThree = {
    0xFF0000FF, 0x80102030, 0x00405060, 0xFFFFFFFF, 0x7F000000, 0xFF00FF00, 0x01FF0000, 0xFE808080,
    0x00000000, 0xFF123456, 0x10ABCDEF, 0xFF0000FF, 0xC0C0C0C0, 0x20204060, 0xFF654321,
};

testdata::WebpLayout FiveByThreeWebp(bool alpha) {
    testdata::WebpLayout s;
    s.width = 5;
    s.height = 3;
    s.alpha = alpha;
    s.pixels = PackBgr(kFiveByThree, alpha);
    return s;
}

std::vector<Pixel> Opaque(std::vector<Pixel> pixels) {
    for (Pixel& p : pixels) {
        p |= 0xFF000000u;
    }
    return pixels;
}

TEST(WebpInput, LosslessKeepsEveryValueAndItsAlpha) {
    const auto withAlpha = Load(testdata::EncodeWebp(FiveByThreeWebp(true)));
    ASSERT_NE(withAlpha, nullptr);
    EXPECT_EQ(withAlpha->Bpp(), 32);
    EXPECT_EQ(PixelsOf(*withAlpha), kFiveByThree);

    const auto opaque = Load(testdata::EncodeWebp(FiveByThreeWebp(false)));
    ASSERT_NE(opaque, nullptr);
    EXPECT_EQ(opaque->Bpp(), 24);
    EXPECT_EQ(PixelsOf(*opaque), Opaque(kFiveByThree));
}

TEST(WebpInput, LossyIsOpaqueTwentyFourBits) {
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

TEST(WebpInput, ExifChunkTurnsThePictureUpright) {
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

TEST(WebpInput, AnimationGivesItsFirstFrameOnTheCanvas) {
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

// --- TIFF ----------------------------------------------------------------------------------

testdata::TiffLayout FiveByThreeTiff(int samples) {
    testdata::TiffLayout s;
    s.width = 5;
    s.height = 3;
    s.samples = samples;
    for (Pixel p : kFiveByThree) {
        if (samples >= 3) {
            s.data.insert(s.data.end(),
                          {static_cast<std::uint8_t>(Red(p)), static_cast<std::uint8_t>(Green(p)),
                           static_cast<std::uint8_t>(Blue(p))});
        } else {
            s.data.push_back(static_cast<std::uint8_t>(Green(p)));
        }
        if (samples == 2 || samples == 4) {
            s.data.push_back(static_cast<std::uint8_t>(Alpha(p)));
        }
    }
    return s;
}

TEST(TiffInput, RgbInEveryLayoutArrivesAsTwentyFourBits) {
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

TEST(TiffInput, UnassociatedAlphaIsKeptExactly) {
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

TEST(TiffInput, AssociatedAlphaIsDividedOut) {
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

TEST(TiffInput, GreyArrivesAsTwentyFourBits) {
    const auto icon = Load(testdata::EncodeTiff(FiveByThreeTiff(1)));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Bpp(), 24);
    EXPECT_EQ(icon->GetPixel(1, 0), 0xFF202020u);
    EXPECT_EQ(icon->GetPixel(4, 2), 0xFF434343u);
}

TEST(TiffInput, OrientationTagTurnsThePictureUpright) {
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

TEST(TiffInput, OnlyTheFirstPageIsRead) {
    testdata::TiffLayout s = FiveByThreeTiff(3);
    s.pages = 3;
    const auto icon = Load(testdata::EncodeTiff(s));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(PixelsOf(*icon), Opaque(kFiveByThree));
}

// --- SVG -----------------------------------------------------------------------------------

Bytes AsBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

std::unique_ptr<CIcon> LoadText(const std::string& text) {
    return Load(AsBytes(text));
}

const std::string kSvgOpen = R"(<svg xmlns="http://www.w3.org/2000/svg" )";

TEST(SvgInput, RenderedWithItsLongerSideAt1024AndStraightAlpha) {
    const auto icon = LoadText("<?xml version=\"1.0\"?>\n<!-- two halves -->\n" + kSvgOpen +
                               R"(width="20" height="10">
        <rect x="0" y="0" width="10" height="10" fill="#ff0000"/>
        <rect x="10" y="0" width="10" height="10" fill="#0000ff" fill-opacity="0.5"/></svg>)");
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Width(), 1024);
    EXPECT_EQ(icon->Height(), 512);
    EXPECT_EQ(icon->Bpp(), 32);
    EXPECT_EQ(icon->GetPixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(icon->GetPixel(511, 511), 0xFFFF0000u);
    const Pixel half = icon->GetPixel(1023, 0);
    EXPECT_NEAR(Alpha(half), 128, 1);
    EXPECT_EQ(half & 0x00FFFFFFu, 0x000000FFu);  // blue at full strength, not premultiplied
}

TEST(SvgInput, SizeFromTheViewBoxWhenWidthAndHeightDoNotResolve) {
    const auto tall = LoadText(
        kSvgOpen + R"(viewBox="0 0 10 40"><rect width="10" height="40" fill="#00ff00"/></svg>)");
    ASSERT_NE(tall, nullptr);
    EXPECT_EQ(tall->Width(), 256);
    EXPECT_EQ(tall->Height(), 1024);
    EXPECT_EQ(tall->GetPixel(0, 0), 0xFF00FF00u);
    EXPECT_EQ(tall->GetPixel(255, 1023), 0xFF00FF00u);

    const auto wide = LoadText(kSvgOpen + R"(width="100%" height="100%" viewBox="0 0 30 10"/>)");
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide->Width(), 1024);
    EXPECT_EQ(wide->Height(), 341);
    EXPECT_EQ(wide->GetPixel(500, 100), 0u);  // nothing drawn: transparent

    EXPECT_EQ(LoadText(kSvgOpen + R"(><rect width="10" height="10"/></svg>)"), nullptr);
    EXPECT_EQ(LoadText(kSvgOpen + R"(width="0" height="10" viewBox="0 0 0 10"/>)"), nullptr);
}

TEST(SvgInput, EmbeddedPicturesAreDrawnButNoFileIsRead) {
    Bytes png;
    auto green = CreateIcon(4, 4, 32);
    for (Pixel& p : green->Pixels()) {
        p = 0xFF00FF00u;
    }
    ASSERT_TRUE(EncodePng(*green, png));
    const std::string path = testdata::WriteTempFile("svg_neighbour.png", png);
    const auto withImage = [&](const std::string& href) {
        return LoadText(kSvgOpen +
                        R"(xmlns:xlink="http://www.w3.org/1999/xlink" width="4" height="4">)" +
                        R"(<image width="4" height="4" xlink:href=")" + href + R"("/></svg>)");
    };
    const auto embedded = withImage("data:image/png;base64," + testdata::Base64(png));
    ASSERT_NE(embedded, nullptr);
    EXPECT_EQ(embedded->GetPixel(512, 512), 0xFF00FF00u);
    for (const std::string& href : {"file://" + path, path, std::string("svg_neighbour.png")}) {
        const auto outside = withImage(href);
        ASSERT_NE(outside, nullptr) << href;
        EXPECT_EQ(outside->GetPixel(512, 512), 0u) << href;
    }
    std::remove(path.c_str());
}

TEST(SvgInput, TextLargerThanTheLimitIsRefused) {
    const std::string head = kSvgOpen + R"(width="2" height="2">)";
    const std::string tail = "</svg>";
    const std::string comment = "<!--" + std::string(1016, 'x') + "-->\n";
    std::string text = head;
    while (text.size() + comment.size() + tail.size() <= kMaxSvgBytes) {
        text += comment;
    }
    text += std::string(kMaxSvgBytes - text.size() - tail.size(), ' ') + tail;
    ASSERT_EQ(text.size(), kMaxSvgBytes);
    EXPECT_NE(LoadText(text), nullptr);
    text.insert(head.size(), "x");
    EXPECT_EQ(LoadText(text), nullptr);
}

// --- Icons and cursors ----------------------------------------------------------------------

std::unique_ptr<CIcon> Filled(int w, int h, int bpp, Pixel p) {
    auto icon = CreateIcon(w, h, bpp);
    for (Pixel& q : icon->Pixels()) {
        q = p;
    }
    return icon;
}

Bytes IconFileOf(std::vector<std::unique_ptr<CIcon>> images, bool png = false) {
    CIcons icons;
    for (auto& image : images) {
        icons.Add(std::move(image));
    }
    MemoryFile file;
    EXPECT_TRUE(icons.Write(file, png));
    return file.Bytes();
}

TEST(IconInput, LargestAreaWinsThenGreatestDepth) {
    std::vector<std::unique_ptr<CIcon>> images;
    images.push_back(Filled(16, 16, 8, 0xFF000000));
    images.push_back(Filled(48, 40, 4, 0xFFFFFFFF));
    images.push_back(Filled(32, 32, 32, 0xFF0000FF));
    const auto largest = Load(IconFileOf(std::move(images)));
    ASSERT_NE(largest, nullptr);
    EXPECT_EQ(largest->Width(), 48);
    EXPECT_EQ(largest->Height(), 40);
    EXPECT_EQ(largest->Bpp(), 4);

    for (const bool deepFirst : {false, true}) {
        std::vector<std::unique_ptr<CIcon>> tie;
        tie.push_back(Filled(32, 32, deepFirst ? 32 : 8, 0xFF808080));
        tie.push_back(Filled(32, 32, deepFirst ? 8 : 32, 0xFF808080));
        tie.push_back(Filled(16, 64, 24, 0xFF808080));
        const auto deepest = Load(IconFileOf(std::move(tie)));
        ASSERT_NE(deepest, nullptr);
        EXPECT_EQ(deepest->Width(), 32);
        EXPECT_EQ(deepest->Bpp(), 32);
    }
}

TEST(IconInput, PngImagesAreDecoded) {
    auto picture = CreateIcon(64, 66, 32);
    for (int i = 0; i < 64 * 66; ++i) {
        picture->Pixels()[static_cast<std::size_t>(i)] =
            static_cast<Pixel>(i * 2654435761u) | 0x01000000u;
    }
    const std::vector<Pixel> want = PixelsOf(*picture);
    std::vector<std::unique_ptr<CIcon>> images;
    images.push_back(Filled(48, 48, 32, 0xFF000000));
    images.push_back(std::move(picture));
    const Bytes file = IconFileOf(std::move(images), true);
    ASSERT_EQ(file.at(testing_support::U32(file, 6 + 16 + 12)), 0x89);  // the second image is a PNG
    const auto icon = Load(file);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Width(), 64);
    EXPECT_EQ(icon->Height(), 66);
    EXPECT_EQ(PixelsOf(*icon), want);
}

// A 3 x 2 icon-form DIB at bpp (8 or 32) over the mask rows (bottom row first): 0b101 on
// the top row, 0b010 on the bottom one.
Bytes MaskedDib(int bpp, std::uint8_t topAlpha) {
    testdata::DibLayout s;
    s.width = 3;
    s.height = 2;
    s.bpp = static_cast<std::uint16_t>(bpp);
    if (bpp == 8) {
        s.clrUsed = 3;
        s.palette = {RGBQUAD{10, 20, 30, 0}, RGBQUAD{40, 50, 60, 0}, RGBQUAD{70, 80, 90, 0}};
        s.pixels = {2, 1, 0, 0, 0, 1, 2, 0};  // bottom row, then top row
    } else {
        s.pixels = {1,  2,  3,  0,        4,  5,  6,  0, 7,  8,  9,  0,
                    11, 12, 13, topAlpha, 14, 15, 16, 0, 17, 18, 19, 0};
    }
    const Bytes mask = {0x40, 0, 0, 0, 0xA0, 0, 0, 0};
    return testdata::IconDib(s, mask);
}

TEST(IconInput, DibImagesTakeAlphaFromTheirMaskUnlessTheyCarryAlpha) {
    const auto indexed = Load(testdata::BuildIconFile({MaskedDib(8, 0)}));
    ASSERT_NE(indexed, nullptr);
    EXPECT_EQ(indexed->Bpp(), 8);
    EXPECT_EQ(indexed->Palette()[1], (RGBQUAD{40, 50, 60, 0}));
    EXPECT_EQ(PixelsOf(*indexed), (std::vector<Pixel>{0x001E140A, 0xFF3C3228, 0x005A5046,
                                                      0xFF5A5046, 0x003C3228, 0xFF1E140A}));

    // 32 bits with every fourth byte 0: the mask decides.
    const auto noAlpha = Load(testdata::BuildIconFile({MaskedDib(32, 0)}, 2));
    ASSERT_NE(noAlpha, nullptr);
    EXPECT_EQ(noAlpha->Bpp(), 32);
    EXPECT_EQ(PixelsOf(*noAlpha), (std::vector<Pixel>{0x000D0C0B, 0xFF100F0E, 0x00131211,
                                                      0xFF030201, 0x00060504, 0xFF090807}));
    // One fourth byte that is not 0: the bytes are alpha and the mask is not used.
    const auto alpha = Load(testdata::BuildIconFile({MaskedDib(32, 200)}));
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(PixelsOf(*alpha), (std::vector<Pixel>{0xC80D0C0B, 0x00100F0E, 0x00131211, 0x00030201,
                                                    0x00060504, 0x00090807}));
}

TEST(IconInput, CursorFilesAndTheirDirectoryBytesAreNotTrusted) {
    auto picture = CreateIcon(5, 3, 24);
    for (int i = 0; i < 15; ++i) {
        picture->Pixels()[static_cast<std::size_t>(i)] = (i % 4 == 0) ? 0x00000000u : 0xFF102030u;
    }
    MemoryFile cursor;
    ASSERT_TRUE(WriteCursorFile(*picture, cursor, 2, 1));
    const auto icon = Load(cursor.Bytes());
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Bpp(), 24);
    EXPECT_EQ(PixelsOf(*icon), PixelsOf(*picture));

    // A directory entry that reaches past the data is passed over.
    Bytes file = testdata::BuildIconFile({MaskedDib(8, 0), MaskedDib(32, 0)});
    testdata::SetU32(file, 6 + 16 + 8, 1000);
    const auto first = Load(file);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Bpp(), 8);
    testdata::SetU32(file, 6 + 8, 1000);
    EXPECT_EQ(Load(file), nullptr);
}

// --- Files -----------------------------------------------------------------------------------

TEST(NewInputFiles, EachKindOpensFromAFileWhateverItsName) {
    std::vector<std::unique_ptr<CIcon>> images;
    images.push_back(Filled(20, 20, 32, 0xFF0000FF));
    const std::vector<std::pair<std::string, Bytes>> files = {
        {"a.webp", testdata::EncodeWebp(FiveByThreeWebp(true))},
        {"a.tif", testdata::EncodeTiff(FiveByThreeTiff(4))},
        {"a.svg", AsBytes(kSvgOpen + R"(viewBox="0 0 5 3"/>)")},
        {"a.ico", IconFileOf(std::move(images))},
        {"no_extension", testdata::EncodeWebp(FiveByThreeWebp(false))},
    };
    const int widths[] = {5, 5, 1024, 20, 5};
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string path = testdata::WriteTempFile(files[i].first, files[i].second);
        const auto icon = FromFile(path);
        ASSERT_NE(icon, nullptr) << files[i].first;
        EXPECT_EQ(icon->Width(), widths[i]) << files[i].first;
        std::remove(path.c_str());
    }
}

// Pillow, an independent reader, turns the same files upright the same way.
TEST(NewInputFiles, OrientationAgreesWithPillow) {
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
