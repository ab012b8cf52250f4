// The headers around a packed DIB: the file header's pixel offset for every header kind,
// and a 32-bit DIB that our own reader takes back pixel for pixel.
#include "io/bmp_file_header.h"

#include <gtest/gtest.h>

#include "io/le_bytes.h"
#include "io/loaders.h"
#include "tests/io/writer_support.h"

namespace varlen {
namespace {

using namespace testing_support;

// A DIB of headerSize bytes (the size field, depth and compression filled in, colour
// count used) followed by tail bytes.
Bytes DibWithHeader(std::uint32_t headerSize, unsigned bits, std::uint32_t compression,
                    std::uint32_t used, std::size_t tail) {
    Bytes dib(headerSize + tail, 0);
    dib[0] = static_cast<std::uint8_t>(headerSize);
    if (headerSize == 12) {
        dib[10] = static_cast<std::uint8_t>(bits);
        return dib;
    }
    dib[14] = static_cast<std::uint8_t>(bits);
    dib[16] = static_cast<std::uint8_t>(compression);
    for (int i = 0; i < 4; ++i) {
        dib[32 + i] = static_cast<std::uint8_t>(used >> (8 * i));
    }
    return dib;
}

std::uint32_t OffsetOf(const Bytes& header) {
    EXPECT_EQ(header.size(), kBmpFileHeaderBytes);
    return header.size() == kBmpFileHeaderBytes ? GetU32(header, 10) : 0;
}

TEST(BmpFileHeader, OffsetForEveryHeaderKind) {
    // Core header: three bytes a colour.
    EXPECT_EQ(OffsetOf(BmpFileHeaderFor(DibWithHeader(12, 8, 0, 0, 768 + 4))), 14u + 12 + 768);
    EXPECT_EQ(OffsetOf(BmpFileHeaderFor(DibWithHeader(12, 24, 0, 0, 4))), 14u + 12);
    // Four alpha-bitfield masks after a 40-byte header; none after a V5 header, whose masks
    // are part of it.
    EXPECT_EQ(OffsetOf(BmpFileHeaderFor(DibWithHeader(40, 32, 6, 0, 16 + 4))), 14u + 40 + 16);
    EXPECT_EQ(OffsetOf(BmpFileHeaderFor(DibWithHeader(124, 32, 3, 0, 4))), 14u + 124);
    EXPECT_EQ(OffsetOf(BmpFileHeaderFor(DibWithHeader(108, 8, 0, 3, 12 + 1))), 14u + 108 + 12);
}

TEST(BmpFileHeader, ShortOrUnknownHeadersGiveNothing) {
    EXPECT_TRUE(BmpFileHeaderFor(Bytes{12, 0, 0}).empty());
    EXPECT_TRUE(BmpFileHeaderFor(Bytes{12, 0, 0, 0, 0, 0, 0, 0}).empty());  // core, short
    EXPECT_TRUE(BmpFileHeaderFor(DibWithHeader(39, 8, 0, 0, 8)).empty());
    Bytes shortInfo = DibWithHeader(40, 8, 0, 0, 0);
    shortInfo.resize(39);
    EXPECT_TRUE(BmpFileHeaderFor(shortInfo).empty());
}

TEST(BmpFileHeader, SizeAndOffsetStayInsideTheFile) {
    const Bytes dib = DibWithHeader(40, 8, 0, 0xFFFFFFFFu, 4);
    const Bytes header = BmpFileHeaderFor(dib);
    ASSERT_EQ(header.size(), kBmpFileHeaderBytes);
    EXPECT_EQ(header[0], 'B');
    EXPECT_EQ(header[1], 'M');
    EXPECT_EQ(GetU32(header, 2), 14u + dib.size());
    EXPECT_EQ(GetU32(header, 6), 0u);  // reserved
    EXPECT_EQ(GetU32(header, 10), 14u + dib.size());
}

TEST(BmpFileHeader, ThirtyTwoBitDibReadsBackBottomRowFirst) {
    const Bytes info = Dib32InfoHeader(3, 2);
    ASSERT_EQ(info.size(), kBmpInfoHeaderBytes);
    EXPECT_EQ(GetU32(info, 0), 40u);
    EXPECT_EQ(GetI32(info, 4), 3);
    EXPECT_EQ(GetI32(info, 8), 2);
    EXPECT_EQ(GetU16(info, 12), 1u);
    EXPECT_EQ(GetU16(info, 14), 32u);
    EXPECT_EQ(GetU32(info, 16), 0u);
    EXPECT_EQ(GetU32(info, 20), 24u);
    for (std::size_t at = 24; at < 40; ++at) {
        EXPECT_EQ(info[at], 0) << at;
    }

    // Stored bottom row first: blue, green, red, alpha.
    Bytes dib = info;
    const Bytes bottom = {1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255};
    const Bytes top = {10, 20, 30, 255, 40, 50, 60, 255, 70, 80, 90, 128};
    dib.insert(dib.end(), bottom.begin(), bottom.end());
    dib.insert(dib.end(), top.begin(), top.end());
    Bytes file = BmpFileHeaderFor(dib);
    file.insert(file.end(), dib.begin(), dib.end());
    const auto icon = FromFileData(file);
    ASSERT_TRUE(icon);
    ASSERT_EQ(icon->Width(), 3);
    ASSERT_EQ(icon->Height(), 2);
    const Pixel expected[] = {MakePixel(255, 30, 20, 10), MakePixel(255, 60, 50, 40),
                              MakePixel(128, 90, 80, 70), MakePixel(255, 3, 2, 1),
                              MakePixel(255, 6, 5, 4),    MakePixel(255, 9, 8, 7)};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(icon->GetPixel(i % 3, i / 3), expected[i]) << i;
    }
}

}  // namespace
}  // namespace varlen
