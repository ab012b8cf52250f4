// Writes the seed corpora of the fuzz targets into OUT/<target>/: small valid inputs made
// by the tests' own writers (the DIB, PNG, JPEG, GIF, WebP, TIFF, icon and EXIF fixture
// builders of tests/io, SVG texts, and our encoders), so each fuzzer starts with every
// decoder, depth and form in reach.
// Usage: varlen_fuzz_seeds OUT
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/format.h"
#include "fuzz/data_object_input.h"
#include "io/clipboard_payloads.h"
#include "io/dib_writer.h"
#include "io/export.h"
#include "io/gif_encode.h"
#include "io/icons.h"
#include "io/picture_decoders.h"
#include "io/picture_fixtures.h"
#include "io/png_encode.h"
#include "io/stream.h"
#include "io/svg_reply.h"

namespace {

using varlen::testdata::Bytes;
namespace fs = std::filesystem;
namespace td = varlen::testdata;

class SeedWriter {
  public:
    explicit SeedWriter(fs::path root) : m_root(std::move(root)) {}
    void Put(const std::string& target, const std::string& name, const Bytes& bytes) {
        const fs::path dir = m_root / target;
        fs::create_directories(dir);
        std::ofstream out(dir / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        ++m_count;
    }
    int Count() const { return m_count; }

  private:
    fs::path m_root;
    int m_count = 0;
};

// A w x h picture of bpp bits: a colour ramp with a varying alpha at 32 bits, a grey
// palette ramp at 8 bits or less.
std::unique_ptr<varlen::CIcon> Ramp(int w, int h, int bpp) {
    auto icon = varlen::CreateIcon(w, h, bpp);
    const auto palette = icon->Palette();
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const auto g =
            static_cast<std::uint8_t>(i * 255 / std::max<std::size_t>(palette.size() - 1, 1));
        palette[i] = varlen::RGBQUAD{g, g, g, 0};
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int r = (x * 37 + y * 11) & 255;
            int g = (x * 5 + y * 71) & 255;
            int b = (x * y * 3) & 255;
            if (!palette.empty()) {
                const auto& q = palette[static_cast<std::size_t>(x + y) % palette.size()];
                r = q.rgbRed;
                g = q.rgbGreen;
                b = q.rgbBlue;
            }
            const int a = bpp == 32 ? (x * 255 / std::max(w - 1, 1)) : 255;
            icon->Row(y)[x] = varlen::MakePixel(a, r, g, b);
        }
    }
    return icon;
}

Bytes Pattern(std::size_t n, int seed) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) {
        b[i] = static_cast<std::uint8_t>((i * 31 + static_cast<std::size_t>(seed) * 7) & 255);
    }
    return b;
}

Bytes Dib(const varlen::CIcon& icon) {
    varlen::MemoryFile f;
    varlen::WriteDib(icon, f, false);
    return f.Bytes();
}

std::vector<Bytes> HandMadeDibs() {
    std::vector<Bytes> out;
    const std::uint16_t depths[] = {1, 4, 8, 16, 24, 32};
    for (const std::uint16_t bpp : depths) {
        td::DibLayout s;
        s.width = 5;
        s.height = (bpp % 3 == 0) ? -3 : 3;  // top-down for some
        s.bpp = bpp;
        if (bpp <= 8) {
            for (int i = 0; i < (1 << bpp); ++i) {
                const auto v = static_cast<std::uint8_t>(i * 255 / ((1 << bpp) - 1));
                s.palette.push_back(varlen::RGBQUAD{v, static_cast<std::uint8_t>(255 - v), v, 0});
            }
        }
        const std::size_t stride = ((static_cast<std::size_t>(s.width) * bpp + 31) / 32) * 4;
        s.pixels = Pattern(stride * 3, bpp);
        out.push_back(td::BuildDib(s));
        if (bpp == 16 || bpp == 32) {  // bit fields
            s.compression = 3;
            s.masks = bpp == 16 ? std::vector<std::uint32_t>{0xF800, 0x07E0, 0x001F}
                                : std::vector<std::uint32_t>{0xFF0000, 0xFF00, 0xFF};
            out.push_back(td::BuildDib(s));
            s.headerSize = 56;
            out.push_back(td::BuildDib(s));
            s.headerSize = 124;
            out.push_back(td::BuildDib(s));
        }
    }
    // RLE8 and RLE4: a run, an absolute run, end of line, a delta, end of bitmap.
    for (const std::uint16_t bpp : {std::uint16_t{8}, std::uint16_t{4}}) {
        td::DibLayout s;
        s.width = 6;
        s.height = 3;
        s.bpp = bpp;
        s.compression = bpp == 8 ? 1 : 2;
        s.palette.assign(std::size_t{1} << bpp, varlen::RGBQUAD{10, 20, 30, 0});
        s.palette[1] = varlen::RGBQUAD{200, 100, 50, 0};
        s.pixels = {3, 1, 0, 3, 1, 0, 1, 0, 0, 0, 0, 2, 1, 1, 2, 1, 0, 1};
        out.push_back(td::BuildDib(s));
    }
    return out;
}

std::vector<Bytes> Pngs() {
    std::vector<Bytes> out;
    td::PngLayout rgb;
    rgb.width = 3;
    rgb.height = 2;
    rgb.rows = {Pattern(9, 1), Pattern(9, 2)};
    out.push_back(td::EncodePng(rgb));
    td::PngLayout rgba = rgb;
    rgba.colorType = 6;
    rgba.rows = {Pattern(12, 3), Pattern(12, 4)};
    rgba.interlace = true;
    out.push_back(td::EncodePng(rgba));
    td::PngLayout grey16 = rgb;
    grey16.colorType = 0;
    grey16.bitDepth = 16;
    grey16.rows = {Pattern(6, 5), Pattern(6, 6)};
    grey16.trnsGrey = 3;
    out.push_back(td::EncodePng(grey16));
    td::PngLayout pal = rgb;
    pal.colorType = 3;
    pal.bitDepth = 2;
    pal.plte = Pattern(12, 7);
    pal.trnsAlpha = {0, 128};
    pal.rows = {Bytes{0x1B}, Bytes{0xE4}};
    out.push_back(td::EncodePng(pal));
    td::PngLayout greyAlpha = rgb;
    greyAlpha.colorType = 4;
    greyAlpha.rows = {Pattern(6, 8), Pattern(6, 9)};
    out.push_back(td::EncodePng(greyAlpha));
    for (const int bpp : {32, 24, 8, 4}) {
        Bytes png;
        if (varlen::EncodePng(*Ramp(7, 5, bpp), png)) {
            out.push_back(png);
        }
    }
    return out;
}

// 8-bit RGB and RGBA files of the shapes the fast PNG reading takes, each filter forced, and
// one split into small IDAT chunks; beside them the other kinds, which it must decline.
std::vector<Bytes> PngsForTheFastReading() {
    std::vector<Bytes> out = Pngs();
    const int filterSets[] = {PNG_FILTER_NONE, PNG_FILTER_SUB,   PNG_FILTER_UP,
                              PNG_FILTER_AVG,  PNG_FILTER_PAETH, PNG_ALL_FILTERS};
    for (const int colorType : {PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA}) {
        const std::size_t channels = colorType == PNG_COLOR_TYPE_RGB ? 3 : 4;
        for (const int filters : filterSets) {
            td::PngLayout s;
            s.width = 9;
            s.height = 4;
            s.colorType = colorType;
            s.filters = filters;
            s.idatBytes = filters == PNG_ALL_FILTERS ? 16 : 0;
            for (int y = 0; y < s.height; ++y) {
                s.rows.push_back(
                    Pattern(channels * static_cast<std::size_t>(s.width), y + filters));
            }
            out.push_back(td::EncodePng(s));
        }
    }
    return out;
}

std::vector<Bytes> Jpegs() {
    std::vector<Bytes> out;
    for (const int comps : {1, 3, 4}) {
        td::JpegLayout s;
        s.width = 9;
        s.height = 8;
        s.components = comps;
        s.progressive = comps == 3;
        s.samples = Pattern(static_cast<std::size_t>(9 * 8 * comps), comps);
        out.push_back(td::EncodeJpeg(s));
    }
    td::JpegLayout plain;
    plain.samples = Pattern(8 * 8 * 3, 9);
    plain.adobe = false;
    out.push_back(td::EncodeJpeg(plain));
    return out;
}

std::vector<Bytes> Gifs() {
    std::vector<Bytes> out;
    td::GifLayout s;
    s.screenWidth = 4;
    s.screenHeight = 3;
    s.globalColors = Pattern(12, 1);
    s.width = 3;
    s.height = 2;
    s.left = 1;
    s.top = 1;
    s.indexes = {0, 1, 2, 3, 0, 1};
    out.push_back(td::EncodeGif(s));
    s.gceFlags = 1;
    s.gceIndex = 2;
    out.push_back(td::EncodeGif(s));
    s.applicationExtensionFirst = true;
    s.interlace = true;
    s.localColors = Pattern(24, 2);
    s.indexes = {7, 6, 5, 4, 3, 2};
    out.push_back(td::EncodeGif(s));
    for (const int bpp : {8, 4}) {
        Bytes gif;
        if (varlen::EncodeGif(*Ramp(6, 4, bpp), gif)) {
            out.push_back(gif);
        }
    }
    return out;
}

std::vector<Bytes> Webps() {
    std::vector<Bytes> out;
    td::WebpLayout s;
    s.width = 7;
    s.height = 5;
    s.alpha = true;
    s.pixels = Pattern(7 * 5 * 4, 3);
    const Bytes lossless = td::EncodeWebp(s);
    out.push_back(lossless);
    out.push_back(td::WithWebpExif(lossless, td::ExifBlock(6, true)));
    s.alpha = false;
    s.lossless = false;
    s.pixels = Pattern(7 * 5 * 3, 4);
    out.push_back(td::EncodeWebp(s));
    td::WebpFrame a;
    a.picture.width = 3;
    a.picture.height = 3;
    a.picture.alpha = true;
    a.picture.pixels = Pattern(3 * 3 * 4, 5);
    a.x = 2;
    td::WebpFrame b = a;
    b.y = 2;
    out.push_back(td::EncodeWebpAnimation(6, 6, {a, b}));
    return out;
}

std::vector<Bytes> Tiffs() {
    std::vector<Bytes> out;
    td::TiffLayout s;
    s.width = 5;
    s.height = 4;
    s.samples = 3;
    s.data = Pattern(5 * 4 * 3, 6);
    out.push_back(td::EncodeTiff(s));
    s.samples = 4;
    s.compression = 5;  // LZW
    s.rowsPerStrip = 2;
    s.data = Pattern(5 * 4 * 4, 7);
    out.push_back(td::EncodeTiff(s));
    s.extraType = 1;  // associated alpha
    s.bigEndian = true;
    s.orientation = 6;
    s.pages = 2;
    out.push_back(td::EncodeTiff(s));
    s.samples = 2;
    s.compression = 8;  // deflate
    s.data = Pattern(5 * 4 * 2, 8);
    s.pages = 1;
    out.push_back(td::EncodeTiff(s));
    return out;
}

std::vector<Bytes> Svgs() {
    const char* texts[] = {
        R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="20" height="10"><rect width="10" height="10" fill="#f00"/><circle cx="15" cy="5" r="4" fill="blue" fill-opacity="0.5"/></svg>)svg",
        R"svg(<?xml version="1.0"?><svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 10 40"><defs><linearGradient id="g"><stop offset="0" stop-color="#0f0"/><stop offset="1" stop-color="#00f" stop-opacity="0"/></linearGradient></defs><path d="M1 1 L9 1 L5 39 Z" fill="url(#g)" stroke="black"/></svg>)svg",
        R"svg(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="2in" height="30mm"><filter id="b"><feGaussianBlur stdDeviation="2"/></filter><g filter="url(#b)"><use xlink:href="#r"/></g><rect id="r" x="5" y="5" width="50" height="20" transform="rotate(10)"/><text x="5" y="40" font-size="12">Ab</text></svg>)svg",
    };
    std::vector<Bytes> out;
    for (const char* t : texts) {
        out.emplace_back(t, t + std::char_traits<char>::length(t));
    }
    return out;
}

// The documents above, and ones that embed a picture, a document and an entity.
std::vector<Bytes> SvgsForThePrecheck(const Bytes& png) {
    std::vector<Bytes> out = Svgs();
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string base64;
    for (std::size_t i = 0; i < png.size(); i += 3) {
        const std::uint32_t v = (std::uint32_t{png[i]} << 16) |
                                (i + 1 < png.size() ? std::uint32_t{png[i + 1]} << 8 : 0) |
                                (i + 2 < png.size() ? std::uint32_t{png[i + 2]} : 0);
        for (std::size_t k = 0; k < 4; ++k) {
            base64 += i + k <= png.size() ? kDigits[(v >> (18 - 6 * k)) & 63] : '=';
        }
    }
    const std::string texts[] = {
        R"svg(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="8" height="8"><image width="8" height="8" xlink:href="data:image/png;base64,)svg" +
            base64 + R"svg("/></svg>)svg",
        R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="8" height="8"><style>rect { fill: url("data:image/svg+xml,%3Csvg xmlns='http://www.w3.org/2000/svg' width='9' height='9'/%3E") }</style><rect width="8" height="8"/></svg>)svg",
        R"svg(<?xml version="1.0"?><!DOCTYPE svg [<!ENTITY e "<rect width='4' height='4'/>">]><svg xmlns="http://www.w3.org/2000/svg" width="8" height="8">&e;&e;</svg>)svg",
    };
    for (const std::string& t : texts) {
        out.emplace_back(t.begin(), t.end());
    }
    return out;
}

std::vector<Bytes> IconFiles() {
    std::vector<Bytes> out;
    varlen::CIcons icons;
    for (const int bpp : {4, 8, 24, 32}) {
        icons.Add(Ramp(5 + bpp / 8, 4, bpp));
    }
    icons.Add(Ramp(64, 64, 32));
    for (const bool png : {false, true}) {
        varlen::MemoryFile f;
        if (icons.Write(f, png)) {
            out.push_back(f.Bytes());
        }
    }
    varlen::MemoryFile cursor;
    if (varlen::WriteCursorFile(*Ramp(6, 5, 8), cursor, 1, 2)) {
        out.push_back(cursor.Bytes());
    }
    td::DibLayout colour;
    colour.width = 3;
    colour.height = 2;
    colour.bpp = 32;
    colour.pixels = Pattern(24, 9);
    out.push_back(td::BuildIconFile({td::IconDib(colour, Bytes(8, 0x40))}, 2));
    return out;
}

Bytes U32Le(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: varlen_fuzz_seeds OUT\n");
        return 2;
    }
    SeedWriter w{fs::path(argv[1])};
    int n = 0;
    const auto name = [&n](const char* ext) { return "seed" + std::to_string(n++) + ext; };

    // Picture files: bitmaps (hand-made and from our writer), PNG, JPEG, GIF.
    std::vector<Bytes> dibs = HandMadeDibs();
    for (const int bpp : {32, 24, 8, 4, 1}) {
        dibs.push_back(Dib(*Ramp(5, 4, bpp)));
    }
    for (const Bytes& dib : dibs) {
        w.Put("fuzz_from_file", name(".bmp"), td::BuildBmpFile(dib));
        w.Put("fuzz_from_dib", name(".dib"), dib);
    }
    for (const int bpp : {32, 8}) {
        varlen::MemoryFile f;
        if (varlen::WriteBmpFile(*Ramp(6, 6, bpp), f)) {
            w.Put("fuzz_from_file", name(".bmp"), f.Bytes());
        }
    }
    const std::vector<Bytes> pngs = Pngs();
    const std::vector<Bytes> gifs = Gifs();
    for (const Bytes& b : pngs) {
        w.Put("fuzz_from_file", name(".png"), b);
    }
    for (const Bytes& b : PngsForTheFastReading()) {
        w.Put("fuzz_png_fast", name(".png"), b);
    }
    for (const Bytes& b : Jpegs()) {
        w.Put("fuzz_from_file", name(".jpg"), b);
        w.Put("fuzz_from_file", name(".jpg"), td::WithApp1(b, td::ExifBlock(8, false)));
    }
    for (const auto& [ext, files] : {std::pair{".webp", Webps()}, std::pair{".tif", Tiffs()},
                                     std::pair{".svg", Svgs()}, std::pair{".ico", IconFiles()}}) {
        for (const Bytes& b : files) {
            w.Put("fuzz_from_file", name(ext), b);
        }
    }
    for (const Bytes& b : IconFiles()) {
        w.Put("fuzz_icon_check", name(".ico"), b);
    }
    for (const Bytes& b : SvgsForThePrecheck(pngs.front())) {
        w.Put("fuzz_svg_precheck", name(".svg"), b);
    }

    // Replies of the SVG drawing program (the first byte chooses how they arrive): drawn,
    // refused, cut short.
    Bytes drawn = varlen::SvgReplyHeader(varlen::kSvgReplyDrawn, varlen::kSvgRenderSide, 2);
    const Bytes pixels = Pattern(std::size_t{varlen::kSvgRenderSide} * 2 * 4, 32);
    drawn.insert(drawn.end(), pixels.begin(), pixels.end());
    const Bytes refused = varlen::SvgReplyHeader(varlen::kSvgReplyRefused, 0, 0);
    for (const std::uint8_t pieces : {0, 3, 255}) {
        for (const Bytes& reply : {drawn, refused, Bytes(drawn.begin(), drawn.begin() + 100)}) {
            Bytes b = {pieces};
            b.insert(b.end(), reply.begin(), reply.end());
            w.Put("fuzz_svg_reply", name(".reply"), b);
        }
    }
    for (const Bytes& b : gifs) {
        w.Put("fuzz_from_file", name(".gif"), b);
        w.Put("fuzz_gif_transparent", name(".gif"), b);
    }

    // Pixel streams: our clipboard writer, and a stream shorter than its sizes say.
    const Bytes stream = varlen::PixelStreamPayload(*Ramp(4, 3, 32));
    w.Put("fuzz_pixel_stream", name(".bin"), stream);
    w.Put("fuzz_pixel_stream", name(".bin"), Bytes(stream.begin(), stream.begin() + 20));

    // Clipboard sets: everything our copy offers, each format alone, and colour DIBs with
    // "Pixia_Transp" masks of the same, a smaller and a larger size.
    using varlen::fuzzing::JoinDataObject;
    const auto picture = Ramp(5, 4, 32);
    std::vector<std::pair<int, Bytes>> all;
    for (const varlen::ClipboardPayload& p : varlen::ClipboardPayloads(*picture)) {
        for (int bit = 0; bit < 4; ++bit) {
            if (varlen::fuzzing::kDataObjectFormats[static_cast<std::size_t>(bit)] == p.format) {
                all.emplace_back(bit, p.bytes);
                w.Put("fuzz_data_object", name(".clip"), JoinDataObject({{bit, p.bytes}}));
            }
        }
    }
    std::sort(all.begin(), all.end());
    w.Put("fuzz_data_object", name(".clip"), JoinDataObject(all));
    const Bytes colour = Dib(*picture);
    for (const auto& [mw, mh] : {std::pair{5, 4}, std::pair{2, 1}, std::pair{9, 7}}) {
        const Bytes mask = varlen::TransparencyPayload(*Ramp(mw, mh, 32));
        w.Put("fuzz_data_object", name(".clip"), JoinDataObject({{1, colour}, {2, mask}}));
        w.Put("fuzz_data_object", name(".clip"),
              JoinDataObject({{1, colour}, {2, Dib(*Ramp(mw, mh, 8))}}));
    }
    w.Put("fuzz_data_object", name(".clip"), JoinDataObject({{3, pngs.front()}}));
    w.Put("fuzz_data_object", name(".clip"), JoinDataObject({{1, dibs.front()}, {3, pngs.back()}}));

    // Stored format lists: count (8 bytes) + records, as the settings store writes them.
    Bytes list = {15, 0, 0, 0, 0, 0, 0, 0};
    for (const varlen::FORMAT& f : varlen::kDefaultFormats) {
        const Bytes rec = {1,
                           0,
                           0,
                           0,
                           static_cast<std::uint8_t>(f.wBitCount),
                           0,
                           static_cast<std::uint8_t>(f.wWidth),
                           static_cast<std::uint8_t>(f.wWidth >> 8),
                           static_cast<std::uint8_t>(f.wHeight),
                           static_cast<std::uint8_t>(f.wHeight >> 8),
                           0,
                           0};
        list.insert(list.end(), rec.begin(), rec.end());
    }
    w.Put("fuzz_format_list", name(".fmt"), list);
    Bytes empty = {0, 0, 0, 0, 0, 0, 0, 0};
    w.Put("fuzz_format_list", name(".fmt"), empty);
    Bytes minusOne = U32Le(0xFFFFFFFFu);
    minusOne.insert(minusOne.end(), {0xFF, 0xFF, 0xFF, 0xFF});
    w.Put("fuzz_format_list", name(".fmt"), minusOne);

    std::printf("%d seeds written to %s\n", w.Count(), argv[1]);
    return 0;
}
