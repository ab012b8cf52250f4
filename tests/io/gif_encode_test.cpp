#include "io/gif_encode.h"

#include <gtest/gtest.h>

#include "io/export.h"
#include "tests/io/raw_readers.h"
#include "tests/io/writer_support.h"

namespace varlen {
namespace {

using namespace testing_support;

Pixel Grey(int g) {
    return MakePixel(255, g, g, g);
}

RawGif Encode(const CIcon& icon) {
    Bytes bytes;
    EXPECT_TRUE(EncodeGif(icon, bytes));
    RawGif gif = DecodeGifRaw(bytes);
    EXPECT_TRUE(gif.ok);
    EXPECT_EQ(gif.width, icon.Width());
    EXPECT_EQ(gif.height, icon.Height());
    EXPECT_EQ(gif.imageCount, 1);
    EXPECT_FALSE(gif.hasTransparency);
    return gif;
}

TEST(GifForm, FourBitsKeepsIndicesAndSixteenEntryTable) {
    auto icon = CreateIcon(5, 2, 4);
    const Pixel px[10] = {Grey(16), Grey(32),  Grey(48),
                          Grey(64), Grey(240), Grey(240),
                          Grey(0),  Grey(16),  MakePixel(0, 255, 255, 255),
                          Grey(80)};
    std::copy(px, px + 10, icon->Pixels().begin());
    icon->Palette()[9] = RGBQUAD{1, 2, 3, 0};
    const RawGif gif = Encode(*icon);
    EXPECT_EQ(gif.colorCount, 16);
    EXPECT_EQ(gif.bitsPerPixel, 4);
    EXPECT_EQ(Bytes(gif.palette.begin() + 27, gif.palette.begin() + 30), (Bytes{3, 2, 1}));
    EXPECT_EQ(gif.palette[3 * 15], 240);
    // The transparent pixel keeps the index nearest to black; nothing marks it transparent.
    EXPECT_EQ(gif.indices, (Bytes{1, 2, 3, 4, 15, 15, 0, 1, 0, 5}));
}

TEST(GifForm, EightBitsKeepsIndicesAndWholeTable) {
    auto icon = CreateIcon(3, 3, 8);
    const Pixel px[9] = {Grey(0),   Grey(1),   Grey(2),   Grey(100), Grey(101),
                         Grey(102), Grey(253), Grey(254), Grey(255)};
    std::copy(px, px + 9, icon->Pixels().begin());
    const RawGif gif = Encode(*icon);
    EXPECT_EQ(gif.colorCount, 256);
    EXPECT_EQ(gif.bitsPerPixel, 8);
    EXPECT_EQ(gif.palette[3 * 200 + 2], 200);
    EXPECT_EQ(gif.indices, (Bytes{0, 1, 2, 100, 101, 102, 253, 254, 255}));
}

TEST(GifForm, DeeperImagesFailAndWriteNothing) {
    Bytes out;
    EXPECT_FALSE(EncodeGif(*Solid(2, 2, 24), out));
    EXPECT_FALSE(EncodeGif(*Solid(2, 2, 32), out));
    EXPECT_TRUE(out.empty());
    MemoryFile f;
    EXPECT_FALSE(WriteGif(*Solid(2, 2, 32), f));
    EXPECT_EQ(f.GetPosition(), 0u);
}

TEST(GifForm, WriteErrorIsReported) {
    auto icon = Solid(8, 8, 8, 9);
    Bytes encoded;
    ASSERT_TRUE(EncodeGif(*icon, encoded));
    FailingFile f(encoded.size() - 1);
    EXPECT_FALSE(WriteGif(*icon, f));
    MemoryFile ok;
    ASSERT_TRUE(WriteGif(*icon, ok));
    EXPECT_EQ(ok.Bytes(), encoded);
}

TEST(GifExport, ThirtyTwoBitsFailsBeforeTouchingTheTarget) {
    TempFolder dir;
    EXPECT_FALSE(SaveGif(*Solid(4, 4, 32), dir / "a.gif"));
    EXPECT_EQ(dir.Count(), 0u);
    WriteAll(dir / "b.gif", Bytes{1, 2, 3});
    EXPECT_FALSE(SaveGif(*Solid(4, 4, 24), dir / "b.gif"));
    EXPECT_EQ(ReadAll(dir / "b.gif"), (Bytes{1, 2, 3}));
    EXPECT_EQ(dir.Count(), 1u);
}

TEST(GifExport, SavedFileDecodes) {
    TempFolder dir;
    auto icon = Solid(7, 3, 4, 48);
    ASSERT_TRUE(SaveGif(*icon, dir / "a.gif"));
    const RawGif gif = DecodeGifRaw(ReadAll(dir / "a.gif"));
    ASSERT_TRUE(gif.ok);
    EXPECT_EQ(gif.indices, Bytes(21, 3));
}

}  // namespace
}  // namespace varlen
