// Builders of test inputs; see picture_fixtures.h. The encoders report failure with an empty
// result, which every test that uses them notices at once (decoding fails).
#include "io/picture_fixtures.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>
#include <tiffio.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
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

void PutBe32(Bytes& b, std::uint32_t v) {
    for (int i = 3; i >= 0; --i) {
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

void SetBe32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
    }
}

std::uint32_t PngCrc(const std::uint8_t* p, std::size_t n) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) != 0 ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        }
    }
    return c ^ 0xFFFFFFFFu;
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
    if (s->filters) {
        png_set_filter(png, PNG_FILTER_TYPE_BASE, *s->filters);
    }
    if (s->idatBytes != 0) {
        png_set_compression_buffer_size(png, s->idatBytes);
    }
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

// --- WebP, TIFF, icon files, EXIF blocks ------------------------------------------------

namespace {

void PutBe16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v >> 8));
    b.push_back(static_cast<std::uint8_t>(v));
}
}  // namespace

Bytes ExifBlock(int orientation, bool bigEndian) {
    Bytes b = {'E', 'x', 'i', 'f', 0, 0};
    const auto u16 = [&](std::uint32_t v) { bigEndian ? PutBe16(b, v) : PutU16(b, v); };
    const auto u32 = [&](std::uint32_t v) { bigEndian ? PutBe32(b, v) : PutU32(b, v); };
    b.push_back(bigEndian ? 'M' : 'I');
    b.push_back(bigEndian ? 'M' : 'I');
    u16(42);
    u32(8);  // first directory right after the header
    u16(3);  // entries
    // ImageWidth (LONG 640), XResolution (RATIONAL at an offset past the directory),
    // Orientation (SHORT).
    u16(0x0100);
    u16(4);
    u32(1);
    u32(640);
    u16(0x011A);
    u16(5);
    u32(1);
    u32(8 + 2 + 3 * 12 + 4);
    u16(0x0112);
    u16(3);
    u32(1);
    u16(static_cast<std::uint32_t>(orientation));
    u16(0);
    u32(0);  // no next directory
    u32(72);
    u32(1);
    return b;
}

Bytes WithApp1(const Bytes& jpeg, const Bytes& payload) {
    Bytes out(jpeg.begin(), jpeg.begin() + 2);
    out.push_back(0xFF);
    out.push_back(0xE1);
    PutBe16(out, static_cast<std::uint32_t>(payload.size() + 2));
    out.insert(out.end(), payload.begin(), payload.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

Bytes EncodeWebp(const WebpLayout& s) {
    WebPConfig config;
    WebPPicture picture;
    if (!WebPConfigInit(&config) || !WebPPictureInit(&picture)) {
        return {};
    }
    config.lossless = s.lossless ? 1 : 0;
    config.exact = 1;
    config.quality = s.lossless ? 50 : 100;
    picture.use_argb = 1;
    picture.width = s.width;
    picture.height = s.height;
    WebPMemoryWriter writer;
    WebPMemoryWriterInit(&writer);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &writer;
    const int stride = s.width * (s.alpha ? 4 : 3);
    const bool imported = s.alpha ? WebPPictureImportBGRA(&picture, s.pixels.data(), stride) != 0
                                  : WebPPictureImportBGR(&picture, s.pixels.data(), stride) != 0;
    const bool ok = imported && WebPEncode(&config, &picture) != 0;
    Bytes out = ok ? Bytes(writer.mem, writer.mem + writer.size) : Bytes{};
    WebPPictureFree(&picture);
    WebPMemoryWriterClear(&writer);
    return out;
}

namespace {

Bytes Assemble(WebPMux* mux) {
    WebPData assembled{};
    Bytes out;
    if (WebPMuxAssemble(mux, &assembled) == WEBP_MUX_OK) {
        out.assign(assembled.bytes, assembled.bytes + assembled.size);
    }
    WebPDataClear(&assembled);
    WebPMuxDelete(mux);
    return out;
}

}  // namespace

Bytes WithWebpExif(const Bytes& webp, const Bytes& exif) {
    const WebPData image{webp.data(), webp.size()};
    WebPMux* mux = WebPMuxCreate(&image, 1);
    if (mux == nullptr) {
        return {};
    }
    const WebPData chunk{exif.data(), exif.size()};
    if (WebPMuxSetChunk(mux, "EXIF", &chunk, 1) != WEBP_MUX_OK) {
        WebPMuxDelete(mux);
        return {};
    }
    return Assemble(mux);
}

Bytes EncodeWebpAnimation(int canvasWidth, int canvasHeight, const std::vector<WebpFrame>& frames) {
    WebPMux* mux = WebPMuxNew();
    if (mux == nullptr) {
        return {};
    }
    const WebPMuxAnimParams params{0xFFFFFFFFu, 0};
    bool ok = WebPMuxSetAnimationParams(mux, &params) == WEBP_MUX_OK &&
              WebPMuxSetCanvasSize(mux, canvasWidth, canvasHeight) == WEBP_MUX_OK;
    for (const WebpFrame& f : frames) {
        const Bytes bitstream = EncodeWebp(f.picture);
        WebPMuxFrameInfo info{};
        info.bitstream = WebPData{bitstream.data(), bitstream.size()};
        info.x_offset = f.x;
        info.y_offset = f.y;
        info.duration = 100;
        info.id = WEBP_CHUNK_ANMF;
        info.dispose_method = WEBP_MUX_DISPOSE_NONE;
        info.blend_method = WEBP_MUX_BLEND;
        ok = ok && WebPMuxPushFrame(mux, &info, 1) == WEBP_MUX_OK;
    }
    if (!ok) {
        WebPMuxDelete(mux);
        return {};
    }
    return Assemble(mux);
}

namespace {

struct TiffSink {
    Bytes bytes;
    std::size_t pos = 0;
};

tmsize_t SinkRead(thandle_t h, void* buffer, tmsize_t n) {
    auto* s = static_cast<TiffSink*>(h);
    const std::size_t k = s->pos >= s->bytes.size()
                              ? 0
                              : std::min(static_cast<std::size_t>(n), s->bytes.size() - s->pos);
    std::memcpy(buffer, s->bytes.data() + s->pos, k);
    s->pos += k;
    return static_cast<tmsize_t>(k);
}
tmsize_t SinkWrite(thandle_t h, void* buffer, tmsize_t n) {
    auto* s = static_cast<TiffSink*>(h);
    const std::size_t k = static_cast<std::size_t>(n);
    if (s->pos + k > s->bytes.size()) {
        s->bytes.resize(s->pos + k);
    }
    std::memcpy(s->bytes.data() + s->pos, buffer, k);
    s->pos += k;
    return n;
}
toff_t SinkSeek(thandle_t h, toff_t off, int whence) {
    auto* s = static_cast<TiffSink*>(h);
    const std::size_t base = whence == SEEK_CUR ? s->pos : whence == SEEK_END ? s->bytes.size() : 0;
    s->pos = base + static_cast<std::size_t>(off);
    return s->pos;
}
int SinkClose(thandle_t) {
    return 0;
}
toff_t SinkSize(thandle_t h) {
    return static_cast<TiffSink*>(h)->bytes.size();
}
int SinkMap(thandle_t, void**, toff_t*) {
    return 0;
}
void SinkUnmap(thandle_t, void*, toff_t) {}

bool WriteTiffPage(TIFF* tif, const TiffLayout& s, const Bytes& data) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(s.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(s.height));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, s.samples);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                 s.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, s.compression);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(s.rowsPerStrip));
    TIFFSetField(tif, TIFFTAG_ORIENTATION, s.orientation);
    if (s.samples == 2 || s.samples == 4) {
        const std::uint16_t extra[] = {static_cast<std::uint16_t>(s.extraType)};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    const std::size_t rowBytes = static_cast<std::size_t>(s.width * s.samples);
    Bytes row(rowBytes);
    for (int y = 0; y < s.height; ++y) {
        std::copy_n(
            data.begin() + static_cast<std::ptrdiff_t>(rowBytes * static_cast<std::size_t>(y)),
            rowBytes, row.begin());
        if (TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(y), 0) < 0) {
            return false;
        }
    }
    return TIFFWriteDirectory(tif) != 0;
}

}  // namespace

Bytes EncodeTiff(const TiffLayout& s) {
    TiffSink sink;
    TIFF* tif = TIFFClientOpen("fixture", s.bigEndian ? "wb" : "wl", &sink, SinkRead, SinkWrite,
                               SinkSeek, SinkClose, SinkSize, SinkMap, SinkUnmap);
    if (tif == nullptr) {
        return {};
    }
    bool ok = WriteTiffPage(tif, s, s.data);
    Bytes inverted = s.data;
    for (std::uint8_t& v : inverted) {
        v = static_cast<std::uint8_t>(255 - v);
    }
    for (int page = 1; ok && page < s.pages; ++page) {
        ok = WriteTiffPage(tif, s, inverted);
    }
    TIFFClose(tif);
    return ok ? sink.bytes : Bytes{};
}

Bytes BuildIconFile(const std::vector<Bytes>& images, int type) {
    Bytes b;
    PutU16(b, 0);
    PutU16(b, static_cast<std::uint32_t>(type));
    PutU16(b, static_cast<std::uint32_t>(images.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (const Bytes& image : images) {
        PutU32(b, 0);  // width, height, colour count, reserved
        PutU32(b, 0);  // planes and depth (icons) or hotspot (cursors)
        PutU32(b, static_cast<std::uint32_t>(image.size()));
        PutU32(b, offset);
        offset += static_cast<std::uint32_t>(image.size());
    }
    for (const Bytes& image : images) {
        b.insert(b.end(), image.begin(), image.end());
    }
    return b;
}

Bytes IconDib(DibLayout colour, const Bytes& maskRows) {
    colour.height *= 2;
    colour.pixels.insert(colour.pixels.end(), maskRows.begin(), maskRows.end());
    return BuildDib(colour);
}

std::string Base64(const Bytes& b) {
    const char* const kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < b.size(); i += 3) {
        const std::uint32_t n = (static_cast<std::uint32_t>(b[i]) << 16) |
                                (i + 1 < b.size() ? static_cast<std::uint32_t>(b[i + 1]) << 8 : 0) |
                                (i + 2 < b.size() ? b[i + 2] : 0u);
        out += kAlphabet[(n >> 18) & 63];
        out += kAlphabet[(n >> 12) & 63];
        out += i + 1 < b.size() ? kAlphabet[(n >> 6) & 63] : '=';
        out += i + 2 < b.size() ? kAlphabet[n & 63] : '=';
    }
    return out;
}

}  // namespace varlen::testdata
