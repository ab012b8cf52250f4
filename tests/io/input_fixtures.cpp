// Builders of the newer test inputs; see input_fixtures.h. A builder that fails returns
// an empty result, which the test that uses it notices at once (decoding fails).
#include "io/input_fixtures.h"

#include <tiffio.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <cstring>

namespace varlen::testdata {

namespace {

void PutBe16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v >> 8));
    b.push_back(static_cast<std::uint8_t>(v));
}
void PutBe32(Bytes& b, std::uint32_t v) {
    PutBe16(b, v >> 16);
    PutBe16(b, v & 0xFFFF);
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
