#include "platform/file_walk.h"

#include <windows.h>

#include <io.h>
#include <cstdio>

#include "platform/system_failure.h"
#include "platform/win32/file_access.h"
#include "platform/win32/wide.h"

namespace icoforge {
namespace {

// FILETIME counts 100 ns steps from 1601; the index counts nanoseconds from 1970.
constexpr std::int64_t kFileTimeTo1970 = 116444736000000000LL;

std::int64_t UnixNanoseconds(const FILETIME& time) {
    const std::int64_t ticks = static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                                         time.dwLowDateTime);
    return (ticks - kFileTimeTo1970) * 100;
}

}  // namespace

Result<FileStatus> StatusOf(std::string_view utf8_path, bool follow_link) {
    const std::wstring path = WideFromUtf8(utf8_path);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return FailFromSystem("stat", utf8_path);
    FileStatus status;
    const bool reparse = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (reparse && !follow_link) status.kind = EntryKind::Symlink;
    else if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) status.kind = EntryKind::Directory;
    else if ((data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) == 0) status.kind = EntryKind::Regular;
    status.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    status.mtime_ns = UnixNanoseconds(data.ftLastWriteTime);
    if (status.kind == EntryKind::Directory) {
        // Backup semantics let CreateFile open a folder, for its volume and file index.
        ScopedHandle handle(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        BY_HANDLE_FILE_INFORMATION info{};
        if (handle.valid() && GetFileInformationByHandle(handle.get(), &info)) {
            status.device = info.dwVolumeSerialNumber;
            status.file_number = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
        }
    }
    return status;
}

Result<std::vector<std::string>> FolderNames(std::string_view utf8_path) {
    std::wstring pattern = WideFromUtf8(utf8_path);
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND) return std::vector<std::string>{};
        return Fail("open folder", std::string(utf8_path), SystemErrorText(code), static_cast<int>(code));
    }
    std::vector<std::string> names;
    do {
        const std::wstring_view name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        names.push_back(Utf8FromWide(name));
    } while (FindNextFileW(search, &found));
    const DWORD code = GetLastError();
    FindClose(search);
    if (code != ERROR_NO_MORE_FILES)
        return Fail("read folder", std::string(utf8_path), SystemErrorText(code), static_cast<int>(code));
    return names;
}

Result<std::vector<FolderEntry>> FolderEntries(std::string_view utf8_path) {
    auto names = FolderNames(utf8_path);
    if (!names) return Fail(names.error());
    std::string prefix(utf8_path);
    if (!prefix.empty() && prefix.back() != '\\' && prefix.back() != '/') prefix += '\\';
    std::vector<FolderEntry> entries;
    entries.reserve(names->size());
    for (std::string& name : *names) {
        auto status = StatusOf(prefix + name, false);
        entries.push_back({std::move(name), std::move(status)});
    }
    return entries;
}

char PathSeparator() { return '\\'; }

bool StandardErrorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

Result<> MakeFolders(std::string_view utf8_path) {
    std::string path(utf8_path);
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\') && path[path.size() - 2] != ':')
        path.pop_back();
    if (path.empty()) return {};
    const std::wstring wide = WideFromUtf8(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return Fail("make folder", path, "not a folder");
        return {};
    }
    const auto slash = path.find_last_of("/\\");
    if (slash != std::string::npos && slash > 0 && path[slash - 1] != ':') {
        auto parent = MakeFolders(path.substr(0, slash));
        if (!parent) return parent;
    }
    if (!CreateDirectoryW(wide.c_str(), nullptr)) {
        const DWORD code = GetLastError();
        if (code != ERROR_ALREADY_EXISTS)
            return Fail("make folder", path, SystemErrorText(code), static_cast<int>(code));
    }
    return {};
}

}  // namespace icoforge
