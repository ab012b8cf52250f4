// Placement: cutting the picture's square out, rotated and mirrored, into the working image.
//
// The source rectangle is in picture pixels and may extend beyond the picture on any side
// (that area becomes transparent). The view starts it as the square centred on the picture
// whose side is the larger of width and height (the whole picture with transparent
// margins) or, without margins, the smaller (the square filled, the picture cropped).
// Placement always smooths, whatever the formats' smoothing choice.
#pragma once

#include <memory>
#include <optional>

#include "core/icon.h"
#include "core/workers.h"

namespace varlen {

// The placed square's side is bounded: zooming out in the view is otherwise unbounded and
// the next step would allocate side x side pixels. At most 4 x the picture's larger side
// but at least kMinPlacedLimit (so a small picture can still be zoomed out), and never
// above kMaxPlacedSide (the largest picture side we decode).
inline constexpr int kMaxPlacedSide = 16384;
inline constexpr int kMinPlacedLimit = 1024;
inline constexpr int kPlacedSideFactor = 4;

// The largest side a rectangle placed from a width x height picture may have.
int MaxPlacedSide(int pictureWidth, int pictureHeight);

// Whether PlacePicture accepts source for a width x height picture: both sides of source
// 1 ... MaxPlacedSide. Callers check this first to tell the user why nothing was placed.
bool PlacementFits(int pictureWidth, int pictureHeight, const Rect& source);

// The centred square of a width x height picture; side = max (with margins) or min.
Rect CenteredSquare(int width, int height, bool noMargin);

// A new 32-bit image of the rectangle's size holding the picture rendered through it with
// mirror and rotation (thousandths of a degree, clockwise), smoothed; laid on the
// background colour when one is given. Null, before anything is allocated, when the
// rectangle does not pass PlacementFits.
std::unique_ptr<CIcon> PlacePicture(const CIcon& picture, const Rect& source, bool mirror,
                                    int rotation, std::optional<ColorRef> background);
// The same, with the render's rows spread over the workers.
std::unique_ptr<CIcon> PlacePicture(const CIcon& picture, const Rect& source, bool mirror,
                                    int rotation, std::optional<ColorRef> background,
                                    Workers& workers);

// The same, taking the picture: when the rectangle is the whole of a 32-bit picture, with no
// mirror and no rotation, the placed image is made in the picture's own pixels instead of a
// second image (the same pixels as the other overloads give). Null when the rectangle does
// not pass PlacementFits; picture is then left as it was.
std::unique_ptr<CIcon> PlacePicture(std::unique_ptr<CIcon>&& picture, const Rect& source,
                                    bool mirror, int rotation, std::optional<ColorRef> background,
                                    Workers& workers);

// Rotation in thousandths of a degree brought into 0 ... 359999.
int NormalizeRotation(long long rotation);

}  // namespace varlen
