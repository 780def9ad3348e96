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

    try {
        // Every image must lie inside the file, and the images together must fit an icon
        // file, before anything is copied: a small file can name the same large image
        // many times over.
        std::vector<ByteView> spans;
        spans.reserve(*count);
        std::uint64_t total = ico::kHeaderBytes + ico::kEntryBytes * *count;
        for (std::uint16_t i = 0; i < *count; ++i) {
            const std::uint64_t entry = ico::kEntryBytes * i;
            const auto size = ReadU32(directory.bytes, entry + ico::kEntryBytesInRes);
            const auto offset = ReadU32(directory.bytes, entry + ico::kEntryImageOffset);
            if (!size || !offset) return std::nullopt;
            const auto image = SliceOf(file, *offset, *size);
            if (!image.ok) return std::nullopt;
            total += *size;
            if (total > ico::kMaxFileBytes) return std::nullopt;
            spans.push_back(image.bytes);
        }

        IconGroup group;
        group.source_name = std::string(source_name);
        group.images.resize(*count);
        for (std::size_t i = 0; i < spans.size(); ++i) {
            group.images[i].data.assign(spans[i].begin(), spans[i].end());
            ParseIconImage(group.images[i]);
        }
        return group;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace icoforge
