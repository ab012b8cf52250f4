// Known-answer tests of the filters. Every expected value is worked out by hand from the
// filter formulas; the arithmetic is shown next to it.
#include <climits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/icon.h"
#include "core/reference/convolve_reference.h"

namespace varlen {
namespace {

std::unique_ptr<CIcon> Solid(int w, int h, Pixel p) {
    auto icon = CreateIcon(w, h, 32);
    for (Pixel& q : icon->Pixels()) {
        q = p;
    }
    return icon;
}

Pixel Grey(int a, int v) {
    return MakePixel(a, v, v, v);
}

// Image from a character map; each character's pixel is looked up in legend.
std::unique_ptr<CIcon> FromMap(const std::vector<std::string>& map,
                               const std::vector<std::pair<char, Pixel>>& legend) {
    const int h = static_cast<int>(map.size());
    const int w = static_cast<int>(map[0].size());
    auto icon = CreateIcon(w, h, 32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            for (const auto& [c, p] : legend) {
                if (map[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] == c) {
                    icon->Row(y)[x] = p;
                }
            }
        }
    }
    return icon;
}

std::vector<int> Alphas(const CIcon& icon) {
    std::vector<int> out;
    for (Pixel p : icon.Pixels()) {
        out.push_back(Alpha(p));
    }
    return out;
}

std::vector<int> Reds(const CIcon& icon) {
    std::vector<int> out;
    for (Pixel p : icon.Pixels()) {
        out.push_back(Red(p));
    }
    return out;
}

// Alpha map of a character map: '.' 0, '#' 255, anything else per extra.
std::vector<int> AlphaMap(const std::vector<std::string>& map,
                          const std::vector<std::pair<char, int>>& extra = {}) {
    std::vector<int> out;
    for (const std::string& row : map) {
        for (char c : row) {
            int a = c == '#' ? 255 : 0;
            for (const auto& [k, v] : extra) {
                if (k == c) {
                    a = v;
                }
            }
            out.push_back(a);
        }
    }
    return out;
}

constexpr Point kNoPos{0, 0};

// ----- Contrast -----

TEST(Contrast, HundredStretchesAndClamps) {
    auto icon = CreateIcon(1, 1, 32);
    icon->Row(0)[0] = MakePixel(255, 200, 50, 128);
    icon->ApplyFilters(0, 100, 0, kNoPos, 0, 0, kNoPos);
    // 200 + 72*100/100 = 272 -> 255; 50 - 78 = -28 -> 0; 128 + 0 = 128.
    EXPECT_EQ(icon->GetPixel(0, 0), MakePixel(255, 255, 0, 128));
}

TEST(Contrast, TruncatesTowardZero) {
    auto icon = CreateIcon(2, 1, 32);
    icon->Row(0)[0] = MakePixel(255, 100, 201, 0);
    icon->Row(0)[1] = MakePixel(9, 200, 50, 255);
    icon->ApplyFilters(0, 33, 0, kNoPos, 0, 0, kNoPos);
    // 100: -28*33 = -924, /100 = -9 -> 91; 201: 73*33 = 2409 -> 24 -> 225;
    // 0: -4224/100 = -42 -> -42 -> 0.
    EXPECT_EQ(icon->GetPixel(0, 0), MakePixel(255, 91, 225, 0));
    icon->ApplyFilters(0, -50, 0, kNoPos, 0, 0, kNoPos);
    // Pixel 1 (alpha 9) saw both calls: 200 -> 200+23 = 223 (72*33/100 = 23.76 -> 23),
    // then 223 + 95*-50/100 = 223 - 47 (47.5 -> 47) = 176.
    // 50 -> 50 + (-78*33)/100 = 50 - 25 = 25, then 25 + (-103*-50)/100 = 25 + 51 = 76.
    // 255 -> 255 + 41 -> 255, then 255 + 127*-50/100 = 255 - 63 (63.5 -> 63) = 192.
    EXPECT_EQ(icon->GetPixel(1, 0), MakePixel(9, 176, 76, 192));
}

// ----- Brightness -----

TEST(Brightness, AddsAndClamps) {
    auto icon = CreateIcon(2, 1, 32);
    icon->Row(0)[0] = MakePixel(255, 250, 10, 31);
    icon->Row(0)[1] = MakePixel(128, 20, 31, 200);
    icon->ApplyFilters(20, 0, 0, kNoPos, 0, 0, kNoPos);
    EXPECT_EQ(icon->GetPixel(0, 0), MakePixel(255, 255, 30, 51));  // 270 -> 255
    icon->ApplyFilters(-30, 0, 0, kNoPos, 0, 0, kNoPos);
    // 255-30, 30-30 = 0, 51-30; second pixel (after +20): 40-30, 51-30, 220-30.
    EXPECT_EQ(icon->GetPixel(0, 0), MakePixel(255, 225, 0, 21));
    EXPECT_EQ(icon->GetPixel(1, 0), MakePixel(128, 10, 21, 190));
}

TEST(Brightness, SkipsTransparentPixelsColourIncluded) {
    auto icon = CreateIcon(2, 1, 32);
    icon->Row(0)[0] = MakePixel(0, 200, 150, 100);
    icon->Row(0)[1] = MakePixel(1, 200, 150, 100);
    icon->ApplyFilters(-100, 0, 0, kNoPos, 0, 0, kNoPos);
    EXPECT_EQ(icon->GetPixel(0, 0), MakePixel(0, 200, 150, 100));
    EXPECT_EQ(icon->GetPixel(1, 0), MakePixel(1, 100, 50, 0));
}

TEST(Brightness, RunsAfterContrast) {
    auto icon = Solid(1, 1, Grey(255, 100));
    icon->ApplyFilters(50, 100, 0, kNoPos, 0, 0, kNoPos);
    // Contrast first: 100 - 28 = 72, then + 50 = 122 (the other order would give 172).
    EXPECT_EQ(icon->GetPixel(0, 0), Grey(255, 122));
}

// ----- Light -----

// 3 x 4 image: D = sqrt(9 + 16) = 5, D * 0.5 = 2.5. Grey 100, k = 10, light at (0, 0).
// Towards white (d < 2.5): 100 + trunc(155 * (5 - 2d) / 5 * 10 / 50).
// Towards black: 100 + trunc(100 * (d - 2.5) * 2 / 5 * 10 / -50).
TEST(Light, WholeSmallImage) {
    auto icon = Solid(3, 4, Grey(255, 100));
    icon->ApplyFilters(0, 0, 10, Point{0, 0}, 0, 0, kNoPos);
    const std::vector<int> expected = {
        // d=0: 155*5/5*10/50 = 31; d=1: 155*3/5 = 93, *10/50 = 18.6; d=2: 31*10/50 = 6.2
        131, 118, 106,
        // d=1; d=sqrt2: 155*2.17157/5*10/50 = 13.46; d=sqrt5: 155*0.52786/5/5 = 3.27
        118, 113, 103,
        // d=2; d=sqrt5; d=sqrt8=2.828: 100*0.328*2/5*10/-50 = -2.63 -> -2 (not -3)
        106, 103, 98,
        // d=3: 100*0.5*2/5/-5 = -4; d=sqrt10: -5.30 -> -5; d=sqrt13=3.606: -8.84 -> -8
        96, 95, 92};
    EXPECT_EQ(Reds(*icon), expected);
    EXPECT_EQ(icon->GetPixel(2, 2), Grey(255, 98));
}

TEST(Light, PositionIsTruncatedFraction) {
    // lx = trunc(3 * 128 / 256) = 1, ly = trunc(4 * 255 / 256) = 3.
    auto icon = Solid(3, 4, Grey(255, 100));
    icon->ApplyFilters(0, 0, 10, Point{128, 255}, 0, 0, kNoPos);
    EXPECT_EQ(icon->GetPixel(1, 3), Grey(255, 131));  // d = 0
    EXPECT_EQ(icon->GetPixel(0, 0), Grey(255, 95));   // d = sqrt(1 + 9)
}

TEST(Light, FullStrengthWhitensLightPointAndBlackensFarCorner) {
    auto icon = Solid(32, 32, Grey(255, 200));
    icon->Row(16)[16] = Grey(255, 100);
    // Light at (16, 16): 100 + trunc(155 * D / D * 100 / 50) = 100 + 310 -> 255.
    icon->ApplyFilters(0, 0, 100, Point{128, 128}, 0, 0, kNoPos);
    EXPECT_EQ(icon->GetPixel(16, 16), Grey(255, 255));
    auto corner = Solid(32, 32, Grey(255, 200));
    // Light at (0, 0); D = sqrt(2048) = 45.25; pixel (31, 31): d = 43.84,
    // 200 * (43.84 - 22.63) * 2 / 45.25 * 100 / -50 = -375 -> 200 - 375 -> 0.
    corner->ApplyFilters(0, 0, 100, Point{0, 0}, 0, 0, kNoPos);
    EXPECT_EQ(corner->GetPixel(31, 31), Grey(255, 0));
}

TEST(Light, RunsAfterBrightnessAndSkipsTransparent) {
    auto icon = Solid(3, 4, Grey(255, 100));
    icon->Row(0)[1] = Grey(0, 100);
    icon->ApplyFilters(50, 0, 10, Point{0, 0}, 0, 0, kNoPos);
    // (0, 0): 150 + trunc(105 * 5 / 5 * 10 / 50) = 150 + 21 = 171 (light first: 181).
    EXPECT_EQ(icon->GetPixel(0, 0), Grey(255, 171));
    EXPECT_EQ(icon->GetPixel(1, 0), Grey(0, 100));
}

// ----- Transparency -----

TEST(Transparency, AddsPercentOfFullAlpha) {
    auto icon = CreateIcon(4, 1, 32);
    icon->Row(0)[0] = Grey(255, 7);
    icon->Row(0)[1] = Grey(0, 7);
    icon->Row(0)[2] = Grey(200, 7);
    icon->Row(0)[3] = Grey(100, 7);
    icon->ApplyFilters(0, 0, 0, kNoPos, -51, 0, kNoPos);
    // -51 * 255 / 100 = -130 (-130.05): 255 -> 125, 200 -> 70, 100 -> -30 -> 0.
    EXPECT_EQ(Alphas(*icon), (std::vector<int>{125, 0, 70, 0}));
    EXPECT_EQ(icon->GetPixel(0, 0), Grey(125, 7));
    icon->Row(0)[0] = Grey(255, 7);
    icon->Row(0)[2] = Grey(100, 7);
    icon->ApplyFilters(0, 0, 0, kNoPos, -50, 0, kNoPos);
    // -12750 / 100 = -127 (-127.5): 255 -> 128, 100 -> 0 - pixel 3 stays 0 (skipped).
    EXPECT_EQ(Alphas(*icon), (std::vector<int>{128, 0, 0, 0}));
    icon->Row(0)[0] = Grey(200, 7);
    icon->Row(0)[2] = Grey(100, 7);
    icon->ApplyFilters(0, 0, 0, kNoPos, 30, 0, kNoPos);
    // 30 * 255 / 100 = 76 (76.5): 200 -> 276 -> 255, 100 -> 176, transparent stay 0.
    EXPECT_EQ(Alphas(*icon), (std::vector<int>{255, 0, 176, 0}));
}

// ----- Shadow -----

TEST(Shadow, ThirtyTwoSquareOffsetOneOne) {
    // ShadowPos (127, 127): sx = sy = trunc(127 * 32 / 2560) = trunc(1.59) = 1.
    auto icon = Solid(32, 32, MakePixel(0, 255, 255, 255));
    icon->Row(10)[10] = MakePixel(255, 10, 20, 30);
    icon->Row(11)[12] = MakePixel(255, 10, 20, 30);
    icon->ApplyFilters(0, 0, 0, kNoPos, 0, 50, Point{127, 127});
    EXPECT_EQ(icon->GetPixel(11, 11), MakePixel(127, 0, 0, 0));  // 255 * 50 / 100 = 127
    EXPECT_EQ(icon->GetPixel(13, 12), MakePixel(127, 0, 0, 0));
    EXPECT_EQ(icon->GetPixel(10, 10), MakePixel(255, 10, 20, 30));
    EXPECT_EQ(icon->GetPixel(9, 9), MakePixel(0, 255, 255, 255));
    int shadowed = 0;
    for (Pixel p : icon->Pixels()) {
        shadowed += p == MakePixel(127, 0, 0, 0) ? 1 : 0;
    }
    EXPECT_EQ(shadowed, 2);
}

// 20 x 20 picture: '#' opaque, 'a' alpha 200, '.' transparent white.
const std::vector<std::string> kShadowPicture = {
    "#...................", "....................", "....................", "............a.......",
    "....................", ".....###............", ".....###............", ".....###............",
    "....................", "....................", "...................#", "....................",
    "....................", "....................", "..............#.....", "...............#....",
    "....................", "....................", "....................", "...#................"};

std::unique_ptr<CIcon> ShadowPicture() {
    return FromMap(kShadowPicture, {{'.', MakePixel(0, 255, 255, 255)},
                                    {'#', MakePixel(255, 200, 100, 50)},
                                    {'a', MakePixel(200, 200, 100, 50)}});
}

TEST(Shadow, WholeMapRightAndUp) {
    // sx = trunc(128 * 20 / 2560) = 1, sy = trunc(-128 * 20 / 2560) = -1: the silhouette
    // moves one right and one up, only into transparent pixels: 's' = 255 * 50 / 100 = 127,
    // 't' = 200 * 50 / 100 = 100. Shadows do not cast shadows themselves, and the shadow of
    // (0, 0) and (19, 10) falls outside the image.
    auto icon = ShadowPicture();
    icon->ApplyFilters(0, 0, 0, kNoPos, 0, 50, Point{128, -128});
    const std::vector<std::string> expected = {
        "#...................", "....................", ".............t......",
        "............a.......", "......sss...........", ".....###s...........",
        ".....###s...........", ".....###............", "....................",
        "....................", "...................#", "....................",
        "....................", "...............s....", "..............#.s...",
        "...............#....", "....................", "....................",
        "....s...............", "...#................"};
    EXPECT_EQ(Alphas(*icon), AlphaMap(expected, {{'a', 200}, {'s', 127}, {'t', 100}}));
    EXPECT_EQ(icon->GetPixel(13, 2), MakePixel(100, 0, 0, 0));
    EXPECT_EQ(icon->GetPixel(8, 5), MakePixel(127, 0, 0, 0));
    EXPECT_EQ(icon->GetPixel(9, 5), MakePixel(0, 255, 255, 255));
    EXPECT_EQ(icon->GetPixel(6, 5), MakePixel(255, 200, 100, 50));
}

TEST(Shadow, WholeMapNegativeOffset) {
    // sx = trunc(-128 * 20 / 2560) = -1, sy = trunc(127 * 20 / 2560) = trunc(0.99) = 0.
    auto icon = ShadowPicture();
    icon->ApplyFilters(0, 0, 0, kNoPos, 0, 50, Point{-128, 127});
    const std::vector<std::string> expected = {
        "#...................", "....................", "....................",
        "...........ta.......", "....................", "....s###............",
        "....s###............", "....s###............", "....................",
        "....................", "..................s#", "....................",
        "....................", "....................", ".............s#.....",
        "..............s#....", "....................", "....................",
        "....................", "..s#................"};
    EXPECT_EQ(Alphas(*icon), AlphaMap(expected, {{'a', 200}, {'s', 127}, {'t', 100}}));
}

TEST(Shadow, LargerOffsetsAndBlackEvenAtAlphaZero) {
    // 40 x 20: sx = trunc(-128 * 40 / 2560) = -2, sy = trunc(128 * 20 / 2560) = 1.
    auto icon = Solid(40, 20, MakePixel(0, 255, 255, 255));
    icon->Row(5)[10] = Grey(255, 9);
    icon->Row(9)[30] = Grey(1, 9);  // 1 * 50 / 100 = 0: black with alpha 0
    icon->ApplyFilters(0, 0, 0, kNoPos, 0, 50, Point{-128, 128});
    EXPECT_EQ(icon->GetPixel(8, 6), MakePixel(127, 0, 0, 0));
    EXPECT_EQ(icon->GetPixel(28, 10), MakePixel(0, 0, 0, 0));
    EXPECT_EQ(icon->GetPixel(9, 6), MakePixel(0, 255, 255, 255));
    EXPECT_EQ(icon->GetPixel(10, 6), MakePixel(0, 255, 255, 255));
}

TEST(Shadow, CastsAfterTransparencyAndZeroOffsetCastsNothing) {
    auto icon = Solid(32, 32, MakePixel(0, 255, 255, 255));
    icon->Row(10)[10] = Grey(255, 9);
    // Alpha 255 - 127 = 128 first, so the shadow is 128 * 50 / 100 = 64.
    icon->ApplyFilters(0, 0, 0, kNoPos, -50, 50, Point{127, 127});
    EXPECT_EQ(icon->GetPixel(11, 11), MakePixel(64, 0, 0, 0));
    // Offsets trunc(79 * 32 / 2560) = 0 on both axes: nothing.
    auto none = Solid(32, 32, MakePixel(0, 255, 255, 255));
    none->Row(10)[10] = Grey(255, 9);
    none->ApplyFilters(0, 0, 0, kNoPos, 0, 100, Point{79, -79});
    std::vector<int> expected(32 * 32, 0);
    expected[10 * 32 + 10] = 255;
    EXPECT_EQ(Alphas(*none), expected);
    EXPECT_EQ(none->GetPixel(11, 11), MakePixel(0, 255, 255, 255));
}

// ----- RoundCorners -----

TEST(RoundCorners, CircleTwoHundredKeepsOnlyDistanceZero) {
    // R = (0 * 6 / 100) / 2 = 0, so the fade width is 0 too: hard edge at distance 0.
    // Even size 6: gx = 2 - x for x < 3, x - 3 from 3 on: 0 at x = 2 and 3.
    auto icon = Solid(6, 6, Grey(200, 9));
    icon->RoundCorners(200, 50);
    EXPECT_EQ(Alphas(*icon),
              AlphaMap({"......", "......", "..##..", "..##..", "......", "......"}, {{'#', 200}}));
    // Odd size 5: gx = 1 - x for x < 2 and x - 3 from 2 on, i.e. 1, 0, -1, 0, 1: the
    // distance-0 pixels are columns and rows 1 and 3, not the middle one.
    auto odd = Solid(5, 5, Grey(200, 9));
    odd->RoundCorners(200, 0);
    EXPECT_EQ(Alphas(*odd), AlphaMap({".....", ".#.#.", ".....", ".#.#.", "....."}, {{'#', 200}}));
}

TEST(RoundCorners, CircleHardEdgeKeepsDistanceUpToRadius) {
    // 10 x 10, round 140: R = (60 * 10 / 100) / 2 = 3; gx per column 4 3 2 1 0 0 1 2 3 4.
    // Kept where gx^2 + gy^2 <= 9 (gx = 3, gy = 0 lies exactly on the radius).
    auto icon = Solid(10, 10, Grey(255, 9));
    icon->RoundCorners(140, 0);
    EXPECT_EQ(Alphas(*icon),
              AlphaMap({"..........", "....##....", "..######..", "..######..", ".########.",
                        ".########.", "..######..", "..######..", "....##....", ".........."}));
    EXPECT_EQ(icon->GetPixel(4, 1), Grey(255, 9));
    EXPECT_EQ(icon->GetPixel(4, 0), Grey(0, 9));  // colour kept, alpha cleared
}

TEST(RoundCorners, CircleWithFade) {
    // 10 x 10, round 100, fade 40: R = (100 * 10 / 100) / 2 = 5, F = 40 * 5 / 100 = 2.
    // alpha 200 * min(1, max(0, (5 - sqrt(gx^2 + gy^2)) / 2)) + 0.5, by (gx, gy):
    // (0,4): 0.5 -> 100.5 -> 100; (1,4): (5 - 4.123) / 2 = 0.438 -> 88;
    // (2,4): (5 - 4.472) / 2 = 0.264 -> 53; (3,3): (5 - 4.243) / 2 = 0.379 -> 76;
    // (2,3): (5 - 3.606) / 2 = 0.697 -> 139; (1,3): (5 - 3.162) / 2 = 0.919 -> 184;
    // (3,4): 5 - 5 = 0; (4,4): negative -> 0; (2,2): 1.086 -> 1 -> 200.
    auto icon = Solid(10, 10, Grey(200, 9));
    icon->RoundCorners(100, 40);
    const std::vector<int> expected = {0,   0,   53,  88,  100, 100, 88,  53,  0,   0,    //
                                       0,   76,  139, 184, 200, 200, 184, 139, 76,  0,    //
                                       53,  139, 200, 200, 200, 200, 200, 200, 139, 53,   //
                                       88,  184, 200, 200, 200, 200, 200, 200, 184, 88,   //
                                       100, 200, 200, 200, 200, 200, 200, 200, 200, 100,  //
                                       100, 200, 200, 200, 200, 200, 200, 200, 200, 100,  //
                                       88,  184, 200, 200, 200, 200, 200, 200, 184, 88,   //
                                       53,  139, 200, 200, 200, 200, 200, 200, 139, 53,   //
                                       0,   76,  139, 184, 200, 200, 184, 139, 76,  0,    //
                                       0,   0,   53,  88,  100, 100, 88,  53,  0,   0};
    EXPECT_EQ(Alphas(*icon), expected);
}

TEST(RoundCorners, RectangleHardEdge) {
    // 32 x 32, round 50: L = (32 * 50 / 100) / 2 = 8.
    auto icon = Solid(32, 32, Grey(255, 9));
    icon->RoundCorners(50, 0);
    EXPECT_EQ(icon->GetPixel(0, 0), Grey(0, 9));     // sqrt(7^2 + 7^2) = 9.9 > 8
    EXPECT_EQ(icon->GetPixel(7, 7), Grey(255, 9));   // distance 0
    EXPECT_EQ(icon->GetPixel(0, 3), Grey(0, 9));     // sqrt(4^2 + 7^2) = 8.06
    EXPECT_EQ(icon->GetPixel(0, 4), Grey(255, 9));   // sqrt(3^2 + 7^2) = 7.6
    EXPECT_EQ(icon->GetPixel(31, 31), Grey(0, 9));   // (31 + 8 - 32)^2 * 2 = 98
    EXPECT_EQ(icon->GetPixel(28, 0), Grey(0, 9));    // top-right: (28 + 8 - 32)^2 + 7^2 = 65
    EXPECT_EQ(icon->GetPixel(27, 0), Grey(255, 9));  // 3^2 + 7^2 = 58 <= 64
    EXPECT_EQ(icon->GetPixel(0, 16), Grey(255, 9));  // band: factor 1
    // 20 x 20, round 90: L = (20 * 90 / 100) / 2 = 9; top-left centre (8, 8), kept where
    // (8 - x)^2 + (8 - y)^2 <= 81: row 0 needs (8 - x)^2 <= 17 -> x >= 4, row 1 <= 32 ->
    // x >= 3, row 2 <= 45 -> x >= 2, row 3 <= 56 -> x >= 1; mirrored in the other corners.
    auto big = Solid(20, 20, Grey(255, 9));
    big->RoundCorners(90, 0);
    std::vector<std::string> map(20, "####################");
    map[0] = map[19] = "....############....";
    map[1] = map[18] = "...##############...";
    map[2] = map[17] = "..################..";
    map[3] = map[16] = ".##################.";
    EXPECT_EQ(Alphas(*big), AlphaMap(map));
}

TEST(RoundCorners, RectangleWithFadeByZone) {
    // 20 x 20, round 50, fade 100, alpha 200: L = 5, FW = FH = 10 * 100 / 100 = 10,
    // RC = 100 * 5 / 100 * 100 / 50 = 10. New alpha = trunc(200 * factor + 0.5).
    auto icon = Solid(20, 20, Grey(200, 9));
    icon->RoundCorners(50, 100);
    auto a = [&](int x, int y) { return Alpha(icon->GetPixel(x, y)); };
    // Corners: (5 - dist) / 10.
    EXPECT_EQ(a(0, 0), 0);     // dist sqrt(16 + 16) > 5
    EXPECT_EQ(a(4, 4), 100);   // dist 0: 0.5 -> 100.5 -> 100
    EXPECT_EQ(a(2, 3), 55);    // dist sqrt(1 + 4): 0.2764 -> 55.78
    EXPECT_EQ(a(1, 3), 37);    // dist sqrt(1 + 9): 0.1838 -> 37.25
    EXPECT_EQ(a(3, 0), 18);    // dist sqrt(16 + 1): 0.0877 -> 18.04
    EXPECT_EQ(a(15, 0), 20);   // top-right: (15 + 5 - 20)^2 + 4^2 -> dist 4 -> 0.1
    EXPECT_EQ(a(18, 3), 37);   // top-right: 3^2 + 1^2
    EXPECT_EQ(a(1, 16), 37);   // bottom-left: (5 - 1 - 1)^2 + (16 + 5 - 20)^2
    EXPECT_EQ(a(17, 18), 28);  // bottom-right: 2^2 + 3^2 -> (5 - 3.606) / 10 -> 28.4
    EXPECT_EQ(a(19, 19), 0);
    // Bands: (y + 1) / FH, (H - y) / FH, (x + 1) / FW, (W - x) / FW.
    EXPECT_EQ(a(10, 0), 20);
    EXPECT_EQ(a(7, 3), 80);
    EXPECT_EQ(a(9, 19), 20);
    EXPECT_EQ(a(9, 16), 80);
    EXPECT_EQ(a(0, 9), 20);
    EXPECT_EQ(a(4, 7), 100);
    EXPECT_EQ(a(19, 9), 20);
    EXPECT_EQ(a(16, 9), 80);
    // Interior: min(1, x / FW or (W - x - 1) / FW, y / FH or (H - y - 1) / FH).
    EXPECT_EQ(a(5, 7), 100);    // min(0.5, 0.7)
    EXPECT_EQ(a(6, 13), 120);   // min(0.6, (20 - 13 - 1) / 10)
    EXPECT_EQ(a(9, 9), 180);    // 0.9
    EXPECT_EQ(a(10, 10), 180);  // (20 - 10 - 1) / 10
    EXPECT_EQ(a(12, 12), 140);  // 0.7
    EXPECT_EQ(icon->GetPixel(12, 12), Grey(140, 9));
}

TEST(RoundCorners, ZeroRoundWithFadeAndNothingAtZeroZero) {
    // 4 x 4, round 0, fade 100: L = 0, everything interior; FW = FH = 2 * 100 / 100 = 2:
    // x = 0 -> 0 / 2, x = 1 -> 1 / 2, x = 2 -> (4 - 2 - 1) / 2, x = 3 -> 0.
    auto icon = Solid(4, 4, Grey(200, 9));
    icon->RoundCorners(0, 100);
    EXPECT_EQ(Alphas(*icon),
              (std::vector<int>{0, 0, 0, 0, 0, 100, 100, 0, 0, 100, 100, 0, 0, 0, 0, 0}));
    auto same = Solid(4, 4, Grey(200, 9));
    same->RoundCorners(0, 0);
    EXPECT_EQ(Alphas(*same), std::vector<int>(16, 200));
}

TEST(RoundCorners, TinyAndExtremeValuesDoNotCrash) {
    // 1 x 1, round 50: L = 0 and FW = FH = (1 / 2) * 50 / 100 = 0: hard, unchanged.
    auto one = Solid(1, 1, Grey(200, 9));
    one->RoundCorners(50, 50);
    EXPECT_EQ(one->GetPixel(0, 0), Grey(200, 9));
    // Circle: R = 0, gx = gy = 0 - (1 - 0) = -1, distance sqrt 2 > 0: cleared.
    one->RoundCorners(150, 50);
    EXPECT_EQ(one->GetPixel(0, 0), Grey(0, 9));
    const int values[] = {INT_MIN, -1000, -1, 1, 99, 100, 201, 1000, INT_MAX};
    for (int w : {1, 2, 3}) {
        for (int r : values) {
            for (int f : values) {
                auto icon = Solid(w, 3, Grey(200, 9));
                icon->RoundCorners(r, f);
                for (Pixel p : icon->Pixels()) {
                    EXPECT_EQ(p & 0xFFFFFFu, Grey(0, 9));
                    EXPECT_LE(Alpha(p), 200);
                }
            }
        }
    }
}

// ----- Convolve -----

// Red channel 10 20 30 / 40 51 60 / 70 80 90, alpha 255.
std::unique_ptr<CIcon> Grid() {
    auto icon = CreateIcon(3, 3, 32);
    const int reds[] = {10, 20, 30, 40, 51, 60, 70, 80, 90};
    for (int i = 0; i < 9; ++i) {
        icon->Pixels()[static_cast<std::size_t>(i)] = MakePixel(255, reds[i], 7, 0);
    }
    return icon;
}

TEST(Convolve, BoxBlurNormalisesByInsideTaps) {
    auto icon = Grid();
    const int box[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    icon->Convolve(3, box);
    // Corner (0, 0): (10 + 20 + 40 + 51) / 4 = 30; top (1, 0): 211 / 6 = 35;
    // (2, 0): 161 / 4 = 40; (0, 1): 271 / 6 = 45; centre 451 / 9 = 50; (2, 1): 331 / 6 = 55;
    // (0, 2): 241 / 4 = 60; (1, 2): 391 / 6 = 65; (2, 2): 281 / 4 = 70.
    EXPECT_EQ(Reds(*icon), (std::vector<int>{30, 35, 40, 45, 50, 55, 60, 65, 70}));
    EXPECT_EQ(icon->GetPixel(0, 0), MakePixel(255, 30, 7, 0));
}

TEST(Convolve, ZeroWeightSumSkipsDivisionAndAlphaTakesPart) {
    auto icon = Grid();
    const int laplace[9] = {0, 1, 0, 1, -4, 1, 0, 1, 0};
    icon->Convolve(3, laplace);
    // Corner (0, 0): weights -4 + 1 + 1 = -2: (-40 + 20 + 40) / -2 = -10 -> 0;
    // (2, 2): (-360 + 80 + 60) / -2 = 110; edge (0, 1): weight -1: (-160 + 10 + 70 + 51) /
    // -1 = 29; (1, 2): (-320 + 70 + 90 + 51) / -1 = 109; centre weight 0: -204 + 200 = -4,
    // not divided -> 0, and its alpha 4 * 255 - 4 * 255 = 0 too.
    EXPECT_EQ(Red(icon->GetPixel(0, 0)), 0);
    EXPECT_EQ(Red(icon->GetPixel(2, 2)), 110);
    EXPECT_EQ(Red(icon->GetPixel(0, 1)), 29);
    EXPECT_EQ(Red(icon->GetPixel(1, 2)), 109);
    EXPECT_EQ(icon->GetPixel(1, 1), 0u);
    EXPECT_EQ(Alpha(icon->GetPixel(0, 0)), 255);  // (-1020 + 510) / -2
}

TEST(Convolve, EvenSizeReadsUpAndLeftAndReadsOriginal) {
    auto icon = Grid();
    const int two[4] = {1, 1, 1, 1};  // taps (x - 1 .. x, y - 1 .. y)
    icon->Convolve(2, two);
    // (0, 0): only itself; (1, 0): (10 + 20) / 2 = 15; (2, 0): 25; (0, 1): 25;
    // (1, 1): 121 / 4 = 30; (2, 1): 161 / 4 = 40; (0, 2): 55; (1, 2): 241 / 4 = 60;
    // (2, 2): 281 / 4 = 70.
    EXPECT_EQ(Reds(*icon), (std::vector<int>{10, 15, 25, 25, 30, 40, 55, 60, 70}));
    // Shift right by one: in place it would smear the first pixel along the row.
    auto row = CreateIcon(3, 1, 32);
    row->Row(0)[0] = Grey(255, 1);
    row->Row(0)[1] = Grey(255, 2);
    row->Row(0)[2] = Grey(255, 3);
    const int left[9] = {0, 0, 0, 1, 0, 0, 0, 0, 0};
    row->Convolve(3, left);
    // (0, 0) has no tap inside: sums and weight 0, so 0.
    EXPECT_EQ(row->GetPixel(0, 0), 0u);
    EXPECT_EQ(row->GetPixel(1, 0), Grey(255, 1));
    EXPECT_EQ(row->GetPixel(2, 0), Grey(255, 2));
}

TEST(Convolve, InvalidArgumentsChangeNothing) {
    auto icon = Grid();
    const int k[4] = {1, 2, 3, 4};
    icon->Convolve(0, k);
    icon->Convolve(-3, k);
    icon->Convolve(3, k);  // fewer than 9 values
    EXPECT_EQ(Reds(*icon), Reds(*Grid()));
}

TEST(Convolve, HugeWeightsUseWideSums) {
    // A single centre tap of any positive weight is the identity: v * k / k.
    auto icon = Grid();
    const int centre[9] = {0, 0, 0, 0, INT_MAX, 0, 0, 0, 0};
    icon->Convolve(3, centre);
    EXPECT_EQ(Reds(*icon), Reds(*Grid()));
    EXPECT_EQ(icon->GetPixel(1, 1), MakePixel(255, 51, 7, 0));
    // Centre INT_MIN, right INT_MAX: at (2, 1) only the centre is inside -> identity;
    // at (0, 0) weight -1: (-2^31 * 10 + (2^31 - 1) * 20) / -1 < 0 -> 0.
    const int mixed[9] = {0, 0, 0, 0, INT_MIN, INT_MAX, 0, 0, 0};
    icon->Convolve(3, mixed);
    EXPECT_EQ(Red(icon->GetPixel(2, 1)), 60);
    EXPECT_EQ(Red(icon->GetPixel(0, 0)), 0);
}

TEST(Convolve, MatchesPlainTranscriptionOnRandomInputs) {
    // Images of 1 to 6 colours (many ties), sizes 1 to 40, kernels 1 x 1 to 5 x 5 with small
    // weights (32-bit sums) or the same weights times 2^22 (64-bit sums), zero sums included.
    for (std::uint32_t seed = 1; seed <= 400; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        std::mt19937 rng(seed);
        auto pick = [&rng](int lo, int hi) {
            return std::uniform_int_distribution<int>(lo, hi)(rng);
        };
        const int w = pick(1, 40);
        const int h = pick(1, 40);
        std::vector<Pixel> colours(static_cast<std::size_t>(pick(1, 6)));
        for (Pixel& c : colours) {
            c = MakePixel(pick(0, 1) * 255, pick(0, 255), pick(0, 255), pick(0, 255));
            if (pick(0, 2) == 0) {
                c = (c & 0xFFFFFFu) | (static_cast<Pixel>(pick(0, 255)) << 24);
            }
        }
        auto icon = CreateIcon(w, h, 32);
        for (Pixel& p : icon->Pixels()) {
            p = colours[static_cast<std::size_t>(pick(0, static_cast<int>(colours.size()) - 1))];
        }
        const int n = pick(1, 5);
        const int scale = pick(0, 3) == 0 ? (1 << 22) : 1;
        std::vector<int> kernel(static_cast<std::size_t>(n * n));
        for (int& k : kernel) {
            k = (pick(0, 2) == 0 ? 0 : pick(-3, 3)) * scale;
        }
        auto expected = CloneIcon(icon.get());
        reference::Convolve(*expected, n, kernel);
        icon->Convolve(n, kernel);
        ASSERT_EQ(std::vector<Pixel>(icon->Pixels().begin(), icon->Pixels().end()),
                  std::vector<Pixel>(expected->Pixels().begin(), expected->Pixels().end()))
            << w << " x " << h << ", n " << n << ", scale " << scale;
    }
}

// ----- Sharpen -----

TEST(Sharpen, FlatAreaUnchanged) {
    auto icon = Solid(6, 5, MakePixel(255, 10, 150, 250));
    icon->Sharpen(8);
    // Inside (5v - 4v) / 1; corner (5v - 2v) / 3; edge (5v - 3v) / 2.
    for (Pixel p : icon->Pixels()) {
        EXPECT_EQ(p, MakePixel(255, 10, 150, 250));
    }
}

TEST(Sharpen, SingleBrightPixel) {
    struct Case {
        int strength, centre, side;
    };
    // Grey 100 with 120 in the middle of 5 x 5. Centre weight 2^(8 - s) + 4.
    const Case cases[] = {
        {8, 200, 80},  // w 5, sum 1: 600 - 400 = 200; 500 - 120 - 300 = 80
        {7, 160, 90},  // w 6, sum 2: (720 - 400) / 2; (600 - 420) / 2
        {6, 140, 95},  // w 8, sum 4: 560 / 4; (800 - 420) / 4
        {1, 120, 99},  // w 132, sum 128: 15440 / 128 = 120.6; 12780 / 128 = 99.8
        {9, 200, 80},  // above 8: as 8
        {INT_MAX, 200, 80},
    };
    for (const Case& c : cases) {
        auto icon = Solid(5, 5, Grey(255, 100));
        icon->Row(2)[2] = Grey(255, 120);
        icon->Sharpen(c.strength);
        std::vector<int> expected(25, 100);
        expected[12] = c.centre;
        expected[7] = expected[11] = expected[13] = expected[17] = c.side;
        EXPECT_EQ(Reds(*icon), expected) << "strength " << c.strength;
        EXPECT_EQ(Alphas(*icon), std::vector<int>(25, 255));
    }
    for (int s : {0, -1, INT_MIN}) {
        auto icon = Solid(5, 5, Grey(255, 100));
        icon->Row(2)[2] = Grey(255, 120);
        icon->Sharpen(s);
        EXPECT_EQ(icon->GetPixel(2, 2), Grey(255, 120));
    }
}

TEST(Sharpen, AlphaIsSharpenedAtEdges) {
    // 3 x 1, alpha 200 100 200, strength 8: (0, 0) taps itself and right: weight 4,
    // (1000 - 100) / 4 = 225; (1, 0) weight 3: (500 - 400) / 3 = 33.
    auto icon = CreateIcon(3, 1, 32);
    icon->Row(0)[0] = Grey(200, 60);
    icon->Row(0)[1] = Grey(100, 60);
    icon->Row(0)[2] = Grey(200, 60);
    icon->Sharpen(8);
    EXPECT_EQ(Alphas(*icon), (std::vector<int>{225, 33, 225}));
    EXPECT_EQ(Reds(*icon), (std::vector<int>{60, 60, 60}));
}

// ----- All stages together -----

TEST(ApplyFilters, ZeroStrengthsChangeNothingAndExtremesDoNotCrash) {
    auto icon = ShadowPicture();
    icon->ApplyFilters(0, 0, 0, Point{50, 50}, 0, 0, Point{128, 128});
    EXPECT_EQ(Alphas(*icon), AlphaMap(kShadowPicture, {{'a', 200}}));
    EXPECT_EQ(icon->GetPixel(5, 5), MakePixel(255, 200, 100, 50));
    auto big = Solid(3, 3, MakePixel(255, 200, 100, 50));
    big->ApplyFilters(INT_MAX, 0, 0, kNoPos, 0, 0, kNoPos);
    EXPECT_EQ(big->GetPixel(1, 1), MakePixel(255, 255, 255, 255));
    big->ApplyFilters(0, INT_MIN, 0, kNoPos, INT_MIN, 0, kNoPos);
    EXPECT_EQ(big->GetPixel(1, 1), MakePixel(0, 0, 0, 0));
    for (int v : {INT_MIN, -1000, 1000, INT_MAX}) {
        auto icon2 = Solid(3, 2, MakePixel(255, 200, 100, 50));
        icon2->ApplyFilters(v, v, v, Point{v, v}, v, v, Point{v, -(v / 2)});
        icon2->ApplyFilters(0, 0, v, Point{-(v / 2), v}, 0, v, Point{v, v});
    }
}

}  // namespace
}  // namespace varlen
