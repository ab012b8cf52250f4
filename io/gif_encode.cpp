// GIF encoding of one palette image with giflib.
//
// Contract: only 4 and 8 bits. The colour table is the whole palette (16 or 256 entries,
// a power of two as GIF requires), the pixels are the indices of the colour bits from
// CIcon::BuildBits read upright (4-bit rows unpacked, high nibble = left pixel), and no
// transparency is written: transparent pixels keep the index BuildBits gave them.
// The file is built in memory and appended in one go, so failure writes nothing.
//
// Traps: GIF stores sides in 16 bits, so anything above 65535 is refused rather than
// wrapped. giflib reports errors by return codes (no longjmp); the output callback
// catches allocation failure and reports a short write instead of throwing through C.
#include "io/gif_encode.h"
#include "io/c_handle.h"

#include <gif_lib.h>

#include <cstddef>
#include <memory>

namespace varlen {
namespace {

int GifWriteData(GifFileType* gif, const GifByteType* data, int n) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    if (n <= 0) {
        return 0;
    }
    try {
        out->insert(out->end(), data, data + n);
    } catch (...) {
        return 0;
    }
    return n;
}

void CloseGifWriter(GifFileType* gif) {
    int error = 0;
    EGifCloseFile(gif, &error);
}

bool RunGifWrite(const CIcon& icon, const DibBits& bits, std::vector<std::uint8_t>& out) {
    const int width = icon.Width();
    const int height = icon.Height();
    const int bpp = icon.Bpp();
    const int count = icon.GetNumColors();

    std::vector<GifColorType> colors(static_cast<std::size_t>(count));
    const auto palette = icon.Palette();
    for (std::size_t i = 0; i < colors.size() && i < palette.size(); ++i) {
        colors[i] = GifColorType{palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue};
    }
    const CHandle<ColorMapObject, GifFreeMapObject> map(GifMakeMapObject(count, colors.data()));
    if (!map) {
        return false;
    }

    int error = 0;
    CHandle<GifFileType, CloseGifWriter> gif(EGifOpen(&out, GifWriteData, &error));
    if (!gif) {
        return false;
    }
    if (EGifPutScreenDesc(gif.get(), width, height, bpp, 0, map.get()) != GIF_OK ||
        EGifPutImageDesc(gif.get(), 0, 0, width, height, false, nullptr) != GIF_OK) {
        return false;
    }
    const std::size_t stride = CIcon::ColorStride(width, bpp);
    std::vector<GifPixelType> line(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src =
            bits.color.data() + static_cast<std::size_t>(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            if (bpp == 8) {
                line[static_cast<std::size_t>(x)] = src[x];
            } else {
                const std::uint8_t b = src[x >> 1];
                line[static_cast<std::size_t>(x)] =
                    static_cast<GifPixelType>((x & 1) != 0 ? (b & 0x0F) : (b >> 4));
            }
        }
        if (EGifPutLine(gif.get(), line.data(), width) != GIF_OK) {
            return false;
        }
    }
    // Closing writes the trailer; its result decides success.
    return EGifCloseFile(gif.release(), &error) == GIF_OK;
}

}  // namespace

bool EncodeGif(const CIcon& icon, std::vector<std::uint8_t>& out) {
    out.clear();
    const int bpp = icon.Bpp();
    if ((bpp != 4 && bpp != 8) || icon.Width() < 1 || icon.Height() < 1 || icon.Width() > 65535 ||
        icon.Height() > 65535) {
        return false;
    }
    const DibBits bits = icon.BuildBits();
    if (bits.color.size() !=
        CIcon::ColorStride(icon.Width(), bpp) * static_cast<std::size_t>(icon.Height())) {
        return false;
    }
    if (!RunGifWrite(icon, bits, out)) {
        out.clear();
        return false;
    }
    return true;
}

bool WriteGif(const CIcon& icon, OutFile& file) {
    std::vector<std::uint8_t> bytes;
    if (!EncodeGif(icon, bytes)) {
        return false;
    }
    return file.Write(bytes.data(), bytes.size());
}

}  // namespace varlen
