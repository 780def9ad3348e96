#include "imageconv/png_encoder.h"

#include <algorithm>
#include <csetjmp>
#include <iterator>
#include <new>

#include <png.h>
#include <zlib.h>

#include "common/checked_size.h"
#include "common/png_session.h"
#include "deflate/zlib_streams.h"

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

// libpng errors leave through longjmp: nothing in this frame may have a destructor.
bool WriteRows(PngWriteSession& s, WriteTarget& target, const RgbaImage& image) {
    if (setjmp(png_jmpbuf(s.png)) != 0) return false;
    png_set_write_fn(s.png, &target, WriteFn, FlushFn);
    png_set_compression_level(s.png, 9);
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

void PutU32(ByteBuffer& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutChunk(ByteBuffer& out, const char (&type)[5], ByteView data) {
    PutU32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutU32(out, static_cast<std::uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
}

// The quick kind, written here rather than by libpng: IHDR, the rows unfiltered and
// compressed at once (not a row at a time), IEND. On many small images the compressor is
// most of the time, and this lets it be the fastest one the machine has.
Result<ByteBuffer> EncodeQuick(const RgbaImage& image) {
    // A chunk's length is at most 2^31 - 1; the compressed rows go out in pieces this big.
    constexpr std::size_t kMaxIdatBytes = std::size_t{1} << 30;
    const std::size_t row_bytes = image.RowBytes();
    const auto filtered_bytes = CheckedMul(row_bytes + 1, image.height);
    if (!filtered_bytes) return Fail("encode", "", "picture is too large for PNG");
    ByteBuffer filtered;
    try {
        filtered.resize(*filtered_bytes);
    } catch (const std::bad_alloc&) {
        return Fail("encode", "", "out of memory");
    }
    for (std::uint32_t y = 0; y < image.height; ++y) {
        std::uint8_t* row = filtered.data() + std::size_t{y} * (row_bytes + 1);
        row[0] = 0;  // filter type None
        std::copy_n(image.pixels.data() + std::size_t{y} * row_bytes, row_bytes, row + 1);
    }
    auto stream = QuickZlibStream(filtered);
    if (!stream) return Fail(std::move(stream.error()));
    ByteBuffer out;
    try {
        out.reserve(stream->size() + 64);
        static constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        out.insert(out.end(), std::begin(kSignature), std::end(kSignature));
        ByteBuffer header;
        PutU32(header, image.width);
        PutU32(header, image.height);
        header.insert(header.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA, deflate, no filter choice, not interlaced
        PutChunk(out, "IHDR", header);
        const ByteView rows = *stream;
        for (std::size_t at = 0; at < rows.size(); at += kMaxIdatBytes)
            PutChunk(out, "IDAT", rows.subspan(at, std::min(kMaxIdatBytes, rows.size() - at)));
        PutChunk(out, "IEND", {});
    } catch (const std::bad_alloc&) {
        return Fail("encode", "", "out of memory");
    }
    return out;
}

}  // namespace

Result<ByteBuffer> EncodePng(const RgbaImage& image, PngCompression compression) {
    if (image.empty() || image.width > kMaxPngSide || image.height > kMaxPngSide)
        return Fail("encode", "", "picture has no pixels or is too large for PNG");
    const auto bytes = CheckedMul(image.RowBytes(), image.height);
    if (!bytes || image.pixels.size() != *bytes) return Fail("encode", "", "pixel buffer does not match the picture's size");
    if (compression == PngCompression::kQuick) return EncodeQuick(image);
    PngWriteSession s;
    s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, ErrorFn, WarningFn);
    if (s.png == nullptr) return Fail("encode", "", "out of memory");
    s.info = png_create_info_struct(s.png);
    if (s.info == nullptr) return Fail("encode", "", "out of memory");
    ByteBuffer out;
    WriteTarget target{&out};
    if (!WriteRows(s, target, image))
        return Fail("encode", "", target.out_of_memory ? "out of memory" : "PNG encoder failed");
    return out;
}

}  // namespace icoforge
