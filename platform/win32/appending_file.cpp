#include "platform/appending_file.h"

#include <windows.h>

#include <string>

#include "platform/system_failure.h"
#include "platform/win32/file_access.h"
#include "platform/win32/wide.h"

namespace icoforge {

struct AppendingFile::Handle {
    ScopedHandle file;
    std::string path;
};

Result<AppendingFile> AppendingFile::Open(std::string_view utf8_path) {
    auto handle = MakeOpaque<Handle>();
    handle->path = std::string(utf8_path);
    const std::wstring path = WideFromUtf8(utf8_path);
    // FILE_APPEND_DATA alone makes every write land at the end, as O_APPEND does.
    handle->file = ScopedHandle(CreateFileW(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ, nullptr,
                                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle->file.valid()) return FailFromSystem("open", handle->path);
    if (GetFileType(handle->file.get()) != FILE_TYPE_DISK) return Fail("open", handle->path, kNotRegularFileText);
    return AppendingFile(std::move(handle));
}

Result<> AppendingFile::Append(ByteView bytes) {
    const std::uint8_t* at = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!WriteFile(handle_->file.get(), at, chunk, &written, nullptr)) return FailFromSystem("write", handle_->path);
        at += written;
        left -= written;
    }
    return {};
}

Result<> AppendingFile::Sync() {
    if (!FlushFileBuffers(handle_->file.get())) return FailFromSystem("write", handle_->path);
    return {};
}

}  // namespace icoforge
