#include "iconbuild/bitmap.h"

#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "common/bitmap_layout.h"
#include "common/byte_reader.h"
#include "common/byte_writer.h"

namespace icoforge {
namespace {

// A file header and a 40-byte info header at the least.
constexpr std::uint64_t kMinFileSize = bmp::kFileHeaderBytes + bih::kHeaderBytes;
// The image header stands behind the file header; an older core header's palette behind it.
constexpr std::uint64_t kHeaderAt = bmp::kFileHeaderBytes;
constexpr std::uint64_t kCoreColourTable = kHeaderAt + bch::kHeaderBytes;

// Cuts to at most `limit` bytes without splitting a UTF-8 sequence.
std::size_t Utf8PrefixLength(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return text.size();
    std::size_t n = limit;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    return n;
}

[[noreturn]] void Unsupported() { throw CDIBException(kUnsupportedBitmapText); }

template <typename T>
T Require(std::optional<T> value) {
    if (!value) Unsupported();
    return *value;
}

// The colour table size a header implies, or nothing for a depth that is not read.
std::optional<std::uint64_t> ColourCount(std::uint16_t bit_count, std::uint32_t colours_used) {
    switch (bit_count) {
        case 1:
            return colours_used != 0 ? colours_used : 2;
        case 4:
            return colours_used != 0 ? colours_used : 16;
        case 8:
            return colours_used != 0 ? colours_used : 256;
        case 16:
        case 24:
        case 32:
            return colours_used;
        default:
            return std::nullopt;
    }
}

// The 40-byte info header for the file: its own, or one built from a 12-byte core header.
ByteBuffer InfoHeaderOf(ByteView file, std::uint32_t header_size) {
    if (header_size == bih::kHeaderBytes) {
        const auto header = SliceOf(file, kHeaderAt, bih::kHeaderBytes);
        if (!header.ok) Unsupported();
        return ByteBuffer(header.bytes.begin(), header.bytes.end());
    }
    if (header_size != bch::kHeaderBytes) Unsupported();
    ByteWriter info(bih::kHeaderBytes);
    info.U32(bih::kHeaderBytes);
    info.I32(Require(ReadU16(file, kHeaderAt + bch::kWidth)));
    info.I32(Require(ReadU16(file, kHeaderAt + bch::kHeight)));
    info.U16(Require(ReadU16(file, kHeaderAt + bch::kPlanes)));
    info.U16(Require(ReadU16(file, kHeaderAt + bch::kBitCount)));
    info.Zeros(bih::kHeaderBytes - info.size());
    return info.Take();
}

// Whether `available` pixel bytes hold every row of the picture, each `stride` bytes
// apart with `row_bytes` of them read. Rows are checked as whole strides too, so a file
// never passes on the strength of its last row's padding. No product can overflow.
// A top-down picture (negative height) has as many rows: the device copy hands them all
// to the system, which reads every one.
bool PixelRowsFit(std::int32_t width, std::int32_t height, std::uint16_t bit_count, std::uint64_t stride,
                  std::uint64_t available) {
    if (width <= 0 || height == 0) return true;  // no pixel of such a picture is ever read
    const std::uint64_t rows = height < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(std::int64_t{height})
                                          : static_cast<std::uint64_t>(height);
    const std::uint64_t row_bytes = (static_cast<std::uint64_t>(width) * bit_count + 7) / 8;
    if (stride != 0 && rows > available / stride) return false;
    if (row_bytes > available) return false;
    return (rows - 1) * stride <= available - row_bytes;
}

}  // namespace

CDIBException::CDIBException(std::string_view message) noexcept {
    const std::size_t n = Utf8PrefixLength(message, kMaxMessageBytes);
    std::memcpy(message_, message.data(), n);
    message_[n] = '\0';
}

Bitmap::Image Bitmap::Parse(ByteView file) {
    if (file.size() < kMinFileSize) Unsupported();
    if (Require(ReadU16(file, 0)) != bmp::kSignature) Unsupported();
    if (Require(ReadU32(file, bmp::kFileSizeField)) > file.size()) Unsupported();

    const std::uint32_t header_size = Require(ReadU32(file, kHeaderAt));
    ByteBuffer info = InfoHeaderOf(file, header_size);

    Image image;
    image.width = Require(ReadI32(info, bih::kWidth));
    image.height = Require(ReadI32(info, bih::kHeight));
    const std::uint16_t planes = Require(ReadU16(info, bih::kPlanes));
    image.bit_count = Require(ReadU16(info, bih::kBitCount));
    const auto colour_count = ColourCount(image.bit_count, Require(ReadU32(info, bih::kClrUsed)));
    if (!colour_count) Unsupported();
    image.colour_count = *colour_count;

    const std::uint64_t table_bytes = bih::kRgbQuadBytes * image.colour_count;
    if (!RangeFits(kHeaderAt + header_size, table_bytes, file.size())) Unsupported();

    const std::uint32_t pixel_offset = Require(ReadU32(file, bmp::kPixelOffsetField));
    if (pixel_offset >= file.size()) Unsupported();
    const std::uint64_t pixel_bytes = file.size() - pixel_offset;

    if (Require(ReadU32(info, bih::kCompression)) != bih::kRgb) Unsupported();

    // Planes take part in the row length, as the format defines it.
    if (image.width > 0) {
        const std::uint64_t bits =
            static_cast<std::uint64_t>(image.bit_count) * planes * static_cast<std::uint64_t>(image.width);
        image.stride = ((bits + 31) / 8) & ~std::uint64_t{3};
    }
    if (!PixelRowsFit(image.width, image.height, image.bit_count, image.stride, pixel_bytes)) Unsupported();

    const std::uint64_t block_size = bih::kHeaderBytes + table_bytes + pixel_bytes;
    if (block_size > std::numeric_limits<std::size_t>::max()) Unsupported();
    try {
        ByteWriter block(static_cast<std::size_t>(block_size));
        block.Bytes(info);
        if (header_size == bih::kHeaderBytes) {
            block.Bytes(SliceOf(file, kHeaderAt + bih::kHeaderBytes, table_bytes).bytes);
        } else {
            ByteReader entries(file, kCoreColourTable);
            for (std::uint64_t i = 0; i < image.colour_count; ++i) {
                const auto entry = entries.Bytes(bch::kRgbTripleBytes);
                if (!entry) Unsupported();
                block.Bytes(*entry);
                block.U8(0);
            }
        }
        block.Bytes(SliceOf(file, pixel_offset, pixel_bytes).bytes);
        image.block = block.Take();
    } catch (const std::bad_alloc&) {
        Unsupported();
    } catch (const std::length_error&) {  // more than a 32-bit process can hold
        Unsupported();
    }
    return image;
}

bool Bitmap::LoadData(ByteView file) {
    return Guarded(false, [&] {
        image_.reset();
        image_ = Parse(file);
        return true;
    });
}

std::int32_t Bitmap::GetWidth() {
    return Guarded(std::int32_t{-1}, [&] { return Loaded().width; });
}

std::int32_t Bitmap::GetHeight() {
    return Guarded(std::int32_t{-1}, [&] { return Loaded().height; });
}

ColourValue Bitmap::GetPixelColour(std::int32_t x, std::int32_t y) {
    return Guarded(ColourValue{0}, [&] { return ReadPixel(x, y); });
}

ColourValue Bitmap::ReadPixel(std::int32_t x, std::int32_t y) const {
    const Image& image = Loaded();
    // 64-bit, so that width - 1 cannot wrap for the smallest width a header can state.
    if (x < 0 || y < 0 || std::int64_t{x} > std::int64_t{image.width} - 1 ||
        std::int64_t{y} > std::int64_t{image.height} - 1) {
        throw CDIBException(kPixelOutOfRangeText);
    }
    const ByteView pixels = Pixels();
    const std::uint64_t row = static_cast<std::uint64_t>(image.height - 1 - y) * image.stride;
    const auto column = static_cast<std::uint64_t>(x);
    // Load checked that every row is there; a read that still misses is refused, not invented.
    const auto byte_at = [&](std::uint64_t offset) {
        const auto value = ReadU8(pixels, row + offset);
        if (!value) throw CDIBException(kPixelOutOfRangeText);
        return *value;
    };

    std::uint8_t index = 0;
    switch (image.bit_count) {
        case 1:
            index = (byte_at(column / 8) >> (7 - column % 8)) & 0x01;
            break;
        case 4:
            index = column % 2 == 0 ? byte_at(column / 2) >> 4 : byte_at(column / 2) & 0x0F;
            break;
        case 8:
            index = byte_at(column);
            break;
        case 16: {
            const auto value = ReadU16(pixels, row + 2 * column);
            if (!value) throw CDIBException(kPixelOutOfRangeText);
            const auto component = [&](int shift) { return static_cast<std::uint8_t>(((*value >> shift) & 31) * 8); };
            return MakeColour(component(10), component(5), component(0));
        }
        case 24:
            return MakeColour(byte_at(3 * column + 2), byte_at(3 * column + 1), byte_at(3 * column));
        case 32:
            return MakeColour(byte_at(4 * column + 2), byte_at(4 * column + 1), byte_at(4 * column));
        default:
            throw CDIBException(kUnsupportedBitmapText);
    }
    // An index past the table's end is black rather than whatever follows the table.
    if (index >= image.colour_count) return 0;
    const auto entry = ReadU32(ColourTable(), bih::kRgbQuadBytes * index);
    if (!entry) throw CDIBException(kPixelOutOfRangeText);
    // Entries are stored blue, green, red, reserved.
    return MakeColour(static_cast<std::uint8_t>(*entry >> 16), static_cast<std::uint8_t>(*entry >> 8),
                      static_cast<std::uint8_t>(*entry));
}

BoundsRect Bitmap::Bounds() const {
    if (!image_) return {};
    return {0, 0, image_->width, image_->height};
}

DeviceBitmap Bitmap::CreateDeviceCopy(DeviceContext context) {
    return Guarded(DeviceBitmap{}, [&] {
        return CreateDeviceBitmap(context, Loaded().block, bih::kHeaderBytes + ColourTable().size());
    });
}

const Bitmap::Image& Bitmap::Loaded() const {
    if (!image_) throw CDIBException(kNoBitmapText);
    return *image_;
}

ByteView Bitmap::ColourTable() const {
    if (!image_) return {};
    return SliceOf(image_->block, bih::kHeaderBytes, bih::kRgbQuadBytes * image_->colour_count).bytes;
}

ByteView Bitmap::Pixels() const {
    if (!image_) return {};
    const std::uint64_t start = bih::kHeaderBytes + bih::kRgbQuadBytes * image_->colour_count;
    return SliceOf(image_->block, start, image_->block.size() - start).bytes;
}

void Bitmap::Fail(const CDIBException& failure) {
    const std::string_view text = failure.what();
    last_error_.assign(text.substr(0, Utf8PrefixLength(text, CDIBException::kMaxMessageBytes)));
}

}  // namespace icoforge
