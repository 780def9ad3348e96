#include "platform/file_reader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/posix/file_descriptor.h"
#include "platform/system_failure.h"

namespace icoforge {

struct FileReader::Handle {
    FileDescriptor fd;
    std::uint64_t size = 0;
    std::string path;
};

Result<FileReader> FileReader::Open(std::string_view utf8_path) {
    auto handle = MakeOpaque<Handle>();
    handle->path = std::string(utf8_path);
    struct stat info {};
    auto fd = OpenRegularFileForReading(handle->path, info, ReadMode::kMappedOrPositioned);
    if (!fd) return Fail(fd.error());
    handle->fd = std::move(*fd);
    handle->size = static_cast<std::uint64_t>(info.st_size);
    return FileReader(std::move(handle));
}

std::uint64_t FileReader::size() const { return handle_->size; }

Result<std::size_t> FileReader::ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) const {
    std::size_t done = 0;
    while (done < into.size()) {
        const ssize_t got = ::pread(handle_->fd.get(), into.data() + done, into.size() - done,
                                    static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return FailFromSystem("read", handle_->path);
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

}  // namespace icoforge
