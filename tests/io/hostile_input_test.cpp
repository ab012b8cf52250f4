// Hostile and broken inputs: every loader must refuse them with no image, no crash and no
// huge allocation. Truncated copies of valid files, lying header fields, byte flips, and
// the fixture files made by tests/data/make_hostile_fixtures.py.
#include <gtest/gtest.h>
#include <png.h>

#include <climits>
#include <fstream>
#include <iterator>

#include "io/codec_fixtures.h"
#include "io/loaders.h"

namespace varlen {
namespace {

using testdata::Bytes;
using testdata::DibLayout;

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

std::uint32_t Crc32(const std::uint8_t* p, std::size_t n) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) != 0 ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        }
    }
    return c ^ 0xFFFFFFFFu;
}

void PutBe32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
    }
}

// IHDR starts at byte 8: length (4), "IHDR" (4), width (4), height (4), ... CRC at 29.
Bytes WithIhdrSize(Bytes png, std::uint32_t width, std::uint32_t height) {
    PutBe32(png, 16, width);
    PutBe32(png, 20, height);
    PutBe32(png, 29, Crc32(png.data() + 12, 17));
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

}  // namespace
}  // namespace varlen
