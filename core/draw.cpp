#include "core/icon.h"
// NOT YET IMPLEMENTED: placeholder bodies so that the library links.
namespace varlen {
std::vector<Pixel> CIcon::Draw(const Rect*, const Rect*, bool, bool, double, bool, ColorRef) const { return {}; }
}  // namespace varlen
