#include "platform/stdio_file.h"

#include <sys/types.h>

#include <cstring>
#include <limits>
#include <string>

#include "platform/posix/file_descriptor.h"
#include "platform/system_failure.h"

namespace icoforge {

Result<StdioFile> OpenStdioFile(std::string_view utf8_path, const char* mode) {
    const std::string path(utf8_path);
    if (mode == nullptr || mode[0] != 'r' || std::strchr(mode, '+') != nullptr)
        return Fail("read", path, "opened for reading only");
    struct stat info {};
    auto fd = OpenRegularFileForReading(path, info);
    if (!fd) return Fail(std::move(fd.error()));
    StdioFile file(::fdopen(fd->get(), mode));
    if (!file) return FailFromSystem("read", path);
    fd->release();  // the stream owns it now
    return file;
}

bool SeekStdioFile(std::FILE* file, std::uint64_t offset) {
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return false;
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
}

std::optional<std::uint64_t> StdioFileLength(std::FILE* file) {
    if (fseeko(file, 0, SEEK_END) != 0) return std::nullopt;
    const off_t end = ftello(file);
    if (end < 0) return std::nullopt;
    return static_cast<std::uint64_t>(end);
}

}  // namespace icoforge
