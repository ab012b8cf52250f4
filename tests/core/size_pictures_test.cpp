// Pictures of their own for chosen sizes: taken pixel for pixel at their own size, fitted
// into any other, reduced to the format's depth, never touched by the effects, and without
// any influence on the formats of other sizes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/pipeline.h"
#include "core/size_pictures.h"
#include "core/workers.h"

namespace varlen {
namespace {

constexpr Pixel kRed = MakePixel(255, 200, 20, 20);
constexpr Pixel kBlue = MakePixel(255, 20, 40, 210);
constexpr Pixel kGreen = MakePixel(255, 30, 190, 60);

// A hand-drawn 16 x 16: four coloured quadrants (the lower right one black), a
// half-transparent pixel above and one below the threshold.
std::unique_ptr<CIcon> HandDrawn16() {
    auto icon = CreateIcon(16, 16, 32);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            icon->Row(y)[x] = y < 8 ? (x < 8 ? kRed : kBlue) : (x < 8 ? kGreen : 0xFF000000u);
        }
    }
    icon->Row(2)[3] = MakePixel(200, 200, 20, 20);
    icon->Row(12)[12] = MakePixel(100, 20, 40, 210);
    return icon;
}

std::unique_ptr<CIcon> Gradient(int w, int h) {
    auto icon = CreateIcon(w, h, 32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            icon->Row(y)[x] =
                MakePixel(x % 3 == 0 ? 120 : 255, (x * 37) % 256, (y * 53) % 256, (x * y) % 256);
        }
    }
    return icon;
}

EffectSettings StrongEffects() {
    EffectSettings e;
    e.brightness = 40;
    e.contrast = -20;
    e.sharp = 3;
    e.light = 50;
    e.round = 80;
    e.fade = 30;
    e.shadow = 30;
    return e;
}

bool SamePixels(const CIcon& a, const CIcon& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() &&
           std::equal(a.Pixels().begin(), a.Pixels().end(), b.Pixels().begin(), b.Pixels().end());
}

bool SameImage(const CIcon& a, const CIcon& b) {
    const auto pa = a.Palette(), pb = b.Palette();
    return a.Bpp() == b.Bpp() && SamePixels(a, b) &&
           std::equal(pa.begin(), pa.end(), pb.begin(), pb.end(),
                      [](const RGBQUAD& x, const RGBQUAD& y) {
                          return x.rgbRed == y.rgbRed && x.rgbGreen == y.rgbGreen &&
                                 x.rgbBlue == y.rgbBlue;
                      });
}

TEST(SizePictures, AnExactSizeIsTakenAsItIsAndReducedBelow32Bits) {
    const auto drawn = HandDrawn16();
    SizePictures pictures;
    pictures.Set(16, 16, CloneIcon(drawn.get()), "px16.png");
    const auto working = Gradient(64, 64);
    const EffectSettings effects = StrongEffects();

    // 32 bits: the pixels as drawn, half-transparent ones included; no effect reaches them.
    const auto full = BuildFormatIcon(*working, 16, 16, 32, true, effects, &pictures);
    ASSERT_TRUE(full);
    EXPECT_TRUE(SamePixels(*full, *drawn));

    // 8 and 4 bits: the same colours, alpha on or off, and a palette holding every colour.
    for (int bpp : {8, 4}) {
        const auto reduced = BuildFormatIcon(*working, 16, 16, bpp, true, effects, &pictures);
        ASSERT_TRUE(reduced);
        EXPECT_EQ(reduced->Bpp(), bpp);
        EXPECT_EQ(reduced->GetPixel(3, 2), kRed) << bpp;  // alpha 200 became opaque
        EXPECT_EQ(Alpha(reduced->GetPixel(12, 12)), 0) << bpp;
        EXPECT_EQ(reduced->GetPixel(12, 11), 0xFF000000u) << bpp;
        EXPECT_EQ(reduced->GetPixel(0, 15), kGreen) << bpp;
        EXPECT_EQ(reduced->GetPixel(15, 0), kBlue) << bpp;
        for (Pixel colour : {kRed, kBlue, kGreen}) {
            const auto palette = reduced->Palette();
            EXPECT_TRUE(std::any_of(palette.begin(), palette.end(), [&](const RGBQUAD& q) {
                return q.rgbRed == Red(colour) && q.rgbGreen == Green(colour) &&
                       q.rgbBlue == Blue(colour);
            })) << bpp;
        }
    }
}

// "R" red, "B" blue, "." transparent.
std::vector<std::string> Picture(const CIcon& icon) {
    std::vector<std::string> rows;
    for (int y = 0; y < icon.Height(); ++y) {
        std::string row;
        for (int x = 0; x < icon.Width(); ++x) {
            const Pixel p = icon.GetPixel(x, y);
            row += Alpha(p) == 0 ? '.' : p == kRed ? 'R' : p == kBlue ? 'B' : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(SizePictures, AnotherSizeIsFittedCentredWithTransparentMargins) {
    // 64 x 40, red on the left half and blue on the right, given for 32 x 32: the whole
    // picture at half size, 6 transparent rows above and below.
    auto wide = CreateIcon(64, 40, 32);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 64; ++x) {
            wide->Row(y)[x] = x < 32 ? kRed : kBlue;
        }
    }
    SizePictures pictures;
    pictures.Set(32, 32, std::move(wide), "px32.png");
    const auto working = Gradient(48, 48);
    const std::string clear(32, '.');
    const std::string band = std::string(16, 'R') + std::string(16, 'B');
    std::vector<std::string> expected(6, clear);
    expected.insert(expected.end(), 20, band);
    expected.insert(expected.end(), 6, clear);
    const auto nearest = BuildFormatIcon(*working, 32, 32, 32, false, StrongEffects(), &pictures);
    ASSERT_TRUE(nearest);
    EXPECT_EQ(Picture(*nearest), expected);
    // Smoothed, the edges between the colours and at the margins blend; the margins stay
    // clear and the colours stay where they were.
    const auto smooth = BuildFormatIcon(*working, 32, 32, 32, true, StrongEffects(), &pictures);
    ASSERT_TRUE(smooth);
    const auto rows = Picture(*smooth);
    for (int y : {0, 1, 2, 3, 4, 5, 27, 28, 29, 30, 31}) {
        EXPECT_EQ(rows[y], clear) << y;
    }
    for (int y = 7; y < 25; ++y) {
        EXPECT_EQ(rows[y].substr(0, 15), std::string(15, 'R')) << y;
        EXPECT_EQ(rows[y].substr(17), std::string(15, 'B')) << y;
    }
}

TEST(SizePictures, FittedSourceKeepsTheAspectAndCentres) {
    EXPECT_EQ(FittedSource(64, 40, 32, 32), (Rect{0, -12, 64, 52}));
    EXPECT_EQ(FittedSource(20, 40, 16, 16), (Rect{-10, 0, 30, 40}));
    // A tall format: the picture keeps its width, margins above and below.
    EXPECT_EQ(FittedSource(100, 100, 48, 300), (Rect{0, -262, 100, 363}));
    // A wide format from a square picture: margins left and right.
    EXPECT_EQ(FittedSource(30, 30, 60, 20), (Rect{-30, 0, 60, 30}));
    // The exact size: the picture itself.
    EXPECT_EQ(FittedSource(16, 16, 16, 16), (Rect{0, 0, 16, 16}));
    // The largest picture into the largest format does not overflow.
    EXPECT_EQ(FittedSource(16384, 1, 512, 512), (Rect{0, -8191, 16384, 8193}));
}

TEST(SizePictures, OtherSizesAreTheSameAsWithoutPicturesWhateverTheThreads) {
    const auto working = Gradient(80, 80);
    const EffectSettings effects = StrongEffects();
    const std::vector<FormatRequest> formats = {{32, 32, 4},  {16, 16, 4},  {48, 48, 8},
                                                {16, 16, 8},  {16, 16, 24}, {80, 80, 32},
                                                {32, 32, 32}, {16, 16, 32}};
    SizePictures pictures;
    pictures.Set(16, 16, HandDrawn16(), "a");
    Workers one(1), three(3);
    const auto plain = BuildFormatIcons(*working, formats, true, effects, one);
    const auto own = BuildFormatIcons(*working, formats, true, effects, one, nullptr, &pictures);
    const auto ownThreads =
        BuildFormatIcons(*working, formats, true, effects, three, nullptr, &pictures);
    ASSERT_EQ(own.size(), formats.size());
    for (std::size_t i = 0; i < formats.size(); ++i) {
        ASSERT_TRUE(own[i] && ownThreads[i] && plain[i]) << i;
        EXPECT_TRUE(SameImage(*own[i], *ownThreads[i])) << i;
        if (formats[i].width == 16) {
            EXPECT_FALSE(SamePixels(*own[i], *plain[i])) << i;
            EXPECT_TRUE(SameImage(
                *own[i], *BuildSizePictureIcon(*HandDrawn16(), 16, 16, formats[i].bpp, true)))
                << i;
        } else {
            EXPECT_TRUE(SameImage(*own[i], *plain[i])) << i;
        }
    }
}

TEST(SizePictures, SetReplacesRemoveForgetsAndLabelsFollow) {
    SizePictures pictures;
    EXPECT_TRUE(pictures.Empty());
    pictures.Set(16, 16, CreateIcon(3, 3, 32), "first");
    pictures.Set(32, 24, CreateIcon(5, 5, 32), "second");
    pictures.Set(16, 16, CreateIcon(7, 7, 32), "again");
    ASSERT_NE(pictures.Find(16, 16), nullptr);
    EXPECT_EQ(pictures.Find(16, 16)->Width(), 7);
    EXPECT_EQ(pictures.Label(16, 16), "again");
    EXPECT_EQ(pictures.Find(24, 32), nullptr);  // width and height are not interchangeable
    EXPECT_EQ(pictures.Sizes(), (std::vector<std::pair<int, int>>{{16, 16}, {32, 24}}));
    EXPECT_TRUE(pictures.Remove(16, 16));
    EXPECT_FALSE(pictures.Remove(16, 16));
    EXPECT_EQ(pictures.Label(16, 16), "");
    pictures.Set(32, 24, nullptr, "");
    EXPECT_TRUE(pictures.Empty());
}

}  // namespace
}  // namespace varlen
