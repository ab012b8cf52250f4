// SVG rasterising through librsvg and cairo, from memory.
//
// Contract: see DecodeSvg in picture_decoders.h.
//
// Traps:
// - The document is read from a stream over our bytes with no base file, so librsvg has
//   no location against which to resolve references: it loads no file and no URL, only
//   data: URLs embedded in the text. The parser's own safety limits stay on (no
//   RSVG_HANDLE_FLAG_UNLIMITED), and the text is refused above kMaxSvgBytes.
// - The size is taken only to find the aspect ratio; the rendered size is fixed, so a
//   document that claims a huge size allocates no more than any other.
// - cairo's ARGB32 pixels are premultiplied native-endian 32-bit values; they are read as
//   values (not bytes) and divided back to straight alpha with rounding.
// - Every GLib and cairo object lives in a guard, so each return path releases it.
#include <librsvg/rsvg.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "io/picture_decoders.h"

namespace varlen {

namespace {

template <typename T>
struct GObjectGuard {
    T* object = nullptr;
    ~GObjectGuard() {
        if (object != nullptr) {
            g_object_unref(object);
        }
    }
    GObjectGuard() = default;
    GObjectGuard(const GObjectGuard&) = delete;
    GObjectGuard& operator=(const GObjectGuard&) = delete;
};

struct ErrorGuard {
    GError* error = nullptr;
    ~ErrorGuard() {
        if (error != nullptr) {
            g_error_free(error);
        }
    }
    ErrorGuard() = default;
    ErrorGuard(const ErrorGuard&) = delete;
    ErrorGuard& operator=(const ErrorGuard&) = delete;
};

struct SurfaceGuard {
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = nullptr;
    ~SurfaceGuard() {
        if (cr != nullptr) {
            cairo_destroy(cr);
        }
        if (surface != nullptr) {
            cairo_surface_destroy(surface);
        }
    }
    SurfaceGuard() = default;
    SurfaceGuard(const SurfaceGuard&) = delete;
    SurfaceGuard& operator=(const SurfaceGuard&) = delete;
};

bool Usable(double v) {
    return std::isfinite(v) && v > 0;
}

// Width over height of the document: from its width and height when both resolve to
// pixels, else from its viewBox; nothing when it has neither.
std::optional<double> AspectRatio(RsvgHandle* handle) {
    double width = 0;
    double height = 0;
    if (rsvg_handle_get_intrinsic_size_in_pixels(handle, &width, &height) && Usable(width) &&
        Usable(height)) {
        return width / height;
    }
    gboolean hasViewBox = FALSE;
    RsvgRectangle viewBox{};
    rsvg_handle_get_intrinsic_dimensions(handle, nullptr, nullptr, nullptr, nullptr, &hasViewBox,
                                         &viewBox);
    if (hasViewBox && Usable(viewBox.width) && Usable(viewBox.height)) {
        return viewBox.width / viewBox.height;
    }
    return std::nullopt;
}

std::uint8_t Straight(std::uint32_t c, std::uint32_t a) {
    return static_cast<std::uint8_t>(std::min<std::uint32_t>(255, (c * 255 + a / 2) / a));
}

}  // namespace

std::optional<DecodedBitmap> DecodeSvg(std::span<const std::uint8_t> data) {
    if (data.size() > kMaxSvgBytes || SniffEncoded(data) != EncodedKind::Svg) {
        return std::nullopt;
    }
    GObjectGuard<GInputStream> stream;
    stream.object =
        g_memory_input_stream_new_from_data(data.data(), static_cast<gssize>(data.size()), nullptr);
    GObjectGuard<RsvgHandle> handle;
    {
        ErrorGuard error;
        handle.object = rsvg_handle_new_from_stream_sync(
            stream.object, nullptr, RSVG_HANDLE_FLAGS_NONE, nullptr, &error.error);
    }
    if (handle.object == nullptr) {
        return std::nullopt;
    }
    rsvg_handle_set_dpi(handle.object, 96.0);
    const std::optional<double> aspect = AspectRatio(handle.object);
    if (!aspect || !Usable(*aspect)) {
        return std::nullopt;
    }
    const auto shorter = [](double side) {
        return static_cast<int>(std::clamp(std::lround(side), 1L, long{kSvgRenderSide}));
    };
    const int width = *aspect >= 1 ? kSvgRenderSide : shorter(kSvgRenderSide * *aspect);
    const int height = *aspect >= 1 ? shorter(kSvgRenderSide / *aspect) : kSvgRenderSide;

    SurfaceGuard target;
    target.surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(target.surface) != CAIRO_STATUS_SUCCESS) {
        return std::nullopt;
    }
    target.cr = cairo_create(target.surface);
    if (cairo_status(target.cr) != CAIRO_STATUS_SUCCESS) {
        return std::nullopt;
    }
    const RsvgRectangle viewport{0, 0, static_cast<double>(width), static_cast<double>(height)};
    {
        ErrorGuard error;
        if (!rsvg_handle_render_document(handle.object, target.cr, &viewport, &error.error)) {
            return std::nullopt;
        }
    }
    cairo_surface_flush(target.surface);
    const unsigned char* pixels = cairo_image_surface_get_data(target.surface);
    const int stride = cairo_image_surface_get_stride(target.surface);
    if (pixels == nullptr || stride < width * 4) {
        return std::nullopt;
    }

    DecodedBitmap out;
    out.width = width;
    out.height = height;
    out.depth = 32;
    out.stride = static_cast<std::size_t>(width) * 4;
    out.bits.resize(out.stride * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const unsigned char* src =
            pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
        std::uint8_t* dst = out.bits.data() + static_cast<std::size_t>(y) * out.stride;
        for (int x = 0; x < width; ++x) {
            std::uint32_t v = 0;
            std::memcpy(&v, src + 4 * x, 4);
            const std::uint32_t a = v >> 24;
            if (a == 0) {
                continue;  // transparent black, as the buffer starts
            }
            dst[4 * x + 0] = Straight(v & 0xFF, a);
            dst[4 * x + 1] = Straight((v >> 8) & 0xFF, a);
            dst[4 * x + 2] = Straight((v >> 16) & 0xFF, a);
            dst[4 * x + 3] = static_cast<std::uint8_t>(a);
        }
    }
    return out;
}

}  // namespace varlen
