#include "tests/board/picture_encoders.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include <jpeglib.h>
#include <png.h>

#include "common/byte_writer.h"

namespace icoforge::test {
namespace {

struct JpegErrors {
    jpeg_error_mgr base;
    std::jmp_buf recovery;
};
[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JpegErrors*>(cinfo->err)->recovery, 1); }
void JpegQuiet(j_common_ptr) {}

bool DecodeJpegRgb(ByteView bytes, jpeg_decompress_struct& cinfo, JpegErrors& errors, RgbaPicture& out) {
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = JpegErrorExit;
    errors.base.output_message = JpegQuiet;
    if (setjmp(errors.recovery) != 0) return false;
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_RGBA;
    jpeg_start_decompress(&cinfo);
    out.width = static_cast<std::int32_t>(cinfo.output_width);
    out.height = static_cast<std::int32_t>(cinfo.output_height);
    out.rgba.resize(static_cast<std::size_t>(out.width) * out.height * 4);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.rgba.data() + static_cast<std::size_t>(cinfo.output_scanline) * out.width * 4;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    // A damaged file decodes to whatever each decoder makes of it: no reference.
    return cinfo.err->num_warnings == 0;
}

}  // namespace

ByteBuffer EncodeJpeg(std::int32_t width, std::int32_t height, int components, const std::vector<std::uint8_t>& samples,
                      int quality) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<std::uint8_t*>(samples.data()) +
                       static_cast<std::size_t>(cinfo.next_scanline) * width * components;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    ByteBuffer out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

ByteBuffer EncodePngRgba(std::int32_t width, std::int32_t height, const std::vector<std::uint8_t>& rgba) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr);
    ByteBuffer out(size);
    png_image_write_to_memory(&image, out.data(), &size, 0, rgba.data(), 0, nullptr);
    out.resize(size);
    return out;
}

ByteBuffer EncodeGif(const GifImage& image) {
    ByteWriter out;
    for (char c : std::string_view("GIF89a")) out.U8(static_cast<std::uint8_t>(c));
    out.U16(image.screen_width);
    out.U16(image.screen_height);
    out.U8(0xF7);  // global table of 256 entries
    out.U8(0);
    out.U8(0);
    out.Bytes(image.palette);
    out.U8(0x2C);
    out.U16(0);
    out.U16(0);
    out.U16(image.width);
    out.U16(image.height);
    out.U8(image.interlaced ? 0x40 : 0);
    out.U8(8);  // minimum code size
    // Codes of 9 bits: clear (256), literals, and a clear again before the table reaches
    // 512 entries, so the decoder never widens them.
    ByteBuffer data;
    std::uint32_t bits = 0, bit_count = 0;
    auto put = [&](std::uint32_t code) {
        bits |= code << bit_count;
        bit_count += 9;
        while (bit_count >= 8) {
            data.push_back(static_cast<std::uint8_t>(bits));
            bits >>= 8;
            bit_count -= 8;
        }
    };
    std::size_t since_clear = 0;
    put(256);
    for (std::uint8_t index : image.indices) {
        if (since_clear == 250) {
            put(256);
            since_clear = 0;
        }
        put(index);
        ++since_clear;
    }
    put(257);
    if (bit_count > 0) data.push_back(static_cast<std::uint8_t>(bits));
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t length = std::min<std::size_t>(255, data.size() - at);
        out.U8(static_cast<std::uint8_t>(length));
        out.Bytes(ByteView(data).subspan(at, length));
    }
    out.U8(0);
    out.U8(0x3B);
    return out.Take();
}

std::optional<RgbaPicture> ReferenceJpeg(ByteView bytes) {
    jpeg_decompress_struct cinfo{};
    JpegErrors errors{};
    RgbaPicture out;
    cinfo.err = jpeg_std_error(&errors.base);
    jpeg_create_decompress(&cinfo);
    const bool ok = DecodeJpegRgb(bytes, cinfo, errors, out);
    jpeg_destroy_decompress(&cinfo);
    if (!ok) return std::nullopt;
    return out;
}

std::optional<RgbaPicture> ReferencePng(ByteView bytes) {
    // The simplified interface of libpng 1.6.39 combines the passes of an interlaced
    // 16-bit file at the wrong depth when it gives 8-bit output (the same file stored
    // without interlace decodes as the board draws both): no reference for those.
    constexpr std::size_t kBitDepthAt = 24, kInterlaceAt = 28;
    if (bytes.size() > kInterlaceAt && bytes[kBitDepthAt] == 16 && bytes[kInterlaceAt] != 0) return std::nullopt;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return std::nullopt;
    image.format = PNG_FORMAT_RGBA;
    RgbaPicture out;
    out.width = static_cast<std::int32_t>(image.width);
    out.height = static_cast<std::int32_t>(image.height);
    out.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out.rgba.data(), 0, nullptr)) {
        png_image_free(&image);
        return std::nullopt;
    }
    return out;
}

}  // namespace icoforge::test
