// EffectSettings: the filter values of the filters page as the image core takes them, and
// the range of each (the sliders', the command line's, and the one stored values are
// clamped into). The filters themselves pass values outside them through unchanged.
#pragma once

#include <algorithm>

#include "core/icon.h"

namespace varlen {

// An inclusive range of whole numbers.
struct ValueRange {
    int lo;
    int hi;
    constexpr bool Contains(int v) const { return v >= lo && v <= hi; }
    constexpr int Clamp(int v) const { return std::clamp(v, lo, hi); }
    friend constexpr bool operator==(const ValueRange&, const ValueRange&) = default;
};

inline constexpr ValueRange kBrightnessRange{-100, 100};
inline constexpr ValueRange kContrastRange{-100, 100};
inline constexpr ValueRange kSharpRange{0, 8};
inline constexpr ValueRange kLightRange{0, 100};
inline constexpr ValueRange kTransparencyRange{-100, 100};
inline constexpr ValueRange kShadowRange{0, 100};
inline constexpr ValueRange kRoundRange{0, 200};
inline constexpr ValueRange kFadeRange{0, 100};
// Each half of a position as the command line takes it.
inline constexpr ValueRange kLightPosRange{0, 255};
inline constexpr ValueRange kShadowPosRange{-127, 128};
// The transparent-region tolerance and expansion (not filters, but set beside them).
inline constexpr ValueRange kToleranceRange{0, 255};
inline constexpr ValueRange kExpandRange{0, 255};

// 0 switches an effect off, for every value except the two positions.
struct EffectSettings {
    int brightness = 0;         // -100 ... 100, added to each colour channel
    int contrast = 0;           // -100 ... 100, percent stretch away from 128
    int sharp = 0;              // 0 ... 8, sharpen strength
    int light = 0;              // 0 ... 100, light strength
    Point lightPos{0, 0};       // light position in 1/256 of width and height
    bool noLight4Bit = false;   // no light for 4-bit formats
    int transparent = 0;        // -100 ... 100, added to alpha in percent of 255
    int shadow = 0;             // 0 ... 100, shadow alpha in percent of the casting alpha
    Point shadowPos{127, 127};  // shadow direction: position in 1/256 of the image - 127
    int round = 0;              // 0 ... 200: 1 ... 99 rounded rectangle, 100 ... 200 circle
    int fade = 0;               // 0 ... 100, soft edge width in percent
    friend constexpr bool operator==(const EffectSettings&, const EffectSettings&) = default;
};

// The values brought into their ranges; the positions are passed as they are.
constexpr EffectSettings ClampEffects(const EffectSettings& in) {
    EffectSettings e = in;
    e.brightness = kBrightnessRange.Clamp(in.brightness);
    e.contrast = kContrastRange.Clamp(in.contrast);
    e.sharp = kSharpRange.Clamp(in.sharp);
    e.light = kLightRange.Clamp(in.light);
    e.transparent = kTransparencyRange.Clamp(in.transparent);
    e.shadow = kShadowRange.Clamp(in.shadow);
    e.round = kRoundRange.Clamp(in.round);
    e.fade = kFadeRange.Clamp(in.fade);
    return e;
}

}  // namespace varlen
