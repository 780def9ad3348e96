#include "platform/stdio_file.h"

#include <sys/types.h>

#include <limits>
#include <string>

namespace icoforge {

StdioFile OpenStdioFile(std::string_view utf8_path, const char* mode) {
    const std::string path(utf8_path);
    return StdioFile(std::fopen(path.c_str(), mode));
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
