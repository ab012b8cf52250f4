// Clipboard payloads of one image.
//
// Contract: CF_DIB is the plain DIB form (biHeight = height, palette for 8 bits or less,
// colour bits, no mask; 32 bits keep alpha in each pixel's fourth byte). "PNG" is the PNG
// form and is simply left out when it cannot be made. Only 32-bit images add "PBPIXEL32"
// (the pixel buffer verbatim behind width and height, so a paste restores it exactly) and
// "Pixia_Transp" (the alpha channel as an 8-bit grey bitmap: grey level = alpha).
//
// Traps: the pixel block is written byte by byte in blue, green, red, alpha order, never
// by copying the host's 32-bit words; "Pixia_Transp" rows run bottom-up like every DIB and
// are padded with zero bytes to a multiple of 4; its biSizeImage counts those pad bytes.
#include "io/clipboard_payloads.h"

#include <limits>

#include "io/clipboard_formats.h"
#include "io/dib_writer.h"
#include "io/le_bytes.h"
#include "io/png_encode.h"
#include "io/stream.h"

namespace varlen {

std::vector<std::uint8_t> PixelStreamPayload(const CIcon& icon) {
    std::vector<std::uint8_t> out;
    out.reserve(8 + icon.PixelCount() * 4);
    PutI32(out, icon.Width());
    PutI32(out, icon.Height());
    for (const Pixel p : icon.Pixels()) {
        PutU32(out, p);  // blue, green, red, alpha
    }
    return out;
}

std::vector<std::uint8_t> TransparencyPayload(const CIcon& icon) {
    std::vector<std::uint8_t> out;
    const int width = icon.Width();
    const int height = icon.Height();
    const std::size_t stride = CIcon::ColorStride(width, 8);
    if (width < 1 || height < 1 ||
        stride > std::numeric_limits<std::uint32_t>::max() / static_cast<std::size_t>(height)) {
        return out;
    }
    const std::size_t table = 256 * 4;
    out.reserve(kBitmapInfoHeaderSize + table + stride * static_cast<std::size_t>(height));
    PutU32(out, kBitmapInfoHeaderSize);  // biSize
    PutI32(out, width);                  // biWidth
    PutI32(out, height);                 // biHeight
    PutU16(out, 1);                      // biPlanes
    PutU16(out, 8);                      // biBitCount
    PutU32(out, 0);                      // biCompression
    PutU32(out, static_cast<std::uint32_t>(stride * static_cast<std::size_t>(height)));
    PutU32(out, 0);  // biXPelsPerMeter
    PutU32(out, 0);  // biYPelsPerMeter
    PutU32(out, 0);  // biClrUsed
    PutU32(out, 0);  // biClrImportant
    for (std::uint32_t i = 0; i < 256; ++i) {
        PutU8(out, i);
        PutU8(out, i);
        PutU8(out, i);
        PutU8(out, 0);
    }
    for (int y = height - 1; y >= 0; --y) {
        const Pixel* row = icon.Row(y);
        for (int x = 0; x < width; ++x) {
            PutU8(out, static_cast<std::uint32_t>(Alpha(row[x])));
        }
        for (std::size_t pad = static_cast<std::size_t>(width); pad < stride; ++pad) {
            PutU8(out, 0);
        }
    }
    return out;
}

std::vector<ClipboardPayload> ClipboardPayloads(const CIcon& icon) {
    std::vector<ClipboardPayload> result;
    MemoryFile dib;
    if (!WriteDib(icon, dib, false)) {
        return result;
    }
    result.push_back({kCfDib, dib.Take()});

    std::vector<std::uint8_t> png;
    if (EncodePng(icon, png)) {
        result.push_back({kCfPng, std::move(png)});
    }
    if (icon.Bpp() == 32) {
        result.push_back({kCfPbPixel32, PixelStreamPayload(icon)});
        std::vector<std::uint8_t> transp = TransparencyPayload(icon);
        if (!transp.empty()) {
            result.push_back({kCfTransp, std::move(transp)});
        }
    }
    return result;
}

}  // namespace varlen
