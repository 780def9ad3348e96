#include "imageconv/png_encoder.h"

#include <png.h>

#include <gtest/gtest.h>

namespace icoforge {
namespace {

// libpng's simplified reader, a decoder independent of the writer's code path.
std::vector<std::uint8_t> DecodeRgba(const ByteBuffer& file, png_uint_32& width, png_uint_32& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) return {};
    image.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
    width = image.width;
    height = image.height;
    return pixels;
}

TEST(PngEncoder, RoundTripsEveryChannelExactlyAtEitherCompression) {
    for (const auto compression : {PngCompression::kSmallest, PngCompression::kQuick})
    for (const auto& [w, h] : {std::pair{1u, 1u}, {3u, 5u}, {256u, 256u}, {257u, 1u}}) {
        RgbaImage picture{w, h, std::vector<std::uint8_t>(std::size_t{w} * h * 4)};
        for (std::size_t i = 0; i < picture.pixels.size(); ++i)
            picture.pixels[i] = static_cast<std::uint8_t>(i * 37 + i / 7);
        const auto file = EncodePng(picture, compression);
        ASSERT_TRUE(file) << w << "x" << h;
        png_uint_32 dw = 0, dh = 0;
        EXPECT_EQ(DecodeRgba(*file, dw, dh), picture.pixels) << w << "x" << h;
        EXPECT_EQ(dw, w);
        EXPECT_EQ(dh, h);
    }
}

TEST(PngEncoder, RefusesPicturesWhoseBufferDoesNotMatch) {
    const RgbaImage cases[] = {{0, 0, {}}, {2, 2, std::vector<std::uint8_t>(15)}, {1, 0, {}}};
    for (const auto& picture : cases) {
        const auto file = EncodePng(picture, PngCompression::kQuick);
        ASSERT_FALSE(file);
        EXPECT_NE(file.error().reason.find("pi"), std::string::npos) << file.error().reason;
    }
}

}  // namespace
}  // namespace icoforge
