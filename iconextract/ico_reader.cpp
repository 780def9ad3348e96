#include "iconextract/ico_reader.h"

#include <new>
#include <vector>

#include "common/byte_reader.h"
#include "platform/mapped_file.h"

namespace icoforge {

Result<IconGroup> ReadIcoFile(std::string_view path) {
    const auto mapped = MappedFile::Open(path);
    if (!mapped) return Fail(mapped.error());
    return ReadIcoBytes(mapped->bytes(), path);
}

Result<IconGroup> ReadIcoBytes(ByteView file, std::string_view source_name) {
    const std::string source(source_name);
    const auto reserved = ReadU16(file, ico::kReserved);
    const auto type = ReadU16(file, ico::kType);
    const auto count = ReadU16(file, ico::kCount);
    if (!reserved || *reserved != 0 || !type || *type != ico::kTypeIcon || !count)
        return Fail("read", source, kNotIconFileText);

    const auto directory = SliceOf(file, ico::kHeaderBytes, ico::kEntryBytes * *count);
    if (!directory.ok) return Fail("read", source, kImageOutsideFileText);

    const auto found = FindIconImages(source, *count, [&](std::uint16_t i) -> Result<ByteView> {
        const std::uint64_t entry = ico::kEntryBytes * i;
        const auto size = ReadU32(directory.bytes, entry + ico::kEntryBytesInRes);
        const auto offset = ReadU32(directory.bytes, entry + ico::kEntryImageOffset);
        const auto image = size && offset ? SliceOf(file, *offset, *size) : SubView{};
        if (!image.ok) return Fail("read", source, kImageOutsideFileText);
        return image.bytes;
    });
    if (!found) return Fail(found.error());
    auto images = CopyIconImages(source, *found);
    if (!images) return Fail(std::move(images.error()));
    IconGroup group;
    group.source_name = source;
    group.images = std::move(*images);
    return group;
}

Result<std::vector<ByteView>> FindIconImages(std::string_view source, std::uint16_t count,
                                             const std::function<Result<ByteView>(std::uint16_t)>& find_image) {
    try {
        std::vector<ByteView> found;
        found.reserve(count);
        std::uint64_t total = ico::kHeaderBytes + ico::kEntryBytes * count;
        for (std::uint16_t i = 0; i < count; ++i) {
            const auto image = find_image(i);
            if (!image) return Fail(image.error());
            total += image->size();
            if (total > ico::kMaxFileBytes) return Fail("read", std::string(source), kGroupTooLargeText);
            found.push_back(*image);
        }
        return found;
    } catch (const std::bad_alloc&) {
        return Fail("read", std::string(source), kOutOfMemoryText);
    }
}

Result<std::vector<IconImage>> CopyIconImages(std::string_view source, std::span<const ByteView> found) {
    try {
        std::vector<IconImage> images(found.size());
        for (std::size_t i = 0; i < found.size(); ++i) {
            images[i].data.assign(found[i].begin(), found[i].end());
            ParseIconImage(images[i]);
        }
        return images;
    } catch (const std::bad_alloc&) {
        return Fail("read", std::string(source), kOutOfMemoryText);
    }
}

}  // namespace icoforge
