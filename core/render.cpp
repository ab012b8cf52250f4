// Placement and resampling: CIcon::Render, CIcon::SampleBilinear, CIcon::FillBackground.
//
// Render maps source rectangle (sl, st, sw x sh) onto destination rectangle (dl, dt, dw x dh),
// optionally mirrored left-right and rotated by any angle about the source rectangle's
// centre cx = (sw - 1) * 0.5 + sl, cy = (sh - 1) * 0.5 + st. Every source position
// goes through the same rotation u = px - cx, v = py - cy, rx = u*cos + v*sin + cx,
// ry = v*cos - u*sin + cy. Nearest mode picks trunc(rx + 0.5), trunc(ry + 0.5) when inside the
// source and otherwise leaves the destination pixel alone; smoothing mode averages a box of
// bilinear taps (colour weighted by alpha, alpha averaged over the taps inside the source) and
// always writes the destination pixel. Destination pixels outside the destination image are
// skipped and nothing outside the destination rectangle is ever written.
//
// Traps:
// - Results are defined bit for bit by the per-tap double formulas. The code below only moves
//   work out of loops and reuses values already computed; each double expression keeps its
//   operands and its order. Products such as u * cos may be computed once per column, but
//   never regrouped or replaced by a reciprocal multiply. The only operations dropped are
//   multiplications and divisions by an exact 1, which change nothing in IEEE arithmetic.
//   tests/core/reference holds the literal per-tap version that this file must match.
// - Angle 0 is not an identity: (px - cx) + cx need not equal px in floating point, so the
//   rotation is always applied. What angle 0 does give exactly is sin = 0, which makes rx a
//   function of the column alone and ry of the row alone (a zero product can only change the
//   sign of a zero, which the following + cx erases); nearest mode uses that for per-column
//   and per-row index tables, and copies whole runs where the table is contiguous.
// - Truncation toward zero: rx + 0.5 between -1 and 0 selects column 0. Conversions to int
//   happen only after a range check, so huge or NaN positions are simply outside.
// - A smoothed destination 1 pixel wide (or high) has no scale factor (division by zero);
//   that axis samples around the centre of the source range with a half-width covering the
//   whole range, i.e. it averages over the whole source along that axis.
// - Empty destination rectangle: nothing happens. Empty source rectangle: nearest mode leaves
//   the destination alone, smoothing mode writes 0 (no tap can be inside).
// - Rectangle sizes are worked out in 64 bits (right - left of two ints can exceed int).
// - Rows are independent: every table built before the row loop is read-only afterwards.
// - A smoothed single tap that lands exactly on a pixel (placement without rotation) is looked
//   up in a per-call table made by the sampler itself (ExactTap), not sampled again. A render
//   of many pixels fills the whole table first, spread over the workers, and its row ranges
//   share it read-only; small renders fill it lazily, one table per range.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/icon.h"
#include "core/workers.h"

namespace varlen {

namespace {

using i64 = std::int64_t;

// k / 255.0 for every channel value (a compile-time quotient is the same correctly rounded
// double as the run-time division).
constexpr std::array<double, 256> kUnit = [] {
    std::array<double, 256> t{};
    for (int k = 0; k < 256; ++k) {
        t[static_cast<std::size_t>(k)] = k / 255.0;
    }
    return t;
}();

double Unit(int channel) {
    return kUnit[static_cast<std::size_t>(channel)];
}

int RoundHalfAway(double x) {
    return x >= 0 ? static_cast<int>(x + 0.5) : static_cast<int>(x - 0.5);
}

// r, g and b divided by d. x / 1.0 is exactly x, and total weights are very often exactly
// 1 (an opaque neighbourhood gives (1 - t) * 1 + t * 1, which rounds to 1 for 0 <= t < 1;
// one opaque tap gives 1), so that case skips the divisions without changing any result.
inline void DivideAll(double& r, double& g, double& b, double d) {
    if (d != 1.0) {
        r /= d;
        g /= d;
        b /= d;
    }
}

// Alpha-weighted interpolation of one horizontal pair of pixels.
struct PairSample {
    double a = 0, r = 0, g = 0, b = 0;
};

// kUnitT: the caller guarantees 0 <= t < 1. Then two opaque pixels give weight exactly 1
// ((1 - t) + t rounds to 1), and multiplying or dividing by 1 changes nothing, so that case
// drops those operations.
template <bool kUnitT>
[[gnu::always_inline]] inline PairSample Pair(Pixel p0, Pixel p1, double tx, double wx) {
    PairSample s;
    const int alpha0 = Alpha(p0);
    const int alpha1 = Alpha(p1);
    if ((alpha0 | alpha1) == 0) {
        return s;  // wx * 0 + tx * 0 is exactly 0: no colour
    }
    if (kUnitT && (alpha0 & alpha1) == 255) {
        s.a = 1;
        s.r = Unit(Red(p0)) * wx + Unit(Red(p1)) * tx;
        s.g = Unit(Green(p0)) * wx + Unit(Green(p1)) * tx;
        s.b = Unit(Blue(p0)) * wx + Unit(Blue(p1)) * tx;
        return s;
    }
    const double a0 = Unit(alpha0);
    const double a1 = Unit(alpha1);
    s.a = wx * a0 + tx * a1;
    if (s.a != 0) {
        s.r = Unit(Red(p0)) * a0 * wx + Unit(Red(p1)) * a1 * tx;
        s.g = Unit(Green(p0)) * a0 * wx + Unit(Green(p1)) * a1 * tx;
        s.b = Unit(Blue(p0)) * a0 * wx + Unit(Blue(p1)) * a1 * tx;
        DivideAll(s.r, s.g, s.b, s.a);
    }
    return s;
}

// The vertical step of the bilinear sample from its two horizontal pairs.
template <bool kUnitT>
[[gnu::always_inline]] inline Pixel Vertical(const PairSample& top, const PairSample& bottom,
                                             double ty) {
    if (top.a == 0 && bottom.a == 0) {
        return 0;  // total alpha (1 - ty) * 0 + ty * 0 is exactly 0
    }
    const double wy = 1 - ty;
    double a = 1, r = 0, g = 0, b = 0;
    if (kUnitT && top.a == 1 && bottom.a == 1) {
        r = top.r * wy + bottom.r * ty;
        g = top.g * wy + bottom.g * ty;
        b = top.b * wy + bottom.b * ty;
    } else {
        a = wy * top.a + ty * bottom.a;
        if (a != 0) {
            r = top.r * top.a * wy + bottom.r * bottom.a * ty;
            g = top.g * top.a * wy + bottom.g * bottom.a * ty;
            b = top.b * top.a * wy + bottom.b * bottom.a * ty;
            DivideAll(r, g, b, a);
        }
    }
    return MakePixel(
        ClampChannel(static_cast<int>(a * 255)), ClampChannel(static_cast<int>(r * 255)),
        ClampChannel(static_cast<int>(g * 255)), ClampChannel(static_cast<int>(b * 255)));
}

// The bilinear combination of the four neighbours of (ix + tx, iy + ty).
template <bool kUnitT>
[[gnu::always_inline]] inline Pixel Combine(Pixel p00, Pixel p10, Pixel p01, Pixel p11, double tx,
                                            double ty) {
    const double wx = 1 - tx;
    return Vertical<kUnitT>(Pair<kUnitT>(p00, p10, tx, wx), Pair<kUnitT>(p01, p11, tx, wx), ty);
}

// Bilinear sample at (x, y) with 0 <= x < width and 0 <= y < height (so the top-left
// neighbour is inside and only the right column and bottom row can fall outside).
inline Pixel SampleInside(const Pixel* data, int width, int height, double x, double y) {
    const int ix = static_cast<int>(x);
    const int iy = static_cast<int>(y);
    const double tx = x - ix;
    const double ty = y - iy;
    const Pixel* p = data + static_cast<std::size_t>(iy) * static_cast<std::size_t>(width) +
                     static_cast<std::size_t>(ix);
    const bool right = ix + 1 < width;
    const bool below = iy + 1 < height;
    if (right && below) {
        return Combine<true>(p[0], p[1], p[width], p[width + 1], tx, ty);
    }
    return Combine<true>(p[0], right ? p[1] : 0, below ? p[width] : 0,
                         right && below ? p[width + 1] : 0, tx, ty);
}

// Everything about a render call that does not depend on the pixel being rendered.
struct Geometry {
    i64 sl = 0, st = 0, sw = 0, sh = 0;
    i64 dl = 0, dt = 0, dr = 0, dw = 0, dh = 0;
    double cx = 0, cy = 0, cosT = 1, sinT = 0;
    // Columns j0 <= j < j1 and rows i0 <= i < i1 land inside the destination image.
    i64 j0 = 0, j1 = 0, i0 = 0, i1 = 0;
    bool mirror = false;

    i64 DestX(i64 j) const { return mirror ? dr - j - 1 : dl + j; }
    bool Empty() const { return j0 >= j1 || i0 >= i1; }
};

Geometry MakeGeometry(int destWidth, int destHeight, const CIcon& src, const Rect* dst,
                      const Rect* srcRect, bool mirror, double angle) {
    const Rect d = dst != nullptr ? *dst : Rect{0, 0, destWidth, destHeight};
    const Rect s = srcRect != nullptr ? *srcRect : Rect{0, 0, src.Width(), src.Height()};
    Geometry g;
    g.sl = s.left;
    g.st = s.top;
    g.sw = i64{s.right} - s.left;
    g.sh = i64{s.bottom} - s.top;
    g.dl = d.left;
    g.dt = d.top;
    g.dr = d.right;
    g.dw = i64{d.right} - d.left;
    g.dh = i64{d.bottom} - d.top;
    g.mirror = mirror;
    const double theta = angle * 3.141592653589793 / 180;
    g.cosT = std::cos(theta);
    g.sinT = std::sin(theta);
    g.cx = (g.sw - 1) * 0.5 + g.sl;
    g.cy = (g.sh - 1) * 0.5 + g.st;
    if (g.dw <= 0 || g.dh <= 0) {
        return g;  // j0 == j1 == 0: empty
    }
    g.i0 = std::max<i64>(0, -g.dt);
    g.i1 = std::min<i64>(g.dh, destHeight - g.dt);
    if (mirror) {
        g.j0 = std::max<i64>(0, g.dr - destWidth);
        g.j1 = std::min<i64>(g.dw, g.dr);
    } else {
        g.j0 = std::max<i64>(0, -g.dl);
        g.j1 = std::min<i64>(g.dw, destWidth - g.dl);
    }
    return g;
}

// Rows per range for renders whose rows are cheap (copies, single taps).
constexpr std::size_t kCheapRows = 16;

// Runs rows(iBegin, iEnd) over the destination rows g.i0 ... g.i1 - 1 in ranges. Every range
// writes only its own destination rows and reads only the source and tables made before.
template <class Rows>
void ForRows(Workers& workers, const Geometry& g, std::size_t minRows, const Rows& rows) {
    workers.ForRanges(static_cast<std::size_t>(g.i1 - g.i0), minRows,
                      [&](std::size_t begin, std::size_t end) {
                          rows(g.i0 + static_cast<i64>(begin), g.i0 + static_cast<i64>(end));
                      });
}

// Nearest-mode source index for a rotated coordinate: trunc(r + 0.5) when that lies in
// 0 ... size - 1, else -1.
inline int NearestIndex(double r, int size) {
    const double t = r + 0.5;
    return (t > -1 && t < size) ? static_cast<int>(t) : -1;
}

// (sw * j) / dw for 0 <= j < dw, sw >= 1: both factors are below 2^32, so the unsigned
// 64-bit product is exact.
inline i64 ScaledIndex(i64 sw, i64 j, i64 dw) {
    return static_cast<i64>(static_cast<std::uint64_t>(sw) * static_cast<std::uint64_t>(j) /
                            static_cast<std::uint64_t>(dw));
}

void RenderNearest(CIcon& dest, const CIcon& src, const Geometry& g, Workers& workers) {
    if (g.sw <= 0 || g.sh <= 0) {
        return;
    }
    const int srcWidth = src.Width();
    const int srcHeight = src.Height();
    const std::size_t columns = static_cast<std::size_t>(g.j1 - g.j0);
    // Per column: u * cos and u * sin of the column's source position.
    std::vector<double> uCos(columns), uSin(columns);
    for (i64 j = g.j0; j < g.j1; ++j) {
        const double u = static_cast<double>(g.sl + ScaledIndex(g.sw, j, g.dw)) - g.cx;
        uCos[static_cast<std::size_t>(j - g.j0)] = u * g.cosT;
        uSin[static_cast<std::size_t>(j - g.j0)] = u * g.sinT;
    }

    if (g.sinT == 0) {
        // Separable: column index depends on j only, row index on i only.
        std::vector<int> column(columns);
        bool contiguous = !g.mirror;
        for (std::size_t k = 0; k < columns; ++k) {
            column[k] = NearestIndex(uCos[k] + 0.0 * g.sinT + g.cx, srcWidth);
            contiguous =
                contiguous && column[k] >= 0 && column[k] == column[0] + static_cast<int>(k);
        }
        ForRows(workers, g, kCheapRows, [&](i64 iBegin, i64 iEnd) {
            for (i64 i = iBegin; i < iEnd; ++i) {
                const double v = static_cast<double>(g.st + ScaledIndex(g.sh, i, g.dh)) - g.cy;
                const int row = NearestIndex(v * g.cosT - 0.0 * g.sinT + g.cy, srcHeight);
                if (row < 0) {
                    continue;
                }
                const Pixel* in = src.Row(row);
                Pixel* out = dest.Row(static_cast<int>(g.dt + i));
                if (contiguous) {
                    std::copy(in + column[0], in + column[0] + columns, out + g.DestX(g.j0));
                    continue;
                }
                for (i64 j = g.j0; j < g.j1; ++j) {
                    const int c = column[static_cast<std::size_t>(j - g.j0)];
                    if (c >= 0) {
                        out[g.DestX(j)] = in[c];
                    }
                }
            }
        });
        return;
    }

    ForRows(workers, g, kCheapRows, [&](i64 iBegin, i64 iEnd) {
        for (i64 i = iBegin; i < iEnd; ++i) {
            const double v = static_cast<double>(g.st + ScaledIndex(g.sh, i, g.dh)) - g.cy;
            const double vCos = v * g.cosT;
            const double vSin = v * g.sinT;
            Pixel* out = dest.Row(static_cast<int>(g.dt + i));
            for (i64 j = g.j0; j < g.j1; ++j) {
                const std::size_t k = static_cast<std::size_t>(j - g.j0);
                const int sx = NearestIndex(uCos[k] + vSin + g.cx, srcWidth);
                const int sy = NearestIndex(vCos - uSin[k] + g.cy, srcHeight);
                if (sx >= 0 && sy >= 0) {
                    out[g.DestX(j)] = src.Row(sy)[sx];
                }
            }
        }
    });
}

// Running sums of the smoothing box, in tap order.
struct BoxSum {
    i64 count = 0;
    double a = 0, r = 0, g = 0, b = 0;

    void Add(Pixel s) {
        const double alpha = Unit(Alpha(s));
        count += 1;
        a += alpha;
        r += Unit(Red(s)) * alpha;
        g += Unit(Green(s)) * alpha;
        b += Unit(Blue(s)) * alpha;
    }

    // Colour weighted by alpha, alpha averaged over the taps; 0 when no tap was inside.
    Pixel Result() const {
        if (count == 0) {
            return 0;
        }
        double red = 0, green = 0, blue = 0;
        if (a != 0) {
            red = r;
            green = g;
            blue = b;
            DivideAll(red, green, blue, a);
        }
        const double alpha = count == 1 ? a : a / static_cast<double>(count);
        return MakePixel(
            ClampChannel(RoundHalfAway(alpha * 255)), ClampChannel(RoundHalfAway(red * 255)),
            ClampChannel(RoundHalfAway(green * 255)), ClampChannel(RoundHalfAway(blue * 255)));
    }
};

// The smoothing box of one axis: scale factor, half-width and, for a 1-pixel destination
// axis, the middle of the source range.
struct BoxAxis {
    bool scaled = false;
    double f = 0, middle = 0;
    i64 k = 0;

    BoxAxis(i64 start, i64 sourceSize, i64 destSize) {
        scaled = destSize > 1;
        f = scaled ? static_cast<double>(sourceSize - 1) / static_cast<double>(destSize - 1) : 0;
        k = static_cast<i64>(scaled ? f * 0.5 : (sourceSize - 1) * 0.5);
        middle = start + (sourceSize - 1) * 0.5;
    }
    // Source position of tap d for destination index n (whose n * f is nf).
    double Position(i64 start, i64 d, double nf) const {
        return scaled ? static_cast<double>(start + d) + nf : middle + static_cast<double>(d);
    }
};

// One tap position along an axis, already known to be inside the source.
struct AxisTap {
    int index = 0;
    double frac = 0;
};

void RenderSmoothRotated(CIcon& dest, const CIcon& src, const Geometry& g, const BoxAxis& bx,
                         const BoxAxis& by, i64 iBegin, i64 iEnd) {
    const Pixel* data = src.Pixels().data();
    const int srcWidth = src.Width();
    const int srcHeight = src.Height();
    const double widthD = srcWidth;
    const double heightD = srcHeight;
    const double cosT = g.cosT;
    const double sinT = g.sinT;
    const double cx = g.cx;
    const double cy = g.cy;

    for (i64 i = iBegin; i < iEnd; ++i) {
        Pixel* out = dest.Row(static_cast<int>(g.dt + i));
        const double ify = static_cast<double>(i) * by.f;
        for (i64 j = g.j0; j < g.j1; ++j) {
            const double jfx = static_cast<double>(j) * bx.f;
            BoxSum sum;
            for (i64 dy = -by.k; dy <= by.k; ++dy) {
                const double v = by.Position(g.st, dy, ify) - cy;
                const double vCos = v * cosT;
                const double vSin = v * sinT;
                for (i64 dx = -bx.k; dx <= bx.k; ++dx) {
                    const double u = bx.Position(g.sl, dx, jfx) - cx;
                    const double rx = u * cosT + vSin + cx;
                    const double ry = vCos - u * sinT + cy;
                    if (!(rx >= 0 && rx < widthD && ry >= 0 && ry < heightD)) {
                        continue;
                    }
                    sum.Add(SampleInside(data, srcWidth, srcHeight, rx, ry));
                }
            }
            out[g.DestX(j)] = sum.Result();
        }
    }
}

// The single-tap result of a sample that lands exactly on a pixel (tx = ty = 0), which is
// what a placement without rotation does at every pixel. With tx = 0 every term of the right
// neighbour is multiplied by 0 and adds an exact zero, and with ty = 0 the same holds for
// the lower pair, so the sample is a function of the pixel alone: each colour channel of
// alpha A depends on that channel and A only. Rather than trusting a shortcut such as
// "(c / 255 * a) / a * 255 gives c back", the answer for each alpha is worked out once per
// call by the sampler itself, on a pixel with no neighbours, and then looked up.
class ExactTap {
  public:
    // Fills the entries of every alpha, 16 alphas per task; each task writes only its own
    // entries, so afterwards Lookup may be called from any thread.
    void BuildAll(Workers& workers) {
        workers.For(16, [this](std::size_t chunk) {
            for (std::size_t a = chunk * 16; a < chunk * 16 + 16; ++a) {
                Build(a);
            }
        });
    }

    Pixel Sample(Pixel p) {
        const auto a = static_cast<std::size_t>(Alpha(p));
        if (!m_built[a]) {
            Build(a);
        }
        return Lookup(p);
    }

    // Sample of a table that BuildAll has filled.
    Pixel Lookup(Pixel p) const {
        const auto a = static_cast<std::size_t>(Alpha(p));
        if (m_alpha[a] == 0) {
            return 0;
        }
        if (m_identity[a]) {
            return p;
        }
        const std::uint8_t* t = m_colour.data() + a * 256;
        return MakePixel(m_alpha[a], t[Red(p)], t[Green(p)], t[Blue(p)]);
    }

  private:
    void Build(std::size_t a) {
        std::uint8_t* t = m_colour.data() + a * 256;
        bool identity = true;
        for (int c = 0; c < 256; ++c) {
            const Pixel s =
                Combine<true>(MakePixel(static_cast<int>(a), c, c, c), 0, 0, 0, 0.0, 0.0);
            m_alpha[a] = Alpha(s);
            t[c] = static_cast<std::uint8_t>(Red(s));
            // The three channels go through the same arithmetic.
            identity = identity && Red(s) == c && Green(s) == c && Blue(s) == c &&
                       Alpha(s) == static_cast<int>(a);
        }
        m_identity[a] = identity;
        m_built[a] = true;
    }

    std::vector<std::uint8_t> m_colour = std::vector<std::uint8_t>(256 * 256);
    std::array<int, 256> m_alpha{};
    std::array<bool, 256> m_built{};
    std::array<bool, 256> m_identity{};
};

// True when a single-tap render of rows x columns pixels fills the whole exact-tap table
// first: every range would otherwise build most of it again (65536 samples per full table).
bool SharesExactTaps(i64 rows, i64 columns) {
    return rows * columns >= i64{1} << 18;
}

// One tap per destination pixel (enlarging, equal sizes, shrinking by less than 2). The box
// average of a single sample s is s itself: alpha a / 1 * 255 gives back Alpha(s) exactly
// (k / 255.0 * 255 is exactly k for every k), and each colour (c / 255.0 * a) / a * 255 is
// within a few units of 2^-52 of c, so it rounds back to c. The one exception is a sample
// with alpha 0 (its colour may be non-zero when the sampler's alpha truncated to 0): the
// weighted colour is then 0.
void RenderSmoothSingleTap(CIcon& dest, const CIcon& src, const Geometry& g, const BoxAxis& bx,
                           const BoxAxis& by, ExactTap& exact, i64 iBegin, i64 iEnd) {
    const Pixel* data = src.Pixels().data();
    const int srcWidth = src.Width();
    const int srcHeight = src.Height();
    const double widthD = srcWidth;
    const double heightD = srcHeight;
    const double cosT = g.cosT;
    const double sinT = g.sinT;
    const double cx = g.cx;
    const double cy = g.cy;

    for (i64 i = iBegin; i < iEnd; ++i) {
        Pixel* out = dest.Row(static_cast<int>(g.dt + i));
        const double v = by.Position(g.st, 0, static_cast<double>(i) * by.f) - cy;
        const double vCos = v * cosT;
        const double vSin = v * sinT;
        for (i64 j = g.j0; j < g.j1; ++j) {
            const double u = bx.Position(g.sl, 0, static_cast<double>(j) * bx.f) - cx;
            const double rx = u * cosT + vSin + cx;
            const double ry = vCos - u * sinT + cy;
            Pixel result = 0;
            if (rx >= 0 && rx < widthD && ry >= 0 && ry < heightD) {
                const int ix = static_cast<int>(rx);
                const int iy = static_cast<int>(ry);
                if (rx - ix == 0 && ry - iy == 0) {
                    result = exact.Sample(
                        data[static_cast<std::size_t>(iy) * static_cast<std::size_t>(srcWidth) +
                             static_cast<std::size_t>(ix)]);
                } else {
                    const Pixel s = SampleInside(data, srcWidth, srcHeight, rx, ry);
                    result = Alpha(s) == 0 ? 0 : s;
                }
            }
            out[g.DestX(j)] = result;
        }
    }
}

// sin = 0 (angle 0): rx depends on the column tap only and ry on the row tap only (the
// cross term v * sin or u * sin is a zero, and adding a zero before + cx cannot change the
// result), so both are worked out once per axis: the column taps of every destination column
// once per render (UprightColumns), the row taps once per destination row.
//
// The bilinear sample of a tap is the vertical step of two horizontal pairs, the pair on
// source row iy and the pair on row iy + 1, at the tap's column position. For one destination
// row the work goes source row by source row: the pairs of every column tap on a row are made
// in one pass (and the lower row's pairs become the next row tap's upper ones), then every
// destination pixel adds its taps of that row tap. Each pixel still adds its taps row tap by
// row tap, column tap by column tap, exactly in the order of the box, and every pair and
// sample is made by the same functions, so the sums are the same doubles.
struct UprightColumns {
    std::vector<AxisTap> taps;       // inside taps of all columns, column after column
    std::vector<std::size_t> first;  // taps of column j0 + c: first[c] ... first[c + 1] - 1
};

UprightColumns MakeUprightColumns(const CIcon& src, const Geometry& g, const BoxAxis& bx) {
    const double widthD = src.Width();
    const double cross = 0.0 * g.sinT;  // the zero that v * sin amounts to
    UprightColumns cols;
    cols.first.reserve(static_cast<std::size_t>(g.j1 - g.j0) + 1);
    for (i64 j = g.j0; j < g.j1; ++j) {
        cols.first.push_back(cols.taps.size());
        const double jfx = static_cast<double>(j) * bx.f;
        for (i64 dx = -bx.k; dx <= bx.k; ++dx) {
            const double u = bx.Position(g.sl, dx, jfx) - g.cx;
            const double rx = u * g.cosT + cross + g.cx;
            if (rx >= 0 && rx < widthD) {
                const int ix = static_cast<int>(rx);
                cols.taps.push_back({ix, rx - ix});
            }
        }
    }
    cols.first.push_back(cols.taps.size());
    return cols;
}

// The horizontal pairs of every column tap on source row y (pixels right of the image are 0).
void RowPairs(const Pixel* row, int srcWidth, const std::vector<AxisTap>& taps,
              std::vector<PairSample>& pairs) {
    for (std::size_t c = 0; c < taps.size(); ++c) {
        const int ix = taps[c].index;
        const double tx = taps[c].frac;
        const double wx = 1 - tx;
        const bool hasRight = ix + 1 < srcWidth;
        pairs[c] = Pair<true>(row[ix], hasRight ? row[ix + 1] : 0, tx, wx);
    }
}

void RenderSmoothUpright(CIcon& dest, const CIcon& src, const Geometry& g, const BoxAxis& by,
                         const UprightColumns& cols, i64 iBegin, i64 iEnd) {
    const Pixel* data = src.Pixels().data();
    const int srcWidth = src.Width();
    const int srcHeight = src.Height();
    const double heightD = srcHeight;
    const double cosT = g.cosT;
    const double cross = 0.0 * g.sinT;  // the zero that u * sin amounts to
    const double cy = g.cy;
    const std::size_t columns = cols.first.size() - 1;
    const std::size_t taps = cols.taps.size();

    std::vector<AxisTap> rows;
    rows.reserve(static_cast<std::size_t>(2 * by.k + 1));
    std::vector<PairSample> upper(taps), lower(taps);
    std::vector<BoxSum> sums(columns);
    for (i64 i = iBegin; i < iEnd; ++i) {
        Pixel* out = dest.Row(static_cast<int>(g.dt + i));
        const double ify = static_cast<double>(i) * by.f;
        rows.clear();
        for (i64 dy = -by.k; dy <= by.k; ++dy) {
            const double v = by.Position(g.st, dy, ify) - cy;
            const double ry = v * cosT - cross + cy;
            if (ry >= 0 && ry < heightD) {
                const int iy = static_cast<int>(ry);
                rows.push_back({iy, ry - iy});
            }
        }
        std::fill(sums.begin(), sums.end(), BoxSum{});
        int lowerRow = -1;  // the source row whose pairs `lower` holds, -1 for none
        for (const AxisTap& row : rows) {
            if (lowerRow == row.index) {
                std::swap(upper, lower);
            } else {
                RowPairs(data + static_cast<std::size_t>(row.index) * srcWidth, srcWidth, cols.taps,
                         upper);
            }
            if (row.index + 1 < srcHeight) {
                RowPairs(data + static_cast<std::size_t>(row.index + 1) * srcWidth, srcWidth,
                         cols.taps, lower);
                lowerRow = row.index + 1;
            } else {
                std::fill(lower.begin(), lower.end(), PairSample{});
                lowerRow = -1;
            }
            const double ty = row.frac;
            for (std::size_t c = 0; c < columns; ++c) {
                // A local copy: the sums stay in registers instead of being stored after
                // every tap (they could otherwise share memory with the pairs, as far as
                // the compiler knows).
                BoxSum sum = sums[c];
                for (std::size_t t = cols.first[c]; t < cols.first[c + 1]; ++t) {
                    sum.Add(Vertical<true>(upper[t], lower[t], ty));
                }
                sums[c] = sum;
            }
        }
        for (std::size_t c = 0; c < columns; ++c) {
            out[g.DestX(g.j0 + static_cast<i64>(c))] = sums[c].Result();
        }
    }
}

void RenderSmooth(CIcon& dest, const CIcon& src, const Geometry& g, Workers& workers) {
    if (g.sw <= 0 || g.sh <= 0) {
        for (i64 i = g.i0; i < g.i1; ++i) {
            Pixel* out = dest.Row(static_cast<int>(g.dt + i));
            for (i64 j = g.j0; j < g.j1; ++j) {
                out[g.DestX(j)] = 0;
            }
        }
        return;
    }
    const BoxAxis bx(g.sl, g.sw, g.dw);
    const BoxAxis by(g.st, g.sh, g.dh);
    if (bx.k == 0 && by.k == 0) {
        ExactTap shared;
        const bool share = SharesExactTaps(g.i1 - g.i0, g.j1 - g.j0);
        if (share) {
            shared.BuildAll(workers);
        }
        ForRows(workers, g, kCheapRows, [&](i64 iBegin, i64 iEnd) {
            if (share) {
                RenderSmoothSingleTap(dest, src, g, bx, by, shared, iBegin, iEnd);
            } else {
                ExactTap local;
                RenderSmoothSingleTap(dest, src, g, bx, by, local, iBegin, iEnd);
            }
        });
    } else if (g.sinT == 0) {
        const UprightColumns cols = MakeUprightColumns(src, g, bx);
        ForRows(workers, g, 1, [&](i64 iBegin, i64 iEnd) {
            RenderSmoothUpright(dest, src, g, by, cols, iBegin, iEnd);
        });
    } else {
        ForRows(workers, g, 1, [&](i64 iBegin, i64 iEnd) {
            RenderSmoothRotated(dest, src, g, bx, by, iBegin, iEnd);
        });
    }
}

// The smoothed render of an image into itself when every destination pixel's one tap lands
// exactly on the same pixel of the source (a placement of the whole image onto itself without
// rotation or mirror): each pixel then becomes the exact-tap result of itself, which reads
// nothing but that pixel, so the pixels can be replaced where they are. The positions are
// worked out by the same formulas as RenderSmoothSingleTap and checked, not assumed. False,
// with nothing changed, when the render is not of that kind.
bool RenderSmoothInPlace(CIcon& icon, const Geometry& g, Workers& workers) {
    const int W = icon.Width();
    const int H = icon.Height();
    if (g.mirror || g.sinT != 0 || g.sw != W || g.sh != H || g.dw != W || g.dh != H || g.dl != 0 ||
        g.dt != 0 || g.sl != 0 || g.st != 0 || g.Empty()) {
        return false;
    }
    const BoxAxis bx(g.sl, g.sw, g.dw);
    const BoxAxis by(g.st, g.sh, g.dh);
    if (bx.k != 0 || by.k != 0) {
        return false;
    }
    // With sin = 0 the column position depends on the column alone and the row position on
    // the row alone (the cross term is a zero, see RenderSmoothUpright).
    const double cross = 0.0 * g.sinT;
    for (i64 j = 0; j < W; ++j) {
        const double u = bx.Position(g.sl, 0, static_cast<double>(j) * bx.f) - g.cx;
        if (u * g.cosT + cross + g.cx != static_cast<double>(j)) {
            return false;
        }
    }
    for (i64 i = 0; i < H; ++i) {
        const double v = by.Position(g.st, 0, static_cast<double>(i) * by.f) - g.cy;
        if (v * g.cosT - cross + g.cy != static_cast<double>(i)) {
            return false;
        }
    }
    ExactTap shared;
    const bool share = SharesExactTaps(H, W);
    if (share) {
        shared.BuildAll(workers);
    }
    workers.ForRanges(static_cast<std::size_t>(H), kCheapRows,
                      [&](std::size_t begin, std::size_t end) {
                          std::optional<ExactTap> local;
                          if (!share) {
                              local.emplace();
                          }
                          ExactTap& exact = share ? shared : *local;
                          for (std::size_t y = begin; y < end; ++y) {
                              Pixel* row = icon.Row(static_cast<int>(y));
                              for (int x = 0; x < W; ++x) {
                                  row[x] = exact.Sample(row[x]);
                              }
                          }
                      });
    return true;
}

void RenderOn(Workers& workers, CIcon& dest, const CIcon& src, const Rect* dst, const Rect* srcRect,
              bool mirror, double angle, bool smoothing) {
    if (&src == &dest) {
        // Rendering an image into itself would read pixels already overwritten: render from
        // a copy instead, unless every pixel reads exactly itself.
        const Geometry g =
            MakeGeometry(dest.Width(), dest.Height(), src, dst, srcRect, mirror, angle);
        if (smoothing && RenderSmoothInPlace(dest, g, workers)) {
            return;
        }
        const auto copy = CloneIcon(&src);
        RenderOn(workers, dest, *copy, dst, srcRect, mirror, angle, smoothing);
        return;
    }
    const Geometry g = MakeGeometry(dest.Width(), dest.Height(), src, dst, srcRect, mirror, angle);
    if (g.Empty()) {
        return;
    }
    if (smoothing) {
        RenderSmooth(dest, src, g, workers);
    } else {
        RenderNearest(dest, src, g, workers);
    }
}

}  // namespace

void CIcon::Render(const CIcon& src, const Rect* dst, const Rect* srcRect, bool mirror,
                   double angle, bool smoothing, Workers* workers) {
    OnWorkers(workers,
              [&](Workers& w) { RenderOn(w, *this, src, dst, srcRect, mirror, angle, smoothing); });
}

Pixel CIcon::SampleBilinear(double x, double y) const {
    // For x >= width, y >= height, x <= -2 or y <= -2 all four neighbours are outside and the
    // result is 0; answering early also keeps the conversions below defined (and NaN out).
    if (!(x > -2 && x < m_nWidth && y > -2 && y < m_nHeight)) {
        return 0;
    }
    if (x >= 0 && y >= 0) {
        return SampleInside(m_pixels.data(), m_nWidth, m_nHeight, x, y);
    }
    const int ix = static_cast<int>(x);
    const int iy = static_cast<int>(y);
    return Combine<false>(GetPixel(ix, iy), GetPixel(ix + 1, iy), GetPixel(ix, iy + 1),
                          GetPixel(ix + 1, iy + 1), x - ix, y - iy);
}

void CIcon::FillBackground(ColorRef crBackground) {
    const int backRed = static_cast<int>(crBackground & 0xFF);
    const int backGreen = static_cast<int>((crBackground >> 8) & 0xFF);
    const int backBlue = static_cast<int>((crBackground >> 16) & 0xFF);
    for (Pixel& p : m_pixels) {
        const int a = Alpha(p);
        if (a == 255) {
            continue;
        }
        p = MakePixel(255, ((255 - a) * backRed + a * Red(p)) / 255,
                      ((255 - a) * backGreen + a * Green(p)) / 255,
                      ((255 - a) * backBlue + a * Blue(p)) / 255);
    }
}

}  // namespace varlen
