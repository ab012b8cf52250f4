// Icon and cursor files as input: the largest and deepest image wins, PNG and DIB images
// (alpha from the mask unless they carry it), and directory bytes that are not trusted.
#include <gtest/gtest.h>

#include "io/export.h"
#include "io/ico_reader.h"
#include "io/writer_support.h"
#include "tests/io/decode_support.h"

namespace varlen {
namespace {

using namespace decode_support;

TEST(IconFileInput, LargestAreaWinsThenGreatestDepth) {
    std::vector<std::unique_ptr<CIcon>> images;
    images.push_back(Filled(16, 16, 8, 0xFF000000));
    images.push_back(Filled(48, 40, 4, 0xFFFFFFFF));
    images.push_back(Filled(32, 32, 32, 0xFF0000FF));
    const auto largest = Load(IconFileOf(std::move(images)));
    ASSERT_NE(largest, nullptr);
    EXPECT_EQ(largest->Width(), 48);
    EXPECT_EQ(largest->Height(), 40);
    EXPECT_EQ(largest->Bpp(), 4);

    for (const bool deepFirst : {false, true}) {
        std::vector<std::unique_ptr<CIcon>> tie;
        tie.push_back(Filled(32, 32, deepFirst ? 32 : 8, 0xFF808080));
        tie.push_back(Filled(32, 32, deepFirst ? 8 : 32, 0xFF808080));
        tie.push_back(Filled(16, 64, 24, 0xFF808080));
        const auto deepest = Load(IconFileOf(std::move(tie)));
        ASSERT_NE(deepest, nullptr);
        EXPECT_EQ(deepest->Width(), 32);
        EXPECT_EQ(deepest->Bpp(), 32);
    }
}

TEST(IconFileInput, PngImagesAreDecoded) {
    auto picture = CreateIcon(64, 66, 32);
    for (int i = 0; i < 64 * 66; ++i) {
        picture->Pixels()[static_cast<std::size_t>(i)] =
            static_cast<Pixel>(i * 2654435761u) | 0x01000000u;
    }
    const std::vector<Pixel> want = PixelsOf(*picture);
    std::vector<std::unique_ptr<CIcon>> images;
    images.push_back(Filled(48, 48, 32, 0xFF000000));
    images.push_back(std::move(picture));
    const Bytes file = IconFileOf(std::move(images), true);
    ASSERT_EQ(file.at(testing_support::U32(file, 6 + 16 + 12)), 0x89);  // the second image is a PNG
    const auto icon = Load(file);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Width(), 64);
    EXPECT_EQ(icon->Height(), 66);
    EXPECT_EQ(PixelsOf(*icon), want);
}

// A 3 x 2 icon-form DIB at bpp (8 or 32) over the mask rows (bottom row first): 0b101 on
// the top row, 0b010 on the bottom one.
Bytes MaskedDib(int bpp, std::uint8_t topAlpha) {
    testdata::DibLayout s;
    s.width = 3;
    s.height = 2;
    s.bpp = static_cast<std::uint16_t>(bpp);
    if (bpp == 8) {
        s.clrUsed = 3;
        s.palette = {RGBQUAD{10, 20, 30, 0}, RGBQUAD{40, 50, 60, 0}, RGBQUAD{70, 80, 90, 0}};
        s.pixels = {2, 1, 0, 0, 0, 1, 2, 0};  // bottom row, then top row
    } else {
        s.pixels = {1,  2,  3,  0,        4,  5,  6,  0, 7,  8,  9,  0,
                    11, 12, 13, topAlpha, 14, 15, 16, 0, 17, 18, 19, 0};
    }
    const Bytes mask = {0x40, 0, 0, 0, 0xA0, 0, 0, 0};
    return testdata::IconDib(s, mask);
}

TEST(IconFileInput, DibImagesTakeAlphaFromTheirMaskUnlessTheyCarryAlpha) {
    const auto indexed = Load(testdata::BuildIconFile({MaskedDib(8, 0)}));
    ASSERT_NE(indexed, nullptr);
    EXPECT_EQ(indexed->Bpp(), 8);
    EXPECT_EQ(indexed->Palette()[1], (RGBQUAD{40, 50, 60, 0}));
    EXPECT_EQ(PixelsOf(*indexed), (std::vector<Pixel>{0x001E140A, 0xFF3C3228, 0x005A5046,
                                                      0xFF5A5046, 0x003C3228, 0xFF1E140A}));

    // 32 bits with every fourth byte 0: the mask decides.
    const auto noAlpha = Load(testdata::BuildIconFile({MaskedDib(32, 0)}, 2));
    ASSERT_NE(noAlpha, nullptr);
    EXPECT_EQ(noAlpha->Bpp(), 32);
    EXPECT_EQ(PixelsOf(*noAlpha), (std::vector<Pixel>{0x000D0C0B, 0xFF100F0E, 0x00131211,
                                                      0xFF030201, 0x00060504, 0xFF090807}));
    // One fourth byte that is not 0: the bytes are alpha and the mask is not used.
    const auto alpha = Load(testdata::BuildIconFile({MaskedDib(32, 200)}));
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(PixelsOf(*alpha), (std::vector<Pixel>{0xC80D0C0B, 0x00100F0E, 0x00131211, 0x00030201,
                                                    0x00060504, 0x00090807}));
}

TEST(IconFileInput, CursorFilesAndTheirDirectoryBytesAreNotTrusted) {
    auto picture = CreateIcon(5, 3, 24);
    for (int i = 0; i < 15; ++i) {
        picture->Pixels()[static_cast<std::size_t>(i)] = (i % 4 == 0) ? 0x00000000u : 0xFF102030u;
    }
    MemoryFile cursor;
    ASSERT_TRUE(WriteCursorFile(*picture, cursor, 2, 1));
    const auto icon = Load(cursor.Bytes());
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Bpp(), 24);
    EXPECT_EQ(PixelsOf(*icon), PixelsOf(*picture));

    // A directory entry that reaches past the data is passed over.
    Bytes file = testdata::BuildIconFile({MaskedDib(8, 0), MaskedDib(32, 0)});
    testdata::SetU32(file, 6 + 16 + 8, 1000);
    const auto first = Load(file);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Bpp(), 8);
    testdata::SetU32(file, 6 + 8, 1000);
    EXPECT_EQ(Load(file), nullptr);
}

}  // namespace
}  // namespace varlen
