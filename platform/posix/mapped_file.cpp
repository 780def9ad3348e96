#include "platform/mapped_file.h"

#include <sys/mman.h>
#include <sys/stat.h>

#include <limits>
#include <string>

#include "platform/posix/file_descriptor.h"

namespace icoforge {

struct MappedFile::Mapping {
    void* address = nullptr;
    std::size_t size = 0;
    ~Mapping() {
        if (address != nullptr) munmap(address, size);
    }
};

std::optional<MappedFile> MappedFile::Open(std::string_view utf8_path, FileError* error) {
    struct stat info {};
    const FileDescriptor fd = OpenRegularFileForReading(std::string(utf8_path), info, error);
    if (!fd.valid()) return std::nullopt;
    auto mapping = std::make_unique<Mapping>();
    if (info.st_size > 0) {
        if (static_cast<std::uint64_t>(info.st_size) > std::numeric_limits<std::size_t>::max()) {
            SetFileError(error, TooLargeText(static_cast<std::uint64_t>(info.st_size),
                                             std::numeric_limits<std::size_t>::max()));
            return std::nullopt;
        }
        mapping->size = static_cast<std::size_t>(info.st_size);
        void* address = mmap(nullptr, mapping->size, PROT_READ, MAP_PRIVATE, fd.get(), 0);
        if (address == MAP_FAILED) {
            SetFileError(error, LastSystemErrorText());
            return std::nullopt;
        }
        mapping->address = address;
    }
    return MappedFile(std::move(mapping));
}

ByteView MappedFile::bytes() const {
    if (mapping_->address == nullptr) return {};
    return {static_cast<const std::uint8_t*>(mapping_->address), mapping_->size};
}

MappedFile::MappedFile(std::unique_ptr<Mapping> mapping) : mapping_(std::move(mapping)) {}
MappedFile::MappedFile(MappedFile&&) noexcept = default;
MappedFile& MappedFile::operator=(MappedFile&&) noexcept = default;
MappedFile::~MappedFile() = default;

}  // namespace icoforge
