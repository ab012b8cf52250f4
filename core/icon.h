// CIcon: the one image type of Varlen, and the declarations of every pixel operation.
//
// Common rules of the image core (they hold for every function declared under core/):
//
// - Pixels are 32-bit straight (not premultiplied) ARGB values: blue in bits 0-7, green
//   8-15, red 16-23, alpha 24-31 (0 transparent, 255 opaque). In memory the bytes of a
//   pixel are blue, green, red, alpha. Row 0 is the top row; pixel (x, y) is element
//   y * width + x; rows have no gaps.
// - The colour depth (bpp) records what an image came from or is to become; the pixels
//   are always 32-bit. Images of 8 bits or less carry a palette of exactly 2^bpp entries.
// - Colours that come from the user interface are Windows colour values (COLORREF:
//   red in the low byte, then green, then blue) and are converted where used.
// - An operation either changes the image it is called on in place (a non-const member
//   returning void or a flag) or returns a new image owned by the caller as a
//   std::unique_ptr. Images are never shared: whoever keeps a state makes a clone.
// - Reads outside an image go through GetPixel and give 0 (transparent black).
// - Integer arithmetic truncates toward zero; channel values are clamped to 0 ... 255.
//   Where an algorithm computes in doubles it does so in a fixed order of evaluation, so
//   results are bit-for-bit reproducible (the build forbids fused multiply-add).
// - The core never reports errors to the user and never does I/O. Invalid sizes make a
//   factory return null; allocation failure propagates as std::bad_alloc.
// - No operation keeps hidden state between calls: any two calls on different images may
//   run on different threads at the same time.
// - An operation that can spread its rows over threads (Render, ApplyFilters, RoundCorners,
//   Convolve, Sharpen, ClearColorRegion, ClearClosedRegion) takes a Workers* as its last argument: null, the default, runs it on
//   the calling thread alone. The result is the same bits whatever the thread count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace varlen {

using Pixel = std::uint32_t;
// A Windows colour value: red in the low byte, then green, then blue.
using ColorRef = std::uint32_t;

constexpr int GetRValue(ColorRef c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int GetGValue(ColorRef c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int GetBValue(ColorRef c) {
    return static_cast<int>((c >> 16) & 0xFF);
}
// Packs three channels, each already within 0 ... 255.
constexpr ColorRef MakeColorRef(int r, int g, int b) {
    return static_cast<ColorRef>(r) | (static_cast<ColorRef>(g) << 8) |
           (static_cast<ColorRef>(b) << 16);
}
// A colour written as the number RRGGBB (red in the high byte), as in "ff8000".
constexpr ColorRef RgbToColorRef(std::uint32_t rrggbb) {
    return MakeColorRef(static_cast<int>((rrggbb >> 16) & 0xFF),
                        static_cast<int>((rrggbb >> 8) & 0xFF), static_cast<int>(rrggbb & 0xFF));
}

constexpr int Blue(Pixel p) {
    return static_cast<int>(p & 0xFF);
}
constexpr int Green(Pixel p) {
    return static_cast<int>((p >> 8) & 0xFF);
}
constexpr int Red(Pixel p) {
    return static_cast<int>((p >> 16) & 0xFF);
}
constexpr int Alpha(Pixel p) {
    return static_cast<int>(p >> 24);
}
// Packs four channels, each already within 0 ... 255.
constexpr Pixel MakePixel(int a, int r, int g, int b) {
    return (static_cast<Pixel>(a) << 24) | (static_cast<Pixel>(r) << 16) |
           (static_cast<Pixel>(g) << 8) | static_cast<Pixel>(b);
}
constexpr int ClampChannel(int v) {
    return v < 1 ? 0 : (v > 255 ? 255 : v);
}

// Rectangle with exclusive right and bottom edges.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
    int x = 0, y = 0;
    friend constexpr bool operator==(const Point&, const Point&) = default;
};

// One palette entry; reserved is always 0.
struct RGBQUAD {
    std::uint8_t rgbBlue = 0, rgbGreen = 0, rgbRed = 0, rgbReserved = 0;
    friend constexpr bool operator==(const RGBQUAD&, const RGBQUAD&) = default;
};

// The colour bits and the mask of an image in device-independent bitmap layout (both
// bottom row first, rows padded to 4 bytes), as made by CIcon::BuildBits.
struct DibBits {
    std::vector<std::uint8_t> color;  // rows of ColorStride(width, bpp) bytes
    std::vector<std::uint8_t> mask;   // rows of MaskStride(width) bytes, 1 = transparent
};

class CIcon;
class Workers;

// A new image of width x height pixels at bpp, all pixels 0, with a grey-ramp palette
// when bpp <= 8 (entry i = i * 256 / 2^bpp). When source is given, the whole source is
// rendered into the whole new image (no mirror, no rotation, smoothing as given): this is
// the resize step of the format pipeline. Returns null when a side is below 1 or above
// CIcon::kMaxSide, or bpp is not one of 1, 4, 8, 16, 24, 32.
std::unique_ptr<CIcon> CreateIcon(int width, int height, int bpp, const CIcon* source = nullptr,
                                  bool smoothing = false);
// Same size, depth and pixels as source; the palette is a fresh grey ramp, not the
// source's. Null source gives null.
std::unique_ptr<CIcon> CloneIcon(const CIcon* source, bool smoothing = false);

class CIcon {
  public:
    // One horizontal run of pixels on row y, columns left ... right inclusive; empty when
    // left > right.
    struct CLOSEDRANGE {
        std::int32_t y = 0, left = 0, right = -1;
        friend constexpr bool operator==(const CLOSEDRANGE&, const CLOSEDRANGE&) = default;
    };

    // Upper limit of width and height that the factories accept.
    static constexpr int kMaxSide = 65536;

    virtual ~CIcon();
    CIcon(const CIcon&) = delete;
    CIcon& operator=(const CIcon&) = delete;

    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    int Bpp() const { return m_nBpp; }
    // 2^bpp when bpp <= 8, else 0; every loop over the palette uses this count.
    int GetNumColors() const { return m_nBpp <= 8 ? (1 << m_nBpp) : 0; }
    std::size_t PixelCount() const { return m_pixels.size(); }

    std::span<Pixel> Pixels() { return m_pixels; }
    std::span<const Pixel> Pixels() const { return m_pixels; }
    Pixel* Row(int y) { return m_pixels.data() + static_cast<std::size_t>(y) * m_nWidth; }
    const Pixel* Row(int y) const {
        return m_pixels.data() + static_cast<std::size_t>(y) * m_nWidth;
    }
    // Empty when bpp > 8, else exactly GetNumColors() entries.
    std::span<RGBQUAD> Palette() { return m_palette; }
    std::span<const RGBQUAD> Palette() const { return m_palette; }

    // The pixel at (x, y), or 0 when (x, y) lies outside the image.
    Pixel GetPixel(int x, int y) const {
        if (x < 0 || y < 0 || x >= m_nWidth || y >= m_nHeight) {
            return 0;
        }
        return m_pixels[static_cast<std::size_t>(y) * m_nWidth + x];
    }

    // --- Placement and resampling (render.cpp) ---

    // Renders rectangle srcRect of src (null: all of src) into rectangle dst of this image
    // (null: all of it), optionally mirrored left-right and rotated by angle degrees
    // (clockwise on screen) about the centre of srcRect, by nearest pixel or smoothed.
    // Pixels outside dst are never touched. src may be this image (the render then reads
    // from a copy).
    void Render(const CIcon& src, const Rect* dst, const Rect* srcRect, bool mirror, double angle,
                bool smoothing, Workers* workers = nullptr);
    // Alpha-weighted bilinear sample at (x, y), both >= 0; outside pixels count as 0.
    Pixel SampleBilinear(double x, double y) const;
    // Lays the image on an opaque background colour; pixels with alpha 255 stay as they are.
    void FillBackground(ColorRef crBackground);

    // --- Colour reduction and masks (reduce.cpp) ---

    // Alpha >= 128 becomes 255, anything less 0; colour unchanged.
    void ThresholdAlpha(Workers* workers = nullptr);
    // Number of distinct 24-bit colours among all pixels, transparent ones included.
    int CountColors() const;
    // bpp <= 8: replaces the palette by a median-cut palette and returns true;
    // otherwise does nothing and returns false.
    bool MakePalette();
    // Colour bits and mask of the image at its own bpp (4, 8, 24, 32; any other depth
    // gives all-0 colour bits and an all-1 mask).
    DibBits BuildBits() const;
    static std::size_t ColorStride(int width, int bpp) {
        return ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bpp) + 31) >> 3) &
               ~static_cast<std::size_t>(3);
    }
    static std::size_t MaskStride(int width) {
        return ((static_cast<std::size_t>(width) + 31) >> 3) & ~static_cast<std::size_t>(3);
    }

    // --- Transparent regions (region.cpp) ---

    // Alpha 0 at every pixel inside the image within Manhattan distance n of (x, y).
    void ClearAround(int x, int y, int n);
    // Every pixel whose colour lies within tolerance of color (alpha ignored) is cleared
    // with ClearAround(x, y, expansion).
    void ClearColorRegion(Pixel color, int tolerance, int expansion, Workers* workers = nullptr);
    // The run of pixels matching color (squared tolerance tolerance2) on row y found from
    // column x: the matching stretch through x, or the first one right of x.
    CLOSEDRANGE FindSpan(int x, int y, Pixel color, int tolerance2) const;
    // Clears the 4-connected region of pixels matching the colour at (x, y) within
    // tolerance, each widened by expansion. Does nothing when (x, y) is outside the image.
    // Both clicks change alpha only; one that fails or is cancelled part way leaves the
    // pixels it has cleared so far cleared.
    void ClearClosedRegion(int x, int y, int tolerance, int expansion,
                           Workers* workers = nullptr);

    // --- Filters (filters.cpp, round_corners.cpp, convolve.cpp) ---

    // Contrast, brightness, light, transparency and shadow, in that order; each stage runs
    // only when its strength is not 0.
    void ApplyFilters(int brightness, int contrast, int light, Point lightPos, int transparent,
                      int shadow, Point shadowPos, Workers* workers = nullptr);
    // Rounded corners (1 ... 99) or a circle (100 ... 200) with an edge fade; alpha only.
    void RoundCorners(int round, int fade, Workers* workers = nullptr);
    // n x n integer convolution of all four channels, normalised by the weights of the
    // taps inside the image. kernel holds n * n values in row order.
    void Convolve(int n, std::span<const int> kernel, Workers* workers = nullptr);
    // 3 x 3 sharpen of strength 1 ... 8; 0 does nothing.
    void Sharpen(int strength, Workers* workers = nullptr);

    // --- Drawing for views (draw.cpp) ---

    // The pixels that a view shows for this image: a W x H top-down buffer of opaque
    // 32-bit pixels (alpha byte 255), W x H the size of dst (null: the image's size).
    // srcRect (null: the whole image) may extend beyond the image. force32 draws by the
    // blend rule whatever the bpp; otherwise 24 bits show on-or-off transparency and 4 and
    // 8 bits show through the palette. Transparency shows over crBackground when
    // useBackground is set, else over a grey-and-white 8 x 8 checkerboard aligned to the
    // device origin (so dst's left and top matter).
    std::vector<Pixel> Draw(const Rect* dst, const Rect* srcRect, bool force32, bool mirror,
                            double angle, bool useBackground, ColorRef crBackground) const;

  private:
    // Only the factories can name this, so only they construct images.
    struct FactoryKey {
        explicit FactoryKey() = default;
    };
    friend std::unique_ptr<CIcon> CreateIcon(int width, int height, int bpp, const CIcon* source,
                                             bool smoothing);
    friend std::unique_ptr<CIcon> CloneIcon(const CIcon* source, bool smoothing);

  public:
    CIcon(FactoryKey, int width, int height, int bpp);
    // Size, depth and pixels of source (copied once, never zero-filled first); the palette
    // is a fresh grey ramp.
    CIcon(FactoryKey, const CIcon& source);

  private:
    // The grey ramp of a new image of bpp <= 8 (nothing above 8 bits).
    void MakeGreyPalette();

    std::int32_t m_nWidth;
    std::int32_t m_nHeight;
    std::int32_t m_nBpp;
    std::vector<Pixel> m_pixels;
    std::vector<RGBQUAD> m_palette;
};

// The palette index nearest to (red, green, blue) in squared distance, the first one on
// ties; 0 when the image has no palette.
int NearestPaletteIndex(const CIcon& icon, int red, int green, int blue);

}  // namespace varlen
