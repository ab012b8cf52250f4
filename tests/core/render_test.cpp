// Known-answer tests of placement and resampling, worked out by hand from the formulas:
// nearest-pixel mapping, mirror and rotation, the smoothing box and its alpha weighting,
// the bilinear sampler and the background fill.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <memory>
#include <vector>

#include "core/icon.h"

namespace varlen {
namespace {

constexpr Pixel kSentinel = 0x5A123456u;

std::unique_ptr<CIcon> MakeImage(int width, int height, std::initializer_list<Pixel> pixels) {
    auto icon = CreateIcon(width, height, 32);
    EXPECT_EQ(pixels.size(), static_cast<std::size_t>(width * height));
    std::size_t k = 0;
    for (Pixel p : pixels) {
        icon->Pixels()[k++] = p;
    }
    return icon;
}

std::unique_ptr<CIcon> Filled(int width, int height, Pixel value) {
    auto icon = CreateIcon(width, height, 32);
    for (Pixel& p : icon->Pixels()) {
        p = value;
    }
    return icon;
}

std::vector<Pixel> PixelsOf(const CIcon& icon) {
    return {icon.Pixels().begin(), icon.Pixels().end()};
}

Pixel Grey(int v, int a = 255) {
    return MakePixel(a, v, v, v);
}

// --- Nearest-pixel mode ---

TEST(RenderNearest, EqualSizeCopyGivesTheSourcePixelForPixel) {
    auto src = CreateIcon(7, 5, 32);
    for (std::size_t k = 0; k < src->PixelCount(); ++k) {
        src->Pixels()[k] = static_cast<Pixel>(0x01020304u * (k + 1) + 0x80000000u * (k % 3));
    }
    auto dest = Filled(7, 5, kSentinel);
    dest->Render(*src, nullptr, nullptr, false, 0.0, false);
    EXPECT_EQ(PixelsOf(*dest), PixelsOf(*src));
}

TEST(RenderNearest, ShrinkPicksEverySecondColumnAndEnlargeRepeats) {
    const Pixel a = 0xFF000001u, b = 0x80000002u, c = 0x00000003u, d = 0xFF000004u;
    auto src = MakeImage(4, 1, {a, b, c, d});
    auto half = Filled(2, 1, kSentinel);
    half->Render(*src, nullptr, nullptr, false, 0.0, false);
    EXPECT_EQ(PixelsOf(*half), (std::vector<Pixel>{a, c}));

    auto two = MakeImage(2, 1, {a, b});
    auto wide = Filled(4, 1, kSentinel);
    wide->Render(*two, nullptr, nullptr, false, 0.0, false);
    EXPECT_EQ(PixelsOf(*wide), (std::vector<Pixel>{a, a, b, b}));
}

TEST(RenderNearest, MirrorAtAngleZeroReversesEachRow) {
    auto src = MakeImage(3, 2, {1, 2, 3, 4, 5, 6});
    auto dest = Filled(3, 2, kSentinel);
    dest->Render(*src, nullptr, nullptr, true, 0.0, false);
    EXPECT_EQ(PixelsOf(*dest), (std::vector<Pixel>{3, 2, 1, 6, 5, 4}));
}

TEST(RenderNearest, AngleNinetyPutsTheTopEdgeOnTheRight) {
    // a b c        g d a
    // d e f  --->  h e b
    // g h k        k f c
    auto src = MakeImage(3, 3, {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'k'});
    auto dest = Filled(3, 3, kSentinel);
    dest->Render(*src, nullptr, nullptr, false, 90.0, false);
    EXPECT_EQ(PixelsOf(*dest), (std::vector<Pixel>{'g', 'd', 'a', 'h', 'e', 'b', 'k', 'f', 'c'}));
}

TEST(RenderNearest, AngleOneEightyTurnsThePictureUpsideDown) {
    auto src = MakeImage(3, 2, {1, 2, 3, 4, 5, 6});
    auto dest = Filled(3, 2, kSentinel);
    dest->Render(*src, nullptr, nullptr, false, 180.0, false);
    EXPECT_EQ(PixelsOf(*dest), (std::vector<Pixel>{6, 5, 4, 3, 2, 1}));
}

TEST(RenderNearest, PositionJustLeftOfTheSourceSelectsColumnZero) {
    // Source rect (-1, 0, 2, 1): centre 0, so rx = px = -1, 0, 1 and rx + 0.5 = -0.5, 0.5,
    // 1.5, truncated toward zero: columns 0, 0, 1.
    auto src = MakeImage(2, 1, {7, 8});
    auto dest = Filled(3, 1, kSentinel);
    const Rect sr{-1, 0, 2, 1};
    dest->Render(*src, nullptr, &sr, false, 0.0, false);
    EXPECT_EQ(PixelsOf(*dest), (std::vector<Pixel>{7, 7, 8}));

    // Source rect (-2, 0, 1, 1): px = -2 is outside (rx + 0.5 = -1.5): left unchanged.
    auto dest2 = Filled(3, 1, kSentinel);
    const Rect sr2{-2, 0, 1, 1};
    dest2->Render(*src, nullptr, &sr2, false, 0.0, false);
    EXPECT_EQ(PixelsOf(*dest2), (std::vector<Pixel>{kSentinel, 7, 7}));
}

TEST(RenderNearest, PixelsOutsideTheDestinationRectAreNeverTouched) {
    auto src = MakeImage(2, 2, {1, 2, 3, 4});
    auto dest = Filled(4, 4, kSentinel);
    const Rect dr{1, 1, 3, 3};
    dest->Render(*src, &dr, nullptr, false, 0.0, false);
    const Pixel s = kSentinel;
    EXPECT_EQ(PixelsOf(*dest),
              (std::vector<Pixel>{s, s, s, s, s, 1, 2, s, s, 3, 4, s, s, s, s, s}));
}

TEST(RenderNearest, DestinationPixelsOutsideTheImageAreSkipped) {
    auto src = MakeImage(2, 2, {1, 2, 3, 4});
    auto dest = Filled(4, 4, kSentinel);
    const Rect dr{3, 3, 5, 5};
    dest->Render(*src, &dr, nullptr, false, 0.0, false);
    std::vector<Pixel> expected(16, kSentinel);
    expected[15] = 1;
    EXPECT_EQ(PixelsOf(*dest), expected);

    // Mirrored, the row is written from the right: j = 0 goes to x = right - 1.
    auto src2 = MakeImage(2, 1, {5, 6});
    auto left = Filled(2, 1, kSentinel);
    const Rect edge{-1, 0, 1, 1};
    left->Render(*src2, &edge, nullptr, true, 0.0, false);
    EXPECT_EQ(PixelsOf(*left), (std::vector<Pixel>{5, kSentinel}));
    auto plain = Filled(2, 1, kSentinel);
    plain->Render(*src2, &edge, nullptr, false, 0.0, false);
    EXPECT_EQ(PixelsOf(*plain), (std::vector<Pixel>{6, kSentinel}));
}

TEST(RenderNearest, EmptyRectanglesLeaveTheDestinationAlone) {
    auto src = MakeImage(2, 2, {1, 2, 3, 4});
    auto dest = Filled(2, 2, kSentinel);
    const Rect emptyDst{0, 0, 0, 2};
    dest->Render(*src, &emptyDst, nullptr, false, 0.0, false);
    const Rect emptySrc{1, 0, 1, 2};
    dest->Render(*src, nullptr, &emptySrc, false, 0.0, false);
    const Rect invertedSrc{2, 2, 0, 0};
    dest->Render(*src, nullptr, &invertedSrc, true, 30.0, false);
    EXPECT_EQ(PixelsOf(*dest), std::vector<Pixel>(4, kSentinel));
}

TEST(RenderNearest, RenderingAnImageIntoItselfReadsTheOriginalPixels) {
    // Mirrored in place: without a copy the right half would read the already mirrored
    // left half and the row would come out 1 2 2 1.
    auto icon = MakeImage(4, 1, {1, 2, 3, 4});
    icon->Render(*icon, nullptr, nullptr, true, 0.0, false);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{4, 3, 2, 1}));

    auto picture = MakeImage(
        3, 3, {Grey(1), Grey(2), Grey(3), Grey(4), Grey(5), Grey(6), Grey(7), Grey(8), Grey(9)});
    auto expected = CloneIcon(picture.get());
    expected->Render(*picture, nullptr, nullptr, false, 90.0, true);
    picture->Render(*picture, nullptr, nullptr, false, 90.0, true);
    EXPECT_EQ(PixelsOf(*picture), PixelsOf(*expected));
}

TEST(RenderNearest, NonFiniteAngleFindsNoSourcePixel) {
    // cos and sin of an infinite or NaN angle are NaN, so every rotated position is outside.
    auto src = MakeImage(2, 2, {1, 2, 3, 4});
    for (double angle :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        auto nearest = Filled(2, 2, kSentinel);
        nearest->Render(*src, nullptr, nullptr, false, angle, false);
        EXPECT_EQ(PixelsOf(*nearest), std::vector<Pixel>(4, kSentinel));
        auto smooth = Filled(2, 2, kSentinel);
        smooth->Render(*src, nullptr, nullptr, false, angle, true);
        EXPECT_EQ(PixelsOf(*smooth), std::vector<Pixel>(4, 0u));
    }
}

// --- Smoothing mode ---

TEST(RenderSmooth, PictureWithMarginsHasTransparentBandsAndAnUnchangedMiddle) {
    auto picture = CreateIcon(100, 50, 32);
    for (int y = 0; y < 50; ++y) {
        for (int x = 0; x < 100; ++x) {
            picture->Row(y)[x] = MakePixel(255, x * 2, y * 5, (x + y) % 256);
        }
    }
    auto working = CreateIcon(100, 100, 32);
    const Rect sr{0, -25, 100, 75};
    working->Render(*picture, nullptr, &sr, false, 0.0, true);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x) {
            const Pixel expected = (y < 25 || y >= 75) ? 0u : picture->GetPixel(x, y - 25);
            ASSERT_EQ(working->GetPixel(x, y), expected) << "at " << x << ", " << y;
        }
    }
}

TEST(RenderSmooth, FullyTransparentNeighbourhoodGivesZero) {
    auto src = MakeImage(3, 3,
                         {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0x00FFFFFFu, 0x00123456u,
                          0x00ABCDEFu, 0x00808080u, 0x00010203u, 0x00FEDCBAu});
    for (int size : {1, 2, 3, 5, 8}) {
        auto dest = Filled(size, size, kSentinel);
        dest->Render(*src, nullptr, nullptr, false, 0.0, true);
        EXPECT_EQ(PixelsOf(*dest), std::vector<Pixel>(static_cast<std::size_t>(size * size), 0u))
            << size;
        dest->Render(*src, nullptr, nullptr, true, 37.5, true);
        EXPECT_EQ(PixelsOf(*dest), std::vector<Pixel>(static_cast<std::size_t>(size * size), 0u))
            << size;
    }
}

TEST(RenderSmooth, ShrinkAveragesTheBoxOfTaps) {
    // 4 x 4 to 2 x 2: fx = 3, kx = 1; taps at -1, 0, 1 and 2, 3, 4; -1 and 4 fall outside,
    // so each destination pixel is the mean of one 2 x 2 quadrant.
    auto src = MakeImage(4, 4,
                         {Grey(10), Grey(20), Grey(100), Grey(100),  //
                          Grey(30), Grey(40), Grey(100), Grey(101),  //
                          Grey(0), Grey(0), Grey(255), Grey(255),    //
                          Grey(0), Grey(1), Grey(255), Grey(254)});
    auto dest = Filled(2, 2, kSentinel);
    dest->Render(*src, nullptr, nullptr, false, 0.0, true);
    // Means 25, 100.25, 0.25, 254.75: rounded half away from zero.
    EXPECT_EQ(PixelsOf(*dest), (std::vector<Pixel>{Grey(25), Grey(100), Grey(0), Grey(255)}));
}

TEST(RenderSmooth, ColourIsWeightedByAlphaAndAlphaAveragedOverTaps) {
    // 5 x 1 to 1 x 1: all five pixels are taps (at integer positions, so each is read
    // unchanged). Two are transparent with bright colours that must not count.
    auto src = MakeImage(
        5, 1, {Grey(30), MakePixel(0, 255, 0, 0), Grey(60), MakePixel(0, 0, 255, 255), Grey(90)});
    auto dest = Filled(1, 1, kSentinel);
    dest->Render(*src, nullptr, nullptr, false, 0.0, true);
    // Alpha 3/5 * 255 = 153; colour (30 + 60 + 90) / 3 = 60.
    EXPECT_EQ(dest->GetPixel(0, 0), MakePixel(153, 60, 60, 60));
}

TEST(RenderSmooth, EnlargeInterpolatesBetweenNeighbours) {
    // 2 x 1 to 3 x 1: fx = 0.5, taps at 0, 0.5, 1. The middle one is an even mix,
    // 0.5 * 255 = 127.5 truncated by the sampler to 127.
    auto src = MakeImage(2, 1, {Grey(0), Grey(255)});
    auto dest = Filled(3, 1, kSentinel);
    dest->Render(*src, nullptr, nullptr, false, 0.0, true);
    EXPECT_EQ(PixelsOf(*dest), (std::vector<Pixel>{Grey(0), Grey(127), Grey(255)}));
}

TEST(RenderSmooth, MirrorAtAngleZeroReversesEachRow) {
    auto src = MakeImage(4, 4,
                         {Grey(10), Grey(20), Grey(100), Grey(100),  //
                          Grey(30), Grey(40), Grey(100), Grey(101),  //
                          Grey(0), Grey(0), Grey(255), Grey(255),    //
                          Grey(0), Grey(1), Grey(255), Grey(254)});
    auto plain = Filled(3, 3, kSentinel);
    plain->Render(*src, nullptr, nullptr, false, 0.0, true);
    auto mirrored = Filled(3, 3, kSentinel);
    mirrored->Render(*src, nullptr, nullptr, true, 0.0, true);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(mirrored->GetPixel(2 - x, y), plain->GetPixel(x, y));
        }
    }
}

TEST(RenderSmooth, OnePixelDestinationAveragesTheWholeSource) {
    // 2 x 1 to 1 x 1: one tap at the centre (0.5, 0), an even mix of white and black.
    auto pair = MakeImage(2, 1, {Grey(255), Grey(0)});
    auto dot = Filled(1, 1, kSentinel);
    dot->Render(*pair, nullptr, nullptr, false, 0.0, true);
    EXPECT_EQ(dot->GetPixel(0, 0), Grey(127));

    // 5 x 1 to 1 x 1: half-width 2 around the centre 2 covers all five pixels.
    auto strip = MakeImage(5, 1, {Grey(0), Grey(50), Grey(100), Grey(150), Grey(200)});
    auto one = Filled(1, 1, kSentinel);
    one->Render(*strip, nullptr, nullptr, false, 0.0, true);
    EXPECT_EQ(one->GetPixel(0, 0), Grey(100));

    // A 1-pixel-wide column of a 2-D source: 3 x 2 to 1 x 2 averages each row.
    auto block = MakeImage(3, 2, {Grey(10), Grey(20), Grey(30), Grey(0), Grey(0), Grey(3)});
    auto column = Filled(1, 2, kSentinel);
    column->Render(*block, nullptr, nullptr, false, 0.0, true);
    EXPECT_EQ(PixelsOf(*column), (std::vector<Pixel>{Grey(20), Grey(1)}));

    // And a 1-pixel-high row: 2 x 3 to 2 x 1 averages each column.
    auto tall = MakeImage(2, 3, {Grey(10), Grey(0), Grey(20), Grey(0), Grey(30), Grey(6)});
    auto row = Filled(2, 1, kSentinel);
    row->Render(*tall, nullptr, nullptr, false, 0.0, true);
    EXPECT_EQ(PixelsOf(*row), (std::vector<Pixel>{Grey(20), Grey(2)}));
}

TEST(RenderSmooth, EmptySourceRectWritesZeroInsideTheDestinationRectOnly) {
    auto src = MakeImage(2, 2, {Grey(1), Grey(2), Grey(3), Grey(4)});
    auto dest = Filled(3, 2, kSentinel);
    const Rect dr{1, 0, 3, 1};
    const Rect sr{0, 0, 0, 2};
    dest->Render(*src, &dr, &sr, false, 0.0, true);
    const Pixel s = kSentinel;
    EXPECT_EQ(PixelsOf(*dest), (std::vector<Pixel>{s, 0, 0, s, s, s}));

    const Rect emptyDst{0, 0, 3, 0};
    dest->Render(*src, &emptyDst, nullptr, false, 0.0, true);
    EXPECT_EQ(PixelsOf(*dest), (std::vector<Pixel>{s, 0, 0, s, s, s}));
}

TEST(RenderSmooth, SourceRectEntirelyOutsideTheSourceWritesZero) {
    auto src = MakeImage(2, 2, {Grey(1), Grey(2), Grey(3), Grey(4)});
    auto dest = Filled(2, 2, kSentinel);
    const Rect sr{10, 10, 12, 12};
    dest->Render(*src, nullptr, &sr, false, 0.0, true);
    EXPECT_EQ(PixelsOf(*dest), std::vector<Pixel>(4, 0u));
}

// --- Bilinear sampler ---

TEST(SampleBilinear, IntegerPositionsReturnThePixel) {
    auto src = MakeImage(2, 2, {0xFF102030u, 0xFFFFFFFFu, 0xFF000000u, 0xFF7F8081u});
    EXPECT_EQ(src->SampleBilinear(0, 0), 0xFF102030u);
    EXPECT_EQ(src->SampleBilinear(1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(src->SampleBilinear(0, 1), 0xFF000000u);
    EXPECT_EQ(src->SampleBilinear(1, 1), 0xFF7F8081u);
}

TEST(SampleBilinear, TransparentNeighbourHalvesAlphaButKeepsColour) {
    // Halfway between opaque white and transparent red: alpha 0.5 * 255 = 127.5 -> 127,
    // colour (1 * 1 * 0.5 + 1 * 0 * 0.5) / 0.5 = 1 -> 255 for every channel.
    auto src = MakeImage(2, 1, {0xFFFFFFFFu, 0x00FF0000u});
    EXPECT_EQ(src->SampleBilinear(0.5, 0), MakePixel(127, 255, 255, 255));
    // Beyond the last column the outside counts as transparent black, the same way.
    auto white = MakeImage(1, 1, {0xFFFFFFFFu});
    EXPECT_EQ(white->SampleBilinear(0.5, 0), MakePixel(127, 255, 255, 255));
    EXPECT_EQ(white->SampleBilinear(0, 0.5), MakePixel(127, 255, 255, 255));
    EXPECT_EQ(white->SampleBilinear(0.5, 0.5), MakePixel(63, 255, 255, 255));
}

TEST(SampleBilinear, QuarterWeights) {
    // Opaque 0 and 255 with tx = 0.25: 0.75 * 0 + 0.25 * 1 = 0.25 -> 63.75 -> 63.
    auto src = MakeImage(2, 1, {Grey(0), Grey(255)});
    EXPECT_EQ(src->SampleBilinear(0.25, 0), Grey(63));
    // Vertical: ty = 0.5 between 0 and 200: 100 / 255 * 255 is 100 after truncation.
    auto column = MakeImage(1, 2, {Grey(0), Grey(200)});
    EXPECT_EQ(column->SampleBilinear(0, 0.5), Grey(100));
}

TEST(SampleBilinear, FullyTransparentNeighbourhoodGivesZero) {
    auto src = MakeImage(2, 2, {0x00FFFFFFu, 0x00123456u, 0x00FF00FFu, 0x00ABCDEFu});
    EXPECT_EQ(src->SampleBilinear(0.5, 0.5), 0u);
    EXPECT_EQ(src->SampleBilinear(0.3, 0.9), 0u);
}

TEST(SampleBilinear, OutsideTheImageGivesZero) {
    auto src = MakeImage(2, 2, {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu});
    EXPECT_EQ(src->SampleBilinear(2.0, 0), 0u);
    EXPECT_EQ(src->SampleBilinear(0, 2.5), 0u);
    EXPECT_EQ(src->SampleBilinear(1e300, 0), 0u);
}

// --- Background fill ---

TEST(FillBackground, TransparentPixelBecomesTheBackgroundColour) {
    // COLORREF 0x00332211: red 0x11, green 0x22, blue 0x33.
    auto icon = MakeImage(2, 1, {0x00FFFFFFu, 0x00000000u});
    icon->FillBackground(0x00332211u);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{0xFF112233u, 0xFF112233u}));
}

TEST(FillBackground, HalfTransparentWhiteOverBlack) {
    auto icon = MakeImage(1, 1, {MakePixel(128, 255, 255, 255)});
    icon->FillBackground(0x00000000u);
    EXPECT_EQ(icon->GetPixel(0, 0), MakePixel(255, 128, 128, 128));
}

TEST(FillBackground, OpaquePixelsStayAndChannelsMixSeparately) {
    // Alpha 51 over background red 200, green 100, blue 0 (COLORREF 0x000064C8):
    // red (204 * 200 + 51 * 10) / 255 = 162, green (204 * 100 + 51 * 250) / 255 = 130,
    // blue (204 * 0 + 51 * 255) / 255 = 51.
    auto icon = MakeImage(2, 1, {0xFF010203u, MakePixel(51, 10, 250, 255)});
    icon->FillBackground(0x000064C8u);
    EXPECT_EQ(PixelsOf(*icon), (std::vector<Pixel>{0xFF010203u, MakePixel(255, 162, 130, 51)}));
}

}  // namespace
}  // namespace varlen
