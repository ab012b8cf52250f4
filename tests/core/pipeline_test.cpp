#include <gtest/gtest.h>

#include <vector>

#include "core/pipeline.h"

namespace varlen {
namespace {

std::unique_ptr<CIcon> Filled(int w, int h, Pixel p) {
    auto icon = CreateIcon(w, h, 32);
    for (Pixel& q : icon->Pixels()) {
        q = p;
    }
    return icon;
}

// Alpha of every pixel, row by row, as 0/1 for opaque or not.
std::vector<int> OpaqueMap(const CIcon& icon) {
    std::vector<int> map;
    for (Pixel p : icon.Pixels()) {
        map.push_back(Alpha(p) != 0 ? 1 : 0);
    }
    return map;
}

std::unique_ptr<CIcon> Gradient(int w, int h) {
    auto icon = CreateIcon(w, h, 32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            icon->Row(y)[x] = MakePixel(255, (x * 37) % 256, (y * 53) % 256, (x * y) % 256);
        }
    }
    return icon;
}

TEST(BuildFormatIcon, NoEffectsSameSizeWithoutSmoothingCopiesTheWorkingImage) {
    auto working = Gradient(17, 13);
    working->Row(3)[4] = 0x40112233u;  // partial alpha survives at 32 bits
    auto icon = BuildFormatIcon(*working, 17, 13, 32, false, EffectSettings{});
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->Bpp(), 32);
    EXPECT_TRUE(std::equal(icon->Pixels().begin(), icon->Pixels().end(), working->Pixels().begin(),
                           working->Pixels().end()));
}

TEST(BuildFormatIcon, LeavesTheWorkingImageUnchanged) {
    auto working = Gradient(40, 40);
    auto before = CloneIcon(working.get());
    EffectSettings e;
    e.brightness = 30;
    e.round = 60;
    e.fade = 20;
    e.sharp = 2;
    e.shadow = 40;
    for (int bpp : {4, 8, 24, 32}) {
        auto icon = BuildFormatIcon(*working, 16, 16, bpp, true, e);
        ASSERT_TRUE(icon);
        EXPECT_EQ(icon->Width(), 16);
        EXPECT_EQ(icon->Height(), 16);
        EXPECT_EQ(icon->Bpp(), bpp);
    }
    EXPECT_TRUE(std::equal(working->Pixels().begin(), working->Pixels().end(),
                           before->Pixels().begin(), before->Pixels().end()));
}

TEST(BuildFormatIcon, ThresholdRunsBeforeTheEffectsBelowThirtyTwoBits) {
    // Opaque picture, transparency -60: 255 - 153 = 102. Thresholding first leaves 255,
    // then the effect lowers alpha to 102, which the file's mask treats as transparent.
    auto working = Filled(8, 8, 0xFF808080u);
    EffectSettings e;
    e.transparent = -60;
    auto icon = BuildFormatIcon(*working, 8, 8, 24, false, e);
    for (Pixel p : icon->Pixels()) {
        ASSERT_EQ(Alpha(p), 102);
    }
    // A pixel of alpha 127 is thresholded to 0 and stays transparent; the effect skips it.
    working->Row(0)[0] = 0x7F808080u;
    icon = BuildFormatIcon(*working, 8, 8, 24, false, e);
    EXPECT_EQ(Alpha(icon->Row(0)[0]), 0);
    // At 32 bits there is no threshold: 127 - 153 clamps to 0, 255 - 153 = 102.
    icon = BuildFormatIcon(*working, 8, 8, 32, false, e);
    EXPECT_EQ(Alpha(icon->Row(0)[0]), 0);
    EXPECT_EQ(Alpha(icon->Row(0)[1]), 102);
}

TEST(BuildFormatIcon, EffectsRunOnTheWorkingImageWhenShrinking) {
    // Round 200 keeps only the pixels at distance 0 from the centre: the middle 2 x 2 of
    // the 4 x 4 working image. Nearest-pixel reduction to 2 x 2 samples columns and rows
    // 0 and 2, so only (2, 2), the output pixel (1, 1), is still opaque. Rounding the
    // 2 x 2 result instead would have kept all four pixels.
    auto working = Filled(4, 4, 0xFF204060u);
    EffectSettings e;
    e.round = 200;
    auto icon = BuildFormatIcon(*working, 2, 2, 32, false, e);
    EXPECT_EQ(OpaqueMap(*icon), (std::vector<int>{0, 0, 0, 1}));
}

TEST(BuildFormatIcon, EffectsRunOnTheWorkingImageWhenOnlyOneSideShrinks) {
    // 4 x 4 to 2 x 8: smaller in width, so the corners are cut at 4 x 4 first. Columns
    // 0 and 2 and rows 0, 0, 1, 1, 2, 2, 3, 3 are sampled; (2, 1) and (2, 2) are opaque.
    auto working = Filled(4, 4, 0xFF204060u);
    EffectSettings e;
    e.round = 200;
    auto icon = BuildFormatIcon(*working, 2, 8, 32, false, e);
    EXPECT_EQ(OpaqueMap(*icon), (std::vector<int>{0, 0, 0, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0, 0, 0, 0}));
}

TEST(BuildFormatIcon, EffectsRunOnTheFormatImageWhenEnlarging) {
    // 2 x 2 to 4 x 4: the corners are cut at the format's size, keeping its middle 2 x 2.
    // Cutting the 2 x 2 working image first would have kept all of it.
    auto working = Filled(2, 2, 0xFF204060u);
    EffectSettings e;
    e.round = 200;
    auto icon = BuildFormatIcon(*working, 4, 4, 32, false, e);
    EXPECT_EQ(OpaqueMap(*icon), (std::vector<int>{0, 0, 0, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 0, 0, 0}));
}

TEST(BuildFormatIcon, SharpenRunsLastAtTheFormatSize) {
    auto working = Gradient(32, 32);
    EffectSettings e;
    e.contrast = 20;
    auto plain = BuildFormatIcon(*working, 12, 12, 32, true, e);
    e.sharp = 3;
    auto sharpened = BuildFormatIcon(*working, 12, 12, 32, true, e);
    plain->Sharpen(3);
    EXPECT_TRUE(std::equal(plain->Pixels().begin(), plain->Pixels().end(),
                           sharpened->Pixels().begin(), sharpened->Pixels().end()));
}

TEST(BuildFormatIcon, NoLightFor4BitFormatsOnlyWhenAsked) {
    auto working = Gradient(16, 16);
    EffectSettings lit;
    lit.light = 80;
    lit.lightPos = {40, 200};
    lit.noLight4Bit = true;
    EffectSettings dark = lit;
    dark.light = 0;

    auto fourLit = BuildFormatIcon(*working, 16, 16, 4, false, lit);
    auto fourDark = BuildFormatIcon(*working, 16, 16, 4, false, dark);
    EXPECT_TRUE(std::equal(fourLit->Pixels().begin(), fourLit->Pixels().end(),
                           fourDark->Pixels().begin(), fourDark->Pixels().end()));

    auto eightLit = BuildFormatIcon(*working, 16, 16, 8, false, lit);
    auto eightDark = BuildFormatIcon(*working, 16, 16, 8, false, dark);
    EXPECT_FALSE(std::equal(eightLit->Pixels().begin(), eightLit->Pixels().end(),
                            eightDark->Pixels().begin(), eightDark->Pixels().end()));

    lit.noLight4Bit = false;
    fourLit = BuildFormatIcon(*working, 16, 16, 4, false, lit);
    EXPECT_FALSE(std::equal(fourLit->Pixels().begin(), fourLit->Pixels().end(),
                            fourDark->Pixels().begin(), fourDark->Pixels().end()));
}

TEST(BuildFormatIcon, PaletteFormatsCarryAMedianCutPalette) {
    // An all-red picture gives red at index 7 and black elsewhere, not the grey ramp.
    auto working = Filled(8, 8, 0xFFFF0000u);
    auto icon = BuildFormatIcon(*working, 4, 4, 4, true, EffectSettings{});
    ASSERT_EQ(icon->Palette().size(), 16u);
    EXPECT_EQ(icon->Palette()[7], (RGBQUAD{0, 0, 255, 0}));
    EXPECT_EQ(icon->Palette()[1], (RGBQUAD{0, 0, 0, 0}));
}

TEST(BuildFormatIcon, ExtremeSizes) {
    auto working = Gradient(30, 20);
    for (auto [w, h] : {std::pair{1, 1}, std::pair{1, 512}, std::pair{512, 3}}) {
        auto icon = BuildFormatIcon(*working, w, h, 8, true, EffectSettings{});
        ASSERT_TRUE(icon);
        EXPECT_EQ(icon->Width(), w);
        EXPECT_EQ(icon->Height(), h);
    }
    EXPECT_FALSE(BuildFormatIcon(*working, 0, 16, 32, true, EffectSettings{}));
}

TEST(ViewPreview, EffectsAtTheWorkingSizeWithCornersLast) {
    auto working = Filled(4, 4, 0xFF204060u);
    EffectSettings e;
    e.round = 200;
    e.brightness = 10;
    auto preview = BuildViewPreview(*working, e);
    ASSERT_EQ(preview->Width(), 4);
    EXPECT_EQ(OpaqueMap(*preview),
              (std::vector<int>{0, 0, 0, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(preview->Row(1)[1], 0xFF2A4A6Au);
    EXPECT_EQ(working->Row(1)[1], 0xFF204060u);
}

TEST(ViewPreview, LargePicturesArePreviewedFromACopyAtTheViewSide) {
    // 4100 x 2050: the longer side is cut to kViewPreviewSide, the shorter in proportion,
    // by nearest pixel; the effects then run on that copy.
    auto working = CreateIcon(2 * kViewPreviewSide + 4, kViewPreviewSide + 2, 32);
    ASSERT_NE(working, nullptr);
    for (int y = 0; y < working->Height(); ++y) {
        for (int x = 0; x < working->Width(); ++x) {
            working->Row(y)[x] = MakePixel(255, x % 256, y % 256, 0);
        }
    }
    Workers workers(2);
    const auto copy = ViewSizedCopy(*working, workers);
    ASSERT_EQ(copy->Width(), kViewPreviewSide);
    ASSERT_EQ(copy->Height(), kViewPreviewSide / 2);
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{1, 1}, std::pair{2047, 1023}}) {
        const int sx = static_cast<int>(static_cast<long long>(working->Width()) * x / copy->Width());
        const int sy =
            static_cast<int>(static_cast<long long>(working->Height()) * y / copy->Height());
        EXPECT_EQ(copy->Row(y)[x], working->Row(sy)[sx]) << x << "," << y;
    }
    EffectSettings e;
    e.brightness = 10;
    const auto preview = BuildViewPreview(*working, e, workers);
    EXPECT_EQ(preview->Width(), kViewPreviewSide);
    auto filtered = CloneIcon(copy.get());
    filtered->ApplyFilters(e.brightness, e.contrast, e.light, e.lightPos, e.transparent, e.shadow,
                           e.shadowPos, &workers);
    EXPECT_TRUE(std::equal(preview->Pixels().begin(), preview->Pixels().end(),
                           filtered->Pixels().begin()));
    // At the view side or below, the working size stays.
    const auto small = CreateIcon(kViewPreviewSide, 3, 32);
    EXPECT_EQ(ViewSizedCopy(*small, workers)->Width(), kViewPreviewSide);
}

}  // namespace
}  // namespace varlen
