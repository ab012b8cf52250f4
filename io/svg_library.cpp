// SvgLibrary: opening librsvg and looking up its functions (see svg_library.h).
#include "io/svg_library.h"

#include <dlfcn.h>

#include <cstring>

namespace varlen {

template <typename F>
bool SvgLibrary::Find(F& f, const char* name) {
    void* p = dlsym(m_handle, name);
    if (p == nullptr) {
        return false;
    }
    static_assert(sizeof f == sizeof p);
    std::memcpy(&f, &p, sizeof f);
    return true;
}

SvgLibrary::SvgLibrary()
    : m_handle(dlopen("librsvg-2.so.2", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE)) {
    xmlFreeFunc* xmlFreeVariable = nullptr;
    m_ok = m_handle != nullptr && Find(g_object_unref, "g_object_unref") &&
           Find(g_error_free, "g_error_free") &&
           Find(g_memory_input_stream_new_from_data, "g_memory_input_stream_new_from_data") &&
           Find(cairo_destroy, "cairo_destroy") &&
           Find(cairo_surface_destroy, "cairo_surface_destroy") &&
           Find(cairo_image_surface_create, "cairo_image_surface_create") &&
           Find(cairo_surface_status, "cairo_surface_status") &&
           Find(cairo_create, "cairo_create") && Find(cairo_status, "cairo_status") &&
           Find(cairo_surface_flush, "cairo_surface_flush") &&
           Find(cairo_image_surface_get_data, "cairo_image_surface_get_data") &&
           Find(cairo_image_surface_get_stride, "cairo_image_surface_get_stride") &&
           Find(rsvg_handle_get_intrinsic_size_in_pixels,
                "rsvg_handle_get_intrinsic_size_in_pixels") &&
           Find(rsvg_handle_get_intrinsic_dimensions, "rsvg_handle_get_intrinsic_dimensions") &&
           Find(rsvg_handle_new_from_stream_sync, "rsvg_handle_new_from_stream_sync") &&
           Find(rsvg_handle_set_dpi, "rsvg_handle_set_dpi") &&
           Find(rsvg_handle_render_document, "rsvg_handle_render_document") &&
           Find(xmlReadMemory, "xmlReadMemory") && Find(xmlFreeDoc, "xmlFreeDoc") &&
           Find(xmlDocGetRootElement, "xmlDocGetRootElement") &&
           Find(xmlNodeListGetString, "xmlNodeListGetString") && Find(xmlStrEqual, "xmlStrEqual") &&
           Find(xmlFreeVariable, "xmlFree") &&
           (xmlFree = *xmlFreeVariable) != nullptr;  // libxml2's xmlFree is a variable
}

SvgLibrary::~SvgLibrary() {
    if (m_handle != nullptr) {
        dlclose(m_handle);
    }
}

}  // namespace varlen
