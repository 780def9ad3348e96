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
struct Releaser {
    const Heif* heif;
    void operator()(T* p) const { (heif->*Release)(p); }
};
using ContextOwner = std::unique_ptr<heif_context, Releaser<heif_context, &Heif::heif_context_free>>;
using HandleOwner = std::unique_ptr<const heif_image_handle, Releaser<const heif_image_handle, &Heif::heif_image_handle_release>>;
using ImageOwner = std::unique_ptr<const heif_image, Releaser<const heif_image, &Heif::heif_image_release>>;

Result<std::vector<SourcePicture>> Damaged(std::string_view path, const heif_error& error) {
    return Fail(std::string(kNotDecoded), std::string(path), error.message != nullptr ? error.message : "damaged");
}

}  // namespace

bool HeifSupported() { return static_cast<bool>(LoadedHeif()); }

Result<std::vector<SourcePicture>> ReadHeif(ByteView file, std::string_view path, const IconPictureOptions& options) {
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
    if (const heif_error e = heif.heif_context_get_primary_image_handle(context.get(), &raw_handle); e.code != heif_error_Ok)
        return Damaged(path, e);
    HandleOwner handle(raw_handle, {&heif});
    const int width = heif.heif_image_handle_get_width(handle.get());
    const int height = heif.heif_image_handle_get_height(handle.get());
    if (width < 1 || height < 1 ||
        !board_detail::WithinPixelLimit(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height),
                                        options.max_pixels))
        return Fail(std::string(kNotDecoded), std::string(path), "more than " + std::to_string(options.max_pixels) + " pixels");
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
    if (plane == nullptr || w < 1 || h < 1 || stride < w * 4 ||
        !board_detail::WithinPixelLimit(static_cast<std::uint64_t>(w), static_cast<std::uint64_t>(h), options.max_pixels))
        return Fail(std::string(kNotDecoded), std::string(path), "damaged");
    SourcePicture p;
    p.own_width = static_cast<std::uint32_t>(w);
    p.own_height = static_cast<std::uint32_t>(h);
    p.bit_depth = 32;
    p.name = std::string(path);
    p.pixels = RgbaImage{p.own_width, p.own_height, std::vector<std::uint8_t>(std::size_t{p.own_width} * p.own_height * 4)};
    for (int y = 0; y < h; ++y)
        std::copy_n(plane + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride), p.pixels.RowBytes(),
                    p.pixels.pixels.data() + static_cast<std::size_t>(y) * p.pixels.RowBytes());
    return std::vector<SourcePicture>{std::move(p)};
}

}  // namespace icoforge
