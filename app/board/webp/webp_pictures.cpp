// WebP, the web's pictures, decoded by libwebp; a large one scaled down while it is
// decoded, row by row, so it is never held whole. An animation gives its first frame.
#include "app/board/board_decoders.h"
#include "app/board/icon_pictures.h"
#include "app/board/webp/webp_frames.h"
#include "app/board/webp/webp_library.h"

namespace icoforge {
namespace {

Result<std::vector<SourcePicture>> NotDecoded(std::string_view path, std::string reason) {
    return Fail(std::string(kNotDecoded), std::string(path), std::move(reason));
}

SourcePicture Blank(std::string_view path, std::uint32_t own_width, std::uint32_t own_height, std::uint32_t width,
                    std::uint32_t height) {
    SourcePicture p;
    p.own_width = own_width;
    p.own_height = own_height;
    p.bit_depth = 32;
    p.name = std::string(path);
    p.pixels = RgbaImage{width, height, {}};
    p.pixels.pixels.resize(p.pixels.RowBytes() * p.pixels.height);
    return p;
}

// Decodes `data` as `config` asks into `canvas` at (x, y), straight alpha into our own
// buffer so that nothing of libwebp's outlives the call.
Result<std::vector<SourcePicture>> DecodeInto(const WebpLibrary& webp, ByteView data, WebPDecoderConfig& config,
                                              SourcePicture canvas, std::uint32_t x, std::uint32_t y,
                                              std::string_view path) {
    const std::size_t at = std::size_t{y} * canvas.pixels.RowBytes() + std::size_t{x} * 4;
    config.output.colorspace = MODE_RGBA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = canvas.pixels.pixels.data() + at;
    config.output.u.RGBA.stride = static_cast<int>(canvas.pixels.RowBytes());
    config.output.u.RGBA.size = canvas.pixels.pixels.size() - at;
    const VP8StatusCode status = webp.WebPDecode(data.data(), data.size(), &config);
    webp.WebPFreeDecBuffer(&config.output);
    if (status == VP8_STATUS_OUT_OF_MEMORY) return Fail("read", std::string(path), "out of memory");
    if (status != VP8_STATUS_OK) return NotDecoded(path, "a damaged WebP");
    return OnePicture(std::move(canvas));
}

// The first frame on its canvas, the rest of the canvas transparent, as a viewer shows the
// animation before it moves; read whole, as a GIF's first image is.
Result<std::vector<SourcePicture>> FirstFrame(const WebpLibrary& webp, ByteView file, WebPDecoderConfig& config,
                                              std::string_view path, const BoardDecodeOptions& options) {
    const auto frame = FirstWebpFrame(file);
    if (!frame) return NotDecoded(path, frame.error().reason);
    if (!board_detail::WithinPixelLimit(frame->canvas_width, frame->canvas_height, options.max_pixels))
        return TooManyPixels(path, options.max_pixels);
    if (webp.WebPGetFeaturesInternal(frame->data.data(), frame->data.size(), &config.input, WEBP_DECODER_ABI_VERSION) !=
            VP8_STATUS_OK ||
        config.input.width != static_cast<int>(frame->width) || config.input.height != static_cast<int>(frame->height))
        return NotDecoded(path, "a damaged WebP");
    return DecodeInto(webp, frame->data, config,
                      Blank(path, frame->canvas_width, frame->canvas_height, frame->canvas_width, frame->canvas_height),
                      frame->x, frame->y, path);
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
    if (config.input.has_animation) return FirstFrame(webp, file, config, path, options);
    const auto width = static_cast<std::uint32_t>(config.input.width);
    const auto height = static_cast<std::uint32_t>(config.input.height);
    if (!board_detail::WithinPixelLimit(width, height, options.max_pixels))
        return TooManyPixels(path, options.max_pixels);

    const board_detail::DrawnSize drawn = board_detail::ReducedSize(config.input.width, config.input.height, options);
    if (drawn.width != config.input.width || drawn.height != config.input.height) {
        config.options.use_scaling = 1;
        config.options.scaled_width = drawn.width;
        config.options.scaled_height = drawn.height;
    }
    return DecodeInto(webp, file, config,
                      Blank(path, width, height, static_cast<std::uint32_t>(drawn.width),
                            static_cast<std::uint32_t>(drawn.height)),
                      0, 0, path);
}

}  // namespace icoforge
