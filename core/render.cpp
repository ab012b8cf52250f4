#include "core/icon.h"
// NOT YET IMPLEMENTED: placeholder bodies so that the library links.
namespace varlen {
void CIcon::Render(const CIcon&, const Rect*, const Rect*, bool, double, bool) {}
Pixel CIcon::SampleBilinear(double, double) const {
    return 0;
}
void CIcon::FillBackground(ColorRef) {}
}  // namespace varlen
