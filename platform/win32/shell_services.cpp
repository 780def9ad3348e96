#include "platform/shell_services.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cwchar>

#include "platform/win32/owners.h"
#include "platform/win32/wide.h"

namespace icoforge {
namespace {

constexpr char kSeparator = '\\';
// GetPath gets twice the room a valid answer needs, so that a longer stored target is
// seen whole and refused rather than silently cut to MAX_PATH.
constexpr int kGetPathBufferUnits = 2 * MAX_PATH;

int CsidlFor(std::int32_t number) {
    switch (static_cast<SpecialFolder>(number)) {
        case SpecialFolder::kDocuments: return CSIDL_PERSONAL;
        case SpecialFolder::kFavourites: return CSIDL_FAVORITES;
        case SpecialFolder::kDesktop: return CSIDL_DESKTOPDIRECTORY;
        case SpecialFolder::kFonts: return CSIDL_FONTS;
        case SpecialFolder::kStartMenu: return CSIDL_STARTMENU;
        case SpecialFolder::kPrograms: return CSIDL_PROGRAMS;
        case SpecialFolder::kStartup: return CSIDL_STARTUP;
        case SpecialFolder::kAppData: return CSIDL_APPDATA;
        default: return -1;
    }
}

// The wide text a folder call left in `buffer`, when the call reported a length that fits.
std::string FromBuffer(const wchar_t* buffer, DWORD reported) {
    if (reported == 0 || reported >= MAX_PATH) return {};
    return Utf8FromWide(std::wstring_view(buffer, std::wcslen(buffer)));
}

}  // namespace

std::string GetSpecialFolder(std::int32_t number) {
    wchar_t buffer[MAX_PATH] = {};
    std::string path;
    if (const int csidl = CsidlFor(number); csidl >= 0) {
        if (!SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE)) return {};
        path = Utf8FromWide(std::wstring_view(buffer, std::wcslen(buffer)));
    } else if (number == static_cast<std::int32_t>(SpecialFolder::kWindows)) {
        path = FromBuffer(buffer, GetWindowsDirectoryW(buffer, MAX_PATH));
    } else if (number == static_cast<std::int32_t>(SpecialFolder::kSystem)) {
        path = FromBuffer(buffer, GetSystemDirectoryW(buffer, MAX_PATH));
    } else if (number == static_cast<std::int32_t>(SpecialFolder::kTemporary)) {
        path = FromBuffer(buffer, GetTempPathW(MAX_PATH, buffer));
    }
    return FinishFolderPath(path, kSeparator);
}

std::string WithEnvironmentExpanded(std::string_view text) {
    const std::wstring wide = WideFromUtf8(text);
    const DWORD needed = ExpandEnvironmentStringsW(wide.c_str(), nullptr, 0);
    if (needed == 0) return std::string(text);
    std::wstring expanded(needed, L'\0');
    const DWORD written = ExpandEnvironmentStringsW(wide.c_str(), expanded.data(), needed);
    if (written == 0 || written > needed) return std::string(text);
    expanded.resize(written - 1);  // the count includes the terminating zero
    return Utf8FromWide(expanded);
}

std::string Utf8FromAnsiCodePage(ByteView ansi) {
    return Utf8FromAnsi(std::string_view(reinterpret_cast<const char*>(ansi.data()), ansi.size()));
}

std::string ResolveShortcut(std::string_view path) {
    const std::wstring wide_path = WideFromUtf8(path);
    if (wide_path.empty()) return {};
    SHFILEINFOW info{};
    if (SHGetFileInfoW(wide_path.c_str(), 0, &info, sizeof info, SHGFI_ATTRIBUTES) == 0 ||
        (info.dwAttributes & SFGAO_LINK) == 0)
        return {};
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.out())))
        return {};
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.out()))) return {};
    const std::string load_path = ShortcutLoadPath(path);
    if (load_path.empty() || FAILED(file->Load(WideFromUtf8(load_path).c_str(), STGM_READ))) return {};
    // Never Resolve: the stored path is the answer, even when the target has gone.
    std::wstring buffer(kGetPathBufferUnits, L'\0');
    if (FAILED(link->GetPath(buffer.data(), kGetPathBufferUnits, nullptr, 0))) return {};
    buffer.resize(std::wcslen(buffer.c_str()));
    const std::string target = Utf8FromWide(buffer);
    return FitsPathBuffer(target) ? CopyToHostText(target) : std::string();
}

ShellSession::ShellSession(ComUse use) : use_(use) {
    // S_FALSE: already initialised on this thread; still one reference to drop.
    ok_ = SUCCEEDED(use_ == ComUse::kDragAndDrop ? OleInitialize(nullptr)
                                                  : CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

ShellSession::~ShellSession() {
    if (!ok_) return;
    if (use_ == ComUse::kDragAndDrop) {
        OleUninitialize();
    } else {
        CoUninitialize();
    }
}

}  // namespace icoforge
