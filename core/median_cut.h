// The pieces of the median-cut palette (CIcon::MakePalette), exposed so that each step can be
// checked on its own. Implemented in reduce.cpp.
//
// The palette is made in three steps:
//   1. BuildHistogram: the distinct colours of the image in a fixed order with their counts;
//   2. MedianCutBoxes: the entries are reordered in place and cut into numColors boxes;
//   3. BoxPalette: each box becomes the count-weighted average of its colours.
// The order of the entries is part of the result: the cut always falls in the middle of the
// entry list of a box, so a different order (even among equal keys) gives different boxes.
#pragma once

#include <cstdint>
#include <vector>

#include "core/icon.h"

namespace varlen {

struct HistEntry {
    // The pixel value that first showed this colour (alpha included); only red, green and
    // blue are used.
    Pixel color = 0;
    // 64 bits so that no image the factories accept can overflow it (entry 0 alone starts at
    // width x height).
    std::int64_t count = 0;
};

// Entry 0 is black with the count width x height, to which every black pixel (any alpha) adds
// one; then every other 24-bit colour in order of first appearance, rows from the top, each
// row left to right, counting its pixels.
std::vector<HistEntry> BuildHistogram(const CIcon& icon);

// Sorts entries [start, end) in descending order of the channel with the widest range (ties
// between ranges: green over red, blue only when strictly wider than the winner), with exactly
// the permutation of a selection sort that, for each position p, swaps p with the first entry
// in p ... end - 1 holding the largest value. Returns (start + end) / 2. An empty run is left
// alone.
int SplitBox(std::vector<HistEntry>& entries, int start, int end);

// Cuts the entries into numColors (a power of two) boxes by rounds of SplitBox, reordering
// them in place. Returns the boundaries B[0 ... numColors]: box k is entries B[k] ... B[k+1]-1.
std::vector<int> MedianCutBoxes(std::vector<HistEntry>& entries, int numColors);

// One palette entry per box: the count-weighted average red, green and blue (truncated), or
// black for an empty box. Sums are 64-bit, so large images do not wrap around.
std::vector<RGBQUAD> BoxPalette(const std::vector<HistEntry>& entries,
                                const std::vector<int>& bounds);

}  // namespace varlen
