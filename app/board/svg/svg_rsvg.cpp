// SVG drawn by librsvg into a cairo surface of each icon size, so small sizes get the
// drawing's own lines at that size rather than a resampled large picture.
//
// librsvg is loaded the first time an SVG is drawn, not linked: it brings some fifty
// libraries (cairo, pango, GLib, ICU...) whose loading cost every other command ~8 ms, twice
// what a whole thumbnail takes. Its headers give the functions' types, so a mismatch is a
// compile error, not a crash.
#include <cstring>
#include <memory>

#include <cairo.h>
#include <librsvg/rsvg.h>

#include "app/board/icon_pictures.h"
#include "platform/shared_library.h"

namespace icoforge {
namespace {

// The soname of the librsvg 2.x whose headers this is built against.
constexpr const char* kRsvgLibrary = "librsvg-2.so.2";

// Each function once; the table's members and its filling come from here.
#define ICOFORGE_RSVG_FUNCTIONS(X)    \
    X(rsvg_handle_new_from_data)      \
    X(rsvg_handle_render_document)    \
    X(g_object_unref)                 \
    X(g_error_free)                   \
    X(cairo_image_surface_create)     \
    X(cairo_surface_status)           \
    X(cairo_surface_destroy)          \
    X(cairo_surface_flush)            \
    X(cairo_image_surface_get_data)   \
    X(cairo_image_surface_get_stride) \
    X(cairo_create)                   \
    X(cairo_destroy)

struct Rsvg {
    ICOFORGE_RSVG_FUNCTIONS(ICOFORGE_TABLE_MEMBER)
};

// Loaded once for the process; a library that is missing stays missing.
const Result<Rsvg>& LoadedRsvg() {
    static const auto rsvg = LoadFunctions<Rsvg>(kRsvgLibrary, ICOFORGE_BIND_ALL(ICOFORGE_RSVG_FUNCTIONS),
                                                 {std::string(kSvgUnsupported), "SVG needs librsvg", "2.46"});
    return rsvg.functions;
}

template <typename T, auto Rsvg::*Release>
using Releaser = TableReleaser<Rsvg, T, Release>;
using HandleOwner = std::unique_ptr<RsvgHandle, Releaser<void, &Rsvg::g_object_unref>>;
using SurfaceOwner = std::unique_ptr<cairo_surface_t, Releaser<cairo_surface_t, &Rsvg::cairo_surface_destroy>>;
using ContextOwner = std::unique_ptr<cairo_t, Releaser<cairo_t, &Rsvg::cairo_destroy>>;

std::string TakeMessage(const Rsvg& rsvg, GError* raw) {
    std::unique_ptr<GError, Releaser<GError, &Rsvg::g_error_free>> error(raw, {&rsvg});
    return error && error->message ? error->message : "damaged SVG";
}

}  // namespace

bool SvgSupported() { return true; }

Result<std::vector<SourcePicture>> RenderSvg(ByteView document, std::string_view path,
                                             const std::vector<std::uint32_t>& sizes) {
    const std::string name(path);
    const auto& loaded = LoadedRsvg();
    if (!loaded) return Fail(loaded.error().what, name, loaded.error().reason);
    const Rsvg& rsvg = *loaded;
    GError* raw_error = nullptr;
    // Without RSVG_HANDLE_FLAG_UNLIMITED librsvg keeps its own bounds on a hostile
    // document's size and nesting.
    HandleOwner handle(rsvg.rsvg_handle_new_from_data(document.data(), document.size(), &raw_error), {&rsvg});
    if (!handle) return Fail("read", name, "SVG: " + TakeMessage(rsvg, raw_error));
    std::vector<SourcePicture> pictures;
    for (std::uint32_t side : sizes) {
        const int edge = static_cast<int>(side);
        SurfaceOwner surface(rsvg.cairo_image_surface_create(CAIRO_FORMAT_ARGB32, edge, edge), {&rsvg});
        if (rsvg.cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
            return Fail("read", name, "out of memory");
        {
            ContextOwner cr(rsvg.cairo_create(surface.get()), {&rsvg});
            // The whole square: librsvg fits the drawing into it keeping its proportions, centred.
            const RsvgRectangle viewport{0, 0, static_cast<double>(side), static_cast<double>(side)};
            if (!rsvg.rsvg_handle_render_document(handle.get(), cr.get(), &viewport, &raw_error))
                return Fail("read", name, "SVG: " + TakeMessage(rsvg, raw_error));
        }
        rsvg.cairo_surface_flush(surface.get());
        const unsigned char* data = rsvg.cairo_image_surface_get_data(surface.get());
        const int stride = rsvg.cairo_image_surface_get_stride(surface.get());
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
