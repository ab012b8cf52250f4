// GIF decoding through giflib, from memory: the first image only.
//
// Contract: see DecodeGif in picture_decoders.h. The result is always 8-bit indexed with a
// 256-entry palette, the size of the logical screen (widened to hold the first image when
// the image reaches past it) with the image at its offset.
//
// Traps:
// - giflib reports errors by return value; every call is checked. The read callback never
//   reads past the data and reports short reads, which giflib turns into an error.
// - The canvas size comes from header fields: it is checked against kMaxPictureSide before
//   it is allocated, and lines are read at most the image's width into their row.
// - Interlaced images deliver their rows in four passes (every 8th row from 0, every 8th
//   from 4, every 4th from 2, every 2nd from 1).
// - Only records up to the first image are read, so later frames cost nothing.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "io/c_handle.h"
#include "io/picture_decoders.h"

namespace varlen {

namespace {

struct GifSource {
    std::span<const std::uint8_t> data;
    std::size_t pos = 0;
};

int GifReadData(GifFileType* gif, GifByteType* out, int n) {
    auto* src = static_cast<GifSource*>(gif->UserData);
    if (n <= 0) {
        return 0;
    }
    const std::size_t k = std::min(static_cast<std::size_t>(n), src->data.size() - src->pos);
    std::memcpy(out, src->data.data() + src->pos, k);
    src->pos += k;
    return static_cast<int>(k);
}

void CloseGifReader(GifFileType* gif) {
    int error = 0;
    DGifCloseFile(gif, &error);
}

// Skips the remaining data sub-blocks of an extension.
bool SkipExtensionBlocks(GifFileType* gif) {
    GifByteType* block = nullptr;
    do {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) {
            return false;
        }
    } while (block != nullptr);
    return true;
}

}  // namespace

std::optional<DecodedBitmap> DecodeGif(std::span<const std::uint8_t> data) {
    if (SniffEncoded(data) != EncodedKind::Gif) {
        return std::nullopt;
    }
    GifSource source{data, 0};
    int error = 0;
    const CHandle<GifFileType, CloseGifReader> guard(DGifOpen(&source, GifReadData, &error));
    if (guard == nullptr) {
        return std::nullopt;
    }
    GifFileType* gif = guard.get();
    int transparent = -1;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) {
            return std::nullopt;
        }
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) {
                return std::nullopt;
            }
            if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] >= 4) {
                transparent = (block[1] & 1) != 0 ? block[4] : -1;
            }
            if (block != nullptr && !SkipExtensionBlocks(gif)) {
                return std::nullopt;
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) {
            return std::nullopt;  // the trailer (or anything else) before any image
        }
        if (DGifGetImageDesc(gif) == GIF_ERROR) {
            return std::nullopt;
        }
        break;
    }

    const GifImageDesc& desc = gif->Image;
    if (desc.Width <= 0 || desc.Height <= 0 || desc.Left < 0 || desc.Top < 0) {
        return std::nullopt;
    }
    const long canvasW = std::max<long>(gif->SWidth, static_cast<long>(desc.Left) + desc.Width);
    const long canvasH = std::max<long>(gif->SHeight, static_cast<long>(desc.Top) + desc.Height);
    if (canvasW > kMaxPictureSide || canvasH > kMaxPictureSide) {
        return std::nullopt;
    }

    DecodedBitmap out;
    out.width = static_cast<int>(canvasW);
    out.height = static_cast<int>(canvasH);
    out.depth = 8;
    out.stride = static_cast<std::size_t>(canvasW);
    out.palette.assign(256, RGBQUAD{});
    const ColorMapObject* map = desc.ColorMap != nullptr ? desc.ColorMap : gif->SColorMap;
    if (map != nullptr && map->Colors != nullptr) {
        const int count = std::min(map->ColorCount, 256);
        for (int i = 0; i < count; ++i) {
            const GifColorType& c = map->Colors[i];
            out.palette[static_cast<std::size_t>(i)] = RGBQUAD{c.Blue, c.Green, c.Red, 0};
        }
    } else {
        for (int i = 0; i < 256; ++i) {
            const auto g = static_cast<std::uint8_t>(i);
            out.palette[static_cast<std::size_t>(i)] = RGBQUAD{g, g, g, 0};
        }
    }
    const int fill = transparent >= 0 ? transparent : gif->SBackGroundColor;
    out.bits.assign(out.stride * static_cast<std::size_t>(canvasH),
                    static_cast<std::uint8_t>(fill & 0xFF));

    auto readRow = [&](int row) {
        std::uint8_t* dst = out.bits.data() +
                            static_cast<std::size_t>(desc.Top + row) * out.stride +
                            static_cast<std::size_t>(desc.Left);
        return DGifGetLine(gif, dst, desc.Width) != GIF_ERROR;
    };
    if (desc.Interlace) {
        constexpr int kStart[4] = {0, 4, 2, 1};
        constexpr int kStep[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            for (int row = kStart[pass]; row < desc.Height; row += kStep[pass]) {
                if (!readRow(row)) {
                    return std::nullopt;
                }
            }
        }
    } else {
        for (int row = 0; row < desc.Height; ++row) {
            if (!readRow(row)) {
                return std::nullopt;
            }
        }
    }
    return out;
}

}  // namespace varlen
