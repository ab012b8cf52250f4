// Builders of test inputs; see codec_fixtures.h. The encoders report failure with an empty
// result, which every test that uses them notices at once (decoding fails).
#include "io/codec_fixtures.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <fstream>

#include <jpeglib.h>

namespace varlen::testdata {

void PutU16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void PutU32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}
void SetU32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

Bytes BuildDib(const DibLayout& s) {
    Bytes b;
    PutU32(b, s.headerSize);
    PutU32(b, static_cast<std::uint32_t>(s.width));
    PutU32(b, static_cast<std::uint32_t>(s.height));
    PutU16(b, 1);
    PutU16(b, s.bpp);
    PutU32(b, s.compression);
    PutU32(b, static_cast<std::uint32_t>(s.pixels.size()));
    PutU32(b, 2835);
    PutU32(b, 2835);
    PutU32(b, s.clrUsed);
    PutU32(b, 0);
    if (s.headerSize > 40) {
        b.resize(s.headerSize, 0);
        for (std::size_t i = 0; i < s.masks.size() && 40 + 4 * i + 4 <= s.headerSize; ++i) {
            SetU32(b, 40 + 4 * i, s.masks[i]);
        }
    } else {
        for (std::uint32_t m : s.masks) {
            PutU32(b, m);
        }
    }
    for (const RGBQUAD& q : s.palette) {
        b.push_back(q.rgbBlue);
        b.push_back(q.rgbGreen);
        b.push_back(q.rgbRed);
        b.push_back(q.rgbReserved);
    }
    b.insert(b.end(), s.pixels.begin(), s.pixels.end());
    return b;
}

Bytes BuildBmpFile(const Bytes& dib) {
    Bytes b = {'B', 'M'};
    PutU32(b, 7);  // wrong size: never used
    PutU32(b, 0);
    PutU32(b, 3);  // wrong pixel offset: never used
    b.insert(b.end(), dib.begin(), dib.end());
    return b;
}

namespace {

void PngWrite(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}
void PngFlush(png_structp) {}

bool RunPngWrite(png_structp png, png_infop info, const PngLayout* s, Bytes* out, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_write_fn(png, out, PngWrite, PngFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(s->width), static_cast<png_uint_32>(s->height),
                 s->bitDepth, s->colorType, s->interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!s->plte.empty()) {
        png_set_PLTE(png, info, reinterpret_cast<png_const_colorp>(s->plte.data()),
                     static_cast<int>(s->plte.size() / 3));
    }
    if (!s->trnsAlpha.empty()) {
        png_set_tRNS(png, info, s->trnsAlpha.data(), static_cast<int>(s->trnsAlpha.size()),
                     nullptr);
    }
    if (s->trnsGrey) {
        png_color_16 c{};
        c.gray = static_cast<png_uint_16>(*s->trnsGrey);
        png_set_tRNS(png, info, nullptr, 0, &c);
    }
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

Bytes EncodePng(const PngLayout& s) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows;
    std::vector<Bytes> copy = s.rows;
    for (Bytes& r : copy) {
        rows.push_back(r.data());
    }
    Bytes out;
    const bool ok = RunPngWrite(png, info, &s, &out, rows.data());
    png_destroy_write_struct(&png, &info);
    return ok ? out : Bytes{};
}

Bytes EncodeJpeg(const JpegLayout& s) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);  // test inputs are valid: default error exit
    jpeg_create_compress(&cinfo);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &mem, &size);
    cinfo.image_width = static_cast<JDIMENSION>(s.width);
    cinfo.image_height = static_cast<JDIMENSION>(s.height);
    cinfo.input_components = s.components;
    cinfo.in_color_space = s.components == 1   ? JCS_GRAYSCALE
                           : s.components == 3 ? JCS_RGB
                                               : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    for (int c = 0; c < cinfo.num_components; ++c) {
        cinfo.comp_info[c].h_samp_factor = 1;
        cinfo.comp_info[c].v_samp_factor = 1;
    }
    if (s.components == 4) {
        cinfo.write_Adobe_marker = s.adobe ? TRUE : FALSE;
    }
    if (s.progressive) {
        jpeg_simple_progression(&cinfo);
    }
    jpeg_start_compress(&cinfo, TRUE);
    Bytes samples = s.samples;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = samples.data() + static_cast<std::size_t>(cinfo.next_scanline) *
                                            static_cast<std::size_t>(s.width * s.components);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes out(mem, mem + size);
    std::free(mem);
    return out;
}

namespace {

int GifWrite(GifFileType* gif, const GifByteType* data, int n) {
    auto* out = static_cast<Bytes*>(gif->UserData);
    out->insert(out->end(), data, data + n);
    return n;
}

struct ColorMapGuard {
    ColorMapObject* map = nullptr;
    ~ColorMapGuard() { GifFreeMapObject(map); }
};

ColorMapObject* MakeMap(const std::vector<std::uint8_t>& rgb) {
    if (rgb.empty()) {
        return nullptr;
    }
    const int n = static_cast<int>(rgb.size() / 3);
    std::vector<GifColorType> colors(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        colors[static_cast<std::size_t>(i)] = GifColorType{
            rgb[3 * static_cast<std::size_t>(i)], rgb[3 * static_cast<std::size_t>(i) + 1],
            rgb[3 * static_cast<std::size_t>(i) + 2]};
    }
    return GifMakeMapObject(n, colors.data());
}

}  // namespace

Bytes EncodeGif(const GifLayout& s) {
    Bytes out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, GifWrite, &error);
    if (gif == nullptr) {
        return {};
    }
    ColorMapGuard global{MakeMap(s.globalColors)};
    ColorMapGuard local{MakeMap(s.localColors)};
    EGifSetGifVersion(gif, true);
    bool ok = EGifPutScreenDesc(gif, s.screenWidth, s.screenHeight, 8, s.background, global.map) !=
              GIF_ERROR;
    if (ok && s.applicationExtensionFirst) {
        const GifByteType id[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
        const GifByteType loop[] = {1, 0, 0};
        ok = EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) != GIF_ERROR &&
             EGifPutExtensionBlock(gif, 11, id) != GIF_ERROR &&
             EGifPutExtensionBlock(gif, 3, loop) != GIF_ERROR &&
             EGifPutExtensionTrailer(gif) != GIF_ERROR;
    }
    if (ok && s.gceFlags) {
        const GifByteType gce[] = {*s.gceFlags, 0, 0, s.gceIndex};
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, gce) != GIF_ERROR;
    }
    ok = ok && EGifPutImageDesc(gif, s.left, s.top, s.width, s.height, s.interlace, local.map) !=
                   GIF_ERROR;
    Bytes indexes = s.indexes;
    if (ok) {
        // giflib writes the lines in the order given; for an interlaced image that is the
        // order of the four passes.
        std::vector<int> order;
        if (s.interlace) {
            const int start[4] = {0, 4, 2, 1};
            const int step[4] = {8, 8, 4, 2};
            for (int p = 0; p < 4; ++p) {
                for (int r = start[p]; r < s.height; r += step[p]) {
                    order.push_back(r);
                }
            }
        } else {
            for (int r = 0; r < s.height; ++r) {
                order.push_back(r);
            }
        }
        for (int r : order) {
            if (EGifPutLine(gif, indexes.data() + static_cast<std::size_t>(r * s.width), s.width) ==
                GIF_ERROR) {
                ok = false;
                break;
            }
        }
    }
    if (EGifCloseFile(gif, &error) == GIF_ERROR) {
        ok = false;
    }
    return ok ? out : Bytes{};
}

std::string WriteTempFile(const std::string& name, const Bytes& bytes) {
    const std::string path = ::testing::TempDir() + "varlen_decode_" + name;
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
    return path;
}

}  // namespace varlen::testdata
