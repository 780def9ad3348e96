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

Result<ByteBuffer> ReadWholeFile(std::string_view utf8_path, std::uint64_t max_bytes) {
    auto file = OpenStdioFile(utf8_path, "rb");
    if (!file) return Fail(std::move(file.error()));
    const auto size = StdioFileLength(file->get());
    if (!size || !SeekStdioFile(file->get(), 0)) return FailFromSystem("read", utf8_path);
    const std::uint64_t limit = std::min<std::uint64_t>(max_bytes, std::numeric_limits<std::size_t>::max());
    if (*size > limit) return Fail("read", std::string(utf8_path), TooLargeText(*size, limit));
    ByteBuffer bytes;
    try {
        bytes.resize(static_cast<std::size_t>(*size));
    } catch (const std::bad_alloc&) {
        return Fail("read", std::string(utf8_path),
                    "not enough memory to read it (" + std::to_string(*size) + " bytes)");
    }
    if (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), file->get()) != bytes.size()) {
        if (std::ferror(file->get()) != 0) return FailFromSystem("read", utf8_path);
        return Fail("read", std::string(utf8_path), "it grew shorter while being read");
    }
    return bytes;
}

Result<> WriteWholeFile(std::string_view utf8_path, ByteView bytes) {
    return WriteWholeFile(utf8_path, std::span<const ByteView>(&bytes, 1));
}

// The pieces (an icon file's header, directory and images) go out in one gathered write,
// not one write each, which is what made writing a module's icons slower than copying them.
Result<> WriteWholeFile(std::string_view utf8_path, std::span<const ByteView> pieces) {
    auto file = ReplacingFile::Create(utf8_path);
    if (!file) return Fail(std::move(file.error()));
    if (auto written = file->Write(pieces); !written) return written;
    return file->Commit();
}

Result<> CheckReadable(std::string_view utf8_path) {
    auto file = OpenStdioFile(utf8_path, "rb");
    if (!file) return Fail(std::move(file.error()));
    return {};
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
