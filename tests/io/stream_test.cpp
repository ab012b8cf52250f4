#include "io/stream.h"

#include <gtest/gtest.h>

namespace varlen {
namespace {

TEST(ByteStreams, ReaderDeliversFewerBytesAtTheEnd) {
    const std::uint8_t data[] = {1, 2, 3, 4, 5};
    ByteReader r(data);
    std::uint8_t buf[4] = {};
    EXPECT_EQ(r.Read(buf, 3), 3u);
    EXPECT_EQ(buf[2], 3);
    EXPECT_EQ(r.Read(buf, 4), 2u);
    EXPECT_EQ(buf[1], 5);
    EXPECT_EQ(r.Read(buf, 1), 0u);
    EXPECT_FALSE(r.Seek(6));
    EXPECT_TRUE(r.Seek(5));
    EXPECT_FALSE(r.Skip(1));
}

TEST(ByteStreams, MemoryFileOverwritesAfterSeekAndAppendsAtEnd) {
    MemoryFile f;
    const std::uint8_t a[] = {1, 2, 3, 4};
    const std::uint8_t b[] = {9, 9};
    ASSERT_TRUE(f.Write(a, 4));
    ASSERT_TRUE(f.Seek(1));
    ASSERT_TRUE(f.Write(b, 2));
    EXPECT_EQ(f.GetPosition(), 3u);
    ASSERT_TRUE(f.SeekToEnd());
    ASSERT_TRUE(f.Write(b, 1));
    EXPECT_EQ(f.Bytes(), (std::vector<std::uint8_t>{1, 9, 9, 4, 9}));
    EXPECT_FALSE(f.Seek(9));
}

}  // namespace
}  // namespace varlen
