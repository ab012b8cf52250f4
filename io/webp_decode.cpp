// WebP decoding through libwebp, from memory.
//
// Contract: see DecodeWebp in picture_decoders.h. Every file, still or animated, goes
// through the demuxer: it finds the canvas, the first frame and the EXIF chunk alike.
//
// Traps:
// - The demuxer refuses data shorter than the RIFF header says (a truncated file), so
//   the frame handed to the decoder is complete; the decoder itself refuses a damaged
//   bitstream.
// - The canvas size is checked against kMaxPictureSide before anything is allocated,
//   and the frame's own bitstream size must be the frame size the demuxer reports and lie
//   inside the canvas, so the copy onto the canvas cannot leave it.
// - The decoder writes straight into our buffer (the ...Into calls), blue first, so no
//   second copy of a large picture is made when the frame covers the canvas.
#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>
#include <vector>

#include "io/c_handle.h"
#include "io/exif_orientation.h"
#include "io/picture_decoders.h"

namespace varlen {

namespace {

struct FrameGuard {
    WebPIterator iter{};
    bool valid = false;
    ~FrameGuard() {
        if (valid) {
            WebPDemuxReleaseIterator(&iter);
        }
    }
};

int WebpOrientation(WebPDemuxer* demux) {
    WebPChunkIterator chunk{};
    if (!WebPDemuxGetChunk(demux, "EXIF", 1, &chunk)) {
        return 1;
    }
    const int orientation = ExifOrientation({chunk.chunk.bytes, chunk.chunk.size});
    WebPDemuxReleaseChunkIterator(&chunk);
    return orientation;
}

}  // namespace

std::optional<DecodedBitmap> DecodeWebp(std::span<const std::uint8_t> data) {
    if (SniffEncoded(data) != EncodedKind::Webp) {
        return std::nullopt;
    }
    const WebPData whole{data.data(), data.size()};
    const CHandle<WebPDemuxer, WebPDemuxDelete> demux(WebPDemux(&whole));
    if (demux == nullptr) {
        return std::nullopt;
    }
    const std::uint32_t canvasWidth = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH);
    const std::uint32_t canvasHeight = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT);
    if (canvasWidth < 1 || canvasHeight < 1 || canvasWidth > kMaxPictureSide ||
        canvasHeight > kMaxPictureSide) {
        return std::nullopt;
    }
    FrameGuard frame;
    frame.valid = WebPDemuxGetFrame(demux.get(), 1, &frame.iter) != 0;
    if (!frame.valid || !frame.iter.complete) {
        return std::nullopt;
    }
    const WebPIterator& it = frame.iter;
    const std::uint8_t* bytes = it.fragment.bytes;
    const std::size_t size = it.fragment.size;
    WebPBitstreamFeatures features{};
    if (WebPGetFeatures(bytes, size, &features) != VP8_STATUS_OK || features.width != it.width ||
        features.height != it.height || it.width < 1 || it.height < 1 || it.x_offset < 0 ||
        it.y_offset < 0 || static_cast<std::uint32_t>(it.x_offset + it.width) > canvasWidth ||
        static_cast<std::uint32_t>(it.y_offset + it.height) > canvasHeight) {
        return std::nullopt;
    }

    DecodedBitmap out;
    out.width = static_cast<int>(canvasWidth);
    out.height = static_cast<int>(canvasHeight);
    const bool covers = it.x_offset == 0 && it.y_offset == 0 &&
                        static_cast<std::uint32_t>(it.width) == canvasWidth &&
                        static_cast<std::uint32_t>(it.height) == canvasHeight;
    if (covers) {
        out.depth = features.has_alpha ? 32 : 24;
        out.stride = static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.depth / 8);
        out.bits.resize(out.stride * static_cast<std::size_t>(out.height));
        const int stride = static_cast<int>(out.stride);
        const std::uint8_t* done =
            out.depth == 32
                ? WebPDecodeBGRAInto(bytes, size, out.bits.data(), out.bits.size(), stride)
                : WebPDecodeBGRInto(bytes, size, out.bits.data(), out.bits.size(), stride);
        if (done == nullptr) {
            return std::nullopt;
        }
    } else {
        const std::size_t frameStride = static_cast<std::size_t>(it.width) * 4;
        std::vector<std::uint8_t> pixels(frameStride * static_cast<std::size_t>(it.height));
        if (WebPDecodeBGRAInto(bytes, size, pixels.data(), pixels.size(),
                               static_cast<int>(frameStride)) == nullptr) {
            return std::nullopt;
        }
        out.depth = 32;
        out.stride = static_cast<std::size_t>(out.width) * 4;
        out.bits.assign(out.stride * static_cast<std::size_t>(out.height), 0);
        for (int y = 0; y < it.height; ++y) {
            std::memcpy(out.bits.data() + static_cast<std::size_t>(y + it.y_offset) * out.stride +
                            static_cast<std::size_t>(it.x_offset) * 4,
                        pixels.data() + static_cast<std::size_t>(y) * frameStride, frameStride);
        }
    }
    out.orientation = WebpOrientation(demux.get());
    return out;
}

}  // namespace varlen
