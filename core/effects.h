// EffectSettings: the filter values of the filters page as the image core takes them.
#pragma once

#include "core/icon.h"

namespace varlen {

// 0 switches an effect off, for every value except the two positions. Ranges are those of
// the sliders; values outside them are passed through unchanged.
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

}  // namespace varlen
