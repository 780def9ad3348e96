#include "app/board/icon_pictures.h"

#include <algorithm>
#include <exception>

#include "app/board/board_decoders.h"
#include "common/riff_chunks.h"
#include "iconbuild/resample.h"
#include "iconextract/ani_file.h"
#include "iconextract/catalogue.h"
#include "iconextract/module/res_file.h"
#include "imageconv/convert.h"
#include "imageconv/orientation.h"
#include "imageconv/raster_image.h"
#include "platform/file_io.h"
#include "platform/mapped_file.h"
#include "platform/stdio_file.h"

namespace icoforge {
namespace {

// Kinds read whole (BMP, GIF, PCX, icons, SVG) are bounded by the pixel limit; the file
// may hold little more than its pixels at 32 bits, plus slack for headers and palettes.
constexpr std::uint64_t kMaxWholeFileBytes = kWholeFileReadLimit;
// Enough to recognise every kind, an SVG's root element included.
constexpr std::size_t kHeadSize = 1024;

// The board's blue-green-red-alpha, premultiplied unless `straight`, turned in place into
// RGBA not premultiplied, so that a large picture is not held twice.
RgbaImage ToRgba(BoardImage&& board, bool straight) {
    std::vector<std::uint8_t> pixels = std::move(board.bgra);
    for (std::size_t i = 0; i + 3 < pixels.size(); i += 4) std::swap(pixels[i], pixels[i + 2]);
    if (!straight) UnpremultiplyInPlace(pixels);
    return RgbaImage{static_cast<std::uint32_t>(board.width), static_cast<std::uint32_t>(board.height),
                     std::move(pixels)};
}

// The picture as its EXIF says it is seen, with the size it is seen at.
void TurnUpright(SourcePicture& picture, Orientation orientation) {
    if (orientation == Orientation::kUpright) return;
    picture.pixels = TurnUpright(picture.pixels, orientation);
    if (SwapsSides(orientation)) std::swap(picture.own_width, picture.own_height);
}

SourcePicture FromBoard(BoardPicture&& picture, bool straight, std::uint32_t depth, std::string name) {
    SourcePicture p;
    p.pixels = ToRgba(std::move(picture.pixels), straight);
    p.own_width = static_cast<std::uint32_t>(picture.width);
    p.own_height = static_cast<std::uint32_t>(picture.height);
    p.bit_depth = depth;
    p.name = std::move(name);
    TurnUpright(p, picture.orientation);
    return p;
}

// libtiff's reading already mirrors and flips a TIFF whose Orientation asks for that, but
// takes the four that swap rows and columns for the four that do not (a transposed picture
// for an upright one, a quarter turn for a mirrored one, and so on). What it leaves undone:
Orientation LeftUndoneByLibtiff(std::string_view path, ByteView head) {
    const bool tiff = head.size() >= 2 && ((head[0] == 'I' && head[1] == 'I') || (head[0] == 'M' && head[1] == 'M'));
    if (!tiff) return Orientation::kUpright;
    const auto file = MappedFile::Open(path);
    if (!file) return Orientation::kUpright;
    switch (OrientationOfTiff(file->bytes())) {
        case Orientation::kTranspose:
        case Orientation::kTransverse: return Orientation::kTranspose;
        case Orientation::kTurn90:
        case Orientation::kTurn270: return Orientation::kTransverse;
        default: return Orientation::kUpright;
    }
}

Result<std::vector<SourcePicture>> NotDecoded(std::string_view path) {
    return Fail(std::string(kNotDecoded), std::string(path), UnreadPictureReason());
}

// "HEIC" or "AVIF" for a HEIF file, an ISO media file whose first box, "ftyp", names
// the brand of picture; empty for every other file.
std::string_view HeifKind(ByteView head) {
    const std::string_view text(reinterpret_cast<const char*>(head.data()), head.size());
    if (text.size() < 12 || text.substr(4, 4) != "ftyp") return {};
    const std::string_view brand = text.substr(8, 4);
    if (brand == "avif" || brand == "avis") return "AVIF";
    for (const std::string_view heic : {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1"})
        if (brand == heic) return "HEIC";
    return {};
}

bool IsJpegXl(ByteView head) {
    const std::string_view text(reinterpret_cast<const char*>(head.data()), head.size());
    return text.starts_with("\xFF\x0A") || text.starts_with(std::string_view("\0\0\0\x0CJXL \r\n\x87\n", 12));
}

// TIFF and PhotoCD through the conversion chain, which gives them as 24-bit colour.
Result<std::vector<SourcePicture>> ReadThroughChain(std::string_view path, ByteView head,
                                                    const IconPictureOptions& options) {
    RasterImage image;
    if (auto loaded = LoadPictureOutcome(path, image, options.max_pixels); !loaded) {
        // The chain's own "not a supported picture" says less than ours, which names the limit.
        if (loaded.error().reason == kNotAPictureText) return NotDecoded(path);
        return Fail("read", std::string(path), std::move(loaded.error().reason));
    }
    // The chain's picture, once in 24 bits, is let go before the RGBA copy is made: a large
    // scan is then held twice at most, not three times.
    RasterImage converted;
    if (image.bits_per_pixel() != 24) {
        if (!image.ConvertTo(converted, 24)) return Fail("read", std::string(path), "out of memory");
        image.Release();
    }
    const RasterImage& rgb = converted.empty() ? image : converted;
    SourcePicture p;
    p.own_width = static_cast<std::uint32_t>(rgb.width());
    p.own_height = static_cast<std::uint32_t>(rgb.height());
    p.bit_depth = 24;
    p.name = std::string(path);
    p.pixels = RgbaImage{p.own_width, p.own_height, std::vector<std::uint8_t>(std::size_t{p.own_width} * p.own_height * 4)};
    for (std::uint32_t y = 0; y < p.own_height; ++y) {
        const ByteView row = rgb.Row(static_cast<std::int32_t>(y));
        std::uint8_t* out = p.pixels.pixels.data() + std::size_t{y} * p.pixels.RowBytes();
        for (std::uint32_t x = 0; x < p.own_width; ++x, out += 4) {
            std::copy_n(row.data() + std::size_t{x} * 3, 3, out);
            out[3] = 255;
        }
    }
    TurnUpright(p, LeftUndoneByLibtiff(path, head));
    return OnePicture(std::move(p));
}

// Every image of an icon or cursor file, each at its own size.
Result<std::vector<SourcePicture>> IconImages(ByteView icon_file, const BoardDecodeOptions& board,
                                              std::string_view path) {
    std::vector<SourcePicture> pictures;
    std::size_t index = 0;
    for (auto& image : board_detail::DecodeEveryIconImage(icon_file, board))
        pictures.push_back(FromBoard(std::move(image.picture), true, image.bit_depth,
                                     std::string(path) + " (image " + std::to_string(++index) + ")"));
    if (pictures.empty()) return NotDecoded(path);
    return pictures;
}

bool HoldsIconResources(ByteView head) {
    const bool mz = head.size() >= 2 && head[0] == 'M' && head[1] == 'Z';
    return mz || LooksLikeAni(head) || module::LooksLikeResFile(head);
}

// The icon Explorer shows for a Windows module, resource file or animation: every image of
// its main icon group, so that an old program's 32 and 48 become every size Windows now
// draws, the drawn ones kept. A group's images are read as its .ico file would be; an
// animation's first frame (an icon file or a bare bitmap) as the thumbnail reads it.
Result<std::vector<SourcePicture>> ReadMainIcon(std::string_view path, const BoardDecodeOptions& board,
                                                const IconPictureOptions& options) {
    const auto file = MappedFile::Open(path);
    if (!file) return Fail(file.error());
    const auto catalogue = catalogue::ReadCatalogue(file->bytes());
    if (!catalogue) return Fail(std::string(kNotDecoded), std::string(path), catalogue.error().reason);
    auto shown = catalogue::GroupToShow(*catalogue, options.group);
    if (shown.group == nullptr) {
        const std::string_view what = shown.missing == catalogue::NoGroup::kNoSuchGroup ? kHoldsNoSuchGroup
                                      : shown.missing == catalogue::NoGroup::kDamaged    ? kNotDecoded
                                                                                         : kHoldsNoIcon;
        return Fail(std::string(what), std::string(path), std::move(shown.reason));
    }
    const catalogue::CatalogueGroup* group = shown.group;
    BoardDecodeOptions natural = board;
    natural.fit_width = natural.fit_height = 0;
    if (group->type != catalogue::GroupType::kAnimatedIcon && group->type != catalogue::GroupType::kAnimatedCursor) {
        const auto icon = catalogue::GroupFileBytes(file->bytes(), *group);
        if (!icon) return Fail(std::string(kNotDecoded), std::string(path), icon.error().reason);
        return IconImages(*icon, natural, path);
    }
    std::vector<SourcePicture> pictures;
    std::uint64_t budget = board.max_pixels;  // for all the frame's images together, as for an icon
    for (std::size_t i = 0; i < group->images.size(); ++i) {
        const catalogue::CatalogueImage& image = group->images[i];
        const std::uint64_t pixels = std::uint64_t{image.width} * image.height;
        if (image.frame != 0 || pixels > budget) continue;
        auto rgba = catalogue::DecodeGroupImage(file->bytes(), *group, i);
        if (!rgba) continue;
        budget -= pixels;
        SourcePicture p;
        p.own_width = rgba->width;
        p.own_height = rgba->height;
        p.bit_depth = image.bits;
        p.name = std::string(path) + " (image " + std::to_string(pictures.size() + 1) + ")";
        p.pixels = std::move(*rgba);
        pictures.push_back(std::move(p));
    }
    if (pictures.empty()) return NotDecoded(path);
    return pictures;
}

Result<std::vector<SourcePicture>> Read(std::string_view path, const IconPictureOptions& options) {
    auto opened = OpenStdioFile(path, "rb");
    if (!opened) return Fail(std::move(opened.error()));
    StdioFile file = std::move(*opened);
    std::uint8_t head[kHeadSize];
    const std::size_t head_size = std::fread(head, 1, sizeof head, file.get());
    const ByteView head_bytes(head, head_size);
    const auto kind = RecogniseBoardPicture(head_bytes);
    const std::string name(path);

    BoardDecodeOptions board;
    board.max_pixels = options.max_pixels;
    board.fit_width = board.fit_height = static_cast<std::int32_t>(options.master_side);
    StdioPictureStream rest(file.get());
    board_detail::ByteSource source(head_bytes, rest);
    if (kind == BoardPictureKind::Jpeg) {
        auto picture = board_detail::DecodeJpeg(source, board);
        if (!picture) return NotDecoded(path);
        return OnePicture(FromBoard(std::move(*picture), true, 24, name));
    }
    if (kind == BoardPictureKind::Png) {
        auto picture = board_detail::DecodePng(source, board, board_detail::PngAlpha::KeepStraight);
        if (!picture) return NotDecoded(path);
        const bool straight = picture->pixels.width == picture->width && picture->pixels.height == picture->height;
        return OnePicture(FromBoard(std::move(*picture), straight, 32, name));
    }
    const std::string_view heif = HeifKind(head_bytes);
    if (IsJpegXl(head_bytes)) return Fail(std::string(kUnreadKind), name, "JPEG XL");
    if (!heif.empty() && !HeifSupported()) return Fail(std::string(kUnreadKind), name, std::string(heif));
    if (!kind && HoldsIconResources(head_bytes)) {
        file.reset();
        return ReadMainIcon(path, board, options);
    }
    if (!kind && heif.empty() && !LooksLikeSvg(head_bytes) && !LooksLikeWebp(head_bytes)) {
        file.reset();
        return ReadThroughChain(path, head_bytes, options);
    }
    // The other kinds address their parts by offset: read whole.
    file.reset();
    auto bytes = ReadWholeFile(path, kMaxWholeFileBytes);
    if (!bytes) return Fail(std::move(bytes.error()));
    if (!kind && LooksLikeWebp(head_bytes)) return ReadWebp(*bytes, path, board);
    if (!heif.empty()) {
        auto picture = ReadHeif(*bytes, path, board);
        if (!picture) return Fail(std::move(picture.error()));
        const bool straight = picture->pixels.width == picture->width && picture->pixels.height == picture->height;
        return OnePicture(FromBoard(std::move(*picture), straight, 32, name));
    }
    if (!kind) {
        if (!SvgSupported()) return Fail(std::string(kSvgUnsupported), name, "SVG needs librsvg, which this build of icoforge lacks");
        return RenderSvg(*bytes, path, options.svg_sizes);
    }
    board.fit_width = board.fit_height = 0;
    if (kind == BoardPictureKind::Icon || kind == BoardPictureKind::Cursor) return IconImages(*bytes, board, path);
    auto picture = DecodeBoardPicture(*bytes, board);
    if (!picture) return NotDecoded(path);
    return OnePicture(FromBoard(std::move(*picture), false, 32, name));
}

}  // namespace

bool LooksLikeSvg(ByteView head) {
    const std::string_view text(reinterpret_cast<const char*>(head.data()), head.size());
    std::size_t start = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (start < text.size() && (text[start] == ' ' || text[start] == '\t' || text[start] == '\r' || text[start] == '\n'))
        ++start;
    return start < text.size() && text[start] == '<' && text.find("<svg", start) != std::string_view::npos;
}

std::string UnreadPictureReason() {
    return "not a picture icoforge can read, damaged, or more than " + std::to_string(kMaxPicturePixels) + " pixels";
}

bool LooksLikeWebp(ByteView head) { return IsRiffForm(head, "WEBP"); }

Result<std::vector<SourcePicture>> ReadIconPictures(std::string_view path, const IconPictureOptions& options) {
    try {
        return Read(path, options);
    } catch (const std::bad_alloc&) {
        return Fail("read", std::string(path), "out of memory");
    }
}

}  // namespace icoforge
