// The format build pipeline step by step as written, one format at a time, with the literal
// render for the resize. The fast pipeline (shared resizes, no clone where nothing changes,
// threads) must give the same images.
#pragma once

#include <memory>

#include "core/effects.h"
#include "core/icon.h"
#include "core/reference/render_reference.h"

namespace varlen::reference {

inline void ApplyEffects(CIcon& icon, int bpp, const EffectSettings& e) {
    const int light = (bpp == 4 && e.noLight4Bit) ? 0 : e.light;
    icon.ApplyFilters(e.brightness, e.contrast, light, e.lightPos, e.transparent, e.shadow,
                      e.shadowPos);
    icon.RoundCorners(e.round, e.fade);
}

inline std::unique_ptr<CIcon> BuildFormatIcon(const CIcon& working, int width, int height, int bpp,
                                              bool smoothing, const EffectSettings& effects) {
    auto s = CloneIcon(&working);
    if (bpp != 32) {
        s->ThresholdAlpha();
    }
    if (width < s->Width() || height < s->Height()) {
        ApplyEffects(*s, bpp, effects);
    }
    auto v = CreateIcon(width, height, bpp);
    if (!v) {
        return nullptr;
    }
    Render(*v, *s, nullptr, nullptr, false, 0.0, smoothing);
    if (width >= s->Width() && height >= s->Height()) {
        ApplyEffects(*v, bpp, effects);
    }
    v->Sharpen(effects.sharp);
    if (bpp <= 8) {
        v->MakePalette();
    }
    return v;
}

}  // namespace varlen::reference
