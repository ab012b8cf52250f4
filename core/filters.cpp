// Filters of the filters page: ApplyFilters (contrast, brightness, light, transparency,
// shadow), RoundCorners, Convolve and Sharpen. All of them change the image in place.
//
// Contract and traps:
// - Every stage of ApplyFilters runs only when its strength is not 0, in the fixed order
//   contrast, brightness, light, transparency, shadow. All stages but the shadow leave
//   pixels with alpha 0 alone (colour included); the shadow exists to write into exactly
//   those pixels.
// - Integer stages truncate toward zero (C++ division); clamping turns anything below 1
//   into 0 and anything above 255 into 255. Intermediate products are taken in 64 bits so
//   that absurd strengths cannot overflow; for slider values this changes nothing.
// - The light stage is computed in doubles, strictly left to right as the formulas are
//   written ((255 - v) * (D - 2d) / D * k / 50 is NOT the same double as
//   (255 - v) * k / 50 * (D - 2d) / D), and the truncated change is added to v afterwards:
//   v + trunc(x), not trunc(v + x), which differs when x is negative.
// - The shadow casts the silhouette of the image (after the transparency stage) shifted
//   by (sx, sy) into pixels that are fully transparent at that moment. Reading alpha from
//   a snapshot taken before the first write gives the same result as walking from the
//   side the shadow falls towards, and keeps every row independent of the others.
//   A shadow pixel is black even when its computed alpha is 0.
// - RoundCorners mixes integers and doubles on purpose: radii and half sizes are integer
//   divisions, fade widths are doubles; the corner fade width f * L / 100 * 100 / r must
//   be evaluated in that order in doubles. A fade width of 0 means a hard edge, handled
//   explicitly (the plain formula would divide by zero and even give 0 / 0).
//   The centre distance in circle mode is W/2 - x - 1 left of the middle and
//   x - (W - W/2) from the middle on; for odd sizes that makes the middle column
//   distance 1 and its two neighbours distance 0 - that is the formula, kept as is.
//   New alpha = trunc(alpha * factor + 0.5).
// - Convolve reads the original pixels, never its own output: it keeps a rolling window
//   of copies of the rows the kernel spans, each row copied before it is written, instead
//   of a copy of the whole image. Sums that fit in 32 bits (every sharpen) are taken in
//   32-bit integers, tap by tap over a whole run of columns (vector code; exact integers,
//   so the order of the additions changes nothing); larger kernels use 64-bit sums. Taps outside
//   the image count neither in the sums nor in the weight, so edge pixels are normalised
//   by the weights of their inside taps; a weight sum of 0 means no division. All four
//   channels, alpha included, are convolved and clamped.
// - Sharpen builds its kernel per call (centre 2^(8 - s) + 4): nothing is shared between
//   calls, so images may be sharpened on several threads at once.
// - Every per-row loop runs in ranges of rows on a Workers object (the *With functions; the
//   members are their one-thread case). Rows are independent everywhere: the shadow reads an
//   alpha snapshot, and the convolution gives each range copies of the original rows just
//   outside it (taken before any range writes), so a range never reads a row that another
//   range may already have overwritten.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <vector>

#include "core/icon.h"
#include "core/parallel.h"
#include "core/workers.h"

namespace varlen {

namespace {

using i64 = std::int64_t;

// Clamping rule of the filters for wide intermediates.
constexpr int Clamp64(i64 v) {
    return v < 1 ? 0 : (v > 255 ? 255 : static_cast<int>(v));
}

constexpr Pixel WithAlpha(Pixel p, int alpha) {
    return (p & 0x00FFFFFFu) | (static_cast<Pixel>(alpha) << 24);
}

// Rows per range for the per-row loops below.
constexpr std::size_t kRowsPerRange = 16;

// Runs rows(yBegin, yEnd) over 0 ... height - 1 in ranges.
template <class Rows>
void ForImageRows(Workers& workers, int height, const Rows& rows) {
    workers.ForRanges(static_cast<std::size_t>(height), kRowsPerRange,
                      [&](std::size_t begin, std::size_t end) {
                          rows(static_cast<int>(begin), static_cast<int>(end));
                      });
}

// ----- ApplyFilters -----

// Light from point (lx, ly) with strength k on an image of diagonal D.
struct LightParams {
    double D = 0;
    double half = 0;  // D * 0.5
    double k = 0;
    std::vector<double> dx2;  // (lx - x)^2 per column
    i64 ly = 0;
};

// The light on whole rows, in passes over arrays that the compiler turns into vector code
// (this file is built with vectorisation). Per channel value v at distance d from the light:
//   d < D / 2, towards white: v + trunc(((255 - v) * (D - 2d)) / D * k / 50);
//   otherwise, towards black: v + trunc((v * (d - D * 0.5) * 2) / D * k / -50);
// clamped. Both have the form t / D * k / s, with q the bracket, t = (255 - v) * q and s = 50,
// or t = v * q * 2 and s = -50, so one division pass serves both branches. Every element goes
// through exactly these operations in this order (the vectors only do several elements at
// once), so the results are the same bits as one pixel at a time.
// The hottest loops are compiled twice where GCC can choose between versions at run time:
// for processors with AVX2 (wider vectors, the same operations; AVX2 brings no fused
// multiply-add) and for any x86-64. Both give the same bits (VARLEN_NO_VECTOR_CLONES builds
// the any-x86-64 version alone, to test it on a processor that has AVX2).
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__) && \
    !defined(VARLEN_NO_VECTOR_CLONES)
#define VARLEN_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VARLEN_VECTOR_CLONES
#endif

// Per column of a row whose squared vertical distance to the light is dy2: the bracket q
// (D - 2d towards white, d - D * 0.5 towards black) and the divisor s (50 or -50).
VARLEN_VECTOR_CLONES void LightBrackets(const double* __restrict dx2, double dy2, double D,
                                        double half, double* __restrict q, double* __restrict s,
                                        std::size_t n) {
    for (std::size_t x = 0; x < n; ++x) {
        const double d = std::sqrt(dx2[x] + dy2);
        const double qWhite = D - 2.0 * d;
        const double qBlack = d - D * 0.5;
        q[x] = d < half ? qWhite : qBlack;
        s[x] = d < half ? 50.0 : -50.0;
    }
}

// One channel of a row through the light: out = v + trunc(t), clamped, t by the formula of
// the column's branch.
VARLEN_VECTOR_CLONES void LightChannel(const double* __restrict v, const double* __restrict q,
                                       const double* __restrict s, double D, double k,
                                       double* __restrict t, std::int32_t* __restrict out,
                                       std::size_t n) {
    for (std::size_t x = 0; x < n; ++x) {
        const double white = (255.0 - v[x]) * q[x];
        const double black = v[x] * q[x] * 2.0;
        t[x] = (s[x] > 0.0 ? white : black) / D * k / s[x];
    }
    for (std::size_t x = 0; x < n; ++x) {
        // t is limited first so that the conversion to an integer is always defined (NaN
        // counts as very negative); since v lies in 0 ... 255, any |t| >= 512 gives the same
        // clamped result as the limited one.
        double limited = t[x] > -512.0 ? t[x] : -512.0;
        limited = limited > 512.0 ? 512.0 : limited;
        const std::int32_t sum =
            static_cast<std::int32_t>(v[x]) + static_cast<std::int32_t>(limited);
        out[x] = sum < 1 ? 0 : (sum > 255 ? 255 : sum);
    }
}

// The buffers of the light for the rows of one range.
class LightRows {
  public:
    explicit LightRows(int width)
        : m_n(static_cast<std::size_t>(width)),
          m_q(m_n),
          m_s(m_n),
          m_t(m_n),
          m_v(3 * m_n),
          m_out(3 * m_n) {}

    // Sets channel c (0 red, 1 green, 2 blue) of pixel x before the light.
    void Set(int c, int x, int value) { m_v[Index(c, x)] = static_cast<double>(value); }
    // Channel c of pixel x after the light.
    int Get(int c, int x) const { return m_out[Index(c, x)]; }

    // Lights every value of a row whose squared vertical distance to the light is dy2.
    void Light(double dy2, const LightParams& lp) {
        LightBrackets(lp.dx2.data(), dy2, lp.D, lp.half, m_q.data(), m_s.data(), m_n);
        for (std::size_t c = 0; c < 3; ++c) {
            LightChannel(m_v.data() + c * m_n, m_q.data(), m_s.data(), lp.D, lp.k, m_t.data(),
                         m_out.data() + c * m_n, m_n);
        }
    }

  private:
    std::size_t Index(int c, int x) const {
        return static_cast<std::size_t>(c) * m_n + static_cast<std::size_t>(x);
    }

    std::size_t m_n;
    std::vector<double> m_q, m_s, m_t;
    std::vector<double> m_v;          // red, then green, then blue values of the row
    std::vector<std::int32_t> m_out;  // the same after the light
};

// Shadow stage: alpha snapshot taken after the earlier stages, silhouette shifted by
// (sx, sy) written into pixels transparent in the snapshot.
void CastShadow(CIcon& icon, int shadow, Point shadowPos, Workers& workers) {
    const int W = icon.Width();
    const int H = icon.Height();
    const i64 sx = static_cast<i64>(shadowPos.x) * W / 2560;
    const i64 sy = static_cast<i64>(shadowPos.y) * H / 2560;
    if ((sx == 0 && sy == 0) || std::abs(sx) >= W || std::abs(sy) >= H) {
        return;  // no offset casts nothing; an offset beyond the image lands nowhere
    }
    // Shadow alpha for each casting alpha: trunc(a * f / 100); strengths beyond 100 are
    // clamped to an alpha the pixel can hold.
    std::array<std::uint8_t, 256> shade{};
    for (int a = 0; a < 256; ++a) {
        shade[static_cast<std::size_t>(a)] =
            static_cast<std::uint8_t>(Clamp64(static_cast<i64>(a) * shadow / 100));
    }
    std::vector<std::uint8_t> alpha(icon.PixelCount());
    {
        const auto px = icon.Pixels();
        for (std::size_t i = 0; i < px.size(); ++i) {
            alpha[i] = static_cast<std::uint8_t>(px[i] >> 24);
        }
    }
    const int dx = static_cast<int>(sx);
    const int dy = static_cast<int>(sy);
    const int x0 = std::max(0, dx);
    const int x1 = std::min(W, W + dx);
    const int y0 = std::max(0, dy);
    const int y1 = std::min(H, H + dy);
    workers.ForRanges(
        static_cast<std::size_t>(y1 - y0), kRowsPerRange, [&](std::size_t begin, std::size_t end) {
            for (int y = y0 + static_cast<int>(begin); y < y0 + static_cast<int>(end); ++y) {
                Pixel* row = icon.Row(y);
                const std::uint8_t* dst = alpha.data() + static_cast<std::size_t>(y) * W;
                const std::uint8_t* cast = alpha.data() + static_cast<std::size_t>(y - dy) * W;
                for (int x = x0; x < x1; ++x) {
                    const std::uint8_t c = cast[x - dx];
                    if (dst[x] == 0 && c != 0) {
                        row[x] = MakePixel(shade[c], 0, 0, 0);
                    }
                }
            }
        });
}

// ----- RoundCorners -----

// New alpha = trunc(alpha * factor + 0.5); the factor is limited to 0 ... 1 (NaN gives 0).
inline void ScaleAlpha(Pixel& p, double factor) {
    if (factor >= 1.0) {
        return;
    }
    if (!(factor > 0.0)) {
        factor = 0.0;
    }
    const int a = Alpha(p);
    if (a == 0) {
        return;
    }
    p = WithAlpha(p, static_cast<int>(static_cast<double>(a) * factor + 0.5));
}

inline double Limit01(double v) {
    return v > 1.0 ? 1.0 : (v > 0.0 ? v : 0.0);
}

// Distance of column x from the middle: W/2 - x - 1 left of W/2, x - (W - W/2) from it on.
inline i64 CentreOffset(int x, int W) {
    return x < W / 2 ? W / 2 - x - 1 : x - (W - W / 2);
}

void RoundCircle(CIcon& icon, int round, int fade, Workers& workers) {
    const int W = icon.Width();
    const int H = icon.Height();
    const i64 R = ((200 - static_cast<i64>(round)) * std::min(W, H) / 100) / 2;
    const double dR = static_cast<double>(R);
    const double F = static_cast<double>(fade) * dR / 100.0;
    const bool hard = F == 0.0;
    std::vector<double> gx2(static_cast<std::size_t>(W));
    for (int x = 0; x < W; ++x) {
        const double g = static_cast<double>(CentreOffset(x, W));
        gx2[static_cast<std::size_t>(x)] = g * g;
    }
    ForImageRows(workers, H, [&](int yBegin, int yEnd) {
        for (int y = yBegin; y < yEnd; ++y) {
            const double gy = static_cast<double>(CentreOffset(y, H));
            const double gy2 = gy * gy;
            Pixel* row = icon.Row(y);
            for (int x = 0; x < W; ++x) {
                const double dist = std::sqrt(gx2[static_cast<std::size_t>(x)] + gy2);
                if (hard) {
                    if (!(dist <= dR)) {
                        row[x] &= 0x00FFFFFFu;
                    }
                } else {
                    ScaleAlpha(row[x], Limit01((dR - dist) / F));
                }
            }
        }
    });
}

// Zone of a column (or row) in rounded-rectangle mode.
enum class Band : std::uint8_t { kMiddle, kLow, kHigh };

// Per-column (or per-row) terms of the rounded rectangle along one axis of size S.
struct AxisTerms {
    std::vector<Band> band;
    // Low or high band: the band factor min(1, (i + 1) / FS) or min(1, (S - i) / FS);
    // middle: the interior term i / FS or (S - i - 1) / FS. 1 when FS is 0 (hard edge).
    std::vector<double> term;
    // Low or high band: the squared offset into the corner, (L - i - 1)^2 or (i + L - S)^2.
    std::vector<double> corner2;
};

AxisTerms MakeAxisTerms(int S, i64 L, double FS) {
    AxisTerms t;
    const auto n = static_cast<std::size_t>(S);
    t.band.resize(n);
    t.term.resize(n);
    t.corner2.resize(n);
    const bool hard = FS == 0.0;
    for (int i = 0; i < S; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (i < L) {
            t.band[k] = Band::kLow;
            t.term[k] = hard ? 1.0 : std::min(1.0, static_cast<double>(i + 1) / FS);
            const double c = static_cast<double>(L - i - 1);
            t.corner2[k] = c * c;
        } else if (i >= S - L) {
            t.band[k] = Band::kHigh;
            t.term[k] = hard ? 1.0 : std::min(1.0, static_cast<double>(S - i) / FS);
            const double c = static_cast<double>(i + L - S);
            t.corner2[k] = c * c;
        } else {
            t.band[k] = Band::kMiddle;
            t.term[k] = hard ? 1.0
                             : (i < S / 2 ? static_cast<double>(i) / FS
                                          : static_cast<double>(S - i - 1) / FS);
        }
    }
    return t;
}

void RoundRect(CIcon& icon, int round, int fade, Workers& workers) {
    const int W = icon.Width();
    const int H = icon.Height();
    const i64 L = (static_cast<i64>(std::min(W, H)) * round / 100) / 2;
    const double FW = static_cast<double>(W / 2) * fade / 100.0;
    const double FH = static_cast<double>(H / 2) * fade / 100.0;
    // Only needed when there are corners (L > 0, hence round > 0).
    const double RC = L > 0 ? static_cast<double>(fade) * static_cast<double>(L) / 100.0 * 100.0 /
                                  static_cast<double>(round)
                            : 0.0;
    const bool hardCorner = RC == 0.0;
    const double dL = static_cast<double>(L);
    const AxisTerms cols = MakeAxisTerms(W, L, FW);
    const AxisTerms rows = MakeAxisTerms(H, L, FH);
    ForImageRows(workers, H, [&](int yBegin, int yEnd) {
        for (int y = yBegin; y < yEnd; ++y) {
            const auto ky = static_cast<std::size_t>(y);
            const bool rowBand = rows.band[ky] != Band::kMiddle;
            const double rowTerm = rows.term[ky];
            const double rowCorner2 = rows.corner2[ky];
            Pixel* row = icon.Row(y);
            for (int x = 0; x < W; ++x) {
                const auto kx = static_cast<std::size_t>(x);
                const bool colBand = cols.band[kx] != Band::kMiddle;
                double factor;
                if (rowBand && colBand) {
                    // A corner; the four corner formulas differ only in which offsets they square.
                    const double dist = std::sqrt(rowCorner2 + cols.corner2[kx]);
                    if (hardCorner) {
                        factor = dist <= dL ? 1.0 : 0.0;
                    } else {
                        factor = Limit01((dL - dist) / RC);
                    }
                } else if (rowBand) {
                    factor = rowTerm;
                } else if (colBand) {
                    factor = cols.term[kx];
                } else {
                    factor = std::min(1.0, std::min(cols.term[kx], rowTerm));
                }
                ScaleAlpha(row[x], factor);
            }
        }
    });
}

// ----- Convolve -----

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
void ConvolveWith(CIcon& icon, const std::vector<Tap>& taps) {
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

}  // namespace

void ApplyFiltersWith(Workers& workers, CIcon& icon, int brightness, int contrast, int light,
                      Point lightPos, int transparent, int shadow, Point shadowPos) {
    const int W = icon.Width();
    const int H = icon.Height();
    const bool tone = contrast != 0 || brightness != 0;
    const bool lit = light != 0;
    const bool transp = transparent != 0;
    if (tone || lit || transp) {
        // Contrast then brightness depend on the channel value only: one table for both.
        std::array<std::uint8_t, 256> toneMap{};
        for (int v = 0; v < 256; ++v) {
            int c = v;
            if (contrast != 0) {
                c = Clamp64(c + static_cast<i64>(c - 128) * contrast / 100);
            }
            if (brightness != 0) {
                c = Clamp64(static_cast<i64>(c) + brightness);
            }
            toneMap[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(c);
        }
        LightParams lp;
        if (lit) {
            const i64 lx = static_cast<i64>(W) * lightPos.x / 256;
            lp.ly = static_cast<i64>(H) * lightPos.y / 256;
            const double w = W;
            const double h = H;
            lp.D = std::sqrt(w * w + h * h);
            lp.half = lp.D * 0.5;
            lp.k = light;
            lp.dx2.resize(static_cast<std::size_t>(W));
            for (int x = 0; x < W; ++x) {
                const double dx = static_cast<double>(lx - x);
                lp.dx2[static_cast<std::size_t>(x)] = dx * dx;
            }
        }
        const i64 alphaDelta = static_cast<i64>(transparent) * 255 / 100;
        // The first four stages keep alpha until the transparency stage, so they share the
        // alpha-0 test and run fused, pixel by pixel, in their order.
        ForImageRows(workers, H, [&](int yBegin, int yEnd) {
            std::optional<LightRows> rows;
            if (lit) {
                rows.emplace(W);
            }
            for (int y = yBegin; y < yEnd; ++y) {
                Pixel* row = icon.Row(y);
                if (lit) {
                    // Tone first, then the light on the whole row, then transparency.
                    const double dy = static_cast<double>(lp.ly - y);
                    for (int x = 0; x < W; ++x) {
                        const Pixel p = row[x];
                        for (int c = 0; c < 3; ++c) {
                            const int v = (p >> (16 - 8 * c)) & 0xFF;
                            rows->Set(c, x, tone ? toneMap[static_cast<std::size_t>(v)] : v);
                        }
                    }
                    rows->Light(dy * dy, lp);
                    for (int x = 0; x < W; ++x) {
                        int a = Alpha(row[x]);
                        if (a == 0) {
                            continue;
                        }
                        if (transp) {
                            a = Clamp64(a + alphaDelta);
                        }
                        row[x] = MakePixel(a, rows->Get(0, x), rows->Get(1, x), rows->Get(2, x));
                    }
                    continue;
                }
                for (int x = 0; x < W; ++x) {
                    const Pixel p = row[x];
                    int a = Alpha(p);
                    if (a == 0) {
                        continue;
                    }
                    int r = Red(p), g = Green(p), b = Blue(p);
                    if (tone) {
                        r = toneMap[static_cast<std::size_t>(r)];
                        g = toneMap[static_cast<std::size_t>(g)];
                        b = toneMap[static_cast<std::size_t>(b)];
                    }
                    if (transp) {
                        a = Clamp64(a + alphaDelta);
                    }
                    row[x] = MakePixel(a, r, g, b);
                }
            }
        });
    }
    if (shadow != 0) {
        CastShadow(icon, shadow, shadowPos, workers);
    }
}

void CIcon::ApplyFilters(int brightness, int contrast, int light, Point lightPos, int transparent,
                         int shadow, Point shadowPos) {
    Workers serial(1);
    ApplyFiltersWith(serial, *this, brightness, contrast, light, lightPos, transparent, shadow,
                     shadowPos);
}

void RoundCornersWith(Workers& workers, CIcon& icon, int round, int fade) {
    if (round == 0 && fade == 0) {
        return;
    }
    if (round >= 100) {
        RoundCircle(icon, round, fade, workers);
    } else {
        RoundRect(icon, round, fade, workers);
    }
}

void CIcon::RoundCorners(int round, int fade) {
    Workers serial(1);
    RoundCornersWith(serial, *this, round, fade);
}

void CIcon::Convolve(int n, std::span<const int> kernel) {
    Workers serial(1);
    ConvolveOn(serial, *this, n, kernel);
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
        ConvolveWith<i64>(icon, taps);
    }
    // Beyond that no 64-bit sum is safe; such a kernel is refused and the image kept.
}

void SharpenWith(Workers& workers, CIcon& icon, int strength) {
    if (strength <= 0) {
        return;
    }
    // Strengths above 8 would need a negative shift; they sharpen as strongly as 8.
    const int s = std::min(strength, 8);
    const std::array<int, 9> kernel{0, -1, 0, -1, (1 << (8 - s)) + 4, -1, 0, -1, 0};
    ConvolveOn(workers, icon, 3, kernel);
}

void CIcon::Sharpen(int strength) {
    Workers serial(1);
    SharpenWith(serial, *this, strength);
}

}  // namespace varlen
