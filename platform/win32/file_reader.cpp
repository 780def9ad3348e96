#include "platform/file_reader.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/system_failure.h"
#include "platform/win32/file_access.h"

namespace icoforge {

struct FileReader::Handle {
    ScopedHandle file;
    std::uint64_t size = 0;
    std::string path;
};

Result<FileReader> FileReader::Open(std::string_view utf8_path) {
    auto file = OpenRegularFileForReading(utf8_path, FILE_SHARE_READ);
    if (!file) return Fail(file.error());
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file->get(), &size)) return FailFromSystem("read", utf8_path);
    auto handle = MakeOpaque<Handle>();
    handle->file = std::move(*file);
    handle->size = static_cast<std::uint64_t>(size.QuadPart);
    handle->path = std::string(utf8_path);
    return FileReader(std::move(handle));
}

std::uint64_t FileReader::size() const { return handle_->size; }

Result<std::size_t> FileReader::ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) const {
    std::size_t done = 0;
    while (done < into.size()) {
        // ReadFile takes a 32-bit count and the offset through an OVERLAPPED, even for a
        // handle opened for plain reads.
        const std::uint64_t at = offset + done;
        OVERLAPPED where{};
        where.Offset = static_cast<DWORD>(at);
        where.OffsetHigh = static_cast<DWORD>(at >> 32);
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(into.size() - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(handle_->file.get(), into.data() + done, wanted, &got, &where)) {
            if (GetLastError() == ERROR_HANDLE_EOF) break;
            return FailFromSystem("read", handle_->path);
        }
        if (got == 0) break;
        done += got;
    }
    return done;
}

}  // namespace icoforge
