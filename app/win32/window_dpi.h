#pragma once
// The window's dots per inch. The layout is drawn for 96 and scaled by this; Windows
// before 10 has no per-window value, so GetDpiForWindow is looked up at run time and the
// screen's value taken where it is missing.

#include <windows.h>

namespace icoforge {

inline constexpr UINT kLayoutDpi = 96;

inline UINT WindowDpi(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto get_dpi_for_window = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (get_dpi_for_window != nullptr && window != nullptr) {
        if (const UINT dpi = get_dpi_for_window(window); dpi != 0) return dpi;
    }
    const HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kLayoutDpi;
}

inline int ScaleForDpi(int layout_pixels, UINT dpi) {
    return MulDiv(layout_pixels, static_cast<int>(dpi), static_cast<int>(kLayoutDpi));
}

}  // namespace icoforge
