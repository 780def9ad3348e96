#include "platform/mapped_file.h"

#include <windows.h>

#include <cstdint>

#include "platform/win32/file_access.h"

namespace icoforge {

struct MappedFile::Mapping {
    const void* view = nullptr;
    std::size_t size = 0;
    ~Mapping() {
        if (view != nullptr) UnmapViewOfFile(view);
    }
};

std::optional<MappedFile> MappedFile::Open(std::string_view utf8_path, FileError* error) {
    const std::wstring path = WideFromUtf8(utf8_path);
    if (path.empty()) {
        SetFileError(error, SystemErrorText(ERROR_INVALID_NAME));
        return std::nullopt;
    }
    const ScopedHandle file = OpenRegularFileForReading(path, FILE_SHARE_READ, error);
    if (!file.valid()) return std::nullopt;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) {
        SetFileError(error, LastSystemErrorText());
        return std::nullopt;
    }
    if (static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX) {
        SetFileError(error, TooLargeText(static_cast<std::uint64_t>(size.QuadPart), SIZE_MAX));
        return std::nullopt;
    }
    auto mapping = std::make_unique<Mapping>();
    if (size.QuadPart > 0) {
        const ScopedHandle section(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
        if (!section.valid()) {
            SetFileError(error, LastSystemErrorText());
            return std::nullopt;
        }
        mapping->view = MapViewOfFile(section.get(), FILE_MAP_READ, 0, 0, 0);
        if (mapping->view == nullptr) {
            SetFileError(error, LastSystemErrorText());
            return std::nullopt;
        }
        mapping->size = static_cast<std::size_t>(size.QuadPart);
    }
    return MappedFile(std::move(mapping));
}

ByteView MappedFile::bytes() const {
    if (mapping_->view == nullptr) return {};
    return {static_cast<const std::uint8_t*>(mapping_->view), mapping_->size};
}

MappedFile::MappedFile(std::unique_ptr<Mapping> mapping) : mapping_(std::move(mapping)) {}
MappedFile::MappedFile(MappedFile&&) noexcept = default;
MappedFile& MappedFile::operator=(MappedFile&&) noexcept = default;
MappedFile::~MappedFile() = default;

}  // namespace icoforge
