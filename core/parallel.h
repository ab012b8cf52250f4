// The operations that can spread their rows over the threads of a Workers object. Each
// gives exactly the result of the CIcon member of the same name (which is the one-thread
// case of it), whatever the number of threads.
#pragma once

#include "core/icon.h"
#include "core/workers.h"

namespace varlen {

// CIcon::Render on dest.
void RenderWith(Workers& workers, CIcon& dest, const CIcon& src, const Rect* dst,
                const Rect* srcRect, bool mirror, double angle, bool smoothing);

// CIcon::ApplyFilters, CIcon::RoundCorners and CIcon::Sharpen on icon.
void ApplyFiltersWith(Workers& workers, CIcon& icon, int brightness, int contrast, int light,
                      Point lightPos, int transparent, int shadow, Point shadowPos);
void RoundCornersWith(Workers& workers, CIcon& icon, int round, int fade);
void SharpenWith(Workers& workers, CIcon& icon, int strength);
// CIcon::Convolve on icon.
void ConvolveOn(Workers& workers, CIcon& icon, int n, std::span<const int> kernel);

}  // namespace varlen
