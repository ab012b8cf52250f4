// DecodeSvg (contract in picture_decoders.h): the size and kind checks, librsvg opened
// (svg_library.h), the embedded pictures checked (svg_checks.h), then the document
// rendered (svg_render.h).
#include "io/picture_decoders.h"
#include "io/svg_checks.h"
#include "io/svg_library.h"
#include "io/svg_render.h"

namespace varlen {

std::optional<DecodedBitmap> DecodeSvg(std::span<const std::uint8_t> data) {
    if (data.size() > kMaxSvgBytes || SniffEncoded(data) != EncodedKind::Svg) {
        return std::nullopt;
    }
    const SvgLibrary lib;
    if (!lib.Ok()) {
        return std::nullopt;
    }
    if (!SvgEmbedsOnlyWhatFits(lib, data)) {
        return std::nullopt;
    }
    return RenderSvgDocument(lib, data);
}

}  // namespace varlen
