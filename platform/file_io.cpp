#include "platform/file_io.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <new>
#include <system_error>

#include "common/path.h"
#include "platform/replacing_file.h"
#include "platform/stdio_file.h"

namespace icoforge {

std::optional<ByteBuffer> ReadWholeFile(std::string_view utf8_path, FileError* error, std::uint64_t max_bytes) {
    const StdioFile file = OpenStdioFile(utf8_path, "rb", error);
    if (!file) return std::nullopt;
    const auto size = StdioFileLength(file.get());
    if (!size || !SeekStdioFile(file.get(), 0)) {
        SetFileError(error, LastSystemErrorText());
        return std::nullopt;
    }
    const std::uint64_t limit = std::min<std::uint64_t>(max_bytes, std::numeric_limits<std::size_t>::max());
    if (*size > limit) {
        SetFileError(error, TooLargeText(*size, limit));
        return std::nullopt;
    }
    ByteBuffer bytes;
    try {
        bytes.resize(static_cast<std::size_t>(*size));
    } catch (const std::bad_alloc&) {
        SetFileError(error, "not enough memory to read it (" + std::to_string(*size) + " bytes)");
        return std::nullopt;
    }
    if (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        SetFileError(error, std::ferror(file.get()) != 0 ? LastSystemErrorText() : "it grew shorter while being read");
        return std::nullopt;
    }
    return bytes;
}

bool WriteWholeFile(std::string_view utf8_path, ByteView bytes, FileError* error) {
    auto file = ReplacingFile::Create(utf8_path, error);
    return file && file->Write(bytes, error) && file->Commit(error);
}

// Pieces up to this much in all are joined and written at once: one system call for a
// whole icon file instead of one for each of its header, directory and images, which is
// what made writing a module's icons slower than copying them. Larger files are written
// piece by piece, so that they are not held in memory twice.
constexpr std::uint64_t kJoinedWriteBytes = std::uint64_t{8} << 20;

bool WriteWholeFile(std::string_view utf8_path, std::span<const ByteView> pieces, FileError* error) {
    auto file = ReplacingFile::Create(utf8_path, error);
    if (!file) return false;
    std::uint64_t total = 0;
    for (const ByteView piece : pieces) total += piece.size();
    if (pieces.size() > 1 && total <= kJoinedWriteBytes) {
        ByteBuffer joined;
        joined.reserve(static_cast<std::size_t>(total));
        for (const ByteView piece : pieces) joined.insert(joined.end(), piece.begin(), piece.end());
        return file->Write(joined, error) && file->Commit(error);
    }
    for (const ByteView piece : pieces)
        if (!file->Write(piece, error)) return false;
    return file->Commit(error);
}

std::optional<FileError> WhyNotReadable(std::string_view utf8_path) {
    FileError error;
    if (OpenStdioFile(utf8_path, "rb", &error)) return std::nullopt;
    return error;
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
