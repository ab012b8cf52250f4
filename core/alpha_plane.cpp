// The alpha plane. Row layout: a tag byte, then either (tag kRuns) runs of three bytes each,
// the alpha value and the run's length minus one as a little-endian 16-bit number (sides are
// at most 65536, so one run can span a whole row), or (tag kPlain) one alpha byte a pixel.
#include "core/alpha_plane.h"

#include <algorithm>

#include "core/icon.h"
#include "core/workers.h"

namespace varlen {

namespace {

constexpr std::uint8_t kRuns = 0;
constexpr std::uint8_t kPlain = 1;
constexpr std::size_t kRunBytes = 3;
constexpr std::size_t kMaxRun = 65536;
constexpr std::size_t kMinRows = 64;

std::uint8_t AlphaByte(Pixel p) {
    return static_cast<std::uint8_t>(p >> 24);
}

// Where the run that starts at x ends: the first column after it, at most kMaxRun on.
std::size_t RunEnd(const Pixel* row, std::size_t x, std::size_t width) {
    const std::uint8_t a = AlphaByte(row[x]);
    const std::size_t start = x;
    while (x < width && x - start < kMaxRun && AlphaByte(row[x]) == a) {
        ++x;
    }
    return x;
}

std::size_t RunCount(const Pixel* row, std::size_t width) {
    std::size_t runs = 0;
    for (std::size_t x = 0; x < width; x = RunEnd(row, x, width)) {
        ++runs;
    }
    return runs;
}

std::vector<std::uint8_t> EncodeRow(const Pixel* row, std::size_t width) {
    const std::size_t runs = RunCount(row, width);
    std::vector<std::uint8_t> out;
    if (runs * kRunBytes >= width) {
        out.resize(width + 1);
        out[0] = kPlain;
        for (std::size_t x = 0; x < width; ++x) {
            out[x + 1] = AlphaByte(row[x]);
        }
        return out;
    }
    out.reserve(runs * kRunBytes + 1);
    out.push_back(kRuns);
    for (std::size_t x = 0; x < width;) {
        const std::uint8_t a = AlphaByte(row[x]);
        const std::size_t start = x;
        x = RunEnd(row, x, width);
        const std::size_t lengthLess1 = x - start - 1;
        out.push_back(a);
        out.push_back(static_cast<std::uint8_t>(lengthLess1 & 0xFF));
        out.push_back(static_cast<std::uint8_t>(lengthLess1 >> 8));
    }
    return out;
}

void DecodeRow(const std::vector<std::uint8_t>& in, Pixel* row, std::size_t width) {
    constexpr Pixel kColour = 0x00FFFFFFu;
    if (in[0] == kPlain) {
        for (std::size_t x = 0; x < width; ++x) {
            row[x] = (row[x] & kColour) | (static_cast<Pixel>(in[x + 1]) << 24);
        }
        return;
    }
    std::size_t x = 0;
    for (std::size_t i = 1; i + kRunBytes <= in.size() && x < width; i += kRunBytes) {
        const Pixel alpha = static_cast<Pixel>(in[i]) << 24;
        const std::size_t length = (std::size_t{in[i + 1]} | (std::size_t{in[i + 2]} << 8)) + 1;
        const std::size_t end = std::min(width, x + length);
        for (; x < end; ++x) {
            row[x] = (row[x] & kColour) | alpha;
        }
    }
}

}  // namespace

AlphaPlane AlphaPlane::Of(const CIcon& icon, Workers* workers) {
    AlphaPlane plane;
    plane.m_nWidth = icon.Width();
    plane.m_nHeight = icon.Height();
    plane.m_rows.resize(static_cast<std::size_t>(icon.Height()));
    const auto width = static_cast<std::size_t>(icon.Width());
    OnWorkers(workers, [&](Workers& w) {
        w.ForRanges(plane.m_rows.size(), kMinRows, [&](std::size_t begin, std::size_t end) {
            for (std::size_t y = begin; y < end; ++y) {
                plane.m_rows[y] = EncodeRow(icon.Row(static_cast<int>(y)), width);
            }
        });
    });
    return plane;
}

bool AlphaPlane::Fits(const CIcon& icon) const {
    return icon.Width() == m_nWidth && icon.Height() == m_nHeight &&
           m_rows.size() == static_cast<std::size_t>(m_nHeight);
}

void AlphaPlane::RestoreInto(CIcon& icon) const noexcept {
    if (!Fits(icon)) {
        return;
    }
    const auto width = static_cast<std::size_t>(m_nWidth);
    for (int y = 0; y < m_nHeight; ++y) {
        DecodeRow(m_rows[static_cast<std::size_t>(y)], icon.Row(y), width);
    }
}

std::size_t AlphaPlane::Bytes() const {
    std::size_t bytes = 0;
    for (const std::vector<std::uint8_t>& row : m_rows) {
        bytes += row.size();
    }
    return bytes;
}

}  // namespace varlen
