// FromImage conversion, the pixel stream, clipboard cases of FromDataObject and FromFile
// content sniffing.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "io/clipboard_formats.h"
#include "io/loaders.h"
#include "io/picture_fixtures.h"
#include "tests/io/decode_support.h"

namespace varlen {
namespace {

using testdata::BuildDib;
using testdata::Bytes;
using testdata::DibLayout;
using testdata::MapSource;

std::vector<Pixel> PixelsOf(const CIcon& icon) {
    return {icon.Pixels().begin(), icon.Pixels().end()};
}
constexpr Pixel Opaque(int r, int g, int b) {
    return MakePixel(255, r, g, b);
}

// --- FromImage ------------------------------------------------------------------------

DecodedBitmap OneBitWidthTen() {
    DecodedBitmap b;
    b.width = 10;
    b.height = 1;
    b.depth = 1;
    b.stride = 2;
    b.bits = {0x00, 0x80};  // pixel 8 set, pixel 9 clear
    b.palette = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{0, 0, 255, 99}};
    return b;
}

TEST(FromImageConversion, OneBitLastPixelsComeFromTopBitsOfSecondByte) {
    const auto icon = FromImage(OneBitWidthTen(), false, std::nullopt);
    ASSERT_NE(icon, nullptr);
    const Pixel k = Opaque(0, 0, 0);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{k, k, k, k, k, k, k, k, Opaque(255, 0, 0), k}));
    EXPECT_EQ(icon->Palette()[1], (RGBQUAD{0, 0, 255, 0}));  // palette alpha dropped
}

TEST(FromImageConversion, ThirtyTwoBitsKeepOrDropFourthByte) {
    DecodedBitmap b;
    b.width = 2;
    b.height = 1;
    b.depth = 32;
    b.stride = 8;
    b.bits = {1, 2, 3, 4, 5, 6, 7, 0};
    const auto kept = FromImage(b, true, std::nullopt);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(PixelsOf(*kept), (std::vector<Pixel>{0x04030201, 0x00070605}));
    const auto dropped = FromImage(b, false, std::nullopt);
    ASSERT_NE(dropped, nullptr);
    EXPECT_EQ(PixelsOf(*dropped), (std::vector<Pixel>{0xFF030201, 0xFF070605}));
}

TEST(FromImageConversion, ColourKeyClearsAlphaOfEqualColoursOnly) {
    DecodedBitmap b;
    b.width = 3;
    b.height = 1;
    b.depth = 24;
    b.stride = 12;  // wider than needed: the stride is honoured
    b.bits = {1, 2, 3, 1, 2, 4, 1, 2, 3, 0xEE, 0xEE, 0xEE};
    const auto icon = FromImage(b, true, MakePixel(200, 3, 2, 1));  // key alpha is ignored
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{0x00030201, Opaque(4, 2, 1), 0x00030201}));
}

TEST(FromImageConversion, InconsistentBitmapsAreRefused) {
    DecodedBitmap good = OneBitWidthTen();
    ASSERT_NE(FromImage(good, false, std::nullopt), nullptr);

    DecodedBitmap b = good;
    b.depth = 2;
    EXPECT_EQ(FromImage(b, false, std::nullopt), nullptr);  // unsupported depth
    b = good;
    b.stride = 1;  // shorter than a row
    EXPECT_EQ(FromImage(b, false, std::nullopt), nullptr);
    b = good;
    b.height = 2;  // rows missing
    EXPECT_EQ(FromImage(b, false, std::nullopt), nullptr);
    b = good;
    b.palette.resize(1);  // palette must have 2^depth entries
    EXPECT_EQ(FromImage(b, false, std::nullopt), nullptr);
    b = good;
    b.width = 0;
    EXPECT_EQ(FromImage(b, false, std::nullopt), nullptr);
    b = good;
    b.width = kMaxPictureSide + 1;
    b.stride = 4096;
    EXPECT_EQ(FromImage(b, false, std::nullopt), nullptr);
}

TEST(FromImageConversion, SixteenBitMasksWithHolesAreRefused) {
    DecodedBitmap b;
    b.width = 1;
    b.height = 1;
    b.depth = 16;
    b.stride = 2;
    b.bits = {0xFF, 0xFF};
    b.redMask = 0xF000;
    b.greenMask = 0x0F00;
    b.blueMask = 0x000F;  // 4-4-4 with the fourth nibble unused
    const auto icon = FromImage(b, false, std::nullopt);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{Opaque(255, 255, 255)}));
    b.greenMask = 0x0A00;
    EXPECT_EQ(FromImage(b, false, std::nullopt), nullptr);
}

// --- LoadPixelStream --------------------------------------------------------------------

Bytes PixelStream(std::int32_t w, std::int32_t h, const Bytes& pixels) {
    Bytes b;
    testdata::PutU32(b, static_cast<std::uint32_t>(w));
    testdata::PutU32(b, static_cast<std::uint32_t>(h));
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

TEST(PixelStream, PixelsAreTakenUnchangedTopRowFirst) {
    const Bytes data = PixelStream(2, 2, {1, 2, 3, 4, 5, 6, 7, 0, 9, 9, 9, 255, 0, 0, 0, 0});
    ByteReader reader(data);
    const auto icon = LoadPixelStream(reader);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Bpp(), 32);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{0x04030201, 0x00070605, 0xFF090909, 0}));
}

TEST(PixelStream, MissingPixelBytesStayZero) {
    const Bytes data = PixelStream(2, 1, {1, 2, 3, 4, 5, 6});  // second pixel cut short
    ByteReader reader(data);
    const auto icon = LoadPixelStream(reader);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{0x04030201, 0}));
}

TEST(PixelStream, ShortHeaderOrBadSizesGiveNothing) {
    const Bytes full = PixelStream(1, 1, {1, 2, 3, 4});
    for (std::size_t n = 0; n < 8; ++n) {
        const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        ByteReader reader(cut);
        EXPECT_EQ(LoadPixelStream(reader), nullptr) << n;
    }
    for (auto [w, h] : {std::pair{0, 1},
                        {1, 0},
                        {-1, 1},
                        {1, -5},
                        {INT32_MIN, 1},
                        {kMaxPictureSide + 1, 1},
                        {1, kMaxPictureSide + 1},
                        {INT32_MAX, INT32_MAX}}) {
        const Bytes data = PixelStream(w, h, {1, 2, 3, 4});
        ByteReader reader(data);
        EXPECT_EQ(LoadPixelStream(reader), nullptr) << w << " x " << h;
    }
}

// --- FromDataObject -------------------------------------------------------------------

Bytes ColourDib2x2() {
    DibLayout s;
    s.width = 2;
    s.height = 2;
    s.bpp = 24;
    // bottom row: (10,20,30) (40,50,60); top row: (70,80,90) (100,110,120) as r,g,b
    s.pixels = {30, 20, 10, 60, 50, 40, 0, 0, 90, 80, 70, 120, 110, 100, 0, 0};
    return BuildDib(s);
}

Bytes GreyMask(int w, int h, const Bytes& topDownLevels) {
    DibLayout s;
    s.width = w;
    s.height = -h;
    s.bpp = 8;
    for (int i = 0; i < 256; ++i) {
        const auto g = static_cast<std::uint8_t>(i);
        s.palette.push_back(RGBQUAD{g, g, g, 0});
    }
    const int stride = (w + 3) / 4 * 4;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < stride; ++x) {
            s.pixels.push_back(x < w ? topDownLevels[static_cast<std::size_t>(y * w + x)] : 0);
        }
    }
    return BuildDib(s);
}

TEST(DataObject, PixelStreamIsPreferredOverDib) {
    MapSource src;
    src.formats[std::string(kCfPbPixel32)] = PixelStream(1, 1, {1, 2, 3, 4});
    src.formats[std::string(kCfDib)] = ColourDib2x2();
    const auto icon = FromDataObject(src);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{0x04030201}));
}

TEST(DataObject, ShortPixelStreamFailsWithoutFallingBackToDib) {
    MapSource src;
    src.formats[std::string(kCfPbPixel32)] = {1, 0, 0, 0, 1, 0, 0};
    src.formats[std::string(kCfDib)] = ColourDib2x2();
    EXPECT_EQ(FromDataObject(src), nullptr);
}

TEST(DataObject, PixelStreamWithMissingPixelsLeavesThemZero) {
    MapSource src;
    src.formats[std::string(kCfPbPixel32)] = PixelStream(1, 2, {9, 8, 7, 6});
    src.formats[std::string(kCfDib)] = ColourDib2x2();
    const auto icon = FromDataObject(src);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{0x06070809, 0}));
}

TEST(DataObject, DibTakesAlphaFromTransparencyMask) {
    MapSource src;
    src.formats[std::string(kCfDib)] = ColourDib2x2();
    src.formats[std::string(kCfTransp)] = GreyMask(2, 2, {0, 255, 128, 7});
    src.formats[std::string(kCfPng)] = {1, 2, 3};  // not reached
    const auto icon = FromDataObject(src);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(PixelsOf(*icon),
              (std::vector<Pixel>{MakePixel(0, 70, 80, 90), MakePixel(255, 100, 110, 120),
                                  MakePixel(128, 10, 20, 30), MakePixel(7, 40, 50, 60)}));
}

TEST(DataObject, SmallerMaskLeavesUncoveredPixelsTransparent) {
    MapSource src;
    src.formats[std::string(kCfDib)] = ColourDib2x2();
    src.formats[std::string(kCfTransp)] = GreyMask(1, 1, {200});
    const auto icon = FromDataObject(src);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(PixelsOf(*icon),
              (std::vector<Pixel>{MakePixel(200, 70, 80, 90), MakePixel(0, 100, 110, 120),
                                  MakePixel(0, 10, 20, 30), MakePixel(0, 40, 50, 60)}));
}

TEST(DataObject, BadMaskFailsWithoutFallingBack) {
    MapSource src;
    src.formats[std::string(kCfDib)] = ColourDib2x2();
    src.formats[std::string(kCfTransp)] = {40, 0, 0};
    EXPECT_EQ(FromDataObject(src), nullptr);
}

TEST(DataObject, PngIsPreferredOverPlainDibAndDoesNotFallBack) {
    MapSource src;
    src.formats[std::string(kCfDib)] = ColourDib2x2();
    src.formats[std::string(kCfPng)] = {0x89, 'P', 'N', 'G'};  // broken
    EXPECT_EQ(FromDataObject(src), nullptr);

    src.formats[std::string(kCfPng)] = testdata::BuildBmpFile(GreyMask(1, 1, {33}));
    const auto icon = FromDataObject(src);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{Opaque(33, 33, 33)}));
}

TEST(DataObject, PlainDibAndNothing) {
    MapSource src;
    EXPECT_EQ(FromDataObject(src), nullptr);
    src.formats["CF_HDROP"] = {1, 2};
    EXPECT_EQ(FromDataObject(src), nullptr);
    src.formats[std::string(kCfDib)] = ColourDib2x2();
    const auto icon = FromDataObject(src);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{Opaque(70, 80, 90), Opaque(100, 110, 120),
                                                   Opaque(10, 20, 30), Opaque(40, 50, 60)}));
}

// --- FromFile -----------------------------------------------------------------------------

TEST(FileLoading, BitmapFileIgnoresItsFileHeaderFields) {
    DibLayout s;
    s.width = 1;
    s.height = 1;
    s.bpp = 32;
    s.pixels = {1, 2, 3, 0};
    const auto icon =
        FromFile(testdata::WriteTempFile("plain.bmp", testdata::BuildBmpFile(BuildDib(s))));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{0xFF030201}));
}

TEST(FileLoading, PngFileKeepsAlphaAndJpegFileIsOpaque) {
    testdata::PngLayout p;
    p.width = 2;
    p.height = 1;
    p.colorType = 6;  // RGBA
    p.rows = {{1, 2, 3, 0, 4, 5, 6, 200}};
    const auto png = FromFile(testdata::WriteTempFile("alpha.png", testdata::EncodePng(p)));
    ASSERT_NE(png, nullptr);
    EXPECT_EQ(PixelsOf(*png), (std::vector<Pixel>{0x00010203, 0xC8040506}));

    testdata::JpegLayout j;
    j.width = 8;
    j.height = 8;
    j.components = 1;
    j.samples.assign(64, 90);
    const auto jpeg = FromFile(testdata::WriteTempFile("grey.jpg", testdata::EncodeJpeg(j)));
    ASSERT_NE(jpeg, nullptr);
    EXPECT_EQ(jpeg->Bpp(), 24);
    for (Pixel px : jpeg->Pixels()) {
        EXPECT_EQ(Alpha(px), 255);
        EXPECT_NEAR(Red(px), 90, 1);
    }
}

TEST(FileLoading, DibIsReadFromTheReadersPosition) {
    DibLayout s;
    s.width = 1;
    s.height = 1;
    s.bpp = 24;
    s.pixels = {7, 8, 9, 0};
    Bytes data = {0xAA, 0xBB, 0xCC};
    const Bytes dib = BuildDib(s);
    data.insert(data.end(), dib.begin(), dib.end());
    ByteReader reader(data);
    ASSERT_TRUE(reader.Seek(3));
    const auto icon = FromDib(reader);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{Opaque(9, 8, 7)}));
}

TEST(FileLoading, UnreadableOrUnknownFilesGiveNothing) {
    EXPECT_EQ(FromFile(::testing::TempDir() + "varlen_decode_does_not_exist.png"), nullptr);
    EXPECT_EQ(FromFile(::testing::TempDir()), nullptr);  // a directory
    EXPECT_EQ(FromFile(testdata::WriteTempFile("empty.bin", {})), nullptr);
    EXPECT_EQ(FromFile(testdata::WriteTempFile("b.bin", {'B'})), nullptr);
    EXPECT_EQ(FromFile(testdata::WriteTempFile("bm.bin", {'B', 'M', 0, 0})), nullptr);
    EXPECT_EQ(FromFile(testdata::WriteTempFile("text.txt", {'h', 'e', 'l', 'l', 'o'})), nullptr);
}

// --- GIF transparent colour scan --------------------------------------------------------

Bytes GifHeader(std::uint8_t packed) {
    Bytes b = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, packed, 0, 0};
    if ((packed & 0x80) != 0) {
        b.resize(b.size() + 3u * (1u << ((packed & 7) + 1)), 0x11);
    }
    return b;
}

TEST(FileLoading, EveryKindOpensByItsContentWhateverItsName) {
    std::vector<std::unique_ptr<CIcon>> images;
    images.push_back(decode_support::Filled(20, 20, 32, 0xFF0000FF));
    const std::vector<std::pair<std::string, Bytes>> files = {
        {"a.webp", testdata::EncodeWebp(decode_support::FiveByThreeWebp(true))},
        {"a.tif", testdata::EncodeTiff(decode_support::FiveByThreeTiff(4))},
        {"a.svg", decode_support::AsBytes(decode_support::kSvgOpen + R"(viewBox="0 0 5 3"/>)")},
        {"a.ico", decode_support::IconFileOf(std::move(images))},
        {"no_extension", testdata::EncodeWebp(decode_support::FiveByThreeWebp(false))},
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

TEST(GifTransparencyScan, FindsIndexAfterGlobalTableAndOtherExtensions) {
    Bytes b = GifHeader(0x81);                                          // 4-entry global table
    b.insert(b.end(), {0x21, 0xFE, 3, 'a', 'b', 'c', 2, 'd', 'e', 0});  // comment
    b.insert(b.end(), {0x21, 0xF9, 4, 0x01, 0, 0, 3, 0});
    b.insert(b.end(), {0x2C});
    ByteReader reader(b);
    EXPECT_EQ(FindGifTransparentIndex(reader), std::optional<int>(3));
}

TEST(GifTransparencyScan, FlagClearOrNoExtensionGivesNothing) {
    Bytes clear = GifHeader(0);
    clear.insert(clear.end(), {0x21, 0xF9, 4, 0x04, 0, 0, 3, 0, 0x2C});
    ByteReader r1(clear);
    EXPECT_EQ(FindGifTransparentIndex(r1), std::nullopt);

    Bytes none = GifHeader(0);
    none.insert(none.end(), {0x2C, 0, 0});
    ByteReader r2(none);
    EXPECT_EQ(FindGifTransparentIndex(r2), std::nullopt);

    // Only the first control extension counts.
    Bytes twice = GifHeader(0);
    twice.insert(twice.end(), {0x21, 0xF9, 4, 0, 0, 0, 1, 0, 0x21, 0xF9, 4, 1, 0, 0, 2, 0});
    ByteReader r3(twice);
    EXPECT_EQ(FindGifTransparentIndex(r3), std::nullopt);
}

TEST(GifTransparencyScan, StopsAtTheEndOfTheData) {
    Bytes b = GifHeader(0x82);
    b.insert(b.end(), {0x21, 0xFF, 11});
    b.resize(b.size() + 11, 'x');
    b.insert(b.end(), {3, 1, 0, 0, 0, 0x21, 0xF9, 4, 0x01, 0, 0, 9, 0});
    {
        ByteReader whole(b);
        EXPECT_EQ(FindGifTransparentIndex(whole), std::optional<int>(9));
    }
    const std::size_t indexAt = b.size() - 2;
    for (std::size_t n = 0; n <= indexAt; ++n) {
        const Bytes cut(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n));
        ByteReader reader(cut);
        EXPECT_EQ(FindGifTransparentIndex(reader), std::nullopt) << n;
    }
    // A sub-block that claims more bytes than there are.
    Bytes lying = GifHeader(0);
    lying.insert(lying.end(), {0x21, 0xFE, 200, 1, 2});
    ByteReader reader(lying);
    EXPECT_EQ(FindGifTransparentIndex(reader), std::nullopt);
}

}  // namespace
}  // namespace varlen
