// The Win32 side of file access: the regular-file open, file identity and the system's
// error texts.

#include "platform/win32/file_access.h"

#include "platform/file_io.h"

namespace icoforge {

std::string SystemErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length > 0 && buffer != nullptr ? std::wstring(buffer, length) : std::wstring();
    if (buffer != nullptr) LocalFree(buffer);
    // The message ends in a full stop and a line break; the command line adds its own.
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' || text.back() == L'.'))
        text.pop_back();
    if (text.empty()) return "system error " + std::to_string(code);
    return Utf8FromWide(text);
}

std::string LastSystemErrorText() { return SystemErrorText(GetLastError()); }

tl::unexpected<Failure> FailFromSystem(std::string what, std::string_view path) {
    return FailWithSystemCode(std::move(what), path, GetLastError());
}

Result<ScopedHandle> OpenRegularFileForReading(std::string_view utf8_path, DWORD share) {
    const std::wstring path = WideFromUtf8(utf8_path);
    if (path.empty()) return FailWithSystemCode("read", utf8_path, ERROR_INVALID_NAME);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return Fail("read", std::string(utf8_path), kNotRegularFileText);
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!file.valid()) return FailFromSystem("read", utf8_path);
    if (GetFileType(file.get()) != FILE_TYPE_DISK) return Fail("read", std::string(utf8_path), kNotRegularFileText);
    return file;
}

bool IsSameFile(std::string_view first_utf8_path, std::string_view second_utf8_path) {
    const auto identity = [](std::string_view utf8_path, BY_HANDLE_FILE_INFORMATION& info) {
        const std::wstring path = WideFromUtf8(utf8_path);
        if (path.empty()) return false;
        // No access is asked for: only the file's identity is read.
        const ScopedHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        return file.valid() && GetFileInformationByHandle(file.get(), &info) != 0;
    };
    BY_HANDLE_FILE_INFORMATION first{};
    BY_HANDLE_FILE_INFORMATION second{};
    return identity(first_utf8_path, first) && identity(second_utf8_path, second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

}  // namespace icoforge
