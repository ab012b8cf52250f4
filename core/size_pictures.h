// Pictures of their own for chosen sizes: a hand-drawn 16 x 16 instead of a reduction of the
// large picture. Every format of such a size takes its pixels from that picture instead of
// from the working image; transparent regions and effects are not applied to it (hand-drawn
// art is final), only the reduction to the format's depth.
//
// A picture of exactly the format's size is taken pixel for pixel; any other is fitted into
// the format as the source page places a picture by default (centred, aspect kept,
// transparent margins), resized with the formats' smoothing choice. Then, as for every
// format: below 32 bits the alpha threshold, at 8 bits or less the median-cut palette.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/icon.h"

namespace varlen {

class SizePictures {
  public:
    SizePictures() = default;
    SizePictures(SizePictures&&) = default;
    SizePictures& operator=(SizePictures&&) = default;

    // Gives width x height its own picture (replacing one it had); label names where it
    // came from (a file's path), for the user. A null picture removes the size's picture.
    void Set(int width, int height, std::unique_ptr<CIcon> picture, std::string label);
    // False when the size had no picture.
    bool Remove(int width, int height);
    void Clear() { m_entries.clear(); }
    bool Empty() const { return m_entries.empty(); }
    std::size_t Size() const { return m_entries.size(); }

    // The size's picture; null when it has none.
    const CIcon* Find(int width, int height) const;
    // The label given with the size's picture; empty when it has none.
    std::string Label(int width, int height) const;
    // Every size that has a picture, in the order they were first given.
    std::vector<std::pair<int, int>> Sizes() const;

  private:
    struct Entry {
        int width = 0;
        int height = 0;
        std::unique_ptr<CIcon> picture;
        std::string label;
    };
    std::vector<Entry> m_entries;
};

// The rectangle of a pictureWidth x pictureHeight picture that maps onto a width x height
// format with the whole picture visible, centred, aspect kept: its aspect is the format's
// and it reaches outside the picture (transparent margins) along one axis. For a square
// format it is the source page's default square.
Rect FittedSource(int pictureWidth, int pictureHeight, int width, int height);

// A 32-bit width x height image of picture: its pixels when it has exactly that size, else
// picture fitted into it through FittedSource. Null when the size is refused by CreateIcon.
std::unique_ptr<CIcon> FitPicture(const CIcon& picture, int width, int height, bool smoothing);

// The finished format image of width x height at bpp from a size's own picture (see above).
// Null when the size or depth is refused by CreateIcon.
std::unique_ptr<CIcon> BuildSizePictureIcon(const CIcon& picture, int width, int height, int bpp,
                                            bool smoothing);

}  // namespace varlen
