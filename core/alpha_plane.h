// AlphaPlane: the alpha channel of an image kept apart from it, row by row and compressed,
// so that an image whose alpha is changed in place (the transparent-region clicks, which
// never touch colour) can be put back exactly without a copy of all its pixels.
//
// Contract: Of reads every pixel's alpha; RestoreInto writes those alpha bytes back into an
// image of the same size and leaves every colour byte as it is, so the image becomes the
// one captured exactly when only its alpha has changed since. Rows are kept as runs of equal
// alpha, or as plain bytes where runs would not be shorter: a picture with large even areas
// (the usual case: opaque inside, transparent outside) costs a few bytes a row, and no row
// costs more than its width plus one byte.
// Traps: RestoreInto allocates nothing and cannot fail, so it is safe as the way back after a
// failure; Of may throw std::bad_alloc, and WorkCancelled when workers has a progress
// attached and is cancelled (the image is only read).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace varlen {

class CIcon;
class Workers;

class AlphaPlane {
  public:
    // The alpha of icon, rows spread over workers (null: the calling thread alone).
    static AlphaPlane Of(const CIcon& icon, Workers* workers = nullptr);

    // True when icon has the size this alpha was taken from.
    bool Fits(const CIcon& icon) const;
    // Writes the kept alpha into icon; nothing happens unless Fits(icon).
    void RestoreInto(CIcon& icon) const noexcept;
    // The bytes the kept rows take.
    std::size_t Bytes() const;

  private:
    int m_nWidth = 0;
    int m_nHeight = 0;
    std::vector<std::vector<std::uint8_t>> m_rows;
};

}  // namespace varlen
