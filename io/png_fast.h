// The two readings behind DecodePng: our own reader for the common photo case and libpng for
// everything. DecodePng tries the first and, when it declines, answers with the second.
// Declared here for DecodePng, the tests and the differential fuzz target; nothing else
// should call either directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "io/decoded_bitmap.h"

namespace varlen {

// The most memory libpng may allocate for one chunk (png_set_chunk_malloc_max), and the
// longest chunk the fast reading takes.
inline constexpr std::size_t kPngLongestChunk = 16u << 20;

// How the fast reading undoes the row filters: Best is what DecodePng uses (SSE2 where the
// compiler targets it), Plain the portable loops, kept callable so they are tested on
// every machine.
enum class PngUnfilter { Best, Plain };

// An 8-bit RGB or RGBA, non-interlaced PNG without PLTE or tRNS, read without libpng: the
// same DecodedBitmap that DecodePngWithLibpng delivers for it. Nothing when the data is
// anything else or deviates in any way, however harmless; that is never a verdict on the
// data, only a request to ask libpng.
std::optional<DecodedBitmap> DecodePngFast(std::span<const std::uint8_t> data,
                                           PngUnfilter unfilter = PngUnfilter::Best);

// Any PNG through libpng: the authoritative answer, as documented for DecodePng.
std::optional<DecodedBitmap> DecodePngWithLibpng(std::span<const std::uint8_t> data);

}  // namespace varlen
