// Plain transcriptions of the colour reduction procedures, kept only to check the fast code
// in core/reduce.cpp against them: linear histogram search, selection sort, 32-bit sums,
// nearest palette index by a full scan for every pixel.
#pragma once

#include <cstdint>
#include <vector>

#include "core/icon.h"

namespace varlen::reference {

struct HistEntry {
    Pixel color = 0;
    std::int32_t count = 0;
};

int CountColors(const CIcon& icon);
std::vector<HistEntry> BuildHistogram(const CIcon& icon);
int SplitBox(std::vector<HistEntry>& entries, int start, int end);
std::vector<int> MedianCutBoxes(std::vector<HistEntry>& entries, int numColors);
// Sums in unsigned 32-bit arithmetic, as the plain procedure does (wraps on huge boxes).
std::vector<RGBQUAD> BoxPalette(const std::vector<HistEntry>& entries,
                                const std::vector<int>& bounds);
// Replaces the palette of an image of 8 bits or less; false (and no change) otherwise.
bool MakePalette(CIcon& icon);
int NearestPaletteIndex(const CIcon& icon, int red, int green, int blue);
DibBits BuildBits(const CIcon& icon);

}  // namespace varlen::reference
