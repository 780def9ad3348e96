#include "iconbuild/bitmap.h"

#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "common/byte_reader.h"
#include "common/byte_writer.h"

namespace icoforge {
namespace {

// File header (14 bytes) followed by the info header.
constexpr std::uint64_t kMinFileSize = 54;
constexpr std::uint8_t kSignature0 = 0x42;  // 'B'
constexpr std::uint8_t kSignature1 = 0x4D;  // 'M'
constexpr std::uint64_t kFileSizeOffset = 2;
constexpr std::uint64_t kPixelOffsetOffset = 10;
constexpr std::uint64_t kFileHeaderSize = 14;
constexpr std::uint64_t kHeaderSizeOffset = kFileHeaderSize;

constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kCoreHeaderSize = 12;

// Fields of the 40-byte info header, from its start.
constexpr std::uint64_t kInfoWidth = 4;
constexpr std::uint64_t kInfoHeight = 8;
constexpr std::uint64_t kInfoPlanes = 12;
constexpr std::uint64_t kInfoBitCount = 14;
constexpr std::uint64_t kInfoCompression = 16;
constexpr std::uint64_t kInfoColoursUsed = 32;

// Fields of the 12-byte core header, from the file's start.
constexpr std::uint64_t kCoreWidth = 18;
constexpr std::uint64_t kCoreHeight = 20;
constexpr std::uint64_t kCorePlanes = 22;
constexpr std::uint64_t kCoreBitCount = 24;
constexpr std::uint64_t kCoreColourTable = kFileHeaderSize + kCoreHeaderSize;
constexpr std::uint64_t kCoreEntrySize = 3;

constexpr std::uint64_t kColourEntrySize = 4;

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
    if (header_size == kInfoHeaderSize) {
        const auto header = SliceOf(file, kFileHeaderSize, kInfoHeaderSize);
        if (!header.ok) Unsupported();
        return ByteBuffer(header.bytes.begin(), header.bytes.end());
    }
    if (header_size != kCoreHeaderSize) Unsupported();
    ByteWriter info(kInfoHeaderSize);
    info.U32(kInfoHeaderSize);
    info.I32(Require(ReadU16(file, kCoreWidth)));
    info.I32(Require(ReadU16(file, kCoreHeight)));
    info.U16(Require(ReadU16(file, kCorePlanes)));
    info.U16(Require(ReadU16(file, kCoreBitCount)));
    info.Zeros(kInfoHeaderSize - info.size());
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
    if (file[0] != kSignature0 || file[1] != kSignature1) Unsupported();
    if (Require(ReadU32(file, kFileSizeOffset)) > file.size()) Unsupported();

    const std::uint32_t header_size = Require(ReadU32(file, kHeaderSizeOffset));
    ByteBuffer info = InfoHeaderOf(file, header_size);

    Image image;
    image.width = Require(ReadI32(info, kInfoWidth));
    image.height = Require(ReadI32(info, kInfoHeight));
    const std::uint16_t planes = Require(ReadU16(info, kInfoPlanes));
    image.bit_count = Require(ReadU16(info, kInfoBitCount));
    const auto colour_count = ColourCount(image.bit_count, Require(ReadU32(info, kInfoColoursUsed)));
    if (!colour_count) Unsupported();
    image.colour_count = *colour_count;

    const std::uint64_t table_bytes = kColourEntrySize * image.colour_count;
    if (!RangeFits(kFileHeaderSize + header_size, table_bytes, file.size())) Unsupported();

    const std::uint32_t pixel_offset = Require(ReadU32(file, kPixelOffsetOffset));
    if (pixel_offset >= file.size()) Unsupported();
    const std::uint64_t pixel_bytes = file.size() - pixel_offset;

    if (Require(ReadU32(info, kInfoCompression)) != 0) Unsupported();

    // Planes take part in the row length, as the format defines it.
    if (image.width > 0) {
        const std::uint64_t bits =
            static_cast<std::uint64_t>(image.bit_count) * planes * static_cast<std::uint64_t>(image.width);
        image.stride = ((bits + 31) / 8) & ~std::uint64_t{3};
    }
    if (!PixelRowsFit(image.width, image.height, image.bit_count, image.stride, pixel_bytes)) Unsupported();

    const std::uint64_t block_size = kInfoHeaderSize + table_bytes + pixel_bytes;
    if (block_size > std::numeric_limits<std::size_t>::max()) Unsupported();
    try {
        ByteWriter block(static_cast<std::size_t>(block_size));
        block.Bytes(info);
        if (header_size == kInfoHeaderSize) {
            block.Bytes(SliceOf(file, kFileHeaderSize + kInfoHeaderSize, table_bytes).bytes);
        } else {
            ByteReader entries(file, kCoreColourTable);
            for (std::uint64_t i = 0; i < image.colour_count; ++i) {
                const auto entry = entries.Bytes(kCoreEntrySize);
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
    const auto entry = ReadU32(ColourTable(), kColourEntrySize * index);
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
        return CreateDeviceBitmap(context, Loaded().block, kInfoHeaderSize + ColourTable().size());
    });
}

const Bitmap::Image& Bitmap::Loaded() const {
    if (!image_) throw CDIBException(kNoBitmapText);
    return *image_;
}

ByteView Bitmap::ColourTable() const {
    if (!image_) return {};
    return SliceOf(image_->block, kInfoHeaderSize, kColourEntrySize * image_->colour_count).bytes;
}

ByteView Bitmap::Pixels() const {
    if (!image_) return {};
    const std::uint64_t start = kInfoHeaderSize + kColourEntrySize * image_->colour_count;
    return SliceOf(image_->block, start, image_->block.size() - start).bytes;
}

void Bitmap::Fail(const CDIBException& failure) {
    const std::string_view text = failure.what();
    last_error_.assign(text.substr(0, Utf8PrefixLength(text, CDIBException::kMaxMessageBytes)));
}

}  // namespace icoforge
