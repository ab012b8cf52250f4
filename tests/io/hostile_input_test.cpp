// Hostile and broken inputs of every picture kind: every loader must refuse them with no
// image, no crash and no huge allocation (or, for a flipped byte, give a sane picture).
// Truncated copies of valid files, lying header fields, byte flips, SVG documents that
// only look like one or embed too much, and the fixture files made by
// tests/data/make_hostile_fixtures.py.
#include <gtest/gtest.h>
#include <png.h>

#include <climits>
#include <fstream>
#include <iterator>
#include <string>

#include "io/loaders.h"
#include "io/picture_decoders.h"
#include "io/picture_fixtures.h"

namespace varlen {
namespace {

using testdata::Bytes;
using testdata::DibLayout;
using testdata::PutBe32;

std::unique_ptr<CIcon> Encoded(const Bytes& data) {
    ByteReader reader(data);
    return FromEncoded(reader);
}
std::unique_ptr<CIcon> Dib(const Bytes& data) {
    ByteReader reader(data);
    return FromDib(reader);
}

Bytes Prefix(const Bytes& b, std::size_t n) {
    return Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n));
}

// IHDR starts at byte 8: length (4), "IHDR" (4), width (4), height (4), ... CRC at 29.
Bytes WithIhdrSize(Bytes png, std::uint32_t width, std::uint32_t height) {
    testdata::SetBe32(png, 16, width);
    testdata::SetBe32(png, 20, height);
    testdata::SetBe32(png, 29, testdata::PngCrc(png.data() + 12, 17));
    return png;
}

testdata::PngLayout SmallPalettePng() {
    testdata::PngLayout s;
    s.width = 5;
    s.height = 3;
    s.colorType = PNG_COLOR_TYPE_PALETTE;
    s.plte = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    s.rows = {{0, 1, 2, 1, 0}, {2, 2, 2, 2, 2}, {1, 0, 1, 0, 1}};
    return s;
}

testdata::PngLayout SmallRgbaInterlacedPng() {
    testdata::PngLayout s;
    s.width = 9;
    s.height = 9;
    s.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    s.interlace = true;
    for (int y = 0; y < 9; ++y) {
        Bytes row;
        for (int x = 0; x < 9; ++x) {
            row.insert(row.end(),
                       {static_cast<std::uint8_t>(x * 28), static_cast<std::uint8_t>(y * 28), 50,
                        static_cast<std::uint8_t>(x * y)});
        }
        s.rows.push_back(row);
    }
    return s;
}

testdata::JpegLayout SmallJpeg(bool progressive) {
    testdata::JpegLayout s;
    s.width = 16;
    s.height = 16;
    s.progressive = progressive;
    for (int i = 0; i < 16 * 16; ++i) {
        s.samples.insert(s.samples.end(),
                         {static_cast<std::uint8_t>(i), 100, static_cast<std::uint8_t>(255 - i)});
    }
    return s;
}

testdata::GifLayout SmallInterlacedGif() {
    testdata::GifLayout s;
    s.screenWidth = 6;
    s.screenHeight = 9;
    s.width = 6;
    s.height = 9;
    s.interlace = true;
    s.gceFlags = 1;
    s.gceIndex = 2;
    s.globalColors = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    for (int i = 0; i < 6 * 9; ++i) {
        s.indexes.push_back(static_cast<std::uint8_t>((i * 7) % 4));
    }
    return s;
}

Bytes SmallRle4File() {
    DibLayout s;
    s.width = 7;
    s.height = 2;
    s.bpp = 4;
    s.compression = 2;
    s.clrUsed = 8;
    for (int i = 0; i < 8; ++i) {
        s.palette.push_back(RGBQUAD{static_cast<std::uint8_t>(i), 0, 0, 0});
    }
    s.pixels = {0, 3, 0x34, 0x50, 4, 0x67, 0, 0, 7, 0x12, 0, 1};
    return testdata::BuildBmpFile(testdata::BuildDib(s));
}

Bytes SmallV5BitfieldsFile() {
    DibLayout s;
    s.headerSize = 124;
    s.width = 3;
    s.height = 2;
    s.bpp = 16;
    s.compression = 3;
    s.masks = {0xF800, 0x07E0, 0x001F};
    s.pixels = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    return testdata::BuildBmpFile(testdata::BuildDib(s));
}

Bytes SmallEightBitDib() {
    DibLayout s;
    s.width = 3;
    s.height = 3;
    s.bpp = 8;
    s.clrUsed = 4;
    s.palette = {RGBQUAD{1, 1, 1, 0}, RGBQUAD{2, 2, 2, 0}, RGBQUAD{3, 3, 3, 0},
                 RGBQUAD{4, 4, 4, 0}};
    s.pixels = {0, 1, 2, 0, 3, 2, 1, 0, 1, 1, 1, 0};
    return testdata::BuildDib(s);
}

// --- Truncation -------------------------------------------------------------------------

TEST(TruncatedInput, EveryPrefixOfAValidFileIsRefused) {
    struct Case {
        const char* name;
        Bytes data;
        std::size_t acceptedFrom;  // shortest length that still holds every pixel
    };
    std::vector<Case> cases;
    const Bytes png1 = testdata::EncodePng(SmallPalettePng());
    const Bytes png2 = testdata::EncodePng(SmallRgbaInterlacedPng());
    const Bytes jpg1 = testdata::EncodeJpeg(SmallJpeg(false));
    const Bytes jpg2 = testdata::EncodeJpeg(SmallJpeg(true));
    const Bytes gif = testdata::EncodeGif(SmallInterlacedGif());
    const Bytes rle = SmallRle4File();
    const Bytes v5 = SmallV5BitfieldsFile();
    cases.push_back({"palette png", png1, png1.size()});
    cases.push_back({"interlaced rgba png", png2, png2.size()});
    cases.push_back({"baseline jpeg", jpg1, jpg1.size()});
    cases.push_back({"progressive jpeg", jpg2, jpg2.size()});
    // giflib reads the image's data up to its terminating block; the trailer is not needed.
    cases.push_back({"interlaced gif", gif, gif.size() - 1});
    cases.push_back({"rle4 bmp", rle, rle.size()});
    cases.push_back({"v5 bitfields bmp", v5, v5.size()});
    for (const Case& c : cases) {
        ASSERT_GT(c.data.size(), 20u) << c.name;
        ASSERT_NE(Encoded(c.data), nullptr) << c.name;
        for (std::size_t n = 0; n < c.acceptedFrom; ++n) {
            EXPECT_EQ(Encoded(Prefix(c.data, n)), nullptr) << c.name << " cut at " << n;
        }
    }
    const Bytes dib = SmallEightBitDib();
    ASSERT_NE(Dib(dib), nullptr);
    for (std::size_t n = 0; n < dib.size(); ++n) {
        EXPECT_EQ(Dib(Prefix(dib, n)), nullptr) << "dib cut at " << n;
    }
}

// --- Lying header fields -----------------------------------------------------------------

TEST(LyingHeaders, DibFieldsOutOfRangeAreRefused) {
    const Bytes good = SmallEightBitDib();
    ASSERT_NE(Dib(good), nullptr);
    struct Flip {
        std::size_t at;
        std::uint32_t value;
    };
    const std::vector<Flip> flips = {{0, 0},
                                     {0, 12},
                                     {0, 39},
                                     {0, 41},
                                     {0, 64},
                                     {0, 125},
                                     {0, 0xFFFFFFFFu},
                                     {4, 0},
                                     {4, 0xFFFFFFFFu},
                                     {4, 16385},
                                     {4, 0x80000000u},
                                     {4, 5},
                                     {8, 0},
                                     {8, 16385},
                                     {8, static_cast<std::uint32_t>(-16385)},
                                     {8, 0x80000000u},
                                     {8, 4},
                                     {14, 0x00020000u | 1},
                                     {14, 2},
                                     {14, 0},
                                     {14, 64},
                                     {16, 3},
                                     {16, 2},
                                     {16, 4},
                                     {16, 5},
                                     {16, 6},
                                     {16, 0xFFFFFFFFu},
                                     {32, 257},
                                     {32, 0xFFFFFFFFu},
                                     {32, 5}};
    for (const Flip& f : flips) {
        Bytes bad = good;
        if (f.at == 14) {
            // biBitCount is 16 bits wide; the high half of value lands in biCompression.
            bad[14] = static_cast<std::uint8_t>(f.value);
            bad[15] = static_cast<std::uint8_t>(f.value >> 8);
            bad[16] = static_cast<std::uint8_t>(f.value >> 16);
        } else {
            testdata::SetU32(bad, f.at, f.value);
        }
        EXPECT_EQ(Dib(bad), nullptr) << "field at " << f.at << " = " << f.value;
    }
}

TEST(LyingHeaders, BitFieldMasksMustBeUsable) {
    DibLayout s;
    s.width = 1;
    s.height = 1;
    s.bpp = 16;
    s.compression = 3;
    s.pixels = {0, 0, 0, 0};
    s.masks = {0, 0, 0};
    EXPECT_EQ(Dib(testdata::BuildDib(s)), nullptr);  // no channel at all
    s.masks = {0xF0F0, 0x0F00, 0x000F};
    EXPECT_EQ(Dib(testdata::BuildDib(s)), nullptr);  // red mask with a hole
    s.masks = {0x1F0000, 0x07E0, 0x001F};
    EXPECT_EQ(Dib(testdata::BuildDib(s)), nullptr);  // mask beyond 16 bits
    s.masks = {0xF800, 0x07E0};
    s.pixels.clear();
    EXPECT_EQ(Dib(testdata::BuildDib(s)), nullptr);  // masks cut short
    s.bpp = 24;
    s.masks = {0xFF0000, 0xFF00, 0xFF};
    s.pixels = {0, 0, 0, 0};
    EXPECT_EQ(Dib(testdata::BuildDib(s)), nullptr);  // bit fields at 24 bits
}

TEST(LyingHeaders, PngSizeFieldsAreRefused) {
    const Bytes good = testdata::EncodePng(SmallPalettePng());
    ASSERT_NE(Encoded(WithIhdrSize(good, 5, 3)), nullptr);
    EXPECT_EQ(Encoded(WithIhdrSize(good, 0, 3)), nullptr);
    EXPECT_EQ(Encoded(WithIhdrSize(good, 5, 0)), nullptr);
    EXPECT_EQ(Encoded(WithIhdrSize(good, 16385, 3)), nullptr);
    EXPECT_EQ(Encoded(WithIhdrSize(good, 5, 0x7FFFFFFF)), nullptr);
    EXPECT_EQ(Encoded(WithIhdrSize(good, 50, 3)), nullptr);  // more than the data holds
    Bytes badCrc = good;
    badCrc[17] ^= 1;
    EXPECT_EQ(Encoded(badCrc), nullptr);
}

TEST(LyingHeaders, JpegFrameSizeFieldsAreRefused) {
    const Bytes good = testdata::EncodeJpeg(SmallJpeg(false));
    std::size_t sof = 0;
    for (std::size_t i = 2; i + 9 < good.size(); ++i) {
        if (good[i] == 0xFF && good[i + 1] == 0xC0) {
            sof = i;
            break;
        }
    }
    ASSERT_NE(sof, 0u);
    // SOF0: marker (2), length (2), precision (1), height (2), width (2), all big-endian.
    auto withSize = [&](int height, int width) {
        Bytes b = good;
        b[sof + 5] = static_cast<std::uint8_t>(height >> 8);
        b[sof + 6] = static_cast<std::uint8_t>(height);
        b[sof + 7] = static_cast<std::uint8_t>(width >> 8);
        b[sof + 8] = static_cast<std::uint8_t>(width);
        return b;
    };
    ASSERT_NE(Encoded(withSize(16, 16)), nullptr);
    EXPECT_EQ(Encoded(withSize(0, 16)), nullptr);
    EXPECT_EQ(Encoded(withSize(16, 0)), nullptr);
    EXPECT_EQ(Encoded(withSize(16, 16385)), nullptr);
    EXPECT_EQ(Encoded(withSize(65535, 65535)), nullptr);
    EXPECT_EQ(Encoded(withSize(4000, 4000)), nullptr);  // more than the data holds
}

TEST(LyingHeaders, GifImageLargerThanItsDataIsRefused) {
    Bytes gif = testdata::EncodeGif(SmallInterlacedGif());
    // Header 13 + global table 12 + control extension 8, then the image descriptor:
    // separator, left, top, width, height.
    ASSERT_EQ(gif[33], 0x2C);
    gif[39] = 200;  // width 200 instead of 6
    EXPECT_EQ(Encoded(gif), nullptr);
}

// --- Byte flips ---------------------------------------------------------------------------

void ExpectSaneOrNothing(const Bytes& data, const char* name, std::size_t at) {
    const auto icon = Encoded(data);
    if (icon) {
        EXPECT_GE(icon->Width(), 1) << name << " " << at;
        EXPECT_LE(icon->Width(), kMaxPictureSide) << name << " " << at;
        EXPECT_LE(icon->Height(), kMaxPictureSide) << name << " " << at;
        EXPECT_EQ(icon->PixelCount(), static_cast<std::size_t>(icon->Width()) *
                                          static_cast<std::size_t>(icon->Height()));
    }
}

TEST(FlippedBytes, EveryByteFlipGivesAnImageOrNothing) {
    const std::vector<std::pair<const char*, Bytes>> files = {
        {"png", testdata::EncodePng(SmallPalettePng())},
        {"jpeg", testdata::EncodeJpeg(SmallJpeg(true))},
        {"gif", testdata::EncodeGif(SmallInterlacedGif())},
        {"rle4", SmallRle4File()},
        {"v5", SmallV5BitfieldsFile()},
    };
    for (const auto& [name, good] : files) {
        ASSERT_NE(Encoded(good), nullptr) << name;
        for (std::size_t i = 0; i < good.size(); ++i) {
            for (std::uint8_t mask : {std::uint8_t{0xFF}, std::uint8_t{0x80}, std::uint8_t{0x01}}) {
                Bytes bad = good;
                bad[i] ^= mask;
                ExpectSaneOrNothing(bad, name, i);
            }
        }
    }
}

// --- Fixture files ---------------------------------------------------------------------

TEST(HostileFixtures, EveryFixtureIsRefused) {
    const std::string dir = VARLEN_TEST_DATA;
    const char* pictures[] = {
        "png_huge_ihdr.png",    "png_over_limit.png",      "png_short_idat.png",
        "png_missing_plte.png", "gif_huge_screen.gif",     "gif_far_offset.gif",
        "gif_bad_lzw.gif",      "gif_bad_code_size.gif",   "gif_ext_overrun.gif",
        "jpeg_huge_sof.jpg",    "jpeg_only_soi.jpg",       "bmp_clrused_lie.bmp",
        "bmp_clrused_1bit.bmp", "bmp_huge_rows.bmp",       "bmp_int_min_height.bmp",
        "bmp_rle_runaway.bmp",  "bmp_header_size_lie.bmp",
    };
    for (const char* name : pictures) {
        const std::string path = dir + "/" + name;
        std::ifstream f(path, std::ios::binary);
        ASSERT_TRUE(f.good()) << "missing fixture " << path;
        const Bytes bytes{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
        ASSERT_FALSE(bytes.empty()) << name;
        EXPECT_EQ(FromFile(path), nullptr) << name;
        EXPECT_EQ(Encoded(bytes), nullptr) << name;
    }
    std::ifstream f(dir + "/pbpixel32_huge.bin", std::ios::binary);
    const Bytes stream{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    ASSERT_EQ(stream.size(), 12u);
    ByteReader reader(stream);
    EXPECT_EQ(LoadPixelStream(reader), nullptr);
}

// --- WebP, TIFF, SVG and icon files ----------------------------------------------------

std::unique_ptr<CIcon> Load(const Bytes& data) {
    return FromFileData(data);
}

Bytes Ramp(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) {
        b[i] = static_cast<std::uint8_t>(i * 37 + 11);
    }
    return b;
}

Bytes SmallWebp(bool alpha, bool lossless) {
    testdata::WebpLayout s;
    s.width = 7;
    s.height = 5;
    s.alpha = alpha;
    s.lossless = lossless;
    s.pixels = Ramp(static_cast<std::size_t>(7 * 5 * (alpha ? 4 : 3)));
    return testdata::EncodeWebp(s);
}

Bytes SmallAnimation() {
    testdata::WebpFrame a;
    a.picture.width = 3;
    a.picture.height = 3;
    a.picture.alpha = true;
    a.picture.pixels = Ramp(3 * 3 * 4);
    a.x = 2;
    testdata::WebpFrame b = a;
    b.y = 2;
    return testdata::EncodeWebpAnimation(6, 6, {a, b});
}

Bytes SmallTiff(int compression) {
    testdata::TiffLayout s;
    s.width = 5;
    s.height = 4;
    s.samples = 4;
    s.compression = compression;
    s.rowsPerStrip = 2;
    s.data = Ramp(5 * 4 * 4);
    return testdata::EncodeTiff(s);
}

std::string SmallSvgText() {
    return R"(<svg xmlns="http://www.w3.org/2000/svg" width="8" height="6"><circle cx="4" cy="3" r="2" fill="#ff8000"/></svg>)";
}

Bytes SmallIcon() {
    testdata::DibLayout colour;
    colour.width = 5;
    colour.height = 3;
    colour.bpp = 4;
    colour.clrUsed = 2;
    colour.palette = {RGBQUAD{1, 2, 3, 0}, RGBQUAD{4, 5, 6, 0}};
    colour.pixels = Ramp(12);
    return testdata::BuildIconFile({testdata::IconDib(colour, Bytes(12, 0x50))}, 2);
}

TEST(TruncatedInput, EveryPrefixOfAWebpTiffSvgOrIconFileIsRefused) {
    const std::string svg = SmallSvgText();
    const std::vector<std::pair<const char*, Bytes>> files = {
        {"lossless webp", SmallWebp(true, true)},
        {"lossy webp", SmallWebp(false, false)},
        {"animated webp", SmallAnimation()},
        {"tiff", SmallTiff(1)},
        {"lzw tiff", SmallTiff(5)},
        {"svg", Bytes(svg.begin(), svg.end())},
        {"icon", SmallIcon()},
    };
    for (const auto& [name, data] : files) {
        ASSERT_GT(data.size(), 20u) << name;
        ASSERT_NE(Load(data), nullptr) << name;
        for (std::size_t n = 0; n < data.size(); ++n) {
            EXPECT_EQ(Load(Prefix(data, n)), nullptr) << name << " cut at " << n;
        }
    }
}

TEST(FlippedBytes, WebpTiffSvgAndIconFilesGiveASanePictureOrNothing) {
    const std::string svg = SmallSvgText();
    const std::vector<std::pair<const char*, Bytes>> files = {
        {"lossless webp", SmallWebp(true, true)},
        {"animated webp", SmallAnimation()},
        {"lzw tiff", SmallTiff(5)},
        {"svg", Bytes(svg.begin(), svg.end())},
        {"icon", SmallIcon()},
    };
    for (const auto& [name, good] : files) {
        for (std::size_t i = 0; i < good.size(); ++i) {
            for (const std::uint8_t mask :
                 {std::uint8_t{0xFF}, std::uint8_t{0x80}, std::uint8_t{0x01}}) {
                Bytes bad = good;
                bad[i] ^= mask;
                const auto icon = Load(bad);
                if (icon) {
                    ASSERT_GE(icon->Width(), 1) << name << " " << i;
                    ASSERT_LE(icon->Width(), kMaxPictureSide) << name << " " << i;
                    ASSERT_LE(icon->Height(), kMaxPictureSide) << name << " " << i;
                    ASSERT_EQ(icon->PixelCount(), static_cast<std::size_t>(icon->Width()) *
                                                      static_cast<std::size_t>(icon->Height()));
                }
            }
        }
    }
}

TEST(LyingHeaders, WebpTiffAndIconSizesAboveTheLimitAreRefused) {
    testdata::TiffLayout wide;
    wide.width = kMaxPictureSide + 1;
    wide.height = 1;
    wide.data = Bytes(static_cast<std::size_t>(wide.width) * 3, 9);
    EXPECT_EQ(Load(testdata::EncodeTiff(wide)), nullptr);

    testdata::WebpFrame frame;
    frame.picture.width = 2;
    frame.picture.height = 2;
    frame.picture.pixels = Bytes(12, 200);
    EXPECT_NE(Load(testdata::EncodeWebpAnimation(kMaxPictureSide, 2, {frame})), nullptr);
    EXPECT_EQ(Load(testdata::EncodeWebpAnimation(kMaxPictureSide + 2, 2, {frame})), nullptr);

    // An icon image whose header claims more than the limit.
    testdata::DibLayout huge;
    huge.width = kMaxPictureSide + 1;
    huge.height = 1;
    huge.bpp = 1;
    huge.clrUsed = 2;
    huge.palette = {RGBQUAD{}, RGBQUAD{}};
    huge.pixels = Bytes(64, 0);
    EXPECT_EQ(Load(testdata::BuildIconFile({testdata::IconDib(huge, Bytes(64, 0))})), nullptr);
}

TEST(LyingHeaders, IconDirectoriesThatLieAreRefused) {
    const Bytes good = SmallIcon();
    ASSERT_NE(Load(good), nullptr);
    Bytes bad = good;
    bad[4] = 0xFF;  // more entries than the data holds
    bad[5] = 0xFF;
    EXPECT_EQ(Load(bad), nullptr);
    bad = good;
    testdata::SetU32(bad, 6 + 12, 0xFFFFFFF0u);  // offset past the end
    EXPECT_EQ(Load(bad), nullptr);
    bad = good;
    testdata::SetU32(bad, 6 + 8, 0xFFFFFFFFu);  // length past the end
    EXPECT_EQ(Load(bad), nullptr);
    bad = good;
    bad[6 + 16 + 16] = 2;  // RLE is no icon compression
    EXPECT_EQ(Load(bad), nullptr);
    // Without the AND mask's last row.
    bad = Prefix(good, good.size() - 4);
    testdata::SetU32(bad, 6 + 8, static_cast<std::uint32_t>(bad.size() - 22));
    EXPECT_EQ(Load(bad), nullptr);
}

TEST(HostileSvg, TextThatOnlyLooksLikeSvgIsRefused) {
    for (const std::string& text :
         {std::string("<svg"),
          std::string("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"-5\" height=\"3\"/>"),
          std::string("<html><body><svg xmlns=\"http://www.w3.org/2000/svg\" width=\"5\" "
                      "height=\"3\"/></body></html>"),
          std::string("<?xml version=\"1.0\"?><!DOCTYPE svg [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
                      "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
                      "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d "
                      "\"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">"
                      "<!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\"><!ENTITY f "
                      "\"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\">"
                      "<!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\"><!ENTITY h "
                      "\"&g;&g;&g;&g;&g;&g;&g;&g;&g;&g;\">]>"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"5\" "
                      "height=\"3\"><text>&h;</text></svg>")}) {
        EXPECT_EQ(Load(Bytes(text.begin(), text.end())), nullptr) << text.substr(0, 60);
    }
}

// A PNG file that is only a header claiming w x h (no pixel data).
Bytes PngHeaderOnly(std::uint32_t w, std::uint32_t h) {
    Bytes b = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    PutBe32(b, 13);
    b.insert(b.end(), {'I', 'H', 'D', 'R'});
    PutBe32(b, w);
    PutBe32(b, h);
    b.insert(b.end(), {8, 0, 0, 0, 0});
    PutBe32(b, testdata::PngCrc(b.data() + 12, b.size() - 12));
    PutBe32(b, 0);
    b.insert(b.end(), {'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82});
    return b;
}

std::unique_ptr<CIcon> LoadSvg(const std::string& body) {
    const std::string text =
        R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" )"
        R"(width="4" height="4">)" +
        body + "</svg>";
    return Load(Bytes(text.begin(), text.end()));
}

std::string Image(const std::string& href) {
    return R"(<image width="4" height="4" xlink:href=")" + href + R"("/>)";
}

// Embedded pictures are decoded by a library without a size limit, so the document is
// checked first: a small document must not be able to demand gigabytes.
TEST(HostileSvg, EmbeddedPicturesBeyondTheLimitsAreRefused) {
    const std::string side =
        "data:image/png;base64," + testdata::Base64(PngHeaderOnly(kMaxPictureSide, 1));
    const std::string wide =
        "data:image/png;base64," + testdata::Base64(PngHeaderOnly(kMaxPictureSide + 1, 1));
    EXPECT_NE(LoadSvg(Image(side)), nullptr);
    EXPECT_EQ(LoadSvg(Image(wide)), nullptr);

    // All embedded pictures together: at most kMaxSvgEmbeddedPixels.
    const std::uint32_t rows = static_cast<std::uint32_t>(kMaxSvgEmbeddedPixels / kMaxPictureSide);
    const std::string budget =
        "data:image/png;base64," + testdata::Base64(PngHeaderOnly(kMaxPictureSide, rows));
    const std::string one = "data:image/png;base64," + testdata::Base64(PngHeaderOnly(1, 1));
    EXPECT_NE(LoadSvg(Image(budget)), nullptr);
    EXPECT_EQ(LoadSvg(Image(budget) + Image(one)), nullptr);

    // Hidden behind a character reference, a CSS escape or in a nested document, and in
    // kinds that cannot be checked.
    EXPECT_EQ(LoadSvg(Image("d&#97;ta" + wide.substr(4))), nullptr);
    const std::string nested =
        R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink">)" +
        Image(wide) + "</svg>";
    const std::string nestedUrl =
        "data:image/svg+xml;base64," + testdata::Base64(Bytes(nested.begin(), nested.end()));
    EXPECT_EQ(LoadSvg(Image(nestedUrl)), nullptr);
    const std::string escaped = R"(style="fill: url(d\61 ta)" + nestedUrl.substr(4) + "#x)\"";
    EXPECT_EQ(LoadSvg("<rect width=\"4\" height=\"4\" " + escaped + "/>"), nullptr);
    EXPECT_EQ(LoadSvg("<style>rect { fill: url('" + nestedUrl + "#x') }</style>"), nullptr);
    EXPECT_EQ(LoadSvg(Image("data:image/gif;base64,R0lGODlhAQABAAAAACw=")), nullptr);
    // Prose that only looks like a data: URL is no reason to refuse.
    EXPECT_NE(
        LoadSvg(R"(<title>data:x,y</title><rect aria-label="data: 1,2" width="1" height="1"/>)"),
        nullptr);
}

}  // namespace
}  // namespace varlen
