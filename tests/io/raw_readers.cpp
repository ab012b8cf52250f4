// Test-only PNG and GIF readers (see raw_readers.h). The libpng reader keeps its setjmp
// frame free of objects with destructors: everything lives in the caller's RawPng.
#include "tests/io/raw_readers.h"

#include <gif_lib.h>
#include <png.h>

#include <csetjmp>
#include <cstring>

namespace varlen::testing_support {
namespace {

struct MemoryInput {
    const std::vector<std::uint8_t>* data;
    std::size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep dst, png_size_t n) {
    auto* in = static_cast<MemoryInput*>(png_get_io_ptr(png));
    if (in->data->size() - in->pos < n) {
        png_error(png, "short file");
    }
    std::memcpy(dst, in->data->data() + in->pos, n);
    in->pos += n;
}

[[noreturn]] void OnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void OnWarning(png_structp, png_const_charp) {}

bool ReadPng(png_structp png, png_infop info, MemoryInput* in, RawPng* out) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_read_fn(png, in, ReadFromMemory);
    png_read_info(png, info);
    out->width = png_get_image_width(png, info);
    out->height = png_get_image_height(png, info);
    out->bitDepth = png_get_bit_depth(png, info);
    out->colorType = png_get_color_type(png, info);
    png_colorp plte = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &plte, &count) != 0) {
        out->palette.resize(static_cast<std::size_t>(count) * 3);
        for (int i = 0; i < count; ++i) {
            out->palette[3 * i] = plte[i].red;
            out->palette[3 * i + 1] = plte[i].green;
            out->palette[3 * i + 2] = plte[i].blue;
        }
    }
    out->hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    out->rows.resize(out->height);
    for (auto& row : out->rows) {
        row.resize(png_get_rowbytes(png, info));
        png_read_row(png, row.data(), nullptr);
    }
    png_read_end(png, nullptr);
    return true;
}

int ReadGifFromMemory(GifFileType* gif, GifByteType* dst, int n) {
    auto* in = static_cast<MemoryInput*>(gif->UserData);
    const std::size_t k = std::min(static_cast<std::size_t>(n), in->data->size() - in->pos);
    std::memcpy(dst, in->data->data() + in->pos, k);
    in->pos += k;
    return static_cast<int>(k);
}

}  // namespace

RawPng DecodePngRaw(const std::vector<std::uint8_t>& file) {
    RawPng out;
    MemoryInput in{&file, 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info != nullptr) {
        out.ok = ReadPng(png, info, &in, &out) && in.pos == file.size();
    }
    png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
    return out;
}

RawGif DecodeGifRaw(const std::vector<std::uint8_t>& file) {
    RawGif out;
    MemoryInput in{&file, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&in, ReadGifFromMemory, &error);
    if (gif == nullptr) {
        return out;
    }
    if (DGifSlurp(gif) == GIF_OK && gif->SColorMap != nullptr && gif->ImageCount > 0) {
        out.ok = true;
        out.width = gif->SWidth;
        out.height = gif->SHeight;
        out.colorCount = gif->SColorMap->ColorCount;
        out.bitsPerPixel = gif->SColorMap->BitsPerPixel;
        for (int i = 0; i < out.colorCount; ++i) {
            const GifColorType c = gif->SColorMap->Colors[i];
            out.palette.insert(out.palette.end(), {c.Red, c.Green, c.Blue});
        }
        out.imageCount = gif->ImageCount;
        GraphicsControlBlock gcb;
        out.hasTransparency = DGifSavedExtensionToGCB(gif, 0, &gcb) == GIF_OK &&
                              gcb.TransparentColor != NO_TRANSPARENT_COLOR;
        const SavedImage& img = gif->SavedImages[0];
        const std::size_t n = static_cast<std::size_t>(img.ImageDesc.Width) *
                              static_cast<std::size_t>(img.ImageDesc.Height);
        out.indices.assign(img.RasterBits, img.RasterBits + n);
    }
    DGifCloseFile(gif, &error);
    return out;
}

}  // namespace varlen::testing_support
