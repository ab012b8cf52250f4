// TIFF decoding through libtiff, from memory.
//
// Contract: see DecodeTiff in picture_decoders.h. The first directory is read through
// libtiff's RGBA interface, so every photometric, depth, compression and strip or tile
// layout it knows arrives as 8-bit RGBA.
//
// Traps:
// - libtiff reads through our procedures over the bytes in memory (never a file or a
//   mapping); reads past the end deliver fewer bytes, which libtiff reports as an error.
// - Messages go to handlers given with this one open (TIFFOpenOptions), which drop them,
//   so nothing is printed and no process-wide handler is changed. libtiff's largest
//   single allocation is capped by the largest picture we accept and by what the data
//   can expand to, and a strip or tile may not exceed twice the raster it feeds: libtiff
//   zero-fills strip buffers before decoding, so these caps bound what a lying header
//   costs. The raster's pages are untouched until rows are decoded into them.
// - Width and height are checked against kMaxPictureSide before the raster is allocated.
// - The RGBA interface flips rows and columns to a requested orientation but cannot turn
//   a picture by 90 degrees. We request the file's own orientation, which makes it copy
//   the rows as stored, and turn the picture upright ourselves like a JPEG's.
// - The RGBA interface multiplies unassociated alpha into the colours of RGB pictures,
//   but not of grey ones, and passes associated alpha through. Declaring an unassociated
//   alpha sample associated before reading makes every case pass the stored values
//   through; only files that store associated alpha are then divided back to straight
//   alpha here.
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "io/picture_decoders.h"

namespace varlen {

namespace {

struct TiffMemory {
    std::span<const std::uint8_t> data;
    std::uint64_t pos = 0;
};

tmsize_t TiffRead(thandle_t handle, void* buffer, tmsize_t size) {
    auto* m = static_cast<TiffMemory*>(handle);
    if (size <= 0 || m->pos >= m->data.size()) {
        return 0;
    }
    const std::size_t n =
        std::min(static_cast<std::size_t>(size), m->data.size() - static_cast<std::size_t>(m->pos));
    std::memcpy(buffer, m->data.data() + m->pos, n);
    m->pos += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t TiffWrite(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t TiffSeek(thandle_t handle, toff_t offset, int whence) {
    auto* m = static_cast<TiffMemory*>(handle);
    std::uint64_t base = 0;
    switch (whence) {
        case SEEK_SET:
            base = 0;
            break;
        case SEEK_CUR:
            base = m->pos;
            break;
        case SEEK_END:
            base = m->data.size();
            break;
        default:
            return static_cast<toff_t>(-1);
    }
    if (offset > UINT64_MAX / 2 || base + offset > UINT64_MAX / 2) {
        return static_cast<toff_t>(-1);
    }
    m->pos = base + offset;
    return m->pos;
}

int TiffClose(thandle_t) {
    return 0;
}

toff_t TiffSize(thandle_t handle) {
    return static_cast<TiffMemory*>(handle)->data.size();
}

int TiffMap(thandle_t, void**, toff_t*) {
    return 0;
}

void TiffUnmap(thandle_t, void*, toff_t) {}

int TiffQuiet(TIFF*, void*, const char*, const char*, va_list) {
    return 1;  // handled: libtiff does not pass it on to the process-wide handler
}

struct OptionsGuard {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    ~OptionsGuard() {
        if (options != nullptr) {
            TIFFOpenOptionsFree(options);
        }
    }
    OptionsGuard() = default;
    OptionsGuard(const OptionsGuard&) = delete;
    OptionsGuard& operator=(const OptionsGuard&) = delete;
};

struct TiffGuard {
    TIFF* tif = nullptr;
    ~TiffGuard() {
        if (tif != nullptr) {
            TIFFClose(tif);
        }
    }
    TiffGuard() = default;
    TiffGuard(const TiffGuard&) = delete;
    TiffGuard& operator=(const TiffGuard&) = delete;
};

struct RgbaGuard {
    TIFFRGBAImage image{};
    bool begun = false;
    ~RgbaGuard() {
        if (begun) {
            TIFFRGBAImageEnd(&image);
        }
    }
    RgbaGuard() = default;
    RgbaGuard(const RgbaGuard&) = delete;
    RgbaGuard& operator=(const RgbaGuard&) = delete;
};

// Declares an unassociated alpha sample associated (see the traps above). True when the
// stored colours are then straight, false when the file stores them premultiplied.
bool PassStraightAlphaThrough(TIFF* tif) {
    std::uint16_t count = 0;
    std::uint16_t* types = nullptr;
    if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &count, &types) == 0 || count == 0 ||
        types == nullptr || types[0] != EXTRASAMPLE_UNASSALPHA) {
        return false;
    }
    std::vector<std::uint16_t> changed(types, types + count);
    changed[0] = EXTRASAMPLE_ASSOCALPHA;
    return TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, count, changed.data()) != 0;
}

std::uint8_t Unpremultiply(std::uint8_t c, std::uint8_t a) {
    if (a == 0 || a == 255) {
        return c;
    }
    return static_cast<std::uint8_t>(std::min(255, (c * 255 + a / 2) / a));
}

// libtiff's largest single allocation for data of size bytes: a whole 16-bit RGBA strip of
// the largest picture at most, and no more than the data can expand to (no codec turns a
// byte into more than 4096), but at least 64 MiB. libtiff zero-fills a strip buffer before
// it decodes into it, so without this a small file announcing one huge strip would cost
// gigabytes before its first byte was decoded.
tmsize_t MaxSingleAllocation(std::size_t size) {
    constexpr std::uint64_t kLargestStrip = std::uint64_t{kMaxPictureSide} * kMaxPictureSide * 8;
    constexpr std::uint64_t kLeast = std::uint64_t{64} << 20;
    constexpr std::uint64_t kExpansion = 4096;
    const std::uint64_t bySize = std::max<std::uint64_t>(kLeast, std::uint64_t{size} * kExpansion);
    return static_cast<tmsize_t>(std::min(kLargestStrip, bySize));
}

}  // namespace

std::optional<DecodedBitmap> DecodeTiff(std::span<const std::uint8_t> data) {
    if (SniffEncoded(data) != EncodedKind::Tiff) {
        return std::nullopt;
    }
    const OptionsGuard options;
    if (options.options == nullptr) {
        return std::nullopt;
    }
    TIFFOpenOptionsSetErrorHandlerExtR(options.options, TiffQuiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.options, TiffQuiet, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.options, MaxSingleAllocation(data.size()));

    TiffMemory memory{data, 0};
    TiffGuard guard;
    guard.tif = TIFFClientOpenExt("memory", "rm", &memory, TiffRead, TiffWrite, TiffSeek, TiffClose,
                                  TiffSize, TiffMap, TiffUnmap, options.options);
    if (guard.tif == nullptr) {
        return std::nullopt;
    }
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (TIFFGetField(guard.tif, TIFFTAG_IMAGEWIDTH, &width) == 0 ||
        TIFFGetField(guard.tif, TIFFTAG_IMAGELENGTH, &height) == 0 || width < 1 || height < 1 ||
        width > kMaxPictureSide || height > kMaxPictureSide) {
        return std::nullopt;
    }
    // A strip or tile buffer holds at most 16 bits of four samples per pixel of the rows it
    // feeds, so at most twice our raster; libtiff fills it before the data arrives.
    const std::uint64_t rasterBytes = std::uint64_t{width} * height * 4;
    const std::uint64_t chunkBytes =
        TIFFIsTiled(guard.tif) != 0 ? TIFFTileSize64(guard.tif) : TIFFStripSize64(guard.tif);
    if (chunkBytes == 0 || chunkBytes > 2 * rasterBytes) {
        return std::nullopt;
    }
    const bool straight = PassStraightAlphaThrough(guard.tif);

    char message[1024] = {};
    if (TIFFRGBAImageOK(guard.tif, message) == 0) {
        return std::nullopt;
    }
    RgbaGuard rgba;
    rgba.begun = TIFFRGBAImageBegin(&rgba.image, guard.tif, 1, message) != 0;
    if (!rgba.begun || rgba.image.width != width || rgba.image.height != height) {
        return std::nullopt;
    }
    rgba.image.req_orientation = rgba.image.orientation;  // rows as stored

    DecodedBitmap out;
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    const std::size_t count = static_cast<std::size_t>(width) * height;
    // The raster is packed 32-bit values (red in the low byte); it is rewritten in place
    // into our byte order.
    out.bits.resize(count * 4);
    auto* raster = reinterpret_cast<std::uint32_t*>(out.bits.data());
    if (TIFFRGBAImageGet(&rgba.image, raster, width, height) == 0) {
        return std::nullopt;
    }
    const bool alpha = rgba.image.alpha != 0;
    const bool premultiplied = alpha && !straight;
    std::uint8_t* bytes = out.bits.data();
    const std::size_t pixelBytes = alpha ? 4 : 3;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t v = 0;
        std::memcpy(&v, bytes + 4 * i, 4);
        const auto a = static_cast<std::uint8_t>(TIFFGetA(v));
        auto r = static_cast<std::uint8_t>(TIFFGetR(v));
        auto g = static_cast<std::uint8_t>(TIFFGetG(v));
        auto b = static_cast<std::uint8_t>(TIFFGetB(v));
        if (premultiplied) {
            r = Unpremultiply(r, a);
            g = Unpremultiply(g, a);
            b = Unpremultiply(b, a);
        }
        std::uint8_t* dst = bytes + pixelBytes * i;  // never past the pixel just read
        dst[0] = b;
        dst[1] = g;
        dst[2] = r;
        if (alpha) {
            dst[3] = a;
        }
    }
    out.depth = alpha ? 32 : 24;
    out.stride = static_cast<std::size_t>(width) * pixelBytes;
    out.bits.resize(count * pixelBytes);
    out.orientation = rgba.image.orientation;
    return out;
}

}  // namespace varlen
