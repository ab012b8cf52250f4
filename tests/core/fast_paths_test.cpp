// The vector and in-place paths against plain transcriptions: the light stage (four pixels
// per vector), the sharpen convolution (32-bit sums over whole runs of columns) and the
// placement of a whole picture in its own pixels must give exactly the plain results, on one
// thread and on several. Widths are odd and cover every remainder of the four-pixel blocks.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "core/icon.h"
#include "core/placement.h"
#include "core/reference/convolve_reference.h"
#include "core/reference/filters_reference.h"
#include "core/workers.h"

namespace varlen {
namespace {

// Photo-like noise over every channel value, with alpha 0, 255 and anything between.
std::unique_ptr<CIcon> Noise(std::mt19937& rng, int width, int height) {
    auto icon = CreateIcon(width, height, 32);
    for (Pixel& p : icon->Pixels()) {
        const int kind = static_cast<int>(rng() % 4);
        const Pixel alpha = kind == 0 ? 0u : kind == 1 ? static_cast<Pixel>(rng() % 256) : 255u;
        p = (rng() & 0x00FFFFFFu) | (alpha << 24);
    }
    return icon;
}

std::vector<Pixel> PixelsOf(const CIcon& icon) {
    return {icon.Pixels().begin(), icon.Pixels().end()};
}

TEST(FastPaths, LightMatchesThePlainFormulaOnEveryLane) {
    Workers workers(3);
    for (std::uint32_t seed = 1; seed <= 200; ++seed) {
        std::mt19937 rng(seed);
        auto pick = [&rng](int lo, int hi) {
            return std::uniform_int_distribution<int>(lo, hi)(rng);
        };
        const int w = pick(1, 45);
        const int h = pick(1, 30);
        auto expected = Noise(rng, w, h);
        auto one = CloneIcon(expected.get());
        auto many = CloneIcon(expected.get());
        const int brightness = pick(0, 1) == 0 ? 0 : pick(-100, 100);
        const int contrast = pick(0, 1) == 0 ? 0 : pick(-100, 100);
        // Beyond the slider's range too, so the change is limited and clamped both ways.
        const int light = pick(0, 4) == 0 ? pick(-400, 400) : pick(-100, 100);
        const Point pos{pick(-64, 320), pick(-64, 320)};
        const int transparent = pick(0, 2) == 0 ? pick(-100, 100) : 0;
        reference::ToneLightTransparency(*expected, brightness, contrast, light, pos, transparent);
        one->ApplyFilters(brightness, contrast, light, pos, transparent, 0, Point{});
        many->ApplyFilters(brightness, contrast, light, pos, transparent, 0, Point{}, &workers);
        ASSERT_EQ(PixelsOf(*one), PixelsOf(*expected))
            << "seed " << seed << ", " << w << " x " << h;
        ASSERT_EQ(PixelsOf(*many), PixelsOf(*expected)) << "seed " << seed;
    }
}

TEST(FastPaths, SharpenMatchesThePlainConvolution) {
    Workers workers(3);
    for (std::uint32_t seed = 1; seed <= 120; ++seed) {
        std::mt19937 rng(seed);
        const int w = std::uniform_int_distribution<int>(1, 75)(rng);
        const int h = std::uniform_int_distribution<int>(1, 60)(rng);
        const int strength = static_cast<int>(seed % 8) + 1;
        auto expected = Noise(rng, w, h);
        auto one = CloneIcon(expected.get());
        auto many = CloneIcon(expected.get());
        const std::array<int, 9> kernel{0, -1, 0, -1, (1 << (8 - strength)) + 4, -1, 0, -1, 0};
        reference::Convolve(*expected, 3, kernel);
        one->Sharpen(strength);
        many->Sharpen(strength, &workers);
        ASSERT_EQ(PixelsOf(*one), PixelsOf(*expected)) << "seed " << seed;
        ASSERT_EQ(PixelsOf(*many), PixelsOf(*expected)) << "seed " << seed;
    }
}

TEST(FastPaths, PlacingAWholePictureInItsOwnPixelsGivesTheRenderedImage) {
    Workers workers(2);
    std::mt19937 rng(7);
    const std::optional<ColorRef> backgrounds[] = {std::nullopt, ColorRef{0x00336699}};
    for (const auto& background : backgrounds) {
        auto picture = Noise(rng, 37, 23);
        const Rect whole{0, 0, 37, 23};
        const auto expected = PlacePicture(*picture, whole, false, 0, background);
        auto taken = CloneIcon(picture.get());
        const CIcon* storage = taken.get();
        const auto placed = PlacePicture(std::move(taken), whole, false, 0, background, workers);
        ASSERT_TRUE(placed);
        EXPECT_EQ(placed.get(), storage);  // no second image
        EXPECT_EQ(PixelsOf(*placed), PixelsOf(*expected));
        // Transparent pixels lose their colour, as in the render.
        for (std::size_t i = 0; i < picture->PixelCount(); ++i) {
            if (Alpha(picture->Pixels()[i]) == 0 && !background) {
                ASSERT_EQ(placed->Pixels()[i], 0u) << i;
            }
        }
    }
    // Anything but the whole picture upright is placed into a new image, as before.
    auto picture = Noise(rng, 37, 23);
    const Rect square = CenteredSquare(37, 23, false);
    for (const auto& [mirror, rotation] : {std::pair{true, 0}, std::pair{false, 90000}}) {
        auto taken = CloneIcon(picture.get());
        const auto placed = PlacePicture(std::move(taken), Rect{0, 0, 37, 23}, mirror, rotation,
                                         std::nullopt, workers);
        EXPECT_EQ(PixelsOf(*placed), PixelsOf(*PlacePicture(*picture, Rect{0, 0, 37, 23}, mirror,
                                                            rotation, std::nullopt)));
    }
    auto taken = CloneIcon(picture.get());
    EXPECT_EQ(PixelsOf(*PlacePicture(std::move(taken), square, false, 0, std::nullopt, workers)),
              PixelsOf(*PlacePicture(*picture, square, false, 0, std::nullopt)));
    // A rectangle that does not fit leaves the picture with the caller.
    auto kept = CloneIcon(picture.get());
    EXPECT_FALSE(PlacePicture(std::move(kept), Rect{0, 0, 0, 23}, false, 0, std::nullopt, workers));
    ASSERT_TRUE(kept);
    EXPECT_EQ(PixelsOf(*kept), PixelsOf(*picture));
}

}  // namespace
}  // namespace varlen
