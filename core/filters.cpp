// CIcon::ApplyFilters: contrast, brightness, light, transparency and shadow, in place.
//
// Contract and traps:
// - Every stage runs only when its strength is not 0, in the fixed order contrast,
//   brightness, light, transparency, shadow. All stages but the shadow leave pixels with
//   alpha 0 alone (colour included); the shadow exists to write into exactly those pixels.
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
//   side the shadow falls towards, and keeps every row independent of the others, so
//   ranges of rows may run on several threads. A shadow pixel is black even when its
//   computed alpha is 0.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

#include "core/filter_rows.h"
#include "core/icon.h"
#include "core/workers.h"

namespace varlen {

namespace {

using filter_rows::Clamp64;
using filter_rows::ForImageRows;
using filter_rows::i64;
using filter_rows::kRowsPerRange;

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

void ApplyFiltersOn(Workers& workers, CIcon& icon, int brightness, int contrast, int light,
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

}  // namespace

void CIcon::ApplyFilters(int brightness, int contrast, int light, Point lightPos, int transparent,
                         int shadow, Point shadowPos, Workers* workers) {
    OnWorkers(workers, [&](Workers& w) {
        ApplyFiltersOn(w, *this, brightness, contrast, light, lightPos, transparent, shadow,
                       shadowPos);
    });
}

}  // namespace varlen
