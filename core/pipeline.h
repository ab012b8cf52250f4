// The format build pipeline and the filter preview of the wizard's image views.
//
// BuildFormatIcon turns the working image into one finished format image:
//   clone -> (below 32 bits) alpha threshold -> effects, if the format is smaller in
//   either direction -> resize -> effects, if the format is at least as large in both
//   directions -> sharpen -> (8 bits or less) median-cut palette.
// Effects are the filters followed by the rounded corners, with no light for 4-bit
// formats when noLight4Bit is set; they run exactly once, at the larger of the two sizes,
// and sharpening always runs last at the format's size.
// The preview differs on purpose: filters, sharpen, corners, at the working image's size,
// or, for a working image longer than kViewPreviewSide on a side, at a copy scaled down to
// that side by nearest pixel (a view never shows more, and a slider step on a 16384 x 16384
// picture then works on 16 MiB instead of 1 GiB).
// Neither function changes the working image; both return a new image owned by the caller.
// A format whose size has a picture of its own (SizePictures) is built from that picture by
// BuildSizePictureIcon instead: no working image, no effects.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "core/effects.h"
#include "core/icon.h"
#include "core/size_pictures.h"
#include "core/workers.h"

namespace varlen {

// width and height 1 ... 512 (anything CreateIcon accepts works), bpp 4, 8, 24 or 32.
// Null when the size or depth is refused by CreateIcon.
std::unique_ptr<CIcon> BuildFormatIcon(const CIcon& working, int width, int height, int bpp,
                                       bool smoothing, const EffectSettings& effects,
                                       const SizePictures* pictures = nullptr);

// One format of a build: size and depth.
struct FormatRequest {
    int width = 32;
    int height = 32;
    int bpp = 32;
};

// BuildFormatIcon for every request, in request order (null where BuildFormatIcon gives
// null), with the work that formats have in common done once and spread over the workers.
// Each image is exactly what BuildFormatIcon gives for it, whatever the number of threads.
// finished, when given, hears the index of each request whose image is complete (null ones
// included), on whichever thread completed it, in no particular order.
std::vector<std::unique_ptr<CIcon>> BuildFormatIcons(
    const CIcon& working, std::span<const FormatRequest> formats, bool smoothing,
    const EffectSettings& effects, Workers& workers,
    const std::function<void(std::size_t)>& finished = nullptr,
    const SizePictures* pictures = nullptr);

inline constexpr int kViewPreviewSide = 2048;

// The image a preview starts from: a copy of working, scaled down as described above.
std::unique_ptr<CIcon> ViewSizedCopy(const CIcon& working, Workers& workers);

// The image that pages 3, 4 and 5 show in their views.
std::unique_ptr<CIcon> BuildViewPreview(const CIcon& working, const EffectSettings& effects);
// The same, with its rows spread over the workers.
std::unique_ptr<CIcon> BuildViewPreview(const CIcon& working, const EffectSettings& effects,
                                        Workers& workers);

}  // namespace varlen
