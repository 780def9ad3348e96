#include "iconextract/ico_reader.h"

#include <new>
#include <vector>

#include "common/byte_reader.h"
#include "platform/mapped_file.h"

namespace icoforge {

std::optional<IconGroup> ReadIcoFile(std::string_view path) {
    const auto mapped = MappedFile::Open(path);
    if (!mapped) return std::nullopt;
    return ReadIcoBytes(mapped->bytes(), path);
}

std::optional<IconGroup> ReadIcoBytes(ByteView file, std::string_view source_name) {
    const auto reserved = ReadU16(file, ico::kReserved);
    const auto type = ReadU16(file, ico::kType);
    const auto count = ReadU16(file, ico::kCount);
    if (!reserved || *reserved != 0 || !type || *type != ico::kTypeIcon || !count) return std::nullopt;

    const auto directory = SliceOf(file, ico::kHeaderBytes, ico::kEntryBytes * *count);
    if (!directory.ok) return std::nullopt;

    auto images = CopyIconImages(*count, [&](std::uint16_t i) -> std::optional<ByteView> {
        const std::uint64_t entry = ico::kEntryBytes * i;
        const auto size = ReadU32(directory.bytes, entry + ico::kEntryBytesInRes);
        const auto offset = ReadU32(directory.bytes, entry + ico::kEntryImageOffset);
        if (!size || !offset) return std::nullopt;
        const auto image = SliceOf(file, *offset, *size);
        if (!image.ok) return std::nullopt;
        return image.bytes;
    });
    if (!images) return std::nullopt;
    IconGroup group;
    group.source_name = std::string(source_name);
    group.images = std::move(*images);
    return group;
}

std::optional<std::vector<IconImage>> CopyIconImages(
    std::uint16_t count, const std::function<std::optional<ByteView>(std::uint16_t)>& find_image) {
    try {
        std::vector<ByteView> found;
        found.reserve(count);
        std::uint64_t total = ico::kHeaderBytes + ico::kEntryBytes * count;
        for (std::uint16_t i = 0; i < count; ++i) {
            const auto image = find_image(i);
            if (!image) return std::nullopt;
            total += image->size();
            if (total > ico::kMaxFileBytes) return std::nullopt;
            found.push_back(*image);
        }
        std::vector<IconImage> images(found.size());
        for (std::size_t i = 0; i < found.size(); ++i) {
            images[i].data.assign(found[i].begin(), found[i].end());
            ParseIconImage(images[i]);
        }
        return images;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace icoforge
