#include "imageconv/pcx_decoder.h"

#include <algorithm>
#include <vector>

#include "common/byte_reader.h"
#include "common/checked_size.h"
#include "common/stdio_read.h"
#include "imageconv/mapped_buffer.h"

namespace icoforge {
namespace {

// The header's fields this decoder reads; the first byte is the manufacturer.
enum HeaderField : std::uint64_t {
    kBits = 3, kXMin = 4, kYMin = 6, kXMax = 8, kYMax = 10, kPlanes = 65, kBytesPerLine = 66,
};
constexpr std::uint64_t kHeaderSize = 128;
constexpr std::uint8_t kManufacturer = 0x0A;
constexpr std::uint64_t kPaletteSize = 768;
constexpr std::uint8_t kRunFlag = 0xC0;
constexpr std::uint8_t kRunCountMask = 0x3F;

// The fewest coded bytes that can make a line of `length` bytes: a run takes two bytes
// for at most 63 and never carries into the next line, a literal takes one for one.
constexpr std::uint64_t MinCodedLineBytes(std::uint64_t length) {
    return 2 * (length / kRunCountMask) + std::min<std::uint64_t>(length % kRunCountMask, 2);
}

}  // namespace

std::uint64_t DecodePcxLine(std::span<std::uint8_t> line, ByteView data, std::uint64_t position) {
    ByteReader in(data, std::min<std::uint64_t>(position, data.size()));
    std::uint64_t produced = 0;
    while (produced < line.size()) {
        const auto b = in.U8();
        if (!b) break;
        if ((*b & kRunFlag) == kRunFlag) {
            const auto value = in.U8();
            if (!value) break;
            const std::uint64_t count = std::min<std::uint64_t>(*b & kRunCountMask, line.size() - produced);
            std::fill_n(line.begin() + static_cast<std::ptrdiff_t>(produced), count, *value);
            produced += count;
        } else {
            line[produced++] = *b;
        }
    }
    std::fill(line.begin() + static_cast<std::ptrdiff_t>(produced), line.end(), std::uint8_t{0});
    return in.ok() ? in.position() : data.size();
}

bool PcxDecoder::Open(std::string_view path, RasterImage& image) {
    if (!OpenFile(path)) return false;
    std::uint8_t header[kHeaderSize];
    if (!ReadExactly(file_.get(), header)) return Close(), false;
    const ByteView head(header, sizeof header);
    const auto manufacturer = ReadU8(head, 0);
    const auto bits = ReadU8(head, kBits);
    const auto xmin = ReadU16(head, kXMin);
    const auto ymin = ReadU16(head, kYMin);
    const auto xmax = ReadU16(head, kXMax);
    const auto ymax = ReadU16(head, kYMax);
    const auto planes = ReadU8(head, kPlanes);
    const auto bytes_per_line = ReadU16(head, kBytesPerLine);
    if (!manufacturer || !bits || !xmin || !ymin || !xmax || !ymax || !planes || !bytes_per_line)
        return Close(), false;
    if (*manufacturer != kManufacturer || *xmax == *xmin || *ymax == *ymin) return Close(), false;
    const std::int32_t depth = static_cast<std::int32_t>(*planes) * *bits;
    if (depth != 8 && depth != 24) return Close(), false;
    // Bounds the wrong way round make a side of 0, which Read refuses.
    const auto side = [](std::int32_t min, std::int32_t max) {
        return static_cast<std::uint64_t>(std::max(max - min + 1, 0));
    };
    Accept(image, side(*xmin, *xmax), side(*ymin, *ymax), depth);
    planes_ = *planes;
    bits_per_plane_ = *bits;
    bytes_per_line_ = *bytes_per_line;
    return true;
}

bool PcxDecoder::Decode() {
    if (!file_ || image_ == nullptr) return false;
    // A line shorter than the picture, or 24 bits that are not three planes of bytes, has
    // no defined pixels; such a file is taken as damaged rather than read past its lines.
    if (width_ == 0 || height_ == 0) return false;
    const std::uint64_t width = width_;
    if (bytes_per_line_ < width) return false;
    if (bits_per_pixel_ == 24 && (planes_ != 3 || bits_per_plane_ != 8)) return false;
    const std::uint64_t line_length = planes_ * bytes_per_line_;

    if (!FitsInt32(width) || ExceedsPixelLimit()) return false;

    const auto file_length = StdioFileLength(file_.get());
    if (!file_length) return false;
    const std::uint64_t trailer = bits_per_pixel_ == 8 ? kPaletteSize : 0;
    if (*file_length <= kHeaderSize + trailer) return false;
    const std::uint64_t data_size = *file_length - kHeaderSize - trailer;
    // Data too short to make every line even of the longest runs is refused before the
    // picture is allocated: a few bytes must not stand for gigabytes of one colour.
    const auto least_data = CheckedMul(MinCodedLineBytes(line_length), height_);
    if (!least_data || data_size < *least_data) return false;

    const auto height = static_cast<std::int32_t>(height_);  // at most 65,536
    if (!image_->Create(static_cast<std::int32_t>(width), height, bits_per_pixel_, bits_per_pixel_ == 8 ? kMaxPaletteSize : 0))
        return false;
    MappedBuffer data;
    if (!data.Allocate(data_size, kPixelStorePrefix)) return false;
    if (bits_per_pixel_ == 8) {
        std::uint8_t palette[kPaletteSize];
        if (!SeekStdioFile(file_.get(), *file_length - kPaletteSize) || !ReadExactly(file_.get(), palette))
            return false;
        ByteReader in(ByteView(palette, sizeof palette));
        for (PaletteEntry& entry : image_->palette()) {
            entry.red = in.U8().value_or(0);
            entry.green = in.U8().value_or(0);
            entry.blue = in.U8().value_or(0);
        }
    }
    if (!SeekStdioFile(file_.get(), kHeaderSize) || !ReadExactly(file_.get(), data.bytes()))
        return false;
    data.Flush();

    std::vector<std::uint8_t> line(static_cast<std::size_t>(line_length));
    std::uint64_t position = 0;
    // Rows past the end of the data stay as Create left them, zero; stopping there also
    // keeps a tiny file with huge lines from costing a pass over every empty one.
    for (std::int32_t y = 0; y < height && position < data_size; ++y) {
        position = DecodePcxLine(line, data.view(), position);
        const std::span<std::uint8_t> row = image_->Row(y);
        if (bits_per_pixel_ == 8) {
            std::copy_n(line.begin(), width, row.begin());
        } else {
            for (std::uint64_t x = 0; x < width; ++x) {
                row[x * 3] = line[x];
                row[x * 3 + 1] = line[bytes_per_line_ + x];
                row[x * 3 + 2] = line[2 * bytes_per_line_ + x];
            }
        }
    }
    image_->FlushPixels();
    return true;
}

void PcxDecoder::Close() {
    CloseFile();
    planes_ = 0;
    bits_per_plane_ = 0;
    bytes_per_line_ = 0;
}

}  // namespace icoforge
