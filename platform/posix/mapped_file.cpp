#include "platform/mapped_file.h"

#include <sys/mman.h>
#include <sys/stat.h>

#include <limits>
#include <string>

#include "platform/posix/file_descriptor.h"
#include "platform/system_failure.h"

namespace icoforge {

struct MappedFile::Mapping {
    void* address = nullptr;
    std::size_t size = 0;
    ~Mapping() {
        if (address != nullptr) munmap(address, size);
    }
};

Result<MappedFile> MappedFile::Open(std::string_view utf8_path) {
    const std::string path(utf8_path);
    struct stat info {};
    const auto fd = OpenRegularFileForReading(path, info, ReadMode::kMappedOrPositioned);
    if (!fd) return Fail(fd.error());
    auto mapping = MakeOpaque<Mapping>();
    if (info.st_size > 0) {
        if (static_cast<std::uint64_t>(info.st_size) > std::numeric_limits<std::size_t>::max()) {
            return Fail("read", path,
                        TooLargeText(static_cast<std::uint64_t>(info.st_size), std::numeric_limits<std::size_t>::max()));
        }
        mapping->size = static_cast<std::size_t>(info.st_size);
        void* address = mmap(nullptr, mapping->size, PROT_READ, MAP_PRIVATE, fd->get(), 0);
        if (address == MAP_FAILED) return FailFromSystem("read", path);
        mapping->address = address;
    }
    return MappedFile(std::move(mapping));
}

ByteView MappedFile::bytes() const {
    if (mapping_->address == nullptr) return {};
    return {static_cast<const std::uint8_t*>(mapping_->address), mapping_->size};
}

}  // namespace icoforge
