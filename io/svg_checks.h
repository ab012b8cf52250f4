// The checks an SVG document passes before librsvg may decode it: the pictures it embeds.
//
// Pictures embedded as data: URLs are decoded by gdk-pixbuf, which has no size limit: a
// small document could make it allocate gigabytes. So the document is parsed here with
// libxml2 (entities and character references resolved as librsvg resolves them), CSS
// escapes are undone, and every data: URL in an href, in a url(...) of any attribute, or in
// a style sheet is looked at: PNG and JPEG pictures must lie within kMaxPictureSide and all
// of them together within kMaxSvgEmbeddedPixels; embedded XML (an SVG document) is checked
// the same way, a few levels deep; anything else, and a document libxml2 cannot parse,
// makes the document refused. Every libxml2 document lives in a guard.
#pragma once

#include <cstdint>
#include <span>

#include "io/svg_library.h"

namespace varlen {

// True when every picture that data embeds is one librsvg may be given.
bool SvgEmbedsOnlyWhatFits(const SvgLibrary& lib, std::span<const std::uint8_t> data);

}  // namespace varlen
