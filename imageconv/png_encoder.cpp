#include "imageconv/png_encoder.h"

#include <csetjmp>
#include <new>

#include <png.h>

#include "common/checked_size.h"

namespace icoforge {
namespace {

// PNG's own ceiling on a side (2^31 - 1); our pictures stay far below it.
constexpr std::uint64_t kMaxPngSide = 0x7fffffffu;

struct WriteTarget {
    ByteBuffer* out = nullptr;
    bool out_of_memory = false;
};

[[noreturn]] void ErrorFn(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void WarningFn(png_structp, png_const_charp) {}

void WriteFn(png_structp png, png_bytep data, png_size_t length) {
    auto* target = static_cast<WriteTarget*>(png_get_io_ptr(png));
    try {
        target->out->insert(target->out->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        // No C++ exception may cross libpng's frames.
        target->out_of_memory = true;
        png_error(png, "out of memory");
    }
}
void FlushFn(png_structp) {}

struct WriteSession {
    png_structp png = nullptr;
    png_infop info = nullptr;
    WriteSession() = default;
    WriteSession(const WriteSession&) = delete;
    WriteSession& operator=(const WriteSession&) = delete;
    ~WriteSession() {
        if (png != nullptr) png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
    }
};

// libpng errors leave through longjmp: nothing in this frame may have a destructor.
bool WriteRows(WriteSession& s, WriteTarget& target, const RgbaImage& image, PngCompression compression) {
    if (setjmp(png_jmpbuf(s.png)) != 0) return false;
    png_set_write_fn(s.png, &target, WriteFn, FlushFn);
    if (compression == PngCompression::kQuick) {
        png_set_compression_level(s.png, 2);
        png_set_filter(s.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    } else {
        png_set_compression_level(s.png, 9);
    }
    png_set_IHDR(s.png, s.info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(s.png, s.info);
    const std::size_t row_bytes = image.RowBytes();
    for (std::uint32_t y = 0; y < image.height; ++y) {
        // libpng takes a non-const row but only reads it when no transformation is set.
        auto* row = const_cast<png_bytep>(image.pixels.data() + std::size_t{y} * row_bytes);
        png_write_row(s.png, row);
    }
    png_write_end(s.png, s.info);
    return true;
}

}  // namespace

Result<ByteBuffer> EncodePng(const RgbaImage& image, PngCompression compression) {
    if (image.empty() || image.width > kMaxPngSide || image.height > kMaxPngSide)
        return Fail("encode", "", "picture has no pixels or is too large for PNG");
    const auto bytes = CheckedMul(image.RowBytes(), image.height);
    if (!bytes || image.pixels.size() != *bytes) return Fail("encode", "", "pixel buffer does not match the picture's size");
    WriteSession s;
    s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, ErrorFn, WarningFn);
    if (s.png == nullptr) return Fail("encode", "", "out of memory");
    s.info = png_create_info_struct(s.png);
    if (s.info == nullptr) return Fail("encode", "", "out of memory");
    ByteBuffer out;
    WriteTarget target{&out};
    if (!WriteRows(s, target, image, compression))
        return Fail("encode", "", target.out_of_memory ? "out of memory" : "PNG encoder failed");
    return out;
}

}  // namespace icoforge
