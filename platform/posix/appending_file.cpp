#include "platform/appending_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/system_failure.h"
#include "platform/posix/file_descriptor.h"

namespace icoforge {

struct AppendingFile::Handle {
    FileDescriptor fd;
    std::string path;
};

Result<AppendingFile> AppendingFile::Open(std::string_view utf8_path) {
    auto handle = MakeOpaque<Handle>();
    handle->path = std::string(utf8_path);
    // Non-blocking so that a FIFO named as the index cannot stall the open; it is then refused.
    handle->fd = FileDescriptor(::open(handle->path.c_str(),
                                       O_WRONLY | O_CREAT | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666));
    if (!handle->fd.valid()) return FailFromSystem("open", handle->path);
    struct stat info {};
    if (::fstat(handle->fd.get(), &info) != 0) return FailFromSystem("open", handle->path);
    if (!S_ISREG(info.st_mode)) return Fail("open", handle->path, kNotRegularFileText);
    const int flags = ::fcntl(handle->fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(handle->fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return FailFromSystem("open", handle->path);
    return AppendingFile(std::move(handle));
}

Result<> AppendingFile::Append(ByteView bytes) {
    const std::uint8_t* at = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(handle_->fd.get(), at, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            return FailFromSystem("write", handle_->path);
        }
        at += written;
        left -= static_cast<std::size_t>(written);
    }
    return {};
}

Result<> AppendingFile::Sync() {
    if (::fsync(handle_->fd.get()) != 0 && errno != EINVAL)
        return FailFromSystem("write", handle_->path);
    return {};
}

}  // namespace icoforge
