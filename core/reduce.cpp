#include "core/icon.h"
// NOT YET IMPLEMENTED: placeholder bodies so that the library links.
namespace varlen {
void CIcon::ThresholdAlpha() {}
int CIcon::CountColors() const {
    return 0;
}
bool CIcon::MakePalette() {
    return false;
}
DibBits CIcon::BuildBits() const {
    return {};
}
int NearestPaletteIndex(const CIcon&, int, int, int) {
    return 0;
}
}  // namespace varlen
