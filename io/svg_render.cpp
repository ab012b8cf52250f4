// Rendering an SVG document (see svg_render.h).
#include "io/svg_render.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "io/picture_decoders.h"

namespace varlen {

namespace {

template <typename T>
struct GObjectGuard {
    const SvgLibrary& lib;
    T* object = nullptr;
    ~GObjectGuard() {
        if (object != nullptr) {
            lib.g_object_unref(object);
        }
    }
    explicit GObjectGuard(const SvgLibrary& l) : lib(l) {}
    GObjectGuard(const GObjectGuard&) = delete;
    GObjectGuard& operator=(const GObjectGuard&) = delete;
};

struct ErrorGuard {
    const SvgLibrary& lib;
    GError* error = nullptr;
    ~ErrorGuard() {
        if (error != nullptr) {
            lib.g_error_free(error);
        }
    }
    explicit ErrorGuard(const SvgLibrary& l) : lib(l) {}
    ErrorGuard(const ErrorGuard&) = delete;
    ErrorGuard& operator=(const ErrorGuard&) = delete;
};

struct SurfaceGuard {
    const SvgLibrary& lib;
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = nullptr;
    ~SurfaceGuard() {
        if (cr != nullptr) {
            lib.cairo_destroy(cr);
        }
        if (surface != nullptr) {
            lib.cairo_surface_destroy(surface);
        }
    }
    explicit SurfaceGuard(const SvgLibrary& l) : lib(l) {}
    SurfaceGuard(const SurfaceGuard&) = delete;
    SurfaceGuard& operator=(const SurfaceGuard&) = delete;
};

bool Usable(double v) {
    return std::isfinite(v) && v > 0;
}

// Width over height of the document: from its width and height when both resolve to
// pixels, else from its viewBox; nothing when it has neither.
std::optional<double> AspectRatio(const SvgLibrary& lib, RsvgHandle* handle) {
    double width = 0;
    double height = 0;
    if (lib.rsvg_handle_get_intrinsic_size_in_pixels(handle, &width, &height) && Usable(width) &&
        Usable(height)) {
        return width / height;
    }
    gboolean hasViewBox = FALSE;
    RsvgRectangle viewBox{};
    lib.rsvg_handle_get_intrinsic_dimensions(handle, nullptr, nullptr, nullptr, nullptr,
                                             &hasViewBox, &viewBox);
    if (hasViewBox && Usable(viewBox.width) && Usable(viewBox.height)) {
        return viewBox.width / viewBox.height;
    }
    return std::nullopt;
}

std::uint8_t Straight(std::uint32_t c, std::uint32_t a) {
    return static_cast<std::uint8_t>(std::min<std::uint32_t>(255, (c * 255 + a / 2) / a));
}

}  // namespace

std::optional<DecodedBitmap> RenderSvgDocument(const SvgLibrary& lib,
                                               std::span<const std::uint8_t> data) {
    GObjectGuard<GInputStream> stream(lib);
    stream.object = lib.g_memory_input_stream_new_from_data(
        data.data(), static_cast<gssize>(data.size()), nullptr);
    GObjectGuard<RsvgHandle> handle(lib);
    {
        ErrorGuard error(lib);
        handle.object = lib.rsvg_handle_new_from_stream_sync(
            stream.object, nullptr, RSVG_HANDLE_FLAGS_NONE, nullptr, &error.error);
    }
    if (handle.object == nullptr) {
        return std::nullopt;
    }
    lib.rsvg_handle_set_dpi(handle.object, 96.0);
    const std::optional<double> aspect = AspectRatio(lib, handle.object);
    if (!aspect || !Usable(*aspect)) {
        return std::nullopt;
    }
    const auto shorter = [](double side) {
        return static_cast<int>(std::clamp(std::lround(side), 1L, long{kSvgRenderSide}));
    };
    const int width = *aspect >= 1 ? kSvgRenderSide : shorter(kSvgRenderSide * *aspect);
    const int height = *aspect >= 1 ? shorter(kSvgRenderSide / *aspect) : kSvgRenderSide;

    SurfaceGuard target(lib);
    target.surface = lib.cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (lib.cairo_surface_status(target.surface) != CAIRO_STATUS_SUCCESS) {
        return std::nullopt;
    }
    target.cr = lib.cairo_create(target.surface);
    if (lib.cairo_status(target.cr) != CAIRO_STATUS_SUCCESS) {
        return std::nullopt;
    }
    const RsvgRectangle viewport{0, 0, static_cast<double>(width), static_cast<double>(height)};
    {
        ErrorGuard error(lib);
        if (!lib.rsvg_handle_render_document(handle.object, target.cr, &viewport, &error.error)) {
            return std::nullopt;
        }
    }
    lib.cairo_surface_flush(target.surface);
    const unsigned char* pixels = lib.cairo_image_surface_get_data(target.surface);
    const int stride = lib.cairo_image_surface_get_stride(target.surface);
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
