// The picture as a decoder delivers it, before it becomes a CIcon: a device-independent
// bitmap of 1, 4, 8, 16, 24 or 32 bits per pixel, rows top row first with a fixed stride.
//
// Layout of one row by depth:
// - 1, 4, 8: palette indexes, most significant bits first within a byte; the palette has
//   exactly 2^depth entries (a shorter colour table is padded with black entries, so every
//   index a row can hold has a colour).
// - 16: little-endian 16-bit values whose channels lie under redMask, greenMask and
//   blueMask (5-5-5 when all three masks are 0).
// - 24: blue, green, red.
// - 32: blue, green, red and a fourth byte that is alpha only when the converter is told so.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>
#include <vector>

#include "core/icon.h"

namespace varlen {

// No decoder delivers a picture wider or taller than this; sizes are checked before any
// pixel buffer is allocated. The fuzz build lowers it (VARLEN_FUZZ_PICTURE_SIDE) so that
// each input runs in well under its time limit and an allocation far beyond what the
// largest picture needs is caught as an error; every check stays the same.
#ifdef VARLEN_FUZZ_PICTURE_SIDE
inline constexpr int kMaxPictureSide = VARLEN_FUZZ_PICTURE_SIDE;
#else
inline constexpr int kMaxPictureSide = 16384;
#endif

// An allocator of zero-filled memory that lets the system provide the zeros: blocks come
// from calloc, which for large blocks hands out fresh pages that are zero without being
// written, and elements that a container would value-initialise are left as they are (they
// are already 0). So the pages of a large pixel buffer stay untouched, and take no memory,
// until a decoder really fills them: a lying header that announces a big picture costs only
// the rows the data holds.
// Trap: growing again within the capacity after shrinking gives back the old bytes, not
// zeros (no decoder does that).
template <class T>
struct ZeroPageAllocator {
    using value_type = T;
    ZeroPageAllocator() = default;
    template <class U>
    explicit ZeroPageAllocator(const ZeroPageAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) {
        void* p = std::calloc(n == 0 ? 1 : n, sizeof(T));
        if (p == nullptr) {
            throw std::bad_alloc();
        }
        return static_cast<T*>(p);
    }
    void deallocate(T* p, std::size_t) noexcept { std::free(p); }
    template <class U>
    void construct(U*) noexcept {}
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
    template <class U>
    friend bool operator==(const ZeroPageAllocator&, const ZeroPageAllocator<U>&) noexcept {
        return true;
    }
};

// Pixel rows of a decoder: new bytes are 0 (see above) but their pages are not touched.
using PixelBytes = std::vector<std::uint8_t, ZeroPageAllocator<std::uint8_t>>;

struct DecodedBitmap {
    int width = 0;
    int height = 0;
    int depth = 0;
    std::size_t stride = 0;        // bytes from one row to the next
    PixelBytes bits;               // height rows of stride bytes, top row first
    std::vector<RGBQUAD> palette;  // 2^depth entries when depth <= 8, else empty
    std::uint32_t redMask = 0;     // depth 16 only
    std::uint32_t greenMask = 0;
    std::uint32_t blueMask = 0;
    // How the rows are stored, as an EXIF Orientation value (1 = upright; see
    // TurnUpright in io/exif_orientation.h). FromImage ignores it; the picture-file
    // loaders turn the picture upright after converting it.
    int orientation = 1;
    // When set, the rows lie in memory the bitmap does not own and bits stays empty: row y
    // (top row first) starts at borrowedRows + y * borrowedStep, a step that is negative
    // for rows stored bottom-up. The owner must outlive the bitmap.
    const std::uint8_t* borrowedRows = nullptr;
    std::ptrdiff_t borrowedStep = 0;

    const std::uint8_t* Row(int y) const {
        return borrowedRows != nullptr ? borrowedRows + y * borrowedStep
                                       : bits.data() + static_cast<std::size_t>(y) * stride;
    }
};

// Bytes one row of width pixels at depth bits needs (without padding).
constexpr std::size_t PackedRowBytes(int width, int depth) {
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(depth) + 7) / 8;
}

// One colour channel of a bit-field pixel: the bits under a contiguous mask.
struct ChannelField {
    std::uint32_t mask = 0;
    int shift = 0;  // position of the lowest bit of the mask
    int bits = 0;   // width of the mask; 0 for an empty mask

    // False when the mask's bits are not contiguous.
    static constexpr bool Make(std::uint32_t m, ChannelField& out) {
        out = ChannelField{};
        if (m == 0) {
            return true;
        }
        const int shift = std::countr_zero(m);
        const std::uint32_t v = m >> shift;
        if ((v & (v + 1)) != 0) {
            return false;
        }
        out = ChannelField{m, shift, std::popcount(v)};
        return true;
    }
    // The channel of pixel value p scaled to 0 ... 255 by repeating its bits (5 bits abcde
    // give abcdeabc), so all-ones gives 255 and 0 gives 0; wider channels keep their top 8.
    constexpr int Expand(std::uint32_t p) const {
        if (bits == 0) {
            return 0;
        }
        const std::uint32_t v = (p & mask) >> shift;
        if (bits >= 8) {
            return static_cast<int>(v >> (bits - 8));
        }
        std::uint32_t out = 0;
        int filled = 0;
        while (filled < 8) {
            out = (out << bits) | v;
            filled += bits;
        }
        return static_cast<int>(out >> (filled - 8));
    }
};

}  // namespace varlen
