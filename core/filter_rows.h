// What the filter files share: the clamping rule for wide intermediates, the ranges of
// rows their loops run in, and the AVX2 / any-x86-64 versions of their vector loops.
//
// The hottest loops are compiled twice where GCC can choose between versions at run time:
// for processors with AVX2 (wider vectors, the same operations; AVX2 brings no fused
// multiply-add) and for any x86-64. Both give the same bits (VARLEN_NO_VECTOR_CLONES builds
// the any-x86-64 version alone, to test it on a processor that has AVX2). Files that use
// VARLEN_VECTOR_CLONES get the vector compile options in core/CMakeLists.txt.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/workers.h"

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__) && \
    !defined(VARLEN_NO_VECTOR_CLONES)
#define VARLEN_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VARLEN_VECTOR_CLONES
#endif

namespace varlen::filter_rows {

using i64 = std::int64_t;

// Clamping rule of the filters for wide intermediates.
constexpr int Clamp64(i64 v) {
    return v < 1 ? 0 : (v > 255 ? 255 : static_cast<int>(v));
}

// Rows per range for the per-row loops.
constexpr std::size_t kRowsPerRange = 16;

// Runs rows(yBegin, yEnd) over 0 ... height - 1 in ranges.
template <class Rows>
void ForImageRows(Workers& workers, int height, const Rows& rows) {
    workers.ForRanges(static_cast<std::size_t>(height), kRowsPerRange,
                      [&](std::size_t begin, std::size_t end) {
                          rows(static_cast<int>(begin), static_cast<int>(end));
                      });
}

}  // namespace varlen::filter_rows
