#include "imageconv/bmp_codec.h"

#include <limits>
#include <vector>

#include "common/bitmap_layout.h"
#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "common/checked_size.h"
#include "common/stdio_read.h"

namespace icoforge {
namespace {

constexpr std::uint16_t kTypeBa = 0x4142;  // "BA", accepted beside "BM"

}  // namespace

bool BmpCodec::Open(std::string_view path, RasterImage& image) {
    if (!OpenFile(path)) return false;
    std::uint8_t file_header[bmp::kFileHeaderBytes];
    if (!ReadExactly(file_.get(), file_header)) return Close(), false;
    const ByteView head(file_header, sizeof file_header);
    const auto type = ReadU16(head, 0);
    const auto pixel_offset = ReadU32(head, bmp::kPixelOffsetField);
    if (!type || !pixel_offset || (*type != bmp::kSignature && *type != kTypeBa)) return Close(), false;

    // The header block runs up to the pixel data. A block larger than the file cannot be
    // read whole, so it is refused before anything is allocated for it.
    if (*pixel_offset < bmp::kFileHeaderBytes || *pixel_offset > file_size_) return Close(), false;
    std::vector<std::uint8_t> block(*pixel_offset - bmp::kFileHeaderBytes);
    if (!SeekStdioFile(file_.get(), bmp::kFileHeaderBytes) || !ReadExactly(file_.get(), block))
        return Close(), false;
    const ByteView info(block);

    const auto header_size = ReadU32(info, 0);
    if (!header_size) return Close(), false;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t bits = 0;
    bool top_down = false;
    if (*header_size == bch::kHeaderBytes) {
        const auto w = ReadU16(info, bch::kWidth);
        const auto h = ReadU16(info, bch::kHeight);
        const auto b = ReadU16(info, bch::kBitCount);
        // The core header is checked as though it were the longer one: the two 16-bit
        // size fields as one signed value, planes and depth as another.
        const auto as_width = ReadI32(info, bih::kWidth);
        const auto as_height = ReadI32(info, bih::kHeight);
        if (!w || !h || !b || !as_width || !as_height || *as_width < 1 || *as_height == 0) return Close(), false;
        if (*b != 1 && *b != 4 && *b != 8 && *b != 24) return Close(), false;
        width = *w;
        height = *h;
        bits = *b;
    } else {
        const auto w = ReadI32(info, bih::kWidth);
        const auto h = ReadI32(info, bih::kHeight);
        const auto b = ReadU16(info, bih::kBitCount);
        const auto compression = ReadU32(info, bih::kCompression);
        if (!w || !h || !b || !compression) return Close(), false;
        if (*w < 1 || *h == 0 || *compression > bih::kBitfields) return Close(), false;
        width = *w;
        height = *h < 0 ? -static_cast<std::int64_t>(*h) : *h;
        top_down = *h < 0;
        if (*compression == bih::kRle8) {
            bits = 8;
        } else if (*compression == bih::kRle4) {
            bits = 4;
        } else {
            bits = *b;
            if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return Close(), false;
        }
    }
    // Only 24-bit pictures are read; every other depth is left to the rest of the chain.
    if (bits != 24) return Close(), false;
    path_ = std::string(path);
    Accept(image, static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height), 24);
    top_down_ = top_down;
    pixel_offset_ = *pixel_offset;
    return true;
}

bool BmpCodec::Decode() {
    if (!file_ || image_ == nullptr) return false;
    if (!FitsInt32(width_) || !FitsInt32(height_) || ExceedsPixelLimit()) return false;
    // The rows are stored uncompressed: a file too short to hold them all is refused
    // before the picture is allocated at the size its header claims.
    const std::uint64_t row_length = bih::RowBytes(width_, 24);
    const auto file_length = StdioFileLength(file_.get());
    const auto pixel_bytes = CheckedMul(row_length, height_);
    if (!file_length || !pixel_bytes || *file_length < pixel_offset_ || *file_length - pixel_offset_ < *pixel_bytes)
        return false;
    if (!image_->Create(static_cast<std::int32_t>(width_), static_cast<std::int32_t>(height_), 24, 0)) return false;
    if (!SeekStdioFile(file_.get(), pixel_offset_)) return false;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(row_length));
    for (std::uint64_t i = 0; i < height_; ++i) {
        if (!ReadExactly(file_.get(), row)) return false;
        const auto y = static_cast<std::int32_t>(top_down_ ? i : height_ - 1 - i);
        const std::span<std::uint8_t> out = image_->Row(y);
        for (std::uint64_t x = 0; x < width_; ++x) {
            out[x * 3] = row[x * 3 + 2];
            out[x * 3 + 1] = row[x * 3 + 1];
            out[x * 3 + 2] = row[x * 3];
        }
    }
    image_->FlushPixels();
    return true;
}

void BmpCodec::Close() {
    CloseFile();
    output_.reset();
    path_.clear();
    source_ = nullptr;
    top_down_ = false;
    pixel_offset_ = 0;
}

Result<> BmpCodec::OpenForWrite(std::string_view path, const RasterImage& image, std::int32_t bits_per_pixel) {
    Close();
    path_ = std::string(path);
    if (image.width() < 1 || image.height() < 1 || bits_per_pixel != 24 || image.bits_per_pixel() != 24)
        return Fail("write", path_, "not a 24-bit picture");
    auto output = ReplacingFile::Create(path);
    if (!output) return Fail(std::move(output.error()));
    output_ = std::move(*output);
    source_ = &image;
    width_ = static_cast<std::uint64_t>(image.width());
    height_ = static_cast<std::uint64_t>(image.height());
    bits_per_pixel_ = 24;
    return {};
}

Result<> BmpCodec::Write() {
    Result<> outcome = [&]() -> Result<> {
        if (!output_ || source_ == nullptr) return Fail("write", path_, kFileClosedText);
        const auto write_failed = [&] { return FailFromSystem("write", path_); };
        std::FILE* const out = output_->stream();
        const std::uint64_t row_length = bih::RowBytes(width_, 24);
        const std::uint64_t file_size = bmp::kFileHeaderBytes + bih::kHeaderBytes + row_length * height_;
        // The format has 32 bits for the file size; a larger file could not say what it holds.
        if (file_size > std::numeric_limits<std::uint32_t>::max()) return Fail("write", path_, "too large for a BMP file");
        ByteWriter header(bmp::kFileHeaderBytes + bih::kHeaderBytes);
        header.U16(bmp::kSignature);
        header.U32(static_cast<std::uint32_t>(file_size));
        header.U16(0);
        header.U16(0);
        header.U32(static_cast<std::uint32_t>(bmp::kFileHeaderBytes + bih::kHeaderBytes));
        header.U32(static_cast<std::uint32_t>(bih::kHeaderBytes));
        header.I32(source_->width());
        header.I32(source_->height());
        header.U16(1);   // planes
        header.U16(24);  // bits per pixel
        header.Zeros(24);  // compression, image size, resolutions, colours used and important
        if (std::fwrite(header.buffer().data(), 1, header.size(), out) != header.size()) return write_failed();
        std::vector<std::uint8_t> row(static_cast<std::size_t>(row_length), 0);
        for (std::uint64_t i = 0; i < height_; ++i) {
            const ByteView in = source_->Row(static_cast<std::int32_t>(height_ - 1 - i));
            for (std::uint64_t x = 0; x < width_; ++x) {
                row[x * 3] = in[x * 3 + 2];
                row[x * 3 + 1] = in[x * 3 + 1];
                row[x * 3 + 2] = in[x * 3];
            }
            if (std::fwrite(row.data(), 1, row.size(), out) != row.size()) return write_failed();
        }
        // Buffered bytes reach the file only here; a failure now is a failed write too.
        return output_->Commit();
    }();
    Close();
    return outcome;
}

}  // namespace icoforge
