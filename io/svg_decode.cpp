// DecodeSvg (contract in picture_decoders.h): the size and kind checks here, then the
// document checked and drawn by the SVG drawing program in a child process of its own
// (svg_process.h), so a librsvg panic, a runaway filter or a memory blow-up ends that
// child and not us.
#include "io/picture_decoders.h"
#include "io/svg_process.h"

namespace varlen {

std::optional<DecodedBitmap> DecodeSvg(std::span<const std::uint8_t> data) {
    if (data.size() > kMaxSvgBytes || SniffEncoded(data) != EncodedKind::Svg) {
        return std::nullopt;
    }
    const std::optional<std::filesystem::path> program = FindSvgProgram();
    if (!program) {
        return std::nullopt;
    }
    return RenderSvgInChild(*program, data).bitmap;
}

}  // namespace varlen
