// CIcon::Convolve and CIcon::Sharpen: n x n integer convolution of all four channels, in
// place, and the 3 x 3 sharpen built on it.
//
// Contract and traps:
// - Convolve reads the original pixels, never its own output: it keeps a rolling window
//   of copies of the rows the kernel spans, each row copied before it is written, instead
//   of a copy of the whole image. Sums that fit in 32 bits (every sharpen) are taken in
//   32-bit integers, tap by tap over a whole run of columns (vector code; exact integers,
//   so the order of the additions changes nothing); larger kernels use 64-bit sums, and
//   kernels whose sums could overflow those are refused (the image is kept).
// - Taps outside the image count neither in the sums nor in the weight, so edge pixels are
//   normalised by the weights of their inside taps; a weight sum of 0 means no division.
//   All four channels, alpha included, are convolved and clamped.
// - On several threads each range of rows gets copies of the original rows just outside it,
//   taken before any range writes, so a range never reads a row another range may already
//   have overwritten.
// - Sharpen builds its kernel per call (centre 2^(8 - s) + 4): nothing is shared between
//   calls, so images may be sharpened on several threads at once.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

#include "core/filter_rows.h"
#include "core/icon.h"
#include "core/workers.h"

namespace varlen {

namespace {

using filter_rows::Clamp64;
using filter_rows::i64;
using filter_rows::kRowsPerRange;

struct Tap {
    int dx, dy;
    int k;
};

// One tap as seen from one output row: the original source row it reads.
template <typename Acc>
struct RowTap {
    const Pixel* src;  // the original source row; column x reads element x + dx
    int dx;
    Acc k;
};

// Signed division truncating toward zero by a positive power of two 2^shift.
template <typename Acc>
inline Acc DivPow2(Acc v, int shift) {
    const Acc bias = v < 0 ? (Acc{1} << shift) - 1 : 0;
    return (v + bias) >> shift;
}

// The convolution with accumulators of type Acc (used for kernels whose sums need 64 bits),
// which the caller has checked to be wide enough for every possible sum. The original pixels are
// read from a rolling window that holds the rows at and above the current one (those are
// overwritten already or now); rows below are still untouched in the image itself.
template <typename Acc>
void ConvolveWide(CIcon& icon, const std::vector<Tap>& taps) {
    const int W = icon.Width();
    const int H = icon.Height();
    int dxMin = 0, dxMax = 0, dyMin = 0;
    for (const Tap& t : taps) {
        dxMin = std::min(dxMin, t.dx);
        dxMax = std::max(dxMax, t.dx);
        dyMin = std::min(dyMin, t.dy);
    }
    // Columns [xa, xb) have every tap inside the image horizontally.
    const int xa = std::min(W, -dxMin);
    const int xb = std::max(xa, W - dxMax);
    const auto n = static_cast<std::size_t>(W);
    // Window rows needed: the current row and min(-dyMin, H - 1) rows above it.
    const auto slots = static_cast<std::size_t>(std::min(-dyMin, H - 1)) + 1;
    std::vector<Pixel> window(slots * n);
    std::vector<RowTap<Acc>> rowTaps;
    rowTaps.reserve(taps.size());
    for (int y = 0; y < H; ++y) {
        Pixel* row = icon.Row(y);
        Pixel* saved = window.data() + (static_cast<std::size_t>(y) % slots) * n;
        std::copy(row, row + W, saved);
        rowTaps.clear();
        Acc midWeight = 0;
        for (const Tap& t : taps) {
            const int sy = y + t.dy;
            if (sy < 0 || sy >= H) {
                continue;
            }
            const Pixel* s =
                sy <= y ? window.data() + (static_cast<std::size_t>(sy) % slots) * n : icon.Row(sy);
            rowTaps.push_back({s, t.dx, static_cast<Acc>(t.k)});
            midWeight += t.k;
        }
        // Sums of the inside taps at column x, and their weight when check is set.
        auto column = [&](int x, bool check, Acc& w, Acc& a, Acc& r, Acc& g, Acc& b) {
            for (const RowTap<Acc>& t : rowTaps) {
                const int sx = x + t.dx;
                if (check) {
                    if (sx < 0 || sx >= W) {
                        continue;
                    }
                    w += t.k;
                }
                const Pixel p = t.src[sx];
                a += t.k * static_cast<Acc>(p >> 24);
                r += t.k * static_cast<Acc>((p >> 16) & 0xFF);
                g += t.k * static_cast<Acc>((p >> 8) & 0xFF);
                b += t.k * static_cast<Acc>(p & 0xFF);
            }
        };
        // Edge columns: normalised by the weight of the taps inside at that column.
        auto edgeColumn = [&](int x) {
            Acc w = 0, a = 0, r = 0, g = 0, b = 0;
            column(x, true, w, a, r, g, b);
            if (w != 0) {
                a /= w;
                r /= w;
                g /= w;
                b /= w;
            }
            row[x] = MakePixel(Clamp64(a), Clamp64(r), Clamp64(g), Clamp64(b));
        };
        for (int x = 0; x < xa; ++x) {
            edgeColumn(x);
        }
        // Middle columns share one weight; a power of two divides by shifting.
        const Acc w = midWeight;
        int shift = -1;
        if (w > 0 && (w & (w - 1)) == 0) {
            shift = 0;
            while ((Acc{1} << shift) != w) {
                ++shift;
            }
        }
        for (int x = xa; x < xb; ++x) {
            Acc unused = 0, a = 0, r = 0, g = 0, b = 0;
            column(x, false, unused, a, r, g, b);
            if (shift >= 0) {
                a = DivPow2(a, shift);
                r = DivPow2(r, shift);
                g = DivPow2(g, shift);
                b = DivPow2(b, shift);
            } else if (w != 0) {
                a /= w;
                r /= w;
                g /= w;
                b /= w;
            }
            row[x] = MakePixel(Clamp64(a), Clamp64(r), Clamp64(g), Clamp64(b));
        }
        for (int x = xb; x < W; ++x) {
            edgeColumn(x);
        }
    }
}

// Original rows that a range of output rows reads but does not own: the rows of the
// neighbouring ranges next to its edges, copied before any range starts writing.
struct HaloRows {
    std::vector<int> index;
    std::vector<std::vector<Pixel>> pixels;

    const Pixel* Find(int row) const {
        for (std::size_t i = 0; i < index.size(); ++i) {
            if (index[i] == row) {
                return pixels[i].data();
            }
        }
        return nullptr;
    }
};

// A row of pixels spread into 32-bit channel values, four per pixel in memory order (blue,
// green, red, alpha), so that the sums below are plain loops over integers that the compiler
// turns into vector code.
inline void SpreadRow(const Pixel* src, int W, std::int32_t* dst) {
    for (int x = 0; x < W; ++x) {
        const Pixel p = src[x];
        dst[4 * x] = static_cast<std::int32_t>(p & 0xFF);
        dst[4 * x + 1] = static_cast<std::int32_t>((p >> 8) & 0xFF);
        dst[4 * x + 2] = static_cast<std::int32_t>((p >> 16) & 0xFF);
        dst[4 * x + 3] = static_cast<std::int32_t>(p >> 24);
    }
}

// sum[i] += k * src[i] for i < n: every product and sum fits in 32 signed bits (the caller
// checks the bound), so the order of the additions cannot change any result.
VARLEN_VECTOR_CLONES void AddScaled(std::int32_t* __restrict sum,
                                    const std::int32_t* __restrict src, std::int32_t k,
                                    std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        sum[i] += k * src[i];
    }
}

// Clamps four channel sums (blue, green, red, alpha) into a pixel.
inline Pixel Store(const std::int32_t* c) {
    return MakePixel(ClampChannel(c[3]), ClampChannel(c[2]), ClampChannel(c[1]),
                     ClampChannel(c[0]));
}

struct SpreadTap {
    const std::int32_t* src;  // the original source row, spread; column x starts at 4 (x + dx)
    int dx;
    std::int32_t k;
};

// Output rows yBegin ... yEnd - 1 of the convolution for kernels whose every sum fits in 32
// signed bits (every sharpen). The rows the kernel spans are kept spread in a ring; each row
// enters the ring before it is overwritten, so only original pixels are read. Rows of the
// range are read from the image, rows outside it from halo. The middle columns (every tap
// inside) are summed tap by tap over the whole run of columns; the sums are exact integers,
// so they equal the pixel-by-pixel sums in any order.
void ConvolveNarrowRows(CIcon& icon, const std::vector<Tap>& taps, int yBegin, int yEnd,
                        const HaloRows& halo) {
    const int W = icon.Width();
    const int H = icon.Height();
    int dxMin = 0, dxMax = 0, dyLo = 0, dyHi = 0;
    for (const Tap& t : taps) {
        dxMin = std::min(dxMin, t.dx);
        dxMax = std::max(dxMax, t.dx);
        dyLo = std::min(dyLo, t.dy);
        dyHi = std::max(dyHi, t.dy);
    }
    const int xa = std::min(W, -dxMin);
    const int xb = std::max(xa, W - dxMax);
    const std::size_t n = 4 * static_cast<std::size_t>(W);
    const auto slots = static_cast<std::size_t>(std::min(dyHi - dyLo, H - 1)) + 1;
    std::vector<std::int32_t> ring(slots * n);
    std::vector<std::int32_t> sums(n);
    auto slot = [&](int r) { return ring.data() + (static_cast<std::size_t>(r) % slots) * n; };
    int loaded = std::max(0, yBegin + dyLo) - 1;  // last row spread into the ring
    std::vector<SpreadTap> rowTaps;
    rowTaps.reserve(taps.size());
    for (int y = yBegin; y < yEnd; ++y) {
        for (const int need = std::min(H - 1, y + dyHi); loaded < need;) {
            ++loaded;
            const Pixel* s =
                loaded >= yBegin && loaded < yEnd ? icon.Row(loaded) : halo.Find(loaded);
            SpreadRow(s, W, slot(loaded));
        }
        rowTaps.clear();
        std::int32_t midWeight = 0;
        for (const Tap& t : taps) {
            const int sy = y + t.dy;
            if (sy >= 0 && sy < H) {
                rowTaps.push_back({slot(sy), t.dx, t.k});
                midWeight += t.k;
            }
        }
        Pixel* row = icon.Row(y);
        // Edge columns: only the taps inside, normalised by their weight.
        auto edgeColumn = [&](int x) {
            std::int32_t c[4] = {0, 0, 0, 0};
            std::int32_t w = 0;
            for (const SpreadTap& t : rowTaps) {
                const int sx = x + t.dx;
                if (sx >= 0 && sx < W) {
                    for (std::size_t i = 0; i < 4; ++i) {
                        c[i] += t.k * t.src[4 * static_cast<std::size_t>(sx) + i];
                    }
                    w += t.k;
                }
            }
            if (w != 0) {
                for (std::int32_t& v : c) {
                    v /= w;
                }
            }
            row[x] = Store(c);
        };
        for (int x = 0; x < xa; ++x) {
            edgeColumn(x);
        }
        for (int x = xb; x < W; ++x) {
            edgeColumn(x);
        }
        if (xa >= xb) {
            continue;
        }
        // Middle columns share one weight; a power of two divides by shifting.
        const std::size_t first = 4 * static_cast<std::size_t>(xa);
        const std::size_t count = 4 * static_cast<std::size_t>(xb - xa);
        std::int32_t* sum = sums.data() + first;
        std::fill(sum, sum + count, 0);
        for (const SpreadTap& t : rowTaps) {
            AddScaled(sum, t.src + first + 4 * static_cast<std::ptrdiff_t>(t.dx), t.k, count);
        }
        const std::int32_t w = midWeight;
        int shift = -1;
        if (w > 0 && (w & (w - 1)) == 0) {
            shift = 0;
            while ((1 << shift) != w) {
                ++shift;
            }
        }
        if (shift >= 0) {
            const std::int32_t bias = (std::int32_t{1} << shift) - 1;
            for (std::size_t i = 0; i < count; ++i) {
                const std::int32_t v = sum[i];
                sum[i] = (v + (v < 0 ? bias : 0)) >> shift;
            }
        } else if (w != 0) {
            for (std::size_t i = 0; i < count; ++i) {
                sum[i] /= w;
            }
        }
        for (int x = xa; x < xb; ++x) {
            row[x] = Store(sums.data() + 4 * static_cast<std::size_t>(x));
        }
    }
}

// The narrow convolution over all rows, in ranges of rows on the workers.
void ConvolveNarrow(CIcon& icon, const std::vector<Tap>& taps, Workers& workers) {
    const int H = icon.Height();
    int dyLo = 0, dyHi = 0;
    for (const Tap& t : taps) {
        dyLo = std::min(dyLo, t.dy);
        dyHi = std::max(dyHi, t.dy);
    }
    const std::vector<std::size_t> bounds =
        workers.Ranges(static_cast<std::size_t>(H),
                       std::max(kRowsPerRange, static_cast<std::size_t>(dyHi - dyLo)));
    HaloRows halo;
    for (std::size_t r = 1; r + 1 < bounds.size(); ++r) {
        const int edge = static_cast<int>(bounds[r]);
        for (int row = std::max(0, edge + dyLo); row < std::min(H, edge + dyHi); ++row) {
            if (halo.Find(row) == nullptr) {
                halo.index.push_back(row);
                halo.pixels.emplace_back(icon.Row(row), icon.Row(row) + icon.Width());
            }
        }
    }
    workers.For(bounds.size() - 1, [&](std::size_t r) {
        ConvolveNarrowRows(icon, taps, static_cast<int>(bounds[r]), static_cast<int>(bounds[r + 1]),
                           halo);
    });
}

void ConvolveOn(Workers& workers, CIcon& icon, int n, std::span<const int> kernel) {
    if (n <= 0 || kernel.size() < static_cast<std::size_t>(n) * static_cast<std::size_t>(n)) {
        return;
    }
    // Zero taps add nothing to any sum or weight: leave them out.
    std::vector<Tap> taps;
    double bound = 0;  // largest possible |sum|, for choosing the accumulator width
    for (int ky = 0; ky < n; ++ky) {
        for (int kx = 0; kx < n; ++kx) {
            const int k = kernel[static_cast<std::size_t>(ky) * static_cast<std::size_t>(n) +
                                 static_cast<std::size_t>(kx)];
            if (k != 0) {
                taps.push_back({kx - n / 2, ky - n / 2, k});
                bound += std::abs(static_cast<double>(k)) * 255.0;
            }
        }
    }
    if (taps.empty()) {
        // Every sum and weight is 0: every pixel becomes 0.
        std::fill(icon.Pixels().begin(), icon.Pixels().end(), Pixel{0});
        return;
    }
    if (bound < static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        ConvolveNarrow(icon, taps, workers);
    } else if (bound < 0x1p62) {
        ConvolveWide<i64>(icon, taps);
    }
    // Beyond that no 64-bit sum is safe; such a kernel is refused and the image kept.
}

void SharpenOn(Workers& workers, CIcon& icon, int strength) {
    if (strength <= 0) {
        return;
    }
    // Strengths above 8 would need a negative shift; they sharpen as strongly as 8.
    const int s = std::min(strength, 8);
    const std::array<int, 9> kernel{0, -1, 0, -1, (1 << (8 - s)) + 4, -1, 0, -1, 0};
    ConvolveOn(workers, icon, 3, kernel);
}

}  // namespace

void CIcon::Convolve(int n, std::span<const int> kernel, Workers* workers) {
    OnWorkers(workers, [&](Workers& w) { ConvolveOn(w, *this, n, kernel); });
}

void CIcon::Sharpen(int strength, Workers* workers) {
    OnWorkers(workers, [&](Workers& w) { SharpenOn(w, *this, strength); });
}

}  // namespace varlen
