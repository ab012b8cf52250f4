// Known answers for the transparent-region clicks, worked out by hand on small pictures.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "core/icon.h"

namespace varlen {
namespace {

// Colours of the test pictures. Each letter is an opaque pixel of one colour; the lowercase
// letter is the same colour with alpha 0; '-' is colour A with alpha 77.
constexpr Pixel kA = MakePixel(255, 200, 40, 10);
constexpr Pixel kB = MakePixel(255, 10, 90, 220);
constexpr Pixel kC = MakePixel(255, 0, 0, 0);

Pixel PixelOf(char c) {
    switch (c) {
        case 'A':
            return kA;
        case 'a':
            return kA & 0x00FFFFFFu;
        case '-':
            return (kA & 0x00FFFFFFu) | (77u << 24);
        case 'B':
            return kB;
        case 'b':
            return kB & 0x00FFFFFFu;
        case 'C':
            return kC;
        default:
            ADD_FAILURE() << "unknown picture letter " << c;
            return 0;
    }
}

std::unique_ptr<CIcon> Picture(const std::vector<std::string>& rows) {
    auto icon = CreateIcon(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), 32);
    for (int y = 0; y < icon->Height(); ++y) {
        for (int x = 0; x < icon->Width(); ++x) {
            icon->Row(y)[x] =
                PixelOf(rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]);
        }
    }
    return icon;
}

std::unique_ptr<CIcon> Opaque(int width, int height, Pixel color) {
    auto icon = CreateIcon(width, height, 32);
    for (Pixel& p : icon->Pixels()) {
        p = color;
    }
    return icon;
}

// The alpha map: '#' opaque, '.' alpha 0, '-' anything in between.
std::vector<std::string> AlphaMap(const CIcon& icon) {
    std::vector<std::string> rows;
    for (int y = 0; y < icon.Height(); ++y) {
        std::string row;
        for (int x = 0; x < icon.Width(); ++x) {
            const int a = Alpha(icon.GetPixel(x, y));
            row += a == 255 ? '#' : (a == 0 ? '.' : '-');
        }
        rows.push_back(row);
    }
    return rows;
}

// Every pixel keeps its colour bytes; only alpha may have changed.
void ExpectColorsKept(const CIcon& before, const CIcon& after) {
    ASSERT_EQ(before.PixelCount(), after.PixelCount());
    for (std::size_t i = 0; i < before.PixelCount(); ++i) {
        EXPECT_EQ(before.Pixels()[i] & 0x00FFFFFFu, after.Pixels()[i] & 0x00FFFFFFu) << i;
    }
}

using Map = std::vector<std::string>;

// --- ClearAround ---

TEST(ClearAround, RadiusZeroClearsOnlyTheCentre) {
    auto icon = Opaque(3, 3, kB);
    icon->ClearAround(1, 1, 0);
    EXPECT_EQ(AlphaMap(*icon), (Map{"###", "#.#", "###"}));
}

TEST(ClearAround, RadiusOneIsAPlusSignOfFivePixels) {
    auto icon = Opaque(5, 5, kB);
    icon->ClearAround(2, 2, 1);
    EXPECT_EQ(AlphaMap(*icon), (Map{"#####", "##.##", "#...#", "##.##", "#####"}));
}

TEST(ClearAround, RadiusTwoIsADiamondOfThirteenPixels) {
    auto icon = Opaque(7, 7, kB);
    icon->ClearAround(3, 3, 2);
    EXPECT_EQ(AlphaMap(*icon),
              (Map{"#######", "###.###", "##...##", "#.....#", "##...##", "###.###", "#######"}));
}

TEST(ClearAround, DiamondAtTheCornerKeepsOnlyTheInsidePart) {
    auto icon = Opaque(4, 4, kB);
    icon->ClearAround(0, 0, 2);
    EXPECT_EQ(AlphaMap(*icon), (Map{"...#", "..##", ".###", "####"}));
}

TEST(ClearAround, CentreOutsideTheImageStillClearsWhatReachesIn) {
    auto icon = Opaque(3, 3, kB);
    icon->ClearAround(-1, 1, 2);
    EXPECT_EQ(AlphaMap(*icon), (Map{".##", "..#", ".##"}));
}

TEST(ClearAround, NegativeRadiusClearsNothing) {
    auto icon = Opaque(3, 3, kB);
    icon->ClearAround(1, 1, -1);
    EXPECT_EQ(AlphaMap(*icon), (Map{"###", "###", "###"}));
}

TEST(ClearAround, SetsAlphaToZeroAndKeepsColourBytes) {
    auto icon = Picture({"-A", "BC"});
    const auto before = CloneIcon(icon.get());
    icon->ClearAround(0, 0, 5);
    EXPECT_EQ(AlphaMap(*icon), (Map{"..", ".."}));
    ExpectColorsKept(*before, *icon);
}

// --- ClearColorRegion ---

TEST(ColorRegion, ToleranceZeroClearsExactlyTheClickedColour) {
    auto icon = Picture({"AAB", "BCA", "-BA"});
    const auto before = CloneIcon(icon.get());
    icon->ClearColorRegion(kA, 0, 0);
    EXPECT_EQ(AlphaMap(*icon), (Map{"..#", "##.", ".#."}));
    ExpectColorsKept(*before, *icon);
}

TEST(ColorRegion, AlphaOfTheColourAndOfThePixelsTakesNoPart) {
    auto icon = Picture({"AB", "aC"});
    icon->ClearColorRegion(kB & 0x00FFFFFFu, 0, 0);
    EXPECT_EQ(AlphaMap(*icon), (Map{"#.", ".#"}));
}

TEST(ColorRegion, ToleranceIsASphereInRgb) {
    // Distances to (100, 100, 100): 25 (3^2 + 4^2), 26, 25 (blue 5) and 36.
    auto icon = CreateIcon(4, 1, 32);
    icon->Row(0)[0] = MakePixel(255, 103, 104, 100);
    icon->Row(0)[1] = MakePixel(255, 103, 104, 101);
    icon->Row(0)[2] = MakePixel(255, 100, 100, 95);
    icon->Row(0)[3] = MakePixel(255, 94, 100, 100);
    auto copy = CloneIcon(icon.get());
    icon->ClearColorRegion(MakePixel(255, 100, 100, 100), 5, 0);
    EXPECT_EQ(AlphaMap(*icon), (Map{".#.#"}));
    // A negative tolerance acts by its square.
    copy->ClearColorRegion(MakePixel(255, 100, 100, 100), -5, 0);
    EXPECT_EQ(AlphaMap(*copy), (Map{".#.#"}));
}

TEST(ColorRegion, HugeToleranceMatchesEverything) {
    // 3 * 255^2 is the largest colour difference; tolerances whose square overflows 32 bits
    // must still match everything rather than nothing.
    for (const int tolerance : {442, 46341, 100000, INT_MAX, INT_MIN + 1}) {
        auto icon = Picture({"AB", "Cb"});
        icon->ClearColorRegion(MakePixel(255, 255, 255, 255), tolerance, 0);
        EXPECT_EQ(AlphaMap(*icon), (Map{"..", ".."})) << tolerance;
    }
    // 441^2 = 194481 < 3 * 255^2 = 195075: black stays just outside of white's reach.
    auto icon = Picture({"AC"});
    icon->ClearColorRegion(MakePixel(255, 255, 255, 255), 441, 0);
    EXPECT_EQ(AlphaMap(*icon), (Map{".#"}));
}

TEST(ColorRegion, ExpansionOneAroundASinglePixelIsAPlusSign) {
    auto icon = Picture({"BBBBB", "BBBBB", "BBABB", "BBBBB", "BBBBB"});
    icon->ClearColorRegion(kA, 0, 1);
    EXPECT_EQ(AlphaMap(*icon), (Map{"#####", "##.##", "#...#", "##.##", "#####"}));
}

TEST(ColorRegion, ExpansionTwoAroundASinglePixelClearsThirteen) {
    auto icon =
        Picture({"BBBBBBB", "BBBBBBB", "BBBBBBB", "BBBABBB", "BBBBBBB", "BBBBBBB", "BBBBBBB"});
    icon->ClearColorRegion(kA, 0, 2);
    EXPECT_EQ(AlphaMap(*icon),
              (Map{"#######", "###.###", "##...##", "#.....#", "##...##", "###.###", "#######"}));
}

TEST(ColorRegion, ExpansionsOfSeveralPixelsJoin) {
    // Two marks; their radius-2 diamonds overlap, cut by the image border at the top.
    auto icon = Picture({"ABBBBB", "BBBBBB", "BBBBBB", "BBBBAB", "BBBBBB"});
    icon->ClearColorRegion(kA, 0, 2);
    EXPECT_EQ(AlphaMap(*icon), (Map{"...###", "..##.#", ".##...", "##....", "###..."}));
}

TEST(ColorRegion, ExpansionAtTheBorderClearsOnlyTheInsidePart) {
    auto icon = Picture({"BBBA", "BBBB", "BBBB"});
    icon->ClearColorRegion(kA, 0, 2);
    EXPECT_EQ(AlphaMap(*icon), (Map{"#...", "##..", "###."}));
}

TEST(ColorRegion, NoMatchOrNegativeExpansionChangesNothing) {
    auto icon = Picture({"AB", "B-"});
    const auto before = CloneIcon(icon.get());
    icon->ClearColorRegion(kC, 0, 3);
    icon->ClearColorRegion(kA, 0, -1);
    EXPECT_TRUE(std::equal(icon->Pixels().begin(), icon->Pixels().end(), before->Pixels().begin(),
                           before->Pixels().end()));
}

TEST(ColorRegion, ExpansionBeyondTheImageClearsEverything) {
    auto icon = Picture({"BBBB", "BBBB", "ABBB"});
    icon->ClearColorRegion(kA, 0, 1000000);
    EXPECT_EQ(AlphaMap(*icon), (Map{"....", "....", "...."}));
}

TEST(ColorRegion, ExpansionJustShortOfTheFarCorner) {
    // The far corner lies 3 + 2 = 5 steps away.
    auto icon = Picture({"BBBB", "BBBB", "ABBB"});
    icon->ClearColorRegion(kA, 0, 4);
    EXPECT_EQ(AlphaMap(*icon), (Map{"...#", "....", "...."}));
}

// Opaque columns of a two-row picture, as a list of the columns that kept alpha 255 on row y.
std::vector<int> OpaqueColumns(const CIcon& icon, int y) {
    std::vector<int> columns;
    for (int x = 0; x < icon.Width(); ++x) {
        if (Alpha(icon.GetPixel(x, y)) == 255) {
            columns.push_back(x);
        }
    }
    return columns;
}

TEST(ColorRegion, VeryLongDistancesAreCountedExactly) {
    // 65536 x 2 with one mark at (0, 0): pixel (x, y) lies x + y steps away.
    auto icon = Opaque(65536, 2, kB);
    icon->Row(0)[0] = kA;
    auto wide = CloneIcon(icon.get());
    icon->ClearColorRegion(kA, 0, 65533);
    EXPECT_EQ(OpaqueColumns(*icon, 0), (std::vector<int>{65534, 65535}));
    EXPECT_EQ(OpaqueColumns(*icon, 1), (std::vector<int>{65533, 65534, 65535}));
    wide->ClearColorRegion(kA, 0, 65535);
    EXPECT_EQ(OpaqueColumns(*wide, 0), (std::vector<int>{}));
    EXPECT_EQ(OpaqueColumns(*wide, 1), (std::vector<int>{65535}));
}

TEST(ColorRegion, RepeatedClicksAccumulate) {
    auto icon = Picture({"ABC", "CBA"});
    icon->ClearColorRegion(kA, 0, 0);
    icon->ClearColorRegion(kC, 0, 0);
    EXPECT_EQ(AlphaMap(*icon), (Map{".#.", ".#."}));
}

// --- FindSpan ---

// Row 0: B A A A B B A A B B; row 1 all B; row 2: B B A A.
std::unique_ptr<CIcon> SpanPicture() {
    return Picture({"BAAABBAABB", "BBBBBBBBBB", "BBAABBBBBB"});
}

CIcon::CLOSEDRANGE Span(int y, int left, int right) {
    return CIcon::CLOSEDRANGE{y, left, right};
}

TEST(FindSpan, MatchingSeedExtendsBothWays) {
    const auto icon = SpanPicture();
    EXPECT_EQ(icon->FindSpan(1, 0, kA, 0), Span(0, 1, 3));
    EXPECT_EQ(icon->FindSpan(2, 0, kA, 0), Span(0, 1, 3));
    EXPECT_EQ(icon->FindSpan(3, 0, kA, 0), Span(0, 1, 3));
    EXPECT_EQ(icon->FindSpan(7, 0, kA, 0), Span(0, 6, 7));
}

TEST(FindSpan, NonMatchingSeedGivesTheFirstRunToTheRight) {
    const auto icon = SpanPicture();
    EXPECT_EQ(icon->FindSpan(0, 0, kA, 0), Span(0, 1, 3));
    EXPECT_EQ(icon->FindSpan(4, 0, kA, 0), Span(0, 6, 7));
    EXPECT_EQ(icon->FindSpan(5, 0, kA, 0), Span(0, 6, 7));
    EXPECT_EQ(icon->FindSpan(0, 0, kB, 0), Span(0, 0, 0));
    EXPECT_EQ(icon->FindSpan(1, 0, kB, 0), Span(0, 4, 5));
}

TEST(FindSpan, NothingMatchingGivesTheEmptyRunAtTheWidth) {
    const auto icon = SpanPicture();
    EXPECT_EQ(icon->FindSpan(8, 0, kA, 0), Span(0, 10, 9));
    EXPECT_EQ(icon->FindSpan(0, 1, kA, 0), Span(1, 10, 9));
    EXPECT_EQ(icon->FindSpan(9, 1, kA, 0), Span(1, 10, 9));
}

TEST(FindSpan, RunsStopAtTheRowEnds) {
    const auto icon = SpanPicture();
    EXPECT_EQ(icon->FindSpan(9, 0, kB, 0), Span(0, 8, 9));
    EXPECT_EQ(icon->FindSpan(6, 0, kB, 0), Span(0, 8, 9));
    EXPECT_EQ(icon->FindSpan(4, 1, kB, 0), Span(1, 0, 9));
    EXPECT_EQ(icon->FindSpan(2, 2, kB, 0), Span(2, 4, 9));
}

TEST(FindSpan, OutsideColumnsAndRowsNeverMatch) {
    const auto icon = SpanPicture();
    EXPECT_EQ(icon->FindSpan(-3, 0, kA, 0), Span(0, 1, 3));
    EXPECT_EQ(icon->FindSpan(-1, 0, kB, 0), Span(0, 0, 0));
    EXPECT_EQ(icon->FindSpan(10, 0, kB, 0), Span(0, 10, 9));
    EXPECT_EQ(icon->FindSpan(25, 0, kB, 0), Span(0, 10, 9));
    EXPECT_EQ(icon->FindSpan(0, -1, kB, 0), Span(-1, 10, 9));
    EXPECT_EQ(icon->FindSpan(0, 3, kB, 0), Span(3, 10, 9));
    // Transparent black outside the image does not match black either.
    EXPECT_EQ(icon->FindSpan(0, 3, 0, 0), Span(3, 10, 9));
}

TEST(FindSpan, TakesTheSquaredToleranceAndIgnoresAlpha) {
    auto icon = CreateIcon(3, 1, 32);
    icon->Row(0)[0] = MakePixel(0, 50, 50, 50);
    icon->Row(0)[1] = MakePixel(255, 52, 50, 51);  // distance^2 5
    icon->Row(0)[2] = MakePixel(9, 50, 50, 50);
    const Pixel k = MakePixel(255, 50, 50, 50);
    EXPECT_EQ(icon->FindSpan(0, 0, k, 5), Span(0, 0, 2));
    EXPECT_EQ(icon->FindSpan(0, 0, k, 4), Span(0, 0, 0));
    EXPECT_EQ(icon->FindSpan(1, 0, k, 4), Span(0, 2, 2));
    EXPECT_EQ(icon->FindSpan(0, 0, k, -1), Span(0, 3, 2));
}

// --- ClearClosedRegion ---

TEST(ClosedRegion, ToleranceZeroClearsOnlyTheConnectedPixels) {
    auto icon = Picture({"AABAAA", "AABBBA", "BBBAAA", "AAABBB"});
    const auto before = CloneIcon(icon.get());
    icon->ClearClosedRegion(0, 0, 0, 0);
    EXPECT_EQ(AlphaMap(*icon), (Map{"..####", "..####", "######", "######"}));
    ExpectColorsKept(*before, *icon);
}

TEST(ClosedRegion, RunsReachingBeyondTheirParentAreFollowed) {
    // From the top right, down the right side, along the bottom and up both left columns.
    auto icon = Picture({"ABABBA", "ABABBA", "AAABBA", "ABBBBA", "AAAAAA"});
    icon->ClearClosedRegion(5, 0, 0, 0);
    EXPECT_EQ(AlphaMap(*icon), (Map{".#.##.", ".#.##.", "...##.", ".####.", "......"}));
}

TEST(ClosedRegion, RingAroundAHoleLeavesTheHoleOpaque) {
    auto icon = Picture({"AAAAA", "ABBBA", "ABABA", "ABBBA", "AAAAA"});
    icon->ClearClosedRegion(2, 4, 0, 0);
    EXPECT_EQ(AlphaMap(*icon), (Map{".....", ".###.", ".###.", ".###.", "....."}));
}

TEST(ClosedRegion, CornerContactDoesNotConnect) {
    auto icon = Picture({"AAB", "AAB", "BBA"});
    icon->ClearClosedRegion(1, 1, 0, 0);
    EXPECT_EQ(AlphaMap(*icon), (Map{"..#", "..#", "###"}));
    auto other = Picture({"AAB", "AAB", "BBA"});
    other->ClearClosedRegion(2, 2, 0, 0);
    EXPECT_EQ(AlphaMap(*other), (Map{"###", "###", "##."}));
}

TEST(ClosedRegion, DiagonalChainIsOnePixelOnly) {
    auto icon = Picture({"ABBB", "BABB", "BBAB", "BBBA"});
    icon->ClearClosedRegion(1, 1, 0, 0);
    EXPECT_EQ(AlphaMap(*icon), (Map{"####", "#.##", "####", "####"}));
}

TEST(ClosedRegion, TransparentPixelOfTheColourPassesTheFillOn) {
    auto icon = Picture({"ABA", "ABA", "AaA"});
    icon->ClearClosedRegion(0, 0, 0, 0);
    EXPECT_EQ(AlphaMap(*icon), (Map{".#.", ".#.", "..."}));
}

TEST(ClosedRegion, TransparentSeedStillFills) {
    auto icon = Picture({"BaA", "BAB"});
    icon->ClearClosedRegion(1, 0, 0, 0);
    EXPECT_EQ(AlphaMap(*icon), (Map{"#..", "#.#"}));
}

TEST(ClosedRegion, ToleranceIsMeasuredFromTheSeedColour) {
    // Reds 0, 4, 8, 12: each within 5 of its neighbour, but only 0 and 4 within 5 of the seed.
    auto icon = CreateIcon(4, 1, 32);
    for (int x = 0; x < 4; ++x) {
        icon->Row(0)[x] = MakePixel(255, 4 * x, 0, 0);
    }
    icon->ClearClosedRegion(0, 0, 5, 0);
    EXPECT_EQ(AlphaMap(*icon), (Map{"..##"}));
}

TEST(ClosedRegion, ExpansionOneAroundASinglePixelIsAPlusSign) {
    auto icon = Picture({"BBBBB", "BBBBB", "BBABB", "BBBBB", "BBBBB"});
    icon->ClearClosedRegion(2, 2, 0, 1);
    EXPECT_EQ(AlphaMap(*icon), (Map{"#####", "##.##", "#...#", "##.##", "#####"}));
}

TEST(ClosedRegion, ExpansionTwoAroundASinglePixelClearsThirteen) {
    auto icon =
        Picture({"BBBBBBB", "BBBBBBB", "BBBBBBB", "BBBABBB", "BBBBBBB", "BBBBBBB", "BBBBBBB"});
    icon->ClearClosedRegion(3, 3, 0, 2);
    EXPECT_EQ(AlphaMap(*icon),
              (Map{"#######", "###.###", "##...##", "#.....#", "##...##", "###.###", "#######"}));
}

TEST(ClosedRegion, ExpansionWidensOnlyTheFilledSide) {
    // The A at the far right is of the seed's colour but not connected: it stays opaque
    // outside the widened area and seeds nothing.
    auto icon = Picture({"ABBBBA", "ABBBBB"});
    icon->ClearClosedRegion(0, 0, 0, 1);
    EXPECT_EQ(AlphaMap(*icon), (Map{"..####", "..####"}));
}

TEST(ClosedRegion, ExpansionAtTheBorderClearsOnlyTheInsidePart) {
    auto icon = Picture({"BBBB", "BBBB", "BBBA"});
    icon->ClearClosedRegion(3, 2, 0, 2);
    EXPECT_EQ(AlphaMap(*icon), (Map{"###.", "##..", "#..."}));
}

TEST(ClosedRegion, VeryLongDistancesAreCountedExactly) {
    auto icon = Opaque(65536, 2, kB);
    icon->Row(1)[65535] = kA;
    icon->ClearClosedRegion(65535, 1, 0, 65534);
    EXPECT_EQ(OpaqueColumns(*icon, 0), (std::vector<int>{0, 1}));
    EXPECT_EQ(OpaqueColumns(*icon, 1), (std::vector<int>{0}));
}

TEST(ClosedRegion, SeedOutsideOrNegativeExpansionChangesNothing) {
    auto icon = Picture({"AA", "AA"});
    icon->ClearClosedRegion(-1, 0, 0, 0);
    icon->ClearClosedRegion(0, -1, 0, 0);
    icon->ClearClosedRegion(2, 0, 0, 0);
    icon->ClearClosedRegion(0, 2, 0, 0);
    icon->ClearClosedRegion(0, 0, 0, -1);
    EXPECT_EQ(AlphaMap(*icon), (Map{"##", "##"}));
}

TEST(ClosedRegion, HugeToleranceFillsTheWholeImage) {
    auto icon = Picture({"ABC", "CBA"});
    icon->ClearClosedRegion(1, 1, INT_MAX, 0);
    EXPECT_EQ(AlphaMap(*icon), (Map{"...", "..."}));
}

}  // namespace
}  // namespace varlen
