// PNG encoding of one image with libpng.
//
// Contract: the PNG keeps the image's pixel format. The samples are taken from the colour
// (XOR) bits that CIcon::BuildBits makes, turned upright: 32 bits become RGBA (straight
// alpha, the alpha byte of the bits), 24 bits RGB (transparent pixels therefore black),
// 4 and 8 bits stay palette indices at that bit depth with a PLTE of all 2^bpp entries —
// packed 4-bit rows are the same in a DIB and in PNG (left pixel in the high nibble).
// The whole file is built in memory and appended in one go, so failure writes nothing.
//
// Traps: libpng reports errors by longjmp. The frame that calls setjmp (RunPngWrite)
// holds no object with a destructor, and the callbacks turn a C++ allocation failure into
// png_error before it could unwind through libpng's C frames. The png structs live in an
// RAII guard owned by the caller's frame, outside the jump.
#include "io/png_encode.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <new>

namespace varlen {
namespace {

[[noreturn]] void PngError(png_structp png, png_const_charp /*message*/) {
    png_longjmp(png, 1);
}
void PngWarning(png_structp, png_const_charp) {}

void PngWriteData(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    bool ok = true;
    try {
        out->insert(out->end(), data, data + n);
    } catch (...) {
        ok = false;
    }
    if (!ok) {
        png_error(png, "out of memory");
    }
}
void PngFlush(png_structp) {}

class PngWriteGuard {
  public:
    PngWriteGuard() {
        m_png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
        if (m_png != nullptr) {
            m_info = png_create_info_struct(m_png);
        }
    }
    ~PngWriteGuard() {
        if (m_png != nullptr) {
            png_destroy_write_struct(&m_png, m_info != nullptr ? &m_info : nullptr);
        }
    }
    PngWriteGuard(const PngWriteGuard&) = delete;
    PngWriteGuard& operator=(const PngWriteGuard&) = delete;
    bool Ok() const { return m_png != nullptr && m_info != nullptr; }
    png_structp Png() const { return m_png; }
    png_infop Info() const { return m_info; }

  private:
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
};

// Everything the encoding needs, prepared beforehand so the jump frame stays trivial.
struct PngJob {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 8;
    int colorType = PNG_COLOR_TYPE_RGB;
    const png_color* plte = nullptr;
    int plteCount = 0;
    const std::uint8_t* rows = nullptr;  // top row first
    std::size_t rowBytes = 0;
    std::vector<std::uint8_t>* out = nullptr;
};

// No local here may need a destructor: libpng leaves this frame by longjmp on error.
bool RunPngWrite(png_structp png, png_infop info, const PngJob& job) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_write_fn(png, job.out, PngWriteData, PngFlush);
    png_set_IHDR(png, info, job.width, job.height, job.bitDepth, job.colorType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (job.plteCount > 0) {
        png_set_PLTE(png, info, job.plte, job.plteCount);
    }
    png_write_info(png, info);
    for (png_uint_32 y = 0; y < job.height; ++y) {
        png_write_row(png, job.rows + static_cast<std::size_t>(y) * job.rowBytes);
    }
    png_write_end(png, info);
    return true;
}

}  // namespace

bool EncodePng(const CIcon& icon, std::vector<std::uint8_t>& out) {
    out.clear();
    const int bpp = icon.Bpp();
    if (bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) {
        return false;
    }
    const int width = icon.Width();
    const int height = icon.Height();
    if (width < 1 || height < 1) {
        return false;
    }
    const DibBits bits = icon.BuildBits();
    const std::size_t stride = CIcon::ColorStride(width, bpp);
    if (bits.color.size() != stride * static_cast<std::size_t>(height)) {
        return false;
    }

    const std::size_t w = static_cast<std::size_t>(width);
    PngJob job;
    job.width = static_cast<png_uint_32>(width);
    job.height = static_cast<png_uint_32>(height);
    std::vector<png_color> plte;
    if (bpp <= 8) {
        job.bitDepth = bpp;
        job.colorType = PNG_COLOR_TYPE_PALETTE;
        job.rowBytes = (w * static_cast<std::size_t>(bpp) + 7) / 8;
        const auto palette = icon.Palette();
        plte.resize(static_cast<std::size_t>(icon.GetNumColors()));
        for (std::size_t i = 0; i < plte.size() && i < palette.size(); ++i) {
            plte[i] = png_color{palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue};
        }
        job.plte = plte.data();
        job.plteCount = static_cast<int>(plte.size());
    } else {
        job.bitDepth = 8;
        job.colorType = bpp == 32 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
        job.rowBytes = w * static_cast<std::size_t>(bpp / 8);
    }

    // Upright rows in PNG sample order, taken from the bottom-up BGR(A) colour bits.
    std::vector<std::uint8_t> rows(job.rowBytes * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src =
            bits.color.data() + static_cast<std::size_t>(height - 1 - y) * stride;
        std::uint8_t* dst = rows.data() + static_cast<std::size_t>(y) * job.rowBytes;
        if (bpp <= 8) {
            std::copy(src, src + job.rowBytes, dst);
        } else {
            const std::size_t n = static_cast<std::size_t>(bpp / 8);
            for (std::size_t x = 0; x < w; ++x) {
                const std::uint8_t* s = src + x * n;
                std::uint8_t* d = dst + x * n;
                d[0] = s[2];
                d[1] = s[1];
                d[2] = s[0];
                if (n == 4) {
                    d[3] = s[3];
                }
            }
        }
    }
    job.rows = rows.data();
    job.out = &out;

    PngWriteGuard guard;
    if (!guard.Ok() || !RunPngWrite(guard.Png(), guard.Info(), job)) {
        out.clear();
        return false;
    }
    return true;
}

bool WritePng(const CIcon& icon, OutFile& file) {
    std::vector<std::uint8_t> bytes;
    if (!EncodePng(icon, bytes)) {
        return false;
    }
    return file.Write(bytes.data(), bytes.size());
}

}  // namespace varlen
