#include "platform/stdio_file.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/win32/file_access.h"

namespace icoforge {

Result<StdioFile> OpenStdioFile(std::string_view utf8_path, const char* mode) {
    if (mode == nullptr || mode[0] != 'r' || std::strchr(mode, '+') != nullptr)
        return Fail("read", std::string(utf8_path), "opened for reading only");
    auto file = OpenRegularFileForReading(utf8_path, FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (!file) return Fail(std::move(file.error()));
    constexpr const char* kNoStream = "cannot attach a stream to it";
    const int text_mode = std::strchr(mode, 'b') != nullptr ? _O_BINARY : _O_TEXT;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file->get()), _O_RDONLY | text_mode);
    if (fd < 0) return Fail("read", std::string(utf8_path), kNoStream);
    file->release();  // the descriptor owns the handle now
    StdioFile stream(_fdopen(fd, mode));
    if (!stream) {
        _close(fd);
        return Fail("read", std::string(utf8_path), kNoStream);
    }
    return stream;
}

bool SeekStdioFile(std::FILE* file, std::uint64_t offset) {
    if (offset > static_cast<std::uint64_t>(INT64_MAX)) return false;
    return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
}

std::optional<std::uint64_t> StdioFileLength(std::FILE* file) {
    if (_fseeki64(file, 0, SEEK_END) != 0) return std::nullopt;
    const __int64 end = _ftelli64(file);
    if (end < 0) return std::nullopt;
    return static_cast<std::uint64_t>(end);
}

}  // namespace icoforge
