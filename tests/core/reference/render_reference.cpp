// Reference render and bilinear sampler: one pixel at a time, one tap at a time, every read
// through GetPixel, every double operation written out in the order of the formulas. Only
// the decisions that keep the procedure sound are added (widths in 64 bits, conversions
// to int guarded, an empty source rectangle, 1-pixel smoothed destinations).
#include "render_reference.h"

#include <cmath>
#include <cstdint>

namespace varlen::reference {

namespace {

int RoundHalfAway(double x) {
    return x >= 0 ? static_cast<int>(x + 0.5) : static_cast<int>(x - 0.5);
}

// Truncation toward zero of a double that the caller has checked to be in int range.
int Trunc(double x) {
    return static_cast<int>(x);
}

}  // namespace

Pixel SampleBilinear(const CIcon& src, double x, double y) {
    // Far outside the image all four neighbours read as 0 and so does the result; this also
    // keeps the conversions below defined.
    if (!(x > -1e9 && x < 1e9 && y > -1e9 && y < 1e9)) {
        return 0;
    }
    const int ix = Trunc(x);
    const int iy = Trunc(y);
    const Pixel p00 = src.GetPixel(ix, iy);
    const Pixel p10 = src.GetPixel(ix + 1, iy);
    const Pixel p01 = src.GetPixel(ix, iy + 1);
    const Pixel p11 = src.GetPixel(ix + 1, iy + 1);
    const double tx = x - ix;
    const double ty = y - iy;

    // Top pair.
    double a0 = Alpha(p00) / 255.0;
    double a1 = Alpha(p10) / 255.0;
    const double at = (1 - tx) * a0 + tx * a1;
    double rt = 0, gt = 0, bt = 0;
    if (at != 0) {
        rt = (Red(p00) / 255.0 * a0 * (1 - tx) + Red(p10) / 255.0 * a1 * tx) / at;
        gt = (Green(p00) / 255.0 * a0 * (1 - tx) + Green(p10) / 255.0 * a1 * tx) / at;
        bt = (Blue(p00) / 255.0 * a0 * (1 - tx) + Blue(p10) / 255.0 * a1 * tx) / at;
    }

    // Bottom pair.
    a0 = Alpha(p01) / 255.0;
    a1 = Alpha(p11) / 255.0;
    const double ab = (1 - tx) * a0 + tx * a1;
    double rb = 0, gb = 0, bb = 0;
    if (ab != 0) {
        rb = (Red(p01) / 255.0 * a0 * (1 - tx) + Red(p11) / 255.0 * a1 * tx) / ab;
        gb = (Green(p01) / 255.0 * a0 * (1 - tx) + Green(p11) / 255.0 * a1 * tx) / ab;
        bb = (Blue(p01) / 255.0 * a0 * (1 - tx) + Blue(p11) / 255.0 * a1 * tx) / ab;
    }

    // Vertical.
    const double a = (1 - ty) * at + ty * ab;
    double r = 0, g = 0, b = 0;
    if (a != 0) {
        r = (rt * at * (1 - ty) + rb * ab * ty) / a;
        g = (gt * at * (1 - ty) + gb * ab * ty) / a;
        b = (bt * at * (1 - ty) + bb * ab * ty) / a;
    }
    return MakePixel(ClampChannel(Trunc(a * 255)), ClampChannel(Trunc(r * 255)),
                     ClampChannel(Trunc(g * 255)), ClampChannel(Trunc(b * 255)));
}

void Render(CIcon& dest, const CIcon& src, const Rect* dst, const Rect* srcRect, bool mirror,
            double angle, bool smoothing) {
    const Rect d = dst != nullptr ? *dst : Rect{0, 0, dest.Width(), dest.Height()};
    const Rect s = srcRect != nullptr ? *srcRect : Rect{0, 0, src.Width(), src.Height()};
    const std::int64_t sl = s.left, st = s.top;
    const std::int64_t sw = std::int64_t{s.right} - s.left;
    const std::int64_t sh = std::int64_t{s.bottom} - s.top;
    const std::int64_t dl = d.left, dt = d.top, dr = d.right;
    const std::int64_t dw = std::int64_t{d.right} - d.left;
    const std::int64_t dh = std::int64_t{d.bottom} - d.top;
    if (dw <= 0 || dh <= 0) {
        return;
    }
    const double theta = angle * 3.141592653589793 / 180;
    const double cx = (sw - 1) * 0.5 + sl;
    const double cy = (sh - 1) * 0.5 + st;
    const bool emptySource = sw <= 0 || sh <= 0;

    for (std::int64_t i = 0; i < dh; ++i) {
        for (std::int64_t j = 0; j < dw; ++j) {
            const std::int64_t x = mirror ? dr - j - 1 : dl + j;
            const std::int64_t y = dt + i;
            if (x < 0 || x >= dest.Width() || y < 0 || y >= dest.Height()) {
                continue;
            }
            Pixel& out = dest.Row(static_cast<int>(y))[x];

            if (!smoothing) {
                if (emptySource) {
                    continue;
                }
                const std::int64_t px = sl + (sw * j) / dw;
                const std::int64_t py = st + (sh * i) / dh;
                const double u = px - cx;
                const double v = py - cy;
                const double rx = u * std::cos(theta) + v * std::sin(theta) + cx;
                const double ry = v * std::cos(theta) - u * std::sin(theta) + cy;
                // Truncating rx + 0.5 lands inside 0 ... width - 1 exactly when
                // -1 < rx + 0.5 < width; the test is made before converting.
                const double tx = rx + 0.5;
                const double ty = ry + 0.5;
                if (tx > -1 && tx < src.Width() && ty > -1 && ty < src.Height()) {
                    out = src.GetPixel(Trunc(tx), Trunc(ty));
                }
                continue;
            }

            if (emptySource) {
                out = 0;
                continue;
            }
            double fx = 0, fy = 0;
            std::int64_t kx = 0, ky = 0;
            if (dw > 1) {
                fx = static_cast<double>(sw - 1) / static_cast<double>(dw - 1);
                kx = static_cast<std::int64_t>(fx * 0.5);
            } else {
                kx = static_cast<std::int64_t>((sw - 1) * 0.5);
            }
            if (dh > 1) {
                fy = static_cast<double>(sh - 1) / static_cast<double>(dh - 1);
                ky = static_cast<std::int64_t>(fy * 0.5);
            } else {
                ky = static_cast<std::int64_t>((sh - 1) * 0.5);
            }
            std::int64_t count = 0;
            double sumA = 0, sumR = 0, sumG = 0, sumB = 0;
            for (std::int64_t dy = -ky; dy <= ky; ++dy) {
                for (std::int64_t dx = -kx; dx <= kx; ++dx) {
                    const double px = dw > 1 ? sl + dx + j * fx : sl + (sw - 1) * 0.5 + dx;
                    const double py = dh > 1 ? st + dy + i * fy : st + (sh - 1) * 0.5 + dy;
                    const double u = px - cx;
                    const double v = py - cy;
                    const double rx = u * std::cos(theta) + v * std::sin(theta) + cx;
                    const double ry = v * std::cos(theta) - u * std::sin(theta) + cy;
                    if (!(rx >= 0 && rx < src.Width() && ry >= 0 && ry < src.Height())) {
                        continue;
                    }
                    const Pixel p = SampleBilinear(src, rx, ry);
                    const double a = Alpha(p) / 255.0;
                    count += 1;
                    sumA += a;
                    sumR += Red(p) / 255.0 * a;
                    sumG += Green(p) / 255.0 * a;
                    sumB += Blue(p) / 255.0 * a;
                }
            }
            if (count == 0) {
                out = 0;
                continue;
            }
            const double r = sumA != 0 ? sumR / sumA : 0;
            const double g = sumA != 0 ? sumG / sumA : 0;
            const double b = sumA != 0 ? sumB / sumA : 0;
            const double a = sumA / count;
            out = MakePixel(
                ClampChannel(RoundHalfAway(a * 255)), ClampChannel(RoundHalfAway(r * 255)),
                ClampChannel(RoundHalfAway(g * 255)), ClampChannel(RoundHalfAway(b * 255)));
        }
    }
}

}  // namespace varlen::reference
