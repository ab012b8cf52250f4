// PNG decoding from memory: the fast reading of io/png_fast.cpp when it takes the file,
// libpng otherwise.
//
// Contract: see DecodePng in picture_decoders.h for what arrives for each colour type. The
// libpng reading is the authoritative one; the fast reading declines whatever it might
// judge differently, so which one answered never shows in the result.
//
// Traps:
// - libpng reports errors with longjmp. The function that calls setjmp (RunPng) holds only
//   trivially destructible locals; every buffer lives in the caller's PngJob, and the
//   read and write structs live in a guard in the caller, so a longjmp skips no destructor.
//   Nothing read in RunPng after setjmp returns a second time is used.
// - The size limit is given to libpng (png_set_user_limits) so IHDR is refused before
//   any row is allocated; the read callback refuses to read past the data.
// - Indexed and low-depth grey pictures are read one byte per pixel (png_set_packing) and
//   packed into the delivered depth afterwards; indexes past the palette meet black
//   entries of the padded palette, never memory outside it.
#include <png.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstring>
#include <vector>

#include "io/picture_decoders.h"
#include "io/png_fast.h"

namespace varlen {

namespace {

enum class PngMode { Indexed, Grey, Rgb, Argb };

struct PngJob {
    std::span<const std::uint8_t> data;
    std::size_t pos = 0;
    // Filled by RunPng.
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0;
    PngMode mode = PngMode::Rgb;
    std::array<png_color, 256> plte{};
    int plteCount = 0;
    std::size_t rowBytes = 0;
    PixelBytes buffer;
    std::vector<png_bytep> rows;

    // The rows' pages are untouched until libpng fills them, so a header that lies about
    // the size costs only what the data holds.
    void Allocate() {
        buffer.resize(rowBytes * height);
        rows.resize(height);
        for (png_uint_32 y = 0; y < height; ++y) {
            rows[y] = buffer.data() + rowBytes * y;
        }
    }
};

void PngReadData(png_structp png, png_bytep out, png_size_t n) {
    auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
    if (n > job->data.size() - job->pos) {
        png_error(png, "truncated");
    }
    std::memcpy(out, job->data.data() + job->pos, n);
    job->pos += n;
}

void PngFail(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void PngIgnoreWarning(png_structp, png_const_charp) {}

struct PngReadGuard {
    png_structp png = nullptr;
    png_infop info = nullptr;
    PngReadGuard() {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFail, PngIgnoreWarning);
        if (png != nullptr) {
            info = png_create_info_struct(png);
        }
    }
    ~PngReadGuard() {
        if (png != nullptr) {
            png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
        }
    }
    PngReadGuard(const PngReadGuard&) = delete;
    PngReadGuard& operator=(const PngReadGuard&) = delete;
};

// The setjmp frame: trivially destructible locals only.
bool RunPng(png_structp png, png_infop info, PngJob* job) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_read_fn(png, job, PngReadData);
    png_set_user_limits(png, kMaxPictureSide, kMaxPictureSide);
    png_set_chunk_malloc_max(png, kPngLongestChunk);
    png_read_info(png, info);

    int colorType = 0;
    int interlace = 0;
    png_get_IHDR(png, info, &job->width, &job->height, &job->bitDepth, &colorType, &interlace,
                 nullptr, nullptr);
    if (job->width == 0 || job->height == 0 || job->width > kMaxPictureSide ||
        job->height > kMaxPictureSide) {
        return false;
    }
    const bool trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    const bool alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || trns;
    if (alpha) {
        job->mode = PngMode::Argb;
        png_set_expand(png);
        png_set_scale_16(png);
        png_set_gray_to_rgb(png);
        png_set_bgr(png);
    } else if (colorType == PNG_COLOR_TYPE_PALETTE) {
        job->mode = PngMode::Indexed;
        png_colorp plte = nullptr;
        int count = 0;
        if (png_get_PLTE(png, info, &plte, &count) == 0 || count < 1 || count > 256) {
            return false;
        }
        for (int i = 0; i < count; ++i) {
            job->plte[static_cast<std::size_t>(i)] = plte[i];
        }
        job->plteCount = count;
        png_set_packing(png);
    } else if (colorType == PNG_COLOR_TYPE_GRAY && job->bitDepth <= 8) {
        job->mode = PngMode::Grey;
        png_set_packing(png);
    } else {
        job->mode = PngMode::Rgb;
        png_set_scale_16(png);
        png_set_gray_to_rgb(png);
        png_set_bgr(png);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const std::size_t channels = job->mode == PngMode::Argb ? 4 : job->mode == PngMode::Rgb ? 3 : 1;
    job->rowBytes = png_get_rowbytes(png, info);
    if (job->rowBytes != channels * job->width) {
        return false;
    }
    job->Allocate();
    png_read_image(png, job->rows.data());
    png_read_end(png, nullptr);
    return true;
}

DecodedBitmap PackIndexed(const PngJob& job, int depth, std::span<const RGBQUAD> colours) {
    DecodedBitmap out;
    out.width = static_cast<int>(job.width);
    out.height = static_cast<int>(job.height);
    out.depth = depth;
    out.stride = PackedRowBytes(out.width, depth);
    out.bits.assign(out.stride * job.height, 0);
    out.palette.assign(std::size_t{1} << depth, RGBQUAD{});
    std::copy(colours.begin(), colours.end(), out.palette.begin());
    const int perByte = 8 / depth;
    for (std::size_t y = 0; y < job.height; ++y) {
        const std::uint8_t* src = job.buffer.data() + y * job.rowBytes;
        std::uint8_t* dst = out.bits.data() + y * out.stride;
        for (std::size_t x = 0; x < job.width; ++x) {
            const int shift = depth * (perByte - 1 - static_cast<int>(x % perByte));
            dst[x / perByte] |= static_cast<std::uint8_t>(src[x] << shift);
        }
    }
    return out;
}

}  // namespace

std::optional<DecodedBitmap> DecodePng(std::span<const std::uint8_t> data) {
    if (std::optional<DecodedBitmap> fast = DecodePngFast(data)) {
        return fast;
    }
    return DecodePngWithLibpng(data);
}

std::optional<DecodedBitmap> DecodePngWithLibpng(std::span<const std::uint8_t> data) {
    if (SniffEncoded(data) != EncodedKind::Png) {
        return std::nullopt;
    }
    PngReadGuard guard;
    if (guard.png == nullptr || guard.info == nullptr) {
        return std::nullopt;
    }
    PngJob job;
    job.data = data;
    if (!RunPng(guard.png, guard.info, &job)) {
        return std::nullopt;
    }

    if (job.mode == PngMode::Indexed) {
        std::vector<RGBQUAD> colours;
        for (int i = 0; i < job.plteCount; ++i) {
            const png_color& c = job.plte[static_cast<std::size_t>(i)];
            colours.push_back(RGBQUAD{c.blue, c.green, c.red, 0});
        }
        const int depth = job.bitDepth == 2 ? 4 : job.bitDepth;
        if (static_cast<std::size_t>(job.plteCount) > (std::size_t{1} << depth)) {
            colours.resize(std::size_t{1} << depth);  // entries no index can reach
        }
        return PackIndexed(job, depth, colours);
    }
    if (job.mode == PngMode::Grey) {
        const int levels = 1 << job.bitDepth;
        std::vector<RGBQUAD> colours;
        for (int i = 0; i < levels; ++i) {
            const auto g = static_cast<std::uint8_t>(i * 255 / (levels - 1));
            colours.push_back(RGBQUAD{g, g, g, 0});
        }
        const int depth = job.bitDepth == 2 ? 4 : job.bitDepth;
        return PackIndexed(job, depth, colours);
    }
    DecodedBitmap out;
    out.width = static_cast<int>(job.width);
    out.height = static_cast<int>(job.height);
    out.depth = job.mode == PngMode::Argb ? 32 : 24;
    out.stride = job.rowBytes;
    out.bits = std::move(job.buffer);
    return out;
}

}  // namespace varlen
