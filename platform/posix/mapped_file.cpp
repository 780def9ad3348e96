#include "platform/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace icoforge {

struct MappedFile::Mapping {
    void* address = nullptr;
    std::size_t size = 0;
    ~Mapping() {
        if (address != nullptr) munmap(address, size);
    }
};

std::optional<MappedFile> MappedFile::Open(std::string_view utf8_path) {
    const std::string path(utf8_path);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    auto mapping = std::make_unique<Mapping>();
    struct stat info {};
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (ok && info.st_size > 0) {
        mapping->size = static_cast<std::size_t>(info.st_size);
        void* address = mmap(nullptr, mapping->size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (address == MAP_FAILED) {
            ok = false;
        } else {
            mapping->address = address;
        }
    }
    ::close(fd);
    if (!ok) return std::nullopt;
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
