#include "common/file_io.h"

#include <fstream>
#include <system_error>

#include "common/path.h"

namespace icoforge {

std::optional<ByteBuffer> ReadWholeFile(std::string_view utf8_path) {
    std::ifstream in(PathFromUtf8(utf8_path), std::ios::binary);
    if (!in) return std::nullopt;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) return std::nullopt;
    in.seekg(0, std::ios::beg);
    ByteBuffer bytes(static_cast<std::size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size)) return std::nullopt;
    return bytes;
}

bool WriteWholeFile(std::string_view utf8_path, ByteView bytes) {
    std::ofstream out(PathFromUtf8(utf8_path), std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

bool WriteWholeFile(std::string_view utf8_path, std::span<const ByteView> pieces) {
    std::ofstream out(PathFromUtf8(utf8_path), std::ios::binary | std::ios::trunc);
    if (!out) return false;
    for (const ByteView piece : pieces)
        out.write(reinterpret_cast<const char*>(piece.data()), static_cast<std::streamsize>(piece.size()));
    out.close();
    return !out.fail();
}

bool FileExists(std::string_view utf8_path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(PathFromUtf8(utf8_path), ec);
}

bool RemoveFile(std::string_view utf8_path) {
    std::error_code ec;
    return std::filesystem::remove(PathFromUtf8(utf8_path), ec);
}

}  // namespace icoforge
