// HEIC and AVIF, the pictures phones and browsers save, decoded by libheif (HEVC through
// libde265, AV1 through dav1d). libheif applies the picture's own rotation and mirroring
// as it decodes, so the picture comes out as it is seen.
//
// libheif is loaded the first time such a picture is read, not linked: it brings the
// decoders and encoders of two video codecs, which every other command would pay for.
#include <memory>

#include <libheif/heif.h>

#include "app/board/board_decoders.h"
#include "app/board/icon_pictures.h"
#include "platform/shared_library.h"

namespace icoforge {
namespace {

// Each function once; the table's members and its filling come from here.
#define ICOFORGE_HEIF_FUNCTIONS(X)               \
    X(heif_context_alloc)                        \
    X(heif_context_free)                         \
    X(heif_context_read_from_memory_without_copy) \
    X(heif_context_get_primary_image_handle)     \
    X(heif_image_handle_get_width)               \
    X(heif_image_handle_get_height)              \
    X(heif_image_handle_release)                 \
    X(heif_decode_image)                         \
    X(heif_image_get_plane_readonly)             \
    X(heif_image_get_width)                      \
    X(heif_image_get_height)                     \
    X(heif_image_release)

struct Heif {
    ICOFORGE_HEIF_FUNCTIONS(ICOFORGE_TABLE_MEMBER)
};

// Loaded once for the process; a library that is missing stays missing. Debian's libheif1,
// whose headers this is built against.
const Result<Heif>& LoadedHeif() {
    static const auto heif = LoadFunctions<Heif>("libheif.so.1", ICOFORGE_BIND_ALL(ICOFORGE_HEIF_FUNCTIONS),
                                                 {std::string(kHeifUnsupported), "HEIC and AVIF need libheif", "1.15"});
    return heif.functions;
}

template <typename T, auto Heif::*Release>
using Owner = std::unique_ptr<T, TableReleaser<Heif, T, Release>>;
using ContextOwner = Owner<heif_context, &Heif::heif_context_free>;
using HandleOwner = Owner<const heif_image_handle, &Heif::heif_image_handle_release>;
using ImageOwner = Owner<const heif_image, &Heif::heif_image_release>;

Result<BoardPicture> Damaged(std::string_view path, const heif_error& error) {
    return Fail(std::string(kNotDecoded), std::string(path), error.message != nullptr ? error.message : "damaged");
}

}  // namespace

bool HeifSupported() { return static_cast<bool>(LoadedHeif()); }

Result<BoardPicture> ReadHeif(ByteView file, std::string_view path, const BoardDecodeOptions& options) {
    const auto& loaded = LoadedHeif();
    if (!loaded) return Fail(loaded.error().what, std::string(path), loaded.error().reason);
    const Heif& heif = *loaded;
    ContextOwner context(heif.heif_context_alloc(), {&heif});
    if (!context) return Fail("read", std::string(path), "out of memory");
    // The bytes outlive the context, which only reads them.
    if (const heif_error e = heif.heif_context_read_from_memory_without_copy(context.get(), file.data(), file.size(),
                                                                            nullptr);
        e.code != heif_error_Ok)
        return Damaged(path, e);
    heif_image_handle* raw_handle = nullptr;
    if (const heif_error e = heif.heif_context_get_primary_image_handle(context.get(), &raw_handle);
        e.code != heif_error_Ok)
        return Damaged(path, e);
    HandleOwner handle(raw_handle, {&heif});
    const int width = heif.heif_image_handle_get_width(handle.get());
    const int height = heif.heif_image_handle_get_height(handle.get());
    if (width < 1 || height < 1 ||
        !board_detail::WithinPixelLimit(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height),
                                        options.max_pixels))
        return TooManyPixels(path, options.max_pixels);
    heif_image* raw_image = nullptr;
    if (const heif_error e = heif.heif_decode_image(handle.get(), &raw_image, heif_colorspace_RGB,
                                                    heif_chroma_interleaved_RGBA, nullptr);
        e.code != heif_error_Ok)
        return Damaged(path, e);
    ImageOwner image(raw_image, {&heif});
    int stride = 0;
    const std::uint8_t* plane = heif.heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int w = heif.heif_image_get_width(image.get(), heif_channel_interleaved);
    const int h = heif.heif_image_get_height(image.get(), heif_channel_interleaved);
    const auto within = [&](int x, int y) {
        return board_detail::WithinPixelLimit(static_cast<std::uint64_t>(x), static_cast<std::uint64_t>(y),
                                              options.max_pixels);
    };
    if (plane == nullptr || w < 1 || h < 1 || stride < w * 4 || !within(w, h))
        return Fail(std::string(kNotDecoded), std::string(path), "damaged");
    // Blue-green-red-alpha as the board holds pictures: straight where kept at its own
    // size, premultiplied where averaged down while copied (as a large PNG is) to no less
    // than the icon maker needs, so it is never held twice at full size.
    BoardPicture picture;
    picture.width = w;
    picture.height = h;
    const board_detail::DrawnSize drawn = board_detail::ReducedSize(w, h, options);
    picture.pixels = BoardImage(drawn.width, drawn.height);
    const bool whole = drawn.width == w && drawn.height == h;
    RowScaler scaler(w, h, picture.pixels, StretchQuality::Halftone);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(w) * 4);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* in = plane + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
        std::uint8_t* out = whole ? picture.pixels.Row(y) : row.data();
        for (int x = 0; x < w; ++x, in += 4, out += 4) {
            const unsigned a = in[3];
            for (int c = 0; c < 3; ++c)
                out[c] = static_cast<std::uint8_t>(whole ? in[2 - c] : (in[2 - c] * a + 127) / 255);
            out[3] = in[3];
        }
        if (!whole) scaler.AddRow(row.data());
    }
    return picture;
}

}  // namespace icoforge
