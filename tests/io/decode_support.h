// What the decoder tests share: loading bytes as a file or as encoded data, pixels as a
// list, the little pictures the decoders are fed (a 3 x 2 picture stored turned in each
// orientation, a 5 x 3 picture with every kind of alpha, a filled image, an icon file of
// images) and the SVG document opening.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "io/icons.h"
#include "io/loaders.h"
#include "io/picture_fixtures.h"
#include "io/stream.h"

namespace varlen::decode_support {

using testdata::Bytes;

inline std::unique_ptr<CIcon> Load(const Bytes& data) {
    return FromFileData(data);
}

inline std::unique_ptr<CIcon> Encoded(const Bytes& data) {
    ByteReader reader(data);
    return FromEncoded(reader);
}

inline std::vector<Pixel> PixelsOf(const CIcon& icon) {
    return {icon.Pixels().begin(), icon.Pixels().end()};
}

constexpr Pixel Opaque(int r, int g, int b) {
    return MakePixel(255, r, g, b);
}

// Rows of blue, green, red (and alpha) bytes from pixels.
inline Bytes PackBgr(const std::vector<Pixel>& pixels, bool alpha) {
    Bytes out;
    for (Pixel p : pixels) {
        out.insert(out.end(),
                   {static_cast<std::uint8_t>(Blue(p)), static_cast<std::uint8_t>(Green(p)),
                    static_cast<std::uint8_t>(Red(p))});
        if (alpha) {
            out.push_back(static_cast<std::uint8_t>(Alpha(p)));
        }
    }
    return out;
}

// The six pixels of a 3 x 2 picture, a b c over d e f, and the same picture turned
// upright from each orientation.
constexpr Pixel A = 0xFF100000, B = 0xFF200000, C = 0xFF300000;
constexpr Pixel D = 0xFF400000, E = 0xFF500000, F = 0xFF600000;
inline const std::vector<Pixel> kStored = {A, B, C, D, E, F};
struct Upright {
    int width, height;
    std::vector<Pixel> pixels;
};
inline const Upright kUpright[9] = {
    {0, 0, {}},
    {3, 2, {A, B, C, D, E, F}},
    {3, 2, {C, B, A, F, E, D}},
    {3, 2, {F, E, D, C, B, A}},
    {3, 2, {D, E, F, A, B, C}},
    {2, 3, {A, D, B, E, C, F}},
    {2, 3, {D, A, E, B, F, C}},
    {2, 3, {F, C, E, B, D, A}},
    {2, 3, {C, F, B, E, A, D}},
};

// 5 x 3 with alpha 0, 128 and 255 and colours under alpha 0.
inline const std::vector<Pixel> kFiveByThree = {
    0xFF0000FF, 0x80102030, 0x00405060, 0xFFFFFFFF, 0x7F000000, 0xFF00FF00, 0x01FF0000, 0xFE808080,
    0x00000000, 0xFF123456, 0x10ABCDEF, 0xFF0000FF, 0xC0C0C0C0, 0x20204060, 0xFF654321,
};

inline testdata::WebpLayout FiveByThreeWebp(bool alpha) {
    testdata::WebpLayout s;
    s.width = 5;
    s.height = 3;
    s.alpha = alpha;
    s.pixels = PackBgr(kFiveByThree, alpha);
    return s;
}

inline std::vector<Pixel> Opaque(std::vector<Pixel> pixels) {
    for (Pixel& p : pixels) {
        p |= 0xFF000000u;
    }
    return pixels;
}

inline testdata::TiffLayout FiveByThreeTiff(int samples) {
    testdata::TiffLayout s;
    s.width = 5;
    s.height = 3;
    s.samples = samples;
    for (Pixel p : kFiveByThree) {
        if (samples >= 3) {
            s.data.insert(s.data.end(),
                          {static_cast<std::uint8_t>(Red(p)), static_cast<std::uint8_t>(Green(p)),
                           static_cast<std::uint8_t>(Blue(p))});
        } else {
            s.data.push_back(static_cast<std::uint8_t>(Green(p)));
        }
        if (samples == 2 || samples == 4) {
            s.data.push_back(static_cast<std::uint8_t>(Alpha(p)));
        }
    }
    return s;
}

inline Bytes AsBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

inline std::unique_ptr<CIcon> LoadText(const std::string& text) {
    return Load(AsBytes(text));
}

inline const std::string kSvgOpen = R"(<svg xmlns="http://www.w3.org/2000/svg" )";

inline std::unique_ptr<CIcon> Filled(int w, int h, int bpp, Pixel p) {
    auto icon = CreateIcon(w, h, bpp);
    for (Pixel& q : icon->Pixels()) {
        q = p;
    }
    return icon;
}

inline Bytes IconFileOf(std::vector<std::unique_ptr<CIcon>> images, bool png = false) {
    CIcons icons;
    for (auto& image : images) {
        icons.Add(std::move(image));
    }
    MemoryFile file;
    EXPECT_TRUE(icons.Write(file, png));
    return file.Bytes();
}

}  // namespace varlen::decode_support
