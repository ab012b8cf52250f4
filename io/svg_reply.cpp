// The reply of the SVG drawing program (see svg_reply.h).
#include "io/svg_reply.h"

#include <algorithm>
#include <cstring>

#include "io/le_bytes.h"
#include "io/picture_decoders.h"

namespace varlen {

namespace {

constexpr char kMagic[4] = {'V', 'S', 'V', 'G'};

// Fills dst completely; false when the reply ends first or reading fails.
bool ReadExactly(const SvgReplyRead& read, std::uint8_t* dst, std::size_t n) {
    while (n > 0) {
        const std::ptrdiff_t got = read(dst, n);
        if (got <= 0 || static_cast<std::size_t>(got) > n) {
            return false;
        }
        dst += got;
        n -= static_cast<std::size_t>(got);
    }
    return true;
}

bool AtEnd(const SvgReplyRead& read) {
    std::uint8_t extra = 0;
    return read(&extra, 1) == 0;
}

// A size DecodeSvg may deliver: within the limit of every decoder and with
// kSvgRenderSide on the longer side.
bool DrawnSize(std::uint32_t width, std::uint32_t height) {
    const std::uint32_t limit = static_cast<std::uint32_t>(kMaxPictureSide);
    if (width < 1 || height < 1 || width > limit || height > limit) {
        return false;
    }
    return std::max(width, height) == static_cast<std::uint32_t>(kSvgRenderSide);
}

}  // namespace

std::vector<std::uint8_t> SvgReplyHeader(std::uint32_t kind, int width, int height) {
    std::vector<std::uint8_t> out(std::begin(kMagic), std::end(kMagic));
    PutU32(out, kind);
    PutU32(out, static_cast<std::uint32_t>(width));
    PutU32(out, static_cast<std::uint32_t>(height));
    return out;
}

SvgReply ReadSvgReply(const SvgReplyRead& read) {
    SvgReply reply;
    std::uint8_t header[kSvgReplyHeaderBytes];
    if (!ReadExactly(read, header, sizeof header) ||
        std::memcmp(header, kMagic, sizeof kMagic) != 0) {
        return reply;
    }
    const std::uint32_t kind = GetU32(header + 4);
    const std::uint32_t width = GetU32(header + 8);
    const std::uint32_t height = GetU32(header + 12);
    if (kind == kSvgReplyRefused) {
        if (width == 0 && height == 0 && AtEnd(read)) {
            reply.status = SvgReplyStatus::kRefused;
        }
        return reply;
    }
    if (kind != kSvgReplyDrawn || !DrawnSize(width, height)) {
        return reply;
    }
    DecodedBitmap bitmap;
    bitmap.width = static_cast<int>(width);
    bitmap.height = static_cast<int>(height);
    bitmap.depth = 32;
    bitmap.stride = std::size_t{width} * 4;
    bitmap.bits.resize(bitmap.stride * height);
    if (!ReadExactly(read, bitmap.bits.data(), bitmap.bits.size()) || !AtEnd(read)) {
        return reply;
    }
    reply.status = SvgReplyStatus::kDrawn;
    reply.bitmap = std::move(bitmap);
    return reply;
}

}  // namespace varlen
