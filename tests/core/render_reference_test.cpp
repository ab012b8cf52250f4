// The optimised render and sampler against the literal reference versions, on random
// images (few colours, transparent and half-transparent ones among them), random sizes,
// rectangles reaching beyond either image, right and arbitrary angles, mirror and both
// sampling modes. Every case prints its seed so that a failure can be replayed.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "core/icon.h"
#include "core/reference/render_reference.h"

namespace varlen {
namespace {

std::unique_ptr<CIcon> RandomImage(std::mt19937& rng, int width, int height) {
    static constexpr std::array<int, 6> kAlphas = {0, 255, 255, 128, 1, 254};
    std::uniform_int_distribution<int> colourCount(1, 6);
    std::uniform_int_distribution<Pixel> any;
    const int n = colourCount(rng);
    std::vector<Pixel> colours;
    for (int k = 0; k < n; ++k) {
        const int alpha = kAlphas[static_cast<std::size_t>(any(rng) % kAlphas.size())];
        colours.push_back((any(rng) & 0x00FFFFFFu) | (static_cast<Pixel>(alpha) << 24));
    }
    auto icon = CreateIcon(width, height, 32);
    std::uniform_int_distribution<int> pick(0, n - 1);
    for (Pixel& p : icon->Pixels()) {
        p = colours[static_cast<std::size_t>(pick(rng))];
    }
    return icon;
}

Rect RandomRect(std::mt19937& rng, int width, int height) {
    std::uniform_int_distribution<int> startX(-width / 2 - 2, width);
    std::uniform_int_distribution<int> startY(-height / 2 - 2, height);
    std::uniform_int_distribution<int> extent(-1, 45);
    Rect r;
    r.left = startX(rng);
    r.top = startY(rng);
    r.right = r.left + extent(rng);
    r.bottom = r.top + extent(rng);
    return r;
}

double RandomAngle(std::mt19937& rng) {
    static constexpr std::array<double, 9> kFixed = {0.0,   90.0, 180.0, 270.0,  -0.0,
                                                     360.0, 45.0, -90.0, 359.999};
    std::uniform_int_distribution<int> kind(0, 3);
    switch (kind(rng)) {
        case 0:
        case 1:
            return kFixed[static_cast<std::size_t>(rng() % kFixed.size())];
        case 2:
            return std::uniform_int_distribution<int>(0, 359999)(rng) / 1000.0;
        default:
            return std::uniform_real_distribution<double>(-720.0, 720.0)(rng);
    }
}

TEST(RenderReference, RandomRendersMatchTheLiteralVersion) {
    for (std::uint32_t seed = 1; seed <= 12000; ++seed) {
        std::mt19937 rng(seed);
        std::uniform_int_distribution<int> side(1, 40);
        auto src = RandomImage(rng, side(rng), side(rng));
        const int dw = side(rng);
        const int dh = side(rng);
        auto fast = RandomImage(rng, dw, dh);  // random contents show untouched pixels
        auto slow = CreateIcon(dw, dh, 32);
        std::copy(fast->Pixels().begin(), fast->Pixels().end(), slow->Pixels().begin());

        const bool mirror = (rng() & 1u) != 0;
        const bool smoothing = (rng() & 1u) != 0;
        const double angle = RandomAngle(rng);
        Rect dstRect = RandomRect(rng, dw, dh);
        Rect srcRect = RandomRect(rng, src->Width(), src->Height());
        const Rect* dstArg = (rng() % 3 == 0) ? nullptr : &dstRect;
        const Rect* srcArg = (rng() % 3 == 0) ? nullptr : &srcRect;

        fast->Render(*src, dstArg, srcArg, mirror, angle, smoothing);
        reference::Render(*slow, *src, dstArg, srcArg, mirror, angle, smoothing);
        ASSERT_TRUE(
            std::equal(fast->Pixels().begin(), fast->Pixels().end(), slow->Pixels().begin()))
            << "seed " << seed << " mirror " << mirror << " smoothing " << smoothing << " angle "
            << angle;
    }
}

TEST(RenderReference, WholeImageRendersMatchTheLiteralVersion) {
    // The resize and copy shapes of the format pipeline: whole rectangles, angle 0.
    for (std::uint32_t seed = 1; seed <= 2000; ++seed) {
        std::mt19937 rng(seed * 7919u);
        std::uniform_int_distribution<int> side(1, 64);
        auto src = RandomImage(rng, side(rng), side(rng));
        const int dw = (rng() % 4 == 0) ? src->Width() : side(rng);
        const int dh = (rng() % 4 == 0) ? src->Height() : side(rng);
        const bool smoothing = (rng() & 1u) != 0;
        auto fast = CreateIcon(dw, dh, 32);
        auto slow = CreateIcon(dw, dh, 32);
        fast->Render(*src, nullptr, nullptr, false, 0.0, smoothing);
        reference::Render(*slow, *src, nullptr, nullptr, false, 0.0, smoothing);
        ASSERT_TRUE(
            std::equal(fast->Pixels().begin(), fast->Pixels().end(), slow->Pixels().begin()))
            << "seed " << seed << " smoothing " << smoothing;
    }
}

TEST(RenderReference, OneTapBoxAverageGivesBackTheSample) {
    // The single-tap shortcut relies on this: for a box of one sample with alpha a >= 1 and
    // colour c, alpha (a / 255) / 1 * 255 and colour ((c / 255) * (a / 255)) / (a / 255) * 255
    // round back to a and c.
    for (int a = 1; a < 256; ++a) {
        const double alpha = a / 255.0;
        const double sumA = 0.0 + alpha;
        ASSERT_EQ(static_cast<int>(sumA / 1 * 255 + 0.5), a);
        for (int c = 0; c < 256; ++c) {
            const double sumC = 0.0 + c / 255.0 * alpha;
            ASSERT_EQ(static_cast<int>(sumC / sumA * 255 + 0.5), c) << a << " " << c;
        }
    }
}

TEST(RenderReference, RandomSamplesMatchTheLiteralVersion) {
    for (std::uint32_t seed = 1; seed <= 400; ++seed) {
        std::mt19937 rng(seed);
        std::uniform_int_distribution<int> side(1, 12);
        auto src = RandomImage(rng, side(rng), side(rng));
        std::uniform_real_distribution<double> xs(-3.0, src->Width() + 2.0);
        std::uniform_real_distribution<double> ys(-3.0, src->Height() + 2.0);
        for (int k = 0; k < 200; ++k) {
            double x = xs(rng);
            double y = ys(rng);
            if (k % 4 == 1) {
                x = static_cast<int>(x * 2) / 2.0;  // integers and halves
                y = static_cast<int>(y * 4) / 4.0;
            }
            ASSERT_EQ(src->SampleBilinear(x, y), reference::SampleBilinear(*src, x, y))
                << "seed " << seed << " at " << x << ", " << y;
        }
    }
}

}  // namespace
}  // namespace varlen
