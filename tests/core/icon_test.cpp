#include "core/icon.h"

#include <gtest/gtest.h>

namespace varlen {
namespace {

TEST(IconFactories, CreateIconFourBitHasZeroPixelsAndGreyRamp) {
    auto icon = CreateIcon(16, 16, 4);
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->GetNumColors(), 16);
    ASSERT_EQ(icon->Pixels().size(), 256u);
    for (Pixel p : icon->Pixels()) {
        EXPECT_EQ(p, 0u);
    }
    ASSERT_EQ(icon->Palette().size(), 16u);
    for (int i = 0; i < 16; ++i) {
        const RGBQUAD q = icon->Palette()[static_cast<std::size_t>(i)];
        EXPECT_EQ(q, (RGBQUAD{static_cast<std::uint8_t>(16 * i), static_cast<std::uint8_t>(16 * i),
                              static_cast<std::uint8_t>(16 * i), 0}));
    }
}

}  // namespace
}  // namespace varlen
