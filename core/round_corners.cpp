// CIcon::RoundCorners: rounded corners (1 ... 99) or a circle (100 ... 200) with an edge
// fade; alpha only, in place.
//
// Contract and traps:
// - Integers and doubles are mixed on purpose: radii and half sizes are integer divisions,
//   fade widths are doubles; the corner fade width f * L / 100 * 100 / r must be evaluated
//   in that order in doubles. A fade width of 0 means a hard edge, handled explicitly (the
//   plain formula would divide by zero and even give 0 / 0).
// - The centre distance in circle mode is W/2 - x - 1 left of the middle and x - (W - W/2)
//   from the middle on; for odd sizes that makes the middle column distance 1 and its two
//   neighbours distance 0 - that is the formula, kept as is.
// - New alpha = trunc(alpha * factor + 0.5). Rows are independent.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/filter_rows.h"
#include "core/icon.h"
#include "core/workers.h"

namespace varlen {

namespace {

using filter_rows::ForImageRows;
using filter_rows::i64;

constexpr Pixel WithAlpha(Pixel p, int alpha) {
    return (p & 0x00FFFFFFu) | (static_cast<Pixel>(alpha) << 24);
}

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

void RoundCornersOn(Workers& workers, CIcon& icon, int round, int fade) {
    if (round == 0 && fade == 0) {
        return;
    }
    if (round >= 100) {
        RoundCircle(icon, round, fade, workers);
    } else {
        RoundRect(icon, round, fade, workers);
    }
}

}  // namespace

void CIcon::RoundCorners(int round, int fade, Workers* workers) {
    OnWorkers(workers, [&](Workers& w) { RoundCornersOn(w, *this, round, fade); });
}

}  // namespace varlen
