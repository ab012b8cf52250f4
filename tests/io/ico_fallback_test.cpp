// Icon files whose best image is broken, and 32-bit images written without their AND
// mask. Fixtures are written here; Pillow reads the maskless icon as well.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "io/ico_reader.h"
#include "io/icons.h"
#include "io/loaders.h"
#include "writer_support.h"

namespace varlen {
namespace {

using testing_support::Bytes;
using testing_support::TempFolder;

void Le(Bytes& b, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) {
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

// An icon file of the given images (each a PNG file or an icon-form DIB), in order.
Bytes IconFile(const std::vector<Bytes>& images) {
    Bytes b;
    Le(b, 0, 2);
    Le(b, 1, 2);
    Le(b, static_cast<std::uint32_t>(images.size()), 2);
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (const Bytes& image : images) {
        Le(b, 0, 4);  // size and colour bytes: never used by the reader
        Le(b, 1, 2);
        Le(b, 32, 2);
        Le(b, static_cast<std::uint32_t>(image.size()), 4);
        Le(b, offset, 4);
        offset += static_cast<std::uint32_t>(image.size());
    }
    for (const Bytes& image : images) {
        b.insert(b.end(), image.begin(), image.end());
    }
    return b;
}

// An icon-form DIB of w x h at bpp, every colour byte `fill`, with the AND mask (all 0:
// opaque) only when withMask is set.
Bytes IconDib(int w, int h, int bpp, std::uint8_t fill, bool withMask) {
    Bytes b;
    Le(b, 40, 4);
    Le(b, static_cast<std::uint32_t>(w), 4);
    Le(b, static_cast<std::uint32_t>(2 * h), 4);
    Le(b, 1, 2);
    Le(b, static_cast<std::uint32_t>(bpp), 2);
    b.resize(40, 0);
    if (bpp <= 8) {
        for (int i = 0; i < (1 << bpp); ++i) {
            Le(b, i == 1 ? 0x0000FF00u : 0u, 4);  // index 1 is green
        }
    }
    b.insert(b.end(), CIcon::ColorStride(w, bpp) * static_cast<std::size_t>(h), fill);
    if (withMask) {
        b.insert(b.end(), CIcon::MaskStride(w) * static_cast<std::size_t>(h), 0);
    }
    return b;
}

// A 32-bit DIB whose every pixel is argb.
Bytes ArgbDib(int w, int h, Pixel argb, bool withMask) {
    Bytes b = IconDib(w, h, 32, 0, withMask);
    for (std::size_t i = 0; i < static_cast<std::size_t>(w) * h; ++i) {
        for (int k = 0; k < 4; ++k) {
            b[40 + 4 * i + static_cast<std::size_t>(k)] =
                static_cast<std::uint8_t>(argb >> (8 * k));
        }
    }
    return b;
}

// A PNG file in memory made by our own writer.
Bytes PngOf(int w, int h, Pixel argb) {
    auto icon = CreateIcon(w, h, 32);
    for (Pixel& p : icon->Pixels()) {
        p = argb;
    }
    CIcons icons;
    icons.Add(std::move(icon));
    MemoryFile file;
    EXPECT_TRUE(icons.Write(file, true));
    // The icon file holds one PNG image at offset 22.
    return Bytes(file.Bytes().begin() + 22, file.Bytes().end());
}

TEST(IconFallback, ABrokenBestImageGivesWayToTheNextBest) {
    const Bytes good = ArgbDib(16, 16, 0xFF0000FFu, true);
    Bytes png = PngOf(64, 64, 0xFFFF0000u);
    const Bytes cutPng(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(png.size() / 2));
    Bytes shortDib = ArgbDib(48, 48, 0xFF00FF00u, true);
    shortDib.resize(100);  // header whole, rows cut short
    for (const Bytes& broken : {cutPng, shortDib}) {
        const auto icon = ReadIconFile(IconFile({broken, good}));
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(icon->Width(), 16);
        EXPECT_EQ(icon->GetPixel(3, 3), 0xFF0000FFu);
    }
    // Among several, the best decodable one wins: 32 x 32 over 16 x 16.
    const Bytes middle = ArgbDib(32, 32, 0xFF00FF00u, true);
    const auto icon = ReadIconFile(IconFile({good, cutPng, middle}));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->Width(), 32);
    EXPECT_EQ(icon->GetPixel(0, 0), 0xFF00FF00u);
    // Nothing decodable: nothing.
    EXPECT_EQ(ReadIconFile(IconFile({cutPng, shortDib})), nullptr);
}

TEST(IconWithoutMask, ThirtyTwoBitImagesTakeTheirAlpha) {
    TempFolder dir;
    const Bytes file = IconFile({ArgbDib(4, 2, 0x80FF0000u, false)});
    const auto icon = ReadIconFile(file);
    ASSERT_NE(icon, nullptr);
    for (const Pixel p : icon->Pixels()) {
        EXPECT_EQ(p, 0x80FF0000u);
    }
    // Pillow reads the same file the same way.
    testing_support::WriteAll(dir / "nomask.ico", file);
    const std::string check = std::string(VARLEN_SYSTEM_PYTHON) +
                              " -c \"import sys; from PIL import Image; "
                              "im = Image.open(sys.argv[1]).convert('RGBA'); "
                              "sys.exit(0 if im.size == (4, 2) and set(im.getdata()) == "
                              "{(255, 0, 0, 128)} else 1)\" " +
                              (dir / "nomask.ico").string();
    EXPECT_EQ(std::system(check.c_str()), 0);

    // A mask cut short counts as missing; all alpha 0 without a mask means opaque.
    Bytes shortMask = ArgbDib(4, 2, 0x00123456u, true);
    shortMask.resize(shortMask.size() - 2);
    const auto opaque = ReadIconFile(IconFile({shortMask}));
    ASSERT_NE(opaque, nullptr);
    EXPECT_EQ(opaque->GetPixel(3, 1), 0xFF123456u);
}

TEST(IconWithoutMask, OtherDepthsStillNeedTheirMask) {
    for (const int bpp : {1, 4, 8, 24}) {
        EXPECT_NE(ReadIconFile(IconFile({IconDib(8, 8, bpp, 1, true)})), nullptr) << bpp;
        EXPECT_EQ(ReadIconFile(IconFile({IconDib(8, 8, bpp, 1, false)})), nullptr) << bpp;
    }
}

}  // namespace
}  // namespace varlen
