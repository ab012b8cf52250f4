// Plain transcriptions of the transparent-region clicks, kept only to check the fast code in
// core/region.cpp against. They are slow on purpose: one diamond per marked pixel, a copy of
// the image to match on, a byte map of visited pixels and a work list handled one generation
// at a time.
#pragma once

#include "core/icon.h"

namespace varlen::reference {

// Alpha 0 at every pixel (x + dx, y + dy) inside the image with |dx| + |dy| <= n.
void ClearAround(CIcon& icon, int x, int y, int n);
// ClearAround(x, y, expansion) for every pixel matching color, rows from the top.
void ClearColorRegion(CIcon& icon, Pixel color, int tolerance, int expansion);
// The matching run on row y found from column x (pixels outside the image never match).
CIcon::CLOSEDRANGE FindSpan(const CIcon& icon, int x, int y, Pixel color, int tolerance2);
// The closed-region fill by generations of runs. Callers keep |tolerance| <= 46340 so that
// its square fits in 32 bits. A seed outside the image does nothing.
void ClearClosedRegion(CIcon& icon, int x, int y, int tolerance, int expansion);

}  // namespace varlen::reference
