#pragma once
// Pictures read for the icon maker: every kind the project decodes, recognised by its
// content, with alpha kept. A large JPEG or PNG is decoded reduced while it is read (DCT
// scaling, rows averaged as they arrive), never held whole at its own size.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/failure.h"
#include "app/board/board_picture.h"
#include "iconbuild/icon_maker.h"
#include "imageconv/picture_decoder.h"

namespace icoforge {

namespace catalogue {
struct CatalogueGroup;
}

struct IconPictureOptions {
    // No picture larger than this (checked from its header, before anything is allocated).
    std::uint64_t max_pixels = kMaxPicturePixels;
    // A picture larger than this on its longer side may be decoded reduced to it, never below.
    std::uint32_t master_side = 0;
    // The sizes an SVG picture is drawn at, each natively.
    std::vector<std::uint32_t> svg_sizes;
    // For a Windows module, resource file or animation: the group to take, the first in
    // listing order that this accepts; when empty, the icon Explorer shows.
    std::function<bool(const catalogue::CatalogueGroup&)> group;
};

// A list of one picture, moved in: a braced list would copy its pixels.
inline std::vector<SourcePicture> OnePicture(SourcePicture picture) {
    std::vector<SourcePicture> one;
    one.push_back(std::move(picture));
    return one;
}

// The `what` of a file that is no picture icoforge reads, damaged, or beyond the pixel limit.
inline constexpr std::string_view kNotDecoded = "decode";
// Its reason where the decoder can tell no more; the others (WebP, HEIC, a module) say why.
std::string UnreadPictureReason();
// Its refusal of a picture beyond `max_pixels`, told from the picture's header.
inline tl::unexpected<Failure> TooManyPixels(std::string_view path, std::uint64_t max_pixels) {
    return Fail(std::string(kNotDecoded), std::string(path), "more than " + std::to_string(max_pixels) + " pixels");
}
// The `what` of a Windows module, resource file or animation without an icon group, or
// without the group IconPictureOptions::group asks for.
inline constexpr std::string_view kHoldsNoIcon = "holds no icon";
inline constexpr std::string_view kHoldsNoSuchGroup = "holds no such group";

// The picture in the file: one, or for an icon or cursor, every image it holds; for a
// Windows module (PE, NE), resource file or animation, every image of the icon Explorer
// shows for it; for an SVG, one square picture per size in options.svg_sizes.
Result<std::vector<SourcePicture>> ReadIconPictures(std::string_view path, const IconPictureOptions& options);

// SVG drawing, where the build has librsvg. Without it, an SVG is refused with this `what`.
inline constexpr std::string_view kSvgUnsupported = "svg";
bool SvgSupported();
bool LooksLikeSvg(ByteView head);
Result<std::vector<SourcePicture>> RenderSvg(ByteView document, std::string_view path,
                                             const std::vector<std::uint32_t>& sizes);

// The `what` of a picture of a kind icoforge recognises but does not read (JPEG XL; HEIC
// and AVIF, as phones and browsers save them, where libheif is missing); the reason is
// the kind's name.
inline constexpr std::string_view kUnreadKind = "unread kind";

// HEIC and AVIF through libheif, where the build has it (Linux) and the machine the library
// (loaded when the first such picture is read). Without them, they are refused with
// kUnreadKind, as JPEG XL always is.
inline constexpr std::string_view kHeifUnsupported = "heif";
bool HeifSupported();
// The picture as the board holds it: straight at its own size, or premultiplied and reduced
// to no less than the fitted size `options` asks for, as the board's decoders reduce.
Result<BoardPicture> ReadHeif(ByteView file, std::string_view path, const BoardDecodeOptions& options);

// WebP through libwebp, where the build has it and the machine the library (loaded when the
// first WebP is read); an animation gives its first frame on its canvas. Without them, a
// WebP is refused with this `what`.
inline constexpr std::string_view kWebpUnsupported = "webp";
bool WebpSupported();
bool LooksLikeWebp(ByteView head);
Result<std::vector<SourcePicture>> ReadWebp(ByteView file, std::string_view path, const BoardDecodeOptions& options);

}  // namespace icoforge
