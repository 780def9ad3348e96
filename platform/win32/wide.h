#pragma once
// UTF-8 <-> UTF-16 at the Win32 boundary: the program keeps UTF-8, Windows takes wide text.

#include <windows.h>

#include <string>
#include <string_view>

namespace icoforge {

// Text in `code_page` (CP_UTF8, CP_ACP) as UTF-16.
inline std::wstring WideFromCodePage(std::string_view text, UINT code_page) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

inline std::wstring WideFromUtf8(std::string_view utf8) { return WideFromCodePage(utf8, CP_UTF8); }

inline std::string Utf8FromWide(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
    if (n <= 0) return {};
    std::string utf8(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n, nullptr,
                        nullptr);
    return utf8;
}

// Text in the system's ANSI code page as UTF-8.
inline std::string Utf8FromAnsi(std::string_view ansi) { return Utf8FromWide(WideFromCodePage(ansi, CP_ACP)); }

}  // namespace icoforge
