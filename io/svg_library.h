// SvgLibrary: librsvg and the libraries it brings (cairo, GIO, GLib, libxml2), opened when
// an SVG document is decoded instead of linked into the program.
//
// Linked, all of them (and pango, fontconfig and some forty more) would be loaded and
// relocated at every start, a good part of the time of a small batch run. Each decode
// opens the library (once it is loaded, that only counts a reference) and looks its
// functions up, so nothing is kept between calls. Once opened it stays loaded
// (RTLD_NODELETE): GLib's type system cannot be unloaded.
#pragma once

#include <librsvg/rsvg.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

namespace varlen {

// The functions of librsvg and of the libraries it depends on that the decoder calls, looked
// up in an opened librsvg; Ok() is false when the library or any function is missing.
class SvgLibrary {
  public:
    SvgLibrary();
    ~SvgLibrary();
    SvgLibrary(const SvgLibrary&) = delete;
    SvgLibrary& operator=(const SvgLibrary&) = delete;

    bool Ok() const { return m_ok; }

    decltype(&::g_object_unref) g_object_unref = nullptr;
    decltype(&::g_error_free) g_error_free = nullptr;
    decltype(&::g_memory_input_stream_new_from_data) g_memory_input_stream_new_from_data = nullptr;
    decltype(&::cairo_destroy) cairo_destroy = nullptr;
    decltype(&::cairo_surface_destroy) cairo_surface_destroy = nullptr;
    decltype(&::cairo_image_surface_create) cairo_image_surface_create = nullptr;
    decltype(&::cairo_surface_status) cairo_surface_status = nullptr;
    decltype(&::cairo_create) cairo_create = nullptr;
    decltype(&::cairo_status) cairo_status = nullptr;
    decltype(&::cairo_surface_flush) cairo_surface_flush = nullptr;
    decltype(&::cairo_image_surface_get_data) cairo_image_surface_get_data = nullptr;
    decltype(&::cairo_image_surface_get_stride) cairo_image_surface_get_stride = nullptr;
    decltype(&::rsvg_handle_get_intrinsic_size_in_pixels) rsvg_handle_get_intrinsic_size_in_pixels =
        nullptr;
    decltype(&::rsvg_handle_get_intrinsic_dimensions) rsvg_handle_get_intrinsic_dimensions =
        nullptr;
    decltype(&::rsvg_handle_new_from_stream_sync) rsvg_handle_new_from_stream_sync = nullptr;
    decltype(&::rsvg_handle_set_dpi) rsvg_handle_set_dpi = nullptr;
    decltype(&::rsvg_handle_render_document) rsvg_handle_render_document = nullptr;
    decltype(&::xmlReadMemory) xmlReadMemory = nullptr;
    decltype(&::xmlFreeDoc) xmlFreeDoc = nullptr;
    decltype(&::xmlDocGetRootElement) xmlDocGetRootElement = nullptr;
    decltype(&::xmlNodeListGetString) xmlNodeListGetString = nullptr;
    decltype(&::xmlStrEqual) xmlStrEqual = nullptr;
    xmlFreeFunc xmlFree = nullptr;

  private:
    template <typename F>
    bool Find(F& f, const char* name);

    void* m_handle;
    bool m_ok = false;
};

}  // namespace varlen
