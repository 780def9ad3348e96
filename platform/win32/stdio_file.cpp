#include "platform/stdio_file.h"

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/win32/wide.h"

namespace icoforge {

StdioFile OpenStdioFile(std::string_view utf8_path, const char* mode) {
    const std::wstring path = WideFromUtf8(utf8_path);
    const std::wstring wide_mode = WideFromUtf8(mode);
    if (path.empty() || wide_mode.empty()) return nullptr;
    return StdioFile(_wfopen(path.c_str(), wide_mode.c_str()));
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
