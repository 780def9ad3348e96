// SVG drawn by librsvg into a cairo surface of each icon size, so small sizes get the
// drawing's own lines at that size rather than a resampled large picture.
#include <cstring>
#include <memory>

#include <cairo.h>
#include <librsvg/rsvg.h>

#include "app/board/icon_pictures.h"

namespace icoforge {
namespace {

struct HandleUnref {
    void operator()(RsvgHandle* h) const { g_object_unref(h); }
};
struct SurfaceDestroy {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDestroy {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};
struct ErrorFree {
    void operator()(GError* e) const { g_error_free(e); }
};

std::string TakeMessage(GError* raw) {
    std::unique_ptr<GError, ErrorFree> error(raw);
    return error && error->message ? error->message : "damaged SVG";
}

}  // namespace

bool SvgSupported() { return true; }

Result<std::vector<SourcePicture>> RenderSvg(ByteView document, std::string_view path,
                                             const std::vector<std::uint32_t>& sizes) {
    const std::string name(path);
    GError* raw_error = nullptr;
    // Without RSVG_HANDLE_FLAG_UNLIMITED librsvg keeps its own bounds on a hostile
    // document's size and nesting.
    std::unique_ptr<RsvgHandle, HandleUnref> handle(
        rsvg_handle_new_from_data(document.data(), document.size(), &raw_error));
    if (!handle) return Fail("read", name, "SVG: " + TakeMessage(raw_error));
    std::vector<SourcePicture> pictures;
    for (std::uint32_t side : sizes) {
        std::unique_ptr<cairo_surface_t, SurfaceDestroy> surface(
            cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(side), static_cast<int>(side)));
        if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return Fail("read", name, "out of memory");
        {
            std::unique_ptr<cairo_t, ContextDestroy> cr(cairo_create(surface.get()));
            // The whole square: librsvg fits the drawing into it keeping its proportions, centred.
            const RsvgRectangle viewport{0, 0, static_cast<double>(side), static_cast<double>(side)};
            if (!rsvg_handle_render_document(handle.get(), cr.get(), &viewport, &raw_error))
                return Fail("read", name, "SVG: " + TakeMessage(raw_error));
        }
        cairo_surface_flush(surface.get());
        const unsigned char* data = cairo_image_surface_get_data(surface.get());
        const int stride = cairo_image_surface_get_stride(surface.get());
        SourcePicture p;
        p.own_width = p.own_height = side;
        p.name = name;
        p.pixels = RgbaImage{side, side, std::vector<std::uint8_t>(std::size_t{side} * side * 4)};
        for (std::uint32_t y = 0; y < side; ++y) {
            const unsigned char* row = data + static_cast<std::size_t>(stride) * y;
            std::uint8_t* out = p.pixels.pixels.data() + std::size_t{y} * p.pixels.RowBytes();
            for (std::uint32_t x = 0; x < side; ++x, out += 4) {
                std::uint32_t argb = 0;
                std::memcpy(&argb, row + std::size_t{x} * 4, 4);  // native order, premultiplied
                const unsigned a = argb >> 24;
                const unsigned rgb[3] = {(argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF};
                for (int c = 0; c < 3; ++c)
                    out[c] = static_cast<std::uint8_t>(a == 0 ? 0 : std::min(255u, (rgb[c] * 255 + a / 2) / a));
                out[3] = static_cast<std::uint8_t>(a);
            }
        }
        pictures.push_back(std::move(p));
    }
    return pictures;
}

}  // namespace icoforge
