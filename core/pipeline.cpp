#include "core/pipeline.h"

namespace varlen {

namespace {

void ApplyEffects(CIcon& icon, int bpp, const EffectSettings& e) {
    const int light = (bpp == 4 && e.noLight4Bit) ? 0 : e.light;
    icon.ApplyFilters(e.brightness, e.contrast, light, e.lightPos, e.transparent, e.shadow,
                      e.shadowPos);
    icon.RoundCorners(e.round, e.fade);
}

}  // namespace

std::unique_ptr<CIcon> BuildFormatIcon(const CIcon& working, int width, int height, int bpp,
                                       bool smoothing, const EffectSettings& effects) {
    auto s = CloneIcon(&working);
    if (bpp != 32) {
        s->ThresholdAlpha();
    }
    const bool shrinking = width < s->Width() || height < s->Height();
    if (shrinking) {
        ApplyEffects(*s, bpp, effects);
    }
    auto v = CreateIcon(width, height, bpp, s.get(), smoothing);
    if (!v) {
        return nullptr;
    }
    if (!shrinking) {
        ApplyEffects(*v, bpp, effects);
    }
    v->Sharpen(effects.sharp);
    if (bpp <= 8) {
        v->MakePalette();
    }
    return v;
}

std::unique_ptr<CIcon> BuildViewPreview(const CIcon& working, const EffectSettings& effects) {
    auto preview = CloneIcon(&working);
    preview->ApplyFilters(effects.brightness, effects.contrast, effects.light, effects.lightPos,
                          effects.transparent, effects.shadow, effects.shadowPos);
    preview->Sharpen(effects.sharp);
    preview->RoundCorners(effects.round, effects.fade);
    return preview;
}

}  // namespace varlen
