#include "platform/mapped_file.h"

#include <windows.h>

#include <cstdint>

#include "platform/system_failure.h"
#include "platform/win32/file_access.h"

namespace icoforge {

struct MappedFile::Mapping {
    const void* view = nullptr;
    std::size_t size = 0;
    ~Mapping() {
        if (view != nullptr) UnmapViewOfFile(view);
    }
};

Result<MappedFile> MappedFile::Open(std::string_view utf8_path) {
    const auto file = OpenRegularFileForReading(utf8_path, FILE_SHARE_READ);
    if (!file) return Fail(file.error());
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file->get(), &size)) return FailFromSystem("read", utf8_path);
    if (static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX)
        return Fail("read", std::string(utf8_path), TooLargeText(static_cast<std::uint64_t>(size.QuadPart), SIZE_MAX));
    auto mapping = MakeOpaque<Mapping>();
    if (size.QuadPart > 0) {
        const ScopedHandle section(CreateFileMappingW(file->get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
        if (!section.valid()) return FailFromSystem("read", utf8_path);
        mapping->view = MapViewOfFile(section.get(), FILE_MAP_READ, 0, 0, 0);
        if (mapping->view == nullptr) return FailFromSystem("read", utf8_path);
        mapping->size = static_cast<std::size_t>(size.QuadPart);
    }
    return MappedFile(std::move(mapping));
}

ByteView MappedFile::bytes() const {
    if (mapping_->view == nullptr) return {};
    return {static_cast<const std::uint8_t*>(mapping_->view), mapping_->size};
}

}  // namespace icoforge
