// The checks an SVG document passes before librsvg may decode it: the pictures it embeds.
//
// Pictures embedded as data: URLs are decoded by gdk-pixbuf, which has no size limit: a
// small document could make it allocate gigabytes. So the document is parsed here with
// libxml2, CSS escapes are undone, and every data: URL in an href, in a url(...) of any
// attribute, or in a style sheet is looked at: PNG and JPEG pictures must lie within
// kMaxPictureSide and all of them together within kMaxSvgEmbeddedPixels; embedded XML (an
// SVG document) counts with the size it claims for itself and is checked the same way, a
// few levels deep; anything else, and a document libxml2 cannot parse, makes the document
// refused. Every libxml2 document lives in a guard.
//
// That parse loads nothing and substitutes nothing (no XML_PARSE_NOENT, no DTD loading,
// XML_PARSE_NONET): a DOCTYPE naming a file, a FIFO or /dev/stdin must not make us read it.
// A document that declares an external or a parameter entity is refused; internal
// entities are expanded by our own walk, within a node budget, so an entity bomb is refused
// instead of expanded. data: is found as the URL parser finds it: tab, CR and LF inside
// are dropped and leading C0 controls and spaces skipped.
#pragma once

#include <cstdint>
#include <span>

#include "io/svg_library.h"

namespace varlen {

// True when every picture that data embeds is one librsvg may be given.
bool SvgEmbedsOnlyWhatFits(const SvgLibrary& lib, std::span<const std::uint8_t> data);

}  // namespace varlen
