#include "iconextract/icon_writers.h"

#include <algorithm>
#include <new>
#include <vector>

#include "common/byte_reader.h"
#include "iconextract/ico_reader.h"
#include "platform/clipboard.h"
#include "platform/file_io.h"

namespace icoforge {
namespace {

// A directory byte holds sizes up to 255; 0 stands for 256. PNG images are the large
// ones, and anything of 256 pixels or more is recorded as 0 for them.
std::uint8_t PngDirectorySize(std::int32_t pixels) {
    return pixels >= 256 ? 0 : static_cast<std::uint8_t>(pixels);
}

constexpr std::uint16_t kPngPlanes = 1;
constexpr std::uint16_t kPngBitCount = 32;

void WriteDirectoryEntry(ByteWriter& out, const IconImage& image, ByteView data, std::uint32_t image_offset) {
    std::uint8_t width = 0;
    std::uint8_t height = 0;
    std::uint8_t colours = 0;
    std::uint16_t planes = 0;
    std::uint16_t bit_count = 0;
    if (image.encoding == ImageEncoding::Png) {
        width = PngDirectorySize(image.width);
        height = PngDirectorySize(image.height);
        planes = kPngPlanes;
        bit_count = kPngBitCount;
    } else {
        width = static_cast<std::uint8_t>(image.width);
        height = static_cast<std::uint8_t>(image.height);
        // A header too short to hold these fields leaves them 0 (unknown) in the entry.
        const auto stored_planes = ReadU16(data, bih::kPlanes);
        const auto stored_bits = ReadU16(data, bih::kBitCount);
        if (stored_planes && stored_bits) {
            planes = *stored_planes;
            bit_count = *stored_bits;
            const std::uint32_t depth = static_cast<std::uint32_t>(planes) * bit_count;
            colours = depth < 8 ? static_cast<std::uint8_t>(1u << depth) : 0;
        }
    }
    out.U8(width);
    out.U8(height);
    out.U8(colours);
    out.U8(0);
    out.U16(planes);
    out.U16(bit_count);
    out.U32(static_cast<std::uint32_t>(data.size()));
    out.U32(image_offset);
}

}  // namespace

void WriteIconDirHeader(ByteWriter& out, std::uint32_t image_count) {
    out.U16(0);
    out.U16(ico::kTypeIcon);
    out.U16(static_cast<std::uint16_t>(image_count));
}

namespace {

// Stands in for a DIB's biSizeImage in the written file.
constexpr std::uint8_t kZeroSizeImage[4] = {};

// The icon file as the header and directory (the only bytes made here) followed by views
// of the images, so that the file is written without a second copy of the group.
struct IcoFileParts {
    ByteBuffer directory;
    std::vector<ByteView> pieces;
};

Result<IcoFileParts> IcoFilePartsOf(std::span<const ImageToWrite> images) {
    const std::uint64_t directory_end = ico::kHeaderBytes + ico::kEntryBytes * images.size();
    std::uint64_t total = directory_end;
    for (const auto& image : images) total += image.bytes.size();
    // The offsets of the directory are 32-bit; a larger file could not address its images.
    if (total > ico::kMaxFileBytes) return Fail("write", "", kIconFileTooLargeText);
    try {
        IcoFileParts parts;
        ByteWriter out(static_cast<std::size_t>(directory_end));
        WriteIconDirHeader(out, static_cast<std::uint32_t>(images.size()));
        std::uint64_t offset = directory_end;
        for (const auto& image : images) {
            WriteDirectoryEntry(out, *image.image, image.bytes, static_cast<std::uint32_t>(offset));
            offset += image.bytes.size();
        }
        parts.directory = out.Take();
        parts.pieces.reserve(1 + 3 * images.size());
        parts.pieces.emplace_back(parts.directory);
        for (const auto& image : images) {
            const ByteView data = image.bytes;
            // The size of the bitmap bits is left for readers to compute, as icon files
            // have it. Only a whole DIB is touched: the same bytes of a PNG are its height.
            if (image.image->complete) {
                parts.pieces.push_back(data.first(bih::kSizeImage));
                parts.pieces.emplace_back(kZeroSizeImage);
                parts.pieces.push_back(data.subspan(bih::kSizeImage + sizeof kZeroSizeImage));
            } else {
                parts.pieces.push_back(data);
            }
        }
        return parts;
    } catch (const std::bad_alloc&) {
        return Fail("write", "", kOutOfMemoryText);
    }
}

Result<IcoFileParts> IcoFilePartsOf(const IconGroup& group) {
    try {
        std::vector<ImageToWrite> images;
        images.reserve(group.images.size());
        for (const auto& image : group.images) images.push_back({&image, image.data});
        return IcoFilePartsOf(images);
    } catch (const std::bad_alloc&) {
        return Fail("write", "", kOutOfMemoryText);
    }
}

// Only a whole DIB has the parts a bitmap file or the clipboard takes.
Result<> CheckWholeBitmap(const IconImage& image) {
    if (image.encoding != ImageEncoding::Dib || !image.complete) return Fail("write", "", kNotWholeBitmapText);
    return {};
}

// The failure of a step that knew no path, named for the file it was for.
Failure AtPath(Failure failure, std::string_view path) {
    failure.path = std::string(path);
    return failure;
}

}  // namespace

Result<ByteBuffer> IcoFileBytes(const IconGroup& group) {
    const auto parts = IcoFilePartsOf(group);
    if (!parts) return Fail(parts.error());
    try {
        ByteBuffer bytes;
        std::size_t total = 0;
        for (const ByteView piece : parts->pieces) total += piece.size();
        bytes.reserve(total);
        for (const ByteView piece : parts->pieces) bytes.insert(bytes.end(), piece.begin(), piece.end());
        return bytes;
    } catch (const std::bad_alloc&) {
        return Fail("write", "", kOutOfMemoryText);
    }
}

Result<> WriteIcoFile(const IconGroup& group, std::string_view path) {
    const auto parts = IcoFilePartsOf(group);
    if (!parts) return Fail(AtPath(parts.error(), path));
    return WriteWholeFile(path, std::span<const ByteView>(parts->pieces));
}

Result<> WriteIcoFile(std::span<const ImageToWrite> images, std::string_view path) {
    const auto parts = IcoFilePartsOf(images);
    if (!parts) return Fail(AtPath(parts.error(), path));
    return WriteWholeFile(path, std::span<const ByteView>(parts->pieces));
}

Result<ByteBuffer> BmpFileBytes(const IconImage& image) {
    if (auto whole = CheckWholeBitmap(image); !whole) return Fail(whole.error());
    // A complete image holds its header, colour table and colour rows up to mask_bits.
    const std::uint64_t pixel_offset = bmp::kFileHeaderBytes + image.colour_bits;
    const std::uint64_t file_size = bmp::kFileHeaderBytes + image.mask_bits;
    if (file_size > 0xFFFFFFFFu) return Fail("write", "", "too large for a bitmap file");
    try {
        ByteWriter out(static_cast<std::size_t>(file_size));
        out.U16(bmp::kSignature);
        out.U32(static_cast<std::uint32_t>(file_size));
        out.U16(0);
        out.U16(0);
        out.U32(static_cast<std::uint32_t>(pixel_offset));
        out.Bytes(ByteView(image.data).first(static_cast<std::size_t>(image.mask_bits)));
        ByteBuffer bytes = out.Take();
        PutU32At(bytes, bmp::kFileHeaderBytes + bih::kHeight, static_cast<std::uint32_t>(image.height));
        return bytes;
    } catch (const std::bad_alloc&) {
        return Fail("write", "", kOutOfMemoryText);
    }
}

Result<> WriteBmpFile(std::string_view path, const IconImage& image) {
    const auto bytes = BmpFileBytes(image);
    if (!bytes) return Fail(AtPath(bytes.error(), path));
    return WriteWholeFile(path, *bytes);
}

Result<ByteBuffer> ClipboardDib(const IconImage& image) {
    if (auto whole = CheckWholeBitmap(image); !whole) return Fail(whole.error());
    try {
        ByteBuffer block = image.data;
        PutU32At(block, bih::kHeight, static_cast<std::uint32_t>(image.height));
        return block;
    } catch (const std::bad_alloc&) {
        return Fail("write", "", kOutOfMemoryText);
    }
}

Result<> CopyImageToClipboard(const IconImage& image) {
    auto block = ClipboardDib(image);
    if (!block) return Fail(kCopyToClipboardStep, "", block.error().reason);
    if (!PlaceClipboardDib(*block)) return Fail(kCopyToClipboardStep, "", kClipboardRefusedText);
    return {};
}

}  // namespace icoforge
