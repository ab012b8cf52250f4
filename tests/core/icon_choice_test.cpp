// Which entry the Windows loaders take: known answers for small hand-built directories.
#include "core/icon_choice.h"

#include <gtest/gtest.h>

#include <vector>

namespace varlen {
namespace {

IconEntryShape Sq(int side, int bits = 32) {
    return {side, side, bits};
}

struct Expect {
    int entry;
    IconDraw draw;
    double factor;
};

void ExpectPick(const std::vector<IconEntryShape>& entries, int side, IconLoader loader,
                Expect want, int display = kDisplayBitCount) {
    const auto pick = PickIconEntry(entries, side, loader, display);
    ASSERT_TRUE(pick.has_value());
    EXPECT_EQ(pick->entry, want.entry);
    EXPECT_EQ(pick->draw, want.draw);
    EXPECT_NEAR(pick->factor, want.factor, 1e-9);
}

TEST(IconChoice, ExactSizePresentIsTakenByBothLoaders) {
    const std::vector<IconEntryShape> e = {Sq(16), Sq(32), Sq(48)};
    for (const IconLoader l : {IconLoader::kScaleDown, IconLoader::kLookup}) {
        ExpectPick(e, 32, l, {1, IconDraw::kExact, 1.0});
        ExpectPick(e, 16, l, {0, IconDraw::kExact, 1.0});
    }
}

TEST(IconChoice, OnlyLargerEntries) {
    const std::vector<IconEntryShape> e = {Sq(48), Sq(256)};
    ExpectPick(e, 40, IconLoader::kScaleDown, {0, IconDraw::kScaledDown, 1.2});
    ExpectPick(e, 40, IconLoader::kLookup, {0, IconDraw::kScaledDown, 1.2});
    // 100 pixels: scale-down takes the next larger (256); the scoring finds 48 closer even
    // with its undersize counted twice (2 x 52 per side against 156).
    ExpectPick(e, 100, IconLoader::kScaleDown, {1, IconDraw::kScaledDown, 2.56});
    ExpectPick(e, 100, IconLoader::kLookup, {0, IconDraw::kScaledUp, 100.0 / 48});
}

TEST(IconChoice, OnlySmallerEntriesAreScaledUp) {
    const std::vector<IconEntryShape> e = {Sq(16), Sq(32)};
    for (const IconLoader l : {IconLoader::kScaleDown, IconLoader::kLookup}) {
        ExpectPick(e, 48, l, {1, IconDraw::kScaledUp, 1.5});
    }
}

TEST(IconChoice, SeveralDepthsOfOneSize) {
    const std::vector<IconEntryShape> e = {Sq(32, 4), Sq(32, 8), Sq(32, 32), Sq(32, 24)};
    for (const IconLoader l : {IconLoader::kScaleDown, IconLoader::kLookup}) {
        ExpectPick(e, 32, l, {2, IconDraw::kExact, 1.0});
        // An 8-bit display: the 8-bit image matches exactly.
        ExpectPick(e, 32, l, {1, IconDraw::kExact, 1.0}, 8);
    }
    // A 16-bit display: the deepest that does not exceed it for scale-down; for the scoring
    // 8 and 24 bits are equally far, and the first in the directory wins.
    ExpectPick(e, 32, IconLoader::kScaleDown, {1, IconDraw::kExact, 1.0}, 16);
    ExpectPick(e, 32, IconLoader::kLookup, {1, IconDraw::kExact, 1.0}, 16);
    // A 1-bit display: every depth exceeds it; the shallowest is taken.
    ExpectPick(e, 32, IconLoader::kScaleDown, {0, IconDraw::kExact, 1.0}, 1);
}

TEST(IconChoice, ScoringCountsUndersizeTwiceAndTiesGoToTheLarger) {
    // 40 from 32 and 48: 2 x 8 per side against 8.
    ExpectPick({Sq(32), Sq(48)}, 40, IconLoader::kLookup, {1, IconDraw::kScaledDown, 1.2});
    // 40 from 36 and 48: 2 x 4 against 8 per side, a tie, and the larger wins, in either
    // directory order.
    ExpectPick({Sq(36), Sq(48)}, 40, IconLoader::kLookup, {1, IconDraw::kScaledDown, 1.2});
    ExpectPick({Sq(48), Sq(36)}, 40, IconLoader::kLookup, {0, IconDraw::kScaledDown, 1.2});
    // Depth counts twice its distance: a 4-bit 48 loses to a 32-bit 32 on a 32-bit display,
    // where scale-down still takes the larger image.
    ExpectPick({Sq(48, 4), Sq(32, 32)}, 40, IconLoader::kLookup, {1, IconDraw::kScaledUp, 1.25});
    ExpectPick({Sq(48, 4), Sq(32, 32)}, 40, IconLoader::kScaleDown,
               {0, IconDraw::kScaledDown, 1.2});
}

TEST(IconChoice, SidesAbove255LookLike256ToTheLoader) {
    const std::vector<IconEntryShape> e = {Sq(256), Sq(512)};
    for (const IconLoader l : {IconLoader::kScaleDown, IconLoader::kLookup}) {
        // Both look like 256; the larger of equals is taken and drawn from its own pixels.
        ExpectPick(e, 512, l, {1, IconDraw::kExact, 1.0});
        ExpectPick(e, 320, l, {1, IconDraw::kScaledDown, 1.6});
    }
    // A 256 request: 256 is exact by the directory, and is taken over 512.
    ExpectPick(e, 256, IconLoader::kScaleDown, {0, IconDraw::kExact, 1.0});
}

TEST(IconChoice, NoEntriesNoPick) {
    EXPECT_FALSE(PickIconEntry({}, 32, IconLoader::kScaleDown).has_value());
    EXPECT_FALSE(PickIconEntry({}, 32, IconLoader::kLookup).has_value());
}

TEST(IconChoice, ViewOfTheStandardFormats) {
    // 16, 24, 32, 48 and 256 at 32 bits (depths below do not change the picks here).
    const std::vector<IconEntryShape> e = {Sq(256), Sq(48), Sq(32), Sq(24), Sq(16)};
    const std::vector<WindowsIconCell> cells = WindowsIconView(e);
    ASSERT_EQ(cells.size(), kWindowsIconSurfaces.size() * kWindowsScalePercents.size());
    // Taskbar row at 100 ... 400 %: 24 exact, 30 from 32, 36 from 48, 48 exact, 60, 72 and
    // 96 from 256.
    const int expected[] = {3, 2, 1, 1, 0, 0, 0};
    int poor = 0;
    for (const WindowsIconCell& c : cells) {
        if (c.surface == 1) {
            ASSERT_TRUE(c.scaleDown.has_value());
            EXPECT_EQ(c.scaleDown->entry, expected[c.scale]) << "scale " << c.scale;
            EXPECT_NE(c.scaleDown->draw, IconDraw::kScaledUp);
            poor += IsPoorPick(*c.scaleDown) ? 1 : 0;
        }
    }
    // 256 for 60, 72 and 96 is more than 1.5 x smaller.
    EXPECT_EQ(poor, 3);
}

TEST(IconChoice, SidesToAddUntilNothingIsScaledUp) {
    // One 32: every larger side of the view up to 256, and 512 for all above 256 (640 ...
    // 1024 lie beyond the limit).
    EXPECT_EQ(SidesToAdd(std::vector<IconEntryShape>{Sq(32)}, 512),
              (std::vector<int>{36, 40, 48, 60, 64, 72, 80, 96, 120, 128, 144, 192, 256, 512}));
    // Every side of the view but 36 and 40: the scoring scales 36 up from 32 (2 x 4 per side
    // against 12 for 48); 40 goes to 48 (8 against 2 x 8), and stays there once 36 is added
    // (a tie of 2 x 4 and 8, which the larger wins).
    const std::vector<IconEntryShape> full = {Sq(16),  Sq(20),  Sq(24),  Sq(30),  Sq(32), Sq(48),
                                              Sq(60),  Sq(64),  Sq(72),  Sq(80),  Sq(96), Sq(120),
                                              Sq(128), Sq(144), Sq(192), Sq(256), Sq(512)};
    EXPECT_EQ(SidesToAdd(full, 512), std::vector<int>{36});
    // 256 alone is only scaled up above 256: 512 serves 320 ... 512, unless the limit is 256.
    EXPECT_EQ(SidesToAdd(std::vector<IconEntryShape>{Sq(256)}, 512), std::vector<int>{512});
    EXPECT_TRUE(SidesToAdd(std::vector<IconEntryShape>{Sq(256)}, 256).empty());
}

TEST(IconChoice, PoorPicks) {
    EXPECT_TRUE(IsPoorPick({0, IconDraw::kScaledUp, 1.01}));
    EXPECT_FALSE(IsPoorPick({0, IconDraw::kScaledDown, 1.5}));
    EXPECT_TRUE(IsPoorPick({0, IconDraw::kScaledDown, 1.51}));
    EXPECT_FALSE(IsPoorPick({0, IconDraw::kExact, 1.0}));
}

}  // namespace
}  // namespace varlen
