#pragma once
// Owners of the GDI and OLE resources the window holds, so that every path out of a
// constructor or a handler gives them back.

#include <windows.h>
#include <ole2.h>

#include <utility>

namespace icoforge {

// A font, brush, pen or bitmap; deleted with DeleteObject. Stock objects are never owned.
template <typename Handle>
class GdiObject {
public:
    explicit GdiObject(Handle handle = nullptr) : handle_(handle) {}
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    ~GdiObject() { reset(); }
    void reset(Handle handle = nullptr) {
        if (handle_ != nullptr) DeleteObject(handle_);
        handle_ = handle;
    }
    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    Handle handle_;
};

using FontHandle = GdiObject<HFONT>;
using BrushHandle = GdiObject<HBRUSH>;
using BitmapHandle = GdiObject<HBITMAP>;

// A device context of a window, released when done.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_ != nullptr) ReleaseDC(window_, dc_);
    }
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// A memory device context; the object selected into it is put back before it goes.
class MemoryDc {
public:
    explicit MemoryDc(HDC like) : dc_(CreateCompatibleDC(like)) {}
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    ~MemoryDc() {
        if (previous_ != nullptr) SelectObject(dc_, previous_);
        if (dc_ != nullptr) DeleteDC(dc_);
    }
    HDC get() const { return dc_; }
    void Select(HGDIOBJ object) {
        const HGDIOBJ old = SelectObject(dc_, object);
        if (previous_ == nullptr) previous_ = old;
    }

private:
    HDC dc_;
    HGDIOBJ previous_ = nullptr;
};

// OLE on this thread for the life of the object: the drop target and shortcut
// resolution need it.
class OleSession {
public:
    OleSession() : ok_(SUCCEEDED(OleInitialize(nullptr))) {}
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;
    ~OleSession() {
        if (ok_) OleUninitialize();
    }
    bool ok() const { return ok_; }

private:
    bool ok_;
};

// A window destroyed with its owner object, unless it is already gone.
class WindowHandle {
public:
    explicit WindowHandle(HWND window = nullptr) : window_(window) {}
    WindowHandle(const WindowHandle&) = delete;
    WindowHandle& operator=(const WindowHandle&) = delete;
    ~WindowHandle() { reset(); }
    void reset(HWND window = nullptr) {
        if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
        window_ = window;
    }
    HWND get() const { return window_; }

private:
    HWND window_;
};

}  // namespace icoforge
