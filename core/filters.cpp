#include "core/icon.h"
// NOT YET IMPLEMENTED: placeholder bodies so that the library links.
namespace varlen {
void CIcon::ApplyFilters(int, int, int, Point, int, int, Point) {}
void CIcon::RoundCorners(int, int) {}
void CIcon::Convolve(int, std::span<const int>) {}
void CIcon::Sharpen(int) {}
}  // namespace varlen
