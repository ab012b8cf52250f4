#include "core/icon.h"

#include <gtest/gtest.h>

namespace varlen {
namespace {

std::vector<int> GreyLevels(const CIcon& icon) {
    std::vector<int> levels;
    for (const RGBQUAD& q : icon.Palette()) {
        EXPECT_EQ(q.rgbBlue, q.rgbGreen);
        EXPECT_EQ(q.rgbGreen, q.rgbRed);
        EXPECT_EQ(q.rgbReserved, 0);
        levels.push_back(q.rgbRed);
    }
    return levels;
}

TEST(IconFactories, CreateIconFourBitHasZeroPixelsAndGreyRamp) {
    auto icon = CreateIcon(16, 16, 4);
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->GetNumColors(), 16);
    ASSERT_EQ(icon->Pixels().size(), 256u);
    for (Pixel p : icon->Pixels()) {
        EXPECT_EQ(p, 0u);
    }
    EXPECT_EQ(GreyLevels(*icon), (std::vector<int>{0, 16, 32, 48, 64, 80, 96, 112, 128, 144, 160,
                                                   176, 192, 208, 224, 240}));
}

TEST(IconFactories, PaletteSizeFollowsDepth) {
    EXPECT_EQ(GreyLevels(*CreateIcon(1, 1, 1)), (std::vector<int>{0, 128}));
    const auto eight = GreyLevels(*CreateIcon(1, 1, 8));
    ASSERT_EQ(eight.size(), 256u);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(eight[static_cast<std::size_t>(i)], i);
    }
    for (int bpp : {16, 24, 32}) {
        auto icon = CreateIcon(3, 2, bpp);
        ASSERT_TRUE(icon);
        EXPECT_EQ(icon->GetNumColors(), 0);
        EXPECT_TRUE(icon->Palette().empty());
    }
}

TEST(IconFactories, RefusesImpossibleSizesAndDepths) {
    EXPECT_FALSE(CreateIcon(0, 5, 32));
    EXPECT_FALSE(CreateIcon(5, -1, 32));
    EXPECT_FALSE(CreateIcon(CIcon::kMaxSide + 1, 1, 32));
    EXPECT_FALSE(CreateIcon(4, 4, 2));
    EXPECT_FALSE(CreateIcon(4, 4, 0));
    EXPECT_FALSE(CloneIcon(nullptr));
}

TEST(IconFactories, CloneKeepsPixelsButGetsAFreshGreyRamp) {
    auto picture = CreateIcon(3, 2, 8);
    for (std::size_t i = 0; i < 6; ++i) {
        picture->Pixels()[i] = 0xFF000000u | static_cast<Pixel>(i * 0x010203);
    }
    picture->Palette()[0] = RGBQUAD{1, 2, 3, 0};
    picture->Palette()[255] = RGBQUAD{9, 9, 9, 0};

    auto clone = CloneIcon(picture.get());
    ASSERT_TRUE(clone);
    EXPECT_EQ(clone->Width(), 3);
    EXPECT_EQ(clone->Height(), 2);
    EXPECT_EQ(clone->Bpp(), 8);
    EXPECT_TRUE(std::equal(clone->Pixels().begin(), clone->Pixels().end(),
                           picture->Pixels().begin(), picture->Pixels().end()));
    EXPECT_EQ(clone->Palette()[0], (RGBQUAD{0, 0, 0, 0}));
    EXPECT_EQ(clone->Palette()[255], (RGBQUAD{255, 255, 255, 0}));
    // The clone is independent of its source.
    clone->Pixels()[0] = 0;
    EXPECT_EQ(picture->Pixels()[0], 0xFF000000u);
}

TEST(IconPixels, GetPixelOutsideTheImageIsTransparentBlack) {
    auto icon = CreateIcon(4, 3, 32);
    for (Pixel& p : icon->Pixels()) {
        p = 0xFFFFFFFFu;
    }
    icon->Row(2)[3] = 0x12345678u;
    EXPECT_EQ(icon->GetPixel(3, 2), 0x12345678u);
    EXPECT_EQ(icon->GetPixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(icon->GetPixel(-1, 0), 0u);
    EXPECT_EQ(icon->GetPixel(4, 0), 0u);
    EXPECT_EQ(icon->GetPixel(0, -1), 0u);
    EXPECT_EQ(icon->GetPixel(0, 3), 0u);
}

TEST(IconPixels, ChannelLayoutIsBlueLowAlphaHigh) {
    const Pixel p = MakePixel(0x11, 0x22, 0x33, 0x44);
    EXPECT_EQ(p, 0x11223344u);
    EXPECT_EQ(Alpha(p), 0x11);
    EXPECT_EQ(Red(p), 0x22);
    EXPECT_EQ(Green(p), 0x33);
    EXPECT_EQ(Blue(p), 0x44);
    EXPECT_EQ(ClampChannel(-5), 0);
    EXPECT_EQ(ClampChannel(0), 0);
    EXPECT_EQ(ClampChannel(300), 255);
}

TEST(IconPixels, RowStridesArePaddedToFourBytes) {
    EXPECT_EQ(CIcon::ColorStride(3, 4), 4u);
    EXPECT_EQ(CIcon::ColorStride(9, 4), 8u);
    EXPECT_EQ(CIcon::ColorStride(5, 8), 8u);
    EXPECT_EQ(CIcon::ColorStride(3, 24), 12u);
    EXPECT_EQ(CIcon::ColorStride(1, 32), 4u);
    EXPECT_EQ(CIcon::MaskStride(3), 4u);
    EXPECT_EQ(CIcon::MaskStride(33), 8u);
}

}  // namespace
}  // namespace varlen
