// Byte-order fields: the little-endian writers and readers agree with literal byte tables
// (high bits set included, where a sign or a shift in int would show), and the big-endian
// readers of PNG and JPEG header fields read the same tables the other way round.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "io/le_bytes.h"

namespace varlen {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ByteOrderFields, LittleEndianWritersGiveLowByteFirst) {
    Bytes out;
    PutU8(out, 0x1FF);
    PutU16(out, 0xBEEF);
    PutU32(out, 0xFEDCBA98);
    PutI32(out, -2);
    EXPECT_EQ(out, (Bytes{0xFF, 0xEF, 0xBE, 0x98, 0xBA, 0xDC, 0xFE, 0xFE, 0xFF, 0xFF, 0xFF}));
}

TEST(ByteOrderFields, LittleEndianReadersUndoTheWriters) {
    const Bytes b{0x00, 0xEF, 0xBE, 0x98, 0xBA, 0xDC, 0xFE, 0x01, 0x00, 0x00, 0x80};
    EXPECT_EQ(GetU16(b, 1), 0xBEEF);
    EXPECT_EQ(GetU32(b, 3), 0xFEDCBA98u);
    EXPECT_EQ(GetI32(b, 7), INT32_MIN + 1);
    EXPECT_EQ(GetI32(b, 3), static_cast<std::int32_t>(0xFEDCBA98u));
    EXPECT_EQ(GetU16(b.data() + 5), 0xFEDC);
    for (const std::uint32_t v : {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0x12345678u}) {
        Bytes out;
        PutU32(out, v);
        EXPECT_EQ(GetU32(out, 0), v);
    }
}

TEST(ByteOrderFields, BigEndianReadersTakeHighByteFirst) {
    // A PNG IHDR's width and height and a JPEG length field.
    const Bytes b{0x00, 0x00, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0xFE, 0x80, 0x01};
    EXPECT_EQ(GetBeU32(b, 0), 256u);
    EXPECT_EQ(GetBeU32(b, 4), 0xFFFFFFFEu);
    EXPECT_EQ(GetBeU16(b, 8), 0x8001);
    EXPECT_EQ(GetBeU16(b, 2), 0x0100);
    EXPECT_EQ(GetU16(b, 8), 0x0180);
}

}  // namespace
}  // namespace varlen
