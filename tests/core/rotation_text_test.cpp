#include "core/rotation_text.h"

#include <gtest/gtest.h>

#include "core/placement.h"

namespace varlen {
namespace {

TEST(RotationText, ValueIsThousandthsReadDigitWise) {
    EXPECT_EQ(RotationTextValue("12.3"), 12300);
    EXPECT_EQ(RotationTextValue("-5.25"), -5250);
    EXPECT_EQ(RotationTextValue(".5"), 500);
    EXPECT_EQ(RotationTextValue("7"), 7000);
    EXPECT_EQ(RotationTextValue("-0.5"), -500);
    EXPECT_EQ(RotationTextValue("0.001"), 1);
    EXPECT_EQ(RotationTextValue("+359.999"), 359999);
    EXPECT_EQ(RotationTextValue(""), 0);
    EXPECT_EQ(RotationTextValue("-"), 0);
    EXPECT_EQ(RotationTextValue("99999999999"), 2147483647);
    EXPECT_EQ(RotationTextValue("-99999999999"), -2147483647 - 1);
}

TEST(RotationText, ValidityFollowsTheFieldsGrammar) {
    for (const char* ok : {"", "-", "+", ".", "12.", "12.3", "-0.125", "+7", "359.999"}) {
        EXPECT_TRUE(IsValidRotationText(ok)) << ok;
    }
    for (const char* bad : {"1.2345", "1.2.3", "--1", "+-1", " 1", "1e5", "1 ", "a"}) {
        EXPECT_FALSE(IsValidRotationText(bad)) << bad;
    }
}

TEST(RotationText, FormatShowsOneDecimal) {
    EXPECT_EQ(FormatRotation(12300), "12.3");
    EXPECT_EQ(FormatRotation(0), "0.0");
    EXPECT_EQ(FormatRotation(359999), "360.0");
    EXPECT_EQ(FormatRotation(-500), "-0.5");
    EXPECT_EQ(FormatRotation(-5250), "-5.2");  // an exact tie, rounded to even
}

TEST(Placement, RotationIsNormalisedIntoOneTurn) {
    EXPECT_EQ(NormalizeRotation(0), 0);
    EXPECT_EQ(NormalizeRotation(360000), 0);
    EXPECT_EQ(NormalizeRotation(-500), 359500);
    EXPECT_EQ(NormalizeRotation(725000), 5000);
}

TEST(Placement, CenteredSquareWithAndWithoutMargins) {
    EXPECT_EQ(CenteredSquare(100, 50, false), (Rect{0, -25, 100, 75}));
    EXPECT_EQ(CenteredSquare(100, 50, true), (Rect{25, 0, 75, 50}));
    EXPECT_EQ(CenteredSquare(3, 8, false), (Rect{-2, 0, 6, 8}));
    EXPECT_EQ(CenteredSquare(3, 8, true), (Rect{0, 2, 3, 5}));
}

}  // namespace
}  // namespace varlen
