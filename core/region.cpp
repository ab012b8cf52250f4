#include "core/icon.h"
// NOT YET IMPLEMENTED: placeholder bodies so that the library links.
namespace varlen {
void CIcon::ClearAround(int, int, int) {}
void CIcon::ClearColorRegion(Pixel, int, int) {}
CIcon::CLOSEDRANGE CIcon::FindSpan(int, int, Pixel, int) const {
    return {};
}
void CIcon::ClearClosedRegion(int, int, int, int) {}
}  // namespace varlen
