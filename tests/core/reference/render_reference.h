// Plain, literal versions of CIcon::Render and CIcon::SampleBilinear, written for clarity
// rather than speed. The tests check the optimised code against these pixel for pixel.
#pragma once

#include "core/icon.h"

namespace varlen::reference {

// Same contract as CIcon::Render, called with the destination as first argument.
void Render(CIcon& dest, const CIcon& src, const Rect* dst, const Rect* srcRect, bool mirror,
            double angle, bool smoothing);
// Same contract as CIcon::SampleBilinear, called on src.
Pixel SampleBilinear(const CIcon& src, double x, double y);

}  // namespace varlen::reference
