// BMP files beyond the Windows info header: the pixel offset of the file header (a gap
// before the pixels), OS/2 1.x core headers with 3-byte colour entries, and OS/2 2.x
// headers of 16 and 64 bytes. Each fixture is written here and read by Pillow as well
// (which does not read the 16-byte header).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "io/bmp_reader.h"
#include "io/loaders.h"
#include "writer_support.h"

namespace varlen {
namespace {

using testing_support::Bytes;
using testing_support::TempFolder;

void Le(Bytes& b, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) {
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

// A BM file: file header with the given pixel offset (0: right after header and table),
// then the info header bytes, the colour table and the pixel bytes, with gap bytes of 0x55
// between table and pixels.
Bytes BmFile(const Bytes& info, const Bytes& table, std::size_t gap, const Bytes& pixels) {
    Bytes b = {'B', 'M'};
    const std::size_t offBits = 14 + info.size() + table.size() + gap;
    Le(b, static_cast<std::uint32_t>(offBits + pixels.size()), 4);
    Le(b, 0, 4);
    Le(b, static_cast<std::uint32_t>(offBits), 4);
    b.insert(b.end(), info.begin(), info.end());
    b.insert(b.end(), table.begin(), table.end());
    b.insert(b.end(), gap, 0x55);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

Bytes CoreHeader(int w, int h, int bpp) {
    Bytes b;
    Le(b, 12, 4);
    Le(b, static_cast<std::uint32_t>(w), 2);
    Le(b, static_cast<std::uint32_t>(h), 2);
    Le(b, 1, 2);
    Le(b, static_cast<std::uint32_t>(bpp), 2);
    return b;
}

// An OS/2 2.x or Windows header of size bytes (16, 40 or 64), no compression.
Bytes InfoHeader(std::uint32_t size, int w, int h, int bpp, std::uint32_t compression = 0) {
    Bytes b;
    Le(b, size, 4);
    Le(b, static_cast<std::uint32_t>(w), 4);
    Le(b, static_cast<std::uint32_t>(h), 4);
    Le(b, 1, 2);
    Le(b, static_cast<std::uint32_t>(bpp), 2);
    if (size > 16) {
        Le(b, compression, 4);
        b.resize(size, 0);
    }
    return b;
}

std::vector<Pixel> OurPixels(const Bytes& file) {
    const auto icon = FromFileData(file);
    if (!icon) {
        return {};
    }
    return {icon->Pixels().begin(), icon->Pixels().end()};
}

// Pillow's reading of the file as ARGB values, top row first (empty when it fails).
std::vector<Pixel> PillowPixels(const TempFolder& dir, const Bytes& file) {
    const auto path = dir / "pillow.bmp";
    testing_support::WriteAll(path, file);
    const std::string command = std::string(VARLEN_SYSTEM_PYTHON) +
                                " -c \"import sys; from PIL import Image; "
                                "im = Image.open(sys.argv[1]).convert('RGBA'); "
                                "print(' '.join('%d' % ((a << 24) | (r << 16) | (g << 8) | b) "
                                "for r, g, b, a in im.getdata()))\" " +
                                path.string();
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return {};
    }
    std::string text;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) {
        text.append(buffer, n);
    }
    ::pclose(pipe);
    std::istringstream in(text);
    std::vector<Pixel> pixels;
    for (unsigned long v = 0; in >> v;) {
        pixels.push_back(static_cast<Pixel>(v));
    }
    return pixels;
}

constexpr Pixel kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu, kWhite = 0xFFFFFFFFu;

TEST(BmpPixelOffset, AGapBeforeThePixelsIsSkipped) {
    TempFolder dir;
    // 2 x 2 at 8 bits, two colours; rows bottom-up, padded to 4 bytes.
    Bytes table;
    for (const std::uint32_t c : {0x000000FFu, 0x0000FF00u}) {  // blue, green as B G R 0
        Le(table, c, 4);
    }
    Bytes info = InfoHeader(40, 2, 2, 8);
    info[32] = 2;  // biClrUsed
    const Bytes pixels = {1, 0, 0, 0, 0, 1, 0, 0};
    const Bytes file = BmFile(info, table, 18, pixels);
    const std::vector<Pixel> expected = {kBlue, kGreen, kGreen, kBlue};
    EXPECT_EQ(OurPixels(file), expected);
    EXPECT_EQ(PillowPixels(dir, file), expected);
}

TEST(BmpPixelOffset, AnOffsetInsideTheHeadersOrPastTheDataIsIgnored) {
    Bytes info = InfoHeader(40, 1, 1, 24);
    Bytes file = BmFile(info, {}, 0, {0x00, 0x00, 0xFF, 0});
    for (const std::uint32_t offBits : {0u, 20u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        for (int i = 0; i < 4; ++i) {
            file[10 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(offBits >> (8 * i));
        }
        EXPECT_EQ(OurPixels(file), std::vector<Pixel>{kRed}) << offBits;
    }
}

TEST(BmpOs2, CoreHeaderWithThreeByteColoursAndItsOwnTableLength) {
    TempFolder dir;
    // 3 x 2 at 8 bits with a table of three 3-byte entries (the pixel offset ends it).
    const Bytes table = {0, 0, 255, 0, 255, 0, 255, 255, 255};  // red, green, white
    const Bytes pixels = {2, 1, 0, 0, 0, 1, 2, 0};              // bottom row first
    const Bytes file = BmFile(CoreHeader(3, 2, 8), table, 0, pixels);
    const std::vector<Pixel> expected = {kRed, kGreen, kWhite, kWhite, kGreen, kRed};
    EXPECT_EQ(OurPixels(file), expected);
    EXPECT_EQ(PillowPixels(dir, file), expected);

    // A full table of 2^bits entries without a pixel offset past it, at 1 bit.
    const Bytes mono = BmFile(CoreHeader(2, 1, 1), {0, 0, 0, 255, 255, 255}, 0, {0x40, 0, 0, 0});
    EXPECT_EQ(OurPixels(mono), (std::vector<Pixel>{0xFF000000u, kWhite}));
    EXPECT_EQ(PillowPixels(dir, mono), (std::vector<Pixel>{0xFF000000u, kWhite}));
}

TEST(BmpOs2, CoreHeaderAt24BitsAndRefusedDepths) {
    TempFolder dir;
    const Bytes file = BmFile(CoreHeader(1, 2, 24), {}, 0, {255, 0, 0, 0, 0, 255, 0, 0});
    EXPECT_EQ(OurPixels(file), (std::vector<Pixel>{kGreen, kBlue}));
    EXPECT_EQ(PillowPixels(dir, file), (std::vector<Pixel>{kGreen, kBlue}));
    for (const int bpp : {16, 32, 2, 0}) {
        EXPECT_TRUE(OurPixels(BmFile(CoreHeader(1, 1, bpp), {}, 0, Bytes(8, 0))).empty()) << bpp;
    }
}

TEST(BmpOs2, VersionTwoHeadersOfSixteenAndSixtyFourBytes) {
    TempFolder dir;
    // 16 bytes: no compression field; 24 bits.
    const Bytes shortFile = BmFile(InfoHeader(16, 2, 1, 24), {}, 0, {0, 0, 255, 255, 0, 0, 0, 0});
    EXPECT_EQ(OurPixels(shortFile), (std::vector<Pixel>{kRed, kBlue}));

    // 64 bytes at 4 bits with a 4-byte colour table of 16 entries.
    Bytes table;
    Le(table, 0x00FFFFFFu, 4);  // white
    Le(table, 0x0000FF00u, 4);  // green
    table.resize(16 * 4, 0);
    const Bytes longFile = BmFile(InfoHeader(64, 3, 1, 4), table, 0, {0x01, 0x20, 0, 0});
    EXPECT_EQ(OurPixels(longFile), (std::vector<Pixel>{kWhite, kGreen, 0xFF000000u}));
    EXPECT_EQ(PillowPixels(dir, longFile), (std::vector<Pixel>{kWhite, kGreen, 0xFF000000u}));

    // In this header compression 3 is Huffman 1D and 4 is RLE24: neither is read.
    for (const std::uint32_t compression : {3u, 4u}) {
        Bytes info = InfoHeader(64, 1, 1, 24, compression);
        EXPECT_TRUE(OurPixels(BmFile(info, {}, 0, Bytes(16, 0))).empty()) << compression;
    }
}

}  // namespace
}  // namespace varlen

namespace varlen {
namespace {

TEST(BmpBorrowedRows, UncompressedRowsAreReadInPlaceBothWaysUp) {
    // 2 x 2 at 24 bits; the decoder borrows the rows instead of copying the picture.
    Bytes dib = InfoHeader(40, 2, 2, 24);
    const Bytes rows = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    dib.insert(dib.end(), rows.begin(), rows.end());
    const auto bottomUp = ReadPackedDib(dib, std::nullopt, true);
    ASSERT_TRUE(bottomUp.has_value());
    EXPECT_TRUE(bottomUp->bitmap.bits.empty());
    EXPECT_EQ(bottomUp->bitmap.Row(0), dib.data() + 40 + 8);  // the top row is stored last
    EXPECT_EQ(bottomUp->bitmap.Row(1), dib.data() + 40);
    const auto icon = FromImage(bottomUp->bitmap, false, std::nullopt);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->GetPixel(0, 0), 0xFF090807u);
    EXPECT_EQ(icon->GetPixel(1, 1), 0xFF060504u);

    dib[8] = 0xFE;  // height -2: top-down
    dib[9] = dib[10] = dib[11] = 0xFF;
    const auto topDown = ReadPackedDib(dib, std::nullopt, true);
    ASSERT_TRUE(topDown.has_value());
    EXPECT_EQ(topDown->bitmap.Row(1), dib.data() + 48);
    // Copied rows (the default) say the same.
    const auto copied = ReadPackedDib(dib);
    ASSERT_TRUE(copied.has_value());
    ASSERT_FALSE(copied->bitmap.bits.empty());
    EXPECT_TRUE(std::equal(rows.begin(), rows.end(), copied->bitmap.bits.begin()));
}

TEST(BmpBorrowedRows, IconImagesReadTheirColourRowsInPlace) {
    // An icon's DIB says height 4 for 2 colour rows and 2 mask rows: only the colour rows
    // are read, straight from the image (a large icon is not copied to halve its height).
    Bytes dib = InfoHeader(40, 2, 4, 24);
    const Bytes rows = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    const Bytes mask(8, 0);
    dib.insert(dib.end(), rows.begin(), rows.end());
    dib.insert(dib.end(), mask.begin(), mask.end());
    const auto picture = ReadIconDib(dib);
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->bitmap.height, 2);
    EXPECT_TRUE(picture->bitmap.bits.empty());
    EXPECT_EQ(picture->bitmap.Row(0), dib.data() + 40 + 8);
    EXPECT_EQ(picture->bitmap.Row(1), dib.data() + 40);
    // The OS/2 headers have no place in an icon.
    EXPECT_FALSE(ReadIconDib(InfoHeader(12, 2, 4, 24)).has_value());
}

}  // namespace
}  // namespace varlen
