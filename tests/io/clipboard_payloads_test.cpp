#include "io/clipboard_payloads.h"

#include <gtest/gtest.h>

#include "io/clipboard_formats.h"
#include "io/dib_writer.h"
#include "io/png_encode.h"
#include "tests/io/writer_support.h"

namespace varlen {
namespace {

using namespace testing_support;

std::vector<std::string_view> Names(const std::vector<ClipboardPayload>& p) {
    std::vector<std::string_view> names;
    for (const auto& x : p) {
        names.push_back(x.format);
    }
    return names;
}

TEST(ClipboardPayloads, FormatsOfferedPerDepth) {
    using V = std::vector<std::string_view>;
    EXPECT_EQ(Names(ClipboardPayloads(*Solid(4, 4, 4))), (V{kCfDib, kCfPng}));
    EXPECT_EQ(Names(ClipboardPayloads(*Solid(4, 4, 8))), (V{kCfDib, kCfPng}));
    EXPECT_EQ(Names(ClipboardPayloads(*Solid(4, 4, 24))), (V{kCfDib, kCfPng}));
    EXPECT_EQ(Names(ClipboardPayloads(*Solid(4, 4, 32))),
              (V{kCfDib, kCfPng, kCfPbPixel32, kCfTransp}));
    // No PNG form at 16 bits: PNG is left out, the DIB is still offered.
    EXPECT_EQ(Names(ClipboardPayloads(*Solid(4, 4, 16))), (V{kCfDib}));
}

TEST(ClipboardPayloads, FourBitDibIs232BytesPlainForm) {
    auto icon = Solid(16, 16, 4, 64);
    const auto p = ClipboardPayloads(*icon);
    ASSERT_FALSE(p.empty());
    ASSERT_EQ(p[0].bytes.size(), 232u);  // 40 + 64 + 16 * 8, no mask
    EXPECT_EQ(I32(p[0].bytes, 8), 16);
    MemoryFile dib;
    ASSERT_TRUE(WriteDib(*icon, dib, false));
    EXPECT_EQ(p[0].bytes, dib.Bytes());
    Bytes png;
    ASSERT_TRUE(EncodePng(*icon, png));
    EXPECT_EQ(p[1].bytes, png);
}

TEST(ClipboardPayloads, ThirtyTwoBitThreeByTwoBlocks) {
    auto icon = CreateIcon(3, 2, 32);
    const Pixel px[6] = {0x01020304, 0xFF102030, 0x00AABBCC, 0x80000000, 0x7F405060, 0xFEFFFFFF};
    std::copy(px, px + 6, icon->Pixels().begin());
    const auto p = ClipboardPayloads(*icon);
    ASSERT_EQ(p.size(), 4u);

    EXPECT_EQ(p[2].bytes, (Bytes{3,    0,    0,    0,    2,    0,    0,    0,     // width, height
                                 0x04, 0x03, 0x02, 0x01, 0x30, 0x20, 0x10, 0xFF,  // top row
                                 0xCC, 0xBB, 0xAA, 0x00, 0x00, 0x00, 0x00, 0x80,  // ...
                                 0x60, 0x50, 0x40, 0x7F, 0xFF, 0xFF, 0xFF, 0xFE}));

    const Bytes& t = p[3].bytes;
    ASSERT_EQ(t.size(), 1072u);  // 40 + 1024 + 2 * 4
    EXPECT_EQ(U32(t, 0), 40u);
    EXPECT_EQ(I32(t, 4), 3);
    EXPECT_EQ(I32(t, 8), 2);
    EXPECT_EQ(U16(t, 12), 1u);
    EXPECT_EQ(U16(t, 14), 8u);
    EXPECT_EQ(U32(t, 16), 0u);
    EXPECT_EQ(U32(t, 20), 8u);
    for (std::size_t at = 24; at < 40; at += 4) {
        EXPECT_EQ(U32(t, at), 0u);
    }
    for (std::uint32_t i = 0; i < 256; ++i) {
        EXPECT_EQ(U32(t, 40 + 4 * i), i | (i << 8) | (i << 16)) << i;
    }
    // Bottom row first: alphas of the bottom row, then of the top row, zero padded.
    EXPECT_EQ(Bytes(t.begin() + 1064, t.end()), (Bytes{0x80, 0x7F, 0xFE, 0, 0x01, 0xFF, 0x00, 0}));
}

TEST(ClipboardPayloads, NonSquareImagesKeepTheirSize) {
    const auto p = ClipboardPayloads(*Solid(48, 32, 32, 1));
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(I32(p[0].bytes, 4), 48);
    EXPECT_EQ(I32(p[0].bytes, 8), 32);
    EXPECT_EQ(p[2].bytes.size(), 8u + 48 * 32 * 4);
    EXPECT_EQ(I32(p[3].bytes, 4), 48);
    EXPECT_EQ(p[3].bytes.size(), 40u + 1024 + 48 * 32);
}

}  // namespace
}  // namespace varlen
