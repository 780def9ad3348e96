// The POSIX side of file access: the non-blocking regular-file open, file identity and
// the system's error texts.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/file_io.h"
#include "platform/posix/file_descriptor.h"

namespace icoforge {

std::string LastSystemErrorText() { return std::generic_category().message(errno); }

tl::unexpected<Failure> FailFromSystem(std::string what, std::string_view path) {
    const int code = errno;
    return Fail(std::move(what), std::string(path), std::generic_category().message(code), code);
}

Result<FileDescriptor> OpenRegularFileForReading(const std::string& path, struct stat& info, ReadMode mode) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0) return FailFromSystem("read", path);
    if (!S_ISREG(info.st_mode)) return Fail("read", path, kNotRegularFileText);
    if (mode == ReadMode::kMappedOrPositioned) return fd;
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return FailFromSystem("read", path);
    return fd;
}

bool IsSameFile(std::string_view first_utf8_path, std::string_view second_utf8_path) {
    struct stat first {};
    struct stat second {};
    if (::stat(std::string(first_utf8_path).c_str(), &first) != 0) return false;
    if (::stat(std::string(second_utf8_path).c_str(), &second) != 0) return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace icoforge
