// The placed square's side limit: 4 x the picture's larger side, at least 1024, never above
// 16384, and
// PlacePicture refusing (null) a rectangle beyond it instead of allocating.
#include <gtest/gtest.h>

#include <climits>

#include "core/placement.h"

namespace varlen {
namespace {

TEST(PlacementLimits, FourTimesTheLargerSideBetween1024And16384) {
    EXPECT_EQ(MaxPlacedSide(100, 50), 1024);  // the floor for small pictures
    EXPECT_EQ(MaxPlacedSide(300, 50), 1200);
    EXPECT_EQ(MaxPlacedSide(50, 300), 1200);
    EXPECT_EQ(MaxPlacedSide(1, 1), 1024);
    EXPECT_EQ(MaxPlacedSide(4096, 3), 16384);
    EXPECT_EQ(MaxPlacedSide(4097, 3), 16384);
    EXPECT_EQ(MaxPlacedSide(16384, 16384), 16384);
}

TEST(PlacementLimits, RectangleFitsOnlyWithBothSidesFromOneToTheLimit) {
    EXPECT_TRUE(PlacementFits(300, 50, Rect{-450, -575, 750, 625}));   // 1200 x 1200
    EXPECT_FALSE(PlacementFits(300, 50, Rect{-451, -575, 750, 625}));  // 1201 wide
    EXPECT_FALSE(PlacementFits(300, 50, Rect{0, -576, 1200, 625}));    // 1201 high
    EXPECT_TRUE(PlacementFits(100, 50, Rect{10, 10, 11, 11}));
    EXPECT_FALSE(PlacementFits(100, 50, Rect{10, 10, 10, 11}));  // empty
    EXPECT_FALSE(PlacementFits(100, 50, Rect{10, 10, 9, 11}));   // reversed
    // Sides that overflow int must not wrap into an acceptable value.
    EXPECT_FALSE(PlacementFits(16384, 16384, Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}));
    EXPECT_FALSE(PlacementFits(16384, 16384, Rect{INT_MIN + 1, 0, 100, 100}));
    EXPECT_FALSE(PlacementFits(16384, 16384, Rect{0, 0, 16385, 16384}));
    EXPECT_TRUE(PlacementFits(16384, 16384, Rect{-8192, -8192, 8192, 8192}));
}

TEST(PlacementLimits, PlacePictureRefusesBeyondTheLimit) {
    auto picture = CreateIcon(3, 2, 32);
    for (Pixel& p : picture->Pixels()) {
        p = 0xFF102030u;
    }
    // 1024 x 1024 is the largest square of a 3 x 2 picture.
    const auto placed =
        PlacePicture(*picture, Rect{-510, -511, 514, 513}, false, 0, std::nullopt);
    ASSERT_NE(placed, nullptr);
    EXPECT_EQ(placed->Width(), 1024);
    EXPECT_EQ(placed->Height(), 1024);
    EXPECT_EQ(PlacePicture(*picture, Rect{-510, -511, 515, 513}, false, 0, std::nullopt),
              nullptr);
    EXPECT_EQ(
        PlacePicture(*picture, Rect{-1000000, -1000000, 1000000, 1000000}, true, 45000, 0x00FFFFFF),
        nullptr);
    EXPECT_EQ(
        PlacePicture(*picture, Rect{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, false, 0, std::nullopt),
        nullptr);
}

}  // namespace
}  // namespace varlen
