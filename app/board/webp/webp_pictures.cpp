// WebP, the web's pictures, decoded by libwebp; a large one scaled down while it is
// decoded, row by row, so it is never held whole.
#include "app/board/board_decoders.h"
#include "app/board/icon_pictures.h"
#include "app/board/webp/webp_library.h"

namespace icoforge {
namespace {

Result<std::vector<SourcePicture>> NotDecoded(std::string_view path, std::string reason) {
    return Fail(std::string(kNotDecoded), std::string(path), std::move(reason));
}

}  // namespace

bool WebpSupported() { return static_cast<bool>(WebpFunctions()); }

Result<std::vector<SourcePicture>> ReadWebp(ByteView file, std::string_view path, const BoardDecodeOptions& options) {
    const auto& loaded = WebpFunctions();
    if (!loaded) return Fail(loaded.error().what, std::string(path), loaded.error().reason);
    const WebpLibrary& webp = *loaded;
    WebPDecoderConfig config;
    if (!webp.WebPInitDecoderConfigInternal(&config, WEBP_DECODER_ABI_VERSION))
        return Fail(std::string(kWebpUnsupported), std::string(path), "WebP needs libwebp 1.2 or later");
    if (webp.WebPGetFeaturesInternal(file.data(), file.size(), &config.input, WEBP_DECODER_ABI_VERSION) !=
        VP8_STATUS_OK)
        return NotDecoded(path, "a damaged WebP");
    // Composing an animation's frames takes libwebp's demuxer, which this reader does without.
    if (config.input.has_animation)
        return Fail(std::string(kAnimatedWebpPicture), std::string(path),
                    "an animated WebP; icons are made from still pictures");
    const std::int32_t width = config.input.width, height = config.input.height;
    if (!board_detail::WithinPixelLimit(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height),
                                        options.max_pixels))
        return NotDecoded(path, "more than " + std::to_string(options.max_pixels) + " pixels");

    const board_detail::DrawnSize drawn = board_detail::ReducedSize(width, height, options);
    if (drawn.width != width || drawn.height != height) {
        config.options.use_scaling = 1;
        config.options.scaled_width = drawn.width;
        config.options.scaled_height = drawn.height;
    }
    SourcePicture p;
    p.own_width = static_cast<std::uint32_t>(width);
    p.own_height = static_cast<std::uint32_t>(height);
    p.bit_depth = 32;
    p.name = std::string(path);
    p.pixels = RgbaImage{static_cast<std::uint32_t>(drawn.width), static_cast<std::uint32_t>(drawn.height), {}};
    p.pixels.pixels.resize(p.pixels.RowBytes() * p.pixels.height);
    // Straight alpha into our own buffer, so nothing of libwebp's outlives the call.
    config.output.colorspace = MODE_RGBA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = p.pixels.pixels.data();
    config.output.u.RGBA.stride = static_cast<int>(p.pixels.RowBytes());
    config.output.u.RGBA.size = p.pixels.pixels.size();
    const VP8StatusCode status = webp.WebPDecode(file.data(), file.size(), &config);
    webp.WebPFreeDecBuffer(&config.output);
    if (status == VP8_STATUS_OUT_OF_MEMORY) return Fail("read", std::string(path), "out of memory");
    if (status != VP8_STATUS_OK) return NotDecoded(path, "a damaged WebP");
    return std::vector<SourcePicture>{std::move(p)};
}

}  // namespace icoforge
