#include "io/png_encode.h"

#include <gtest/gtest.h>

#include "tests/io/raw_readers.h"
#include "tests/io/writer_support.h"

namespace varlen {
namespace {

using namespace testing_support;

// Colour types as the PNG standard numbers them.
constexpr int kRgb = 2;
constexpr int kIndexed = 3;
constexpr int kRgba = 6;

Pixel Grey(int g) {
    return MakePixel(255, g, g, g);
}

RawPng Encode(const CIcon& icon) {
    Bytes bytes;
    EXPECT_TRUE(EncodePng(icon, bytes));
    RawPng png = DecodePngRaw(bytes);
    EXPECT_TRUE(png.ok);
    EXPECT_EQ(png.width, static_cast<std::uint32_t>(icon.Width()));
    EXPECT_EQ(png.height, static_cast<std::uint32_t>(icon.Height()));
    EXPECT_FALSE(png.hasTrns);
    return png;
}

TEST(PngForm, ThirtyTwoBitsIsStraightRgbaWithColourOfClearPixels) {
    auto icon = CreateIcon(3, 2, 32);
    const Pixel px[6] = {MakePixel(255, 1, 2, 3),   MakePixel(0, 200, 100, 50),
                         MakePixel(128, 9, 8, 7),   MakePixel(1, 255, 255, 255),
                         MakePixel(64, 10, 20, 30), MakePixel(255, 0, 0, 0)};
    std::copy(px, px + 6, icon->Pixels().begin());
    const RawPng png = Encode(*icon);
    EXPECT_EQ(png.colorType, kRgba);
    EXPECT_EQ(png.bitDepth, 8);
    ASSERT_EQ(png.rows.size(), 2u);
    EXPECT_EQ(png.rows[0], (Bytes{1, 2, 3, 255, 200, 100, 50, 0, 9, 8, 7, 128}));
    EXPECT_EQ(png.rows[1], (Bytes{255, 255, 255, 1, 10, 20, 30, 64, 0, 0, 0, 255}));
}

TEST(PngForm, TwentyFourBitsIsRgbWithTransparentPixelsBlack) {
    auto icon = CreateIcon(3, 2, 24);  // odd width: the colour bits have padded rows
    const Pixel px[6] = {MakePixel(255, 1, 2, 3),    MakePixel(127, 200, 100, 50),
                         MakePixel(128, 9, 8, 7),    MakePixel(0, 255, 255, 255),
                         MakePixel(200, 10, 20, 30), MakePixel(255, 4, 5, 6)};
    std::copy(px, px + 6, icon->Pixels().begin());
    const RawPng png = Encode(*icon);
    EXPECT_EQ(png.colorType, kRgb);
    EXPECT_EQ(png.bitDepth, 8);
    ASSERT_EQ(png.rows.size(), 2u);
    EXPECT_EQ(png.rows[0], (Bytes{1, 2, 3, 0, 0, 0, 9, 8, 7}));
    EXPECT_EQ(png.rows[1], (Bytes{0, 0, 0, 10, 20, 30, 4, 5, 6}));
}

TEST(PngForm, EightBitsIsIndexedWithWholePalette) {
    auto icon = CreateIcon(5, 1, 8);
    const Pixel px[5] = {Grey(0), Grey(7), Grey(255), MakePixel(0, 99, 99, 99), Grey(128)};
    std::copy(px, px + 5, icon->Pixels().begin());
    icon->Palette()[254] = RGBQUAD{3, 2, 1, 0};  // blue, green, red
    const RawPng png = Encode(*icon);
    EXPECT_EQ(png.colorType, kIndexed);
    EXPECT_EQ(png.bitDepth, 8);
    ASSERT_EQ(png.palette.size(), 256u * 3);
    EXPECT_EQ(png.palette[3 * 100], 100);
    EXPECT_EQ(Bytes(png.palette.begin() + 3 * 254, png.palette.begin() + 3 * 255),
              (Bytes{1, 2, 3}));
    ASSERT_EQ(png.rows.size(), 1u);
    EXPECT_EQ(png.rows[0], (Bytes{0, 7, 255, 0, 128}));
}

TEST(PngForm, FourBitsIsIndexedAtFourBitsOddWidth) {
    auto icon = CreateIcon(5, 2, 4);
    const Pixel px[10] = {Grey(16), Grey(32),  Grey(48),
                          Grey(64), Grey(240), Grey(240),
                          Grey(0),  Grey(16),  MakePixel(0, 255, 255, 255),
                          Grey(80)};
    std::copy(px, px + 10, icon->Pixels().begin());
    const RawPng png = Encode(*icon);
    EXPECT_EQ(png.colorType, kIndexed);
    EXPECT_EQ(png.bitDepth, 4);
    ASSERT_EQ(png.palette.size(), 16u * 3);
    EXPECT_EQ(png.palette[3 * 15 + 1], 240);
    ASSERT_EQ(png.rows.size(), 2u);
    EXPECT_EQ(png.rows[0], (Bytes{0x12, 0x34, 0xF0}));
    EXPECT_EQ(png.rows[1], (Bytes{0xF0, 0x10, 0x50}));
}

TEST(PngForm, WideOddSizesRoundTrip) {
    for (const int w : {1, 2, 7, 65}) {
        auto icon = CreateIcon(w, 3, 24);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < w; ++x) {
                icon->Row(y)[x] = MakePixel(255, x & 0xFF, y, (x * 7) & 0xFF);
            }
        }
        const RawPng png = Encode(*icon);
        ASSERT_EQ(png.rows.size(), 3u);
        for (int y = 0; y < 3; ++y) {
            ASSERT_EQ(png.rows[y].size(), 3u * w);
            for (int x = 0; x < w; ++x) {
                EXPECT_EQ(png.rows[y][3 * x], x & 0xFF);
                EXPECT_EQ(png.rows[y][3 * x + 1], y);
                EXPECT_EQ(png.rows[y][3 * x + 2], (x * 7) & 0xFF) << w << " " << x << " " << y;
            }
        }
    }
}

TEST(PngForm, DepthsWithoutAPngFormFail) {
    Bytes out;
    EXPECT_FALSE(EncodePng(*Solid(2, 2, 1), out));
    EXPECT_FALSE(EncodePng(*Solid(2, 2, 16), out));
    EXPECT_TRUE(out.empty());
    MemoryFile f;
    EXPECT_FALSE(WritePng(*Solid(2, 2, 16), f));
    EXPECT_EQ(f.GetPosition(), 0u);
}

TEST(PngForm, WritePngAppendsTheWholeFileOrReportsFailure) {
    auto icon = Solid(9, 9, 32, 77);
    Bytes encoded;
    ASSERT_TRUE(EncodePng(*icon, encoded));
    MemoryFile f;
    const std::uint8_t lead = 0x11;
    ASSERT_TRUE(f.Write(&lead, 1));
    ASSERT_TRUE(WritePng(*icon, f));
    EXPECT_EQ(Bytes(f.Bytes().begin() + 1, f.Bytes().end()), encoded);
    FailingFile small(encoded.size() - 1);
    EXPECT_FALSE(WritePng(*icon, small));
}

}  // namespace
}  // namespace varlen
