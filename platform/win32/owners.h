#pragma once
// Owners of the Win32 resources the program holds (kernel handles, GDI objects and device
// contexts, windows, COM references and COM objects of our own), so that every path out of
// a constructor, a handler or a failed call gives them back.

#include <windows.h>
#include <ole2.h>

#include <utility>

namespace icoforge {

// A kernel handle; INVALID_HANDLE_VALUE and null both mean "none".
class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE handle = nullptr) : handle_(handle) {}
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) {
            if (valid()) CloseHandle(handle_);
            handle_ = other.release();
        }
        return *this;
    }
    ~ScopedHandle() {
        if (valid()) CloseHandle(handle_);
    }
    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    HANDLE release() { return std::exchange(handle_, nullptr); }

private:
    HANDLE handle_;
};

// One resource that `Free` gives back when the owner goes or takes another; null is none.
template <typename Handle, typename Free>
class Owner {
public:
    explicit Owner(Handle handle = nullptr) : handle_(handle) {}
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;
    Owner(Owner&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Owner& operator=(Owner&& other) noexcept {
        if (this != &other) reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    ~Owner() { reset(); }
    void reset(Handle handle = nullptr) {
        if (handle_ != nullptr) Free{}(handle_);
        handle_ = handle;
    }
    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

protected:
    Handle handle_;
};

struct DeleteGdiObject {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};

// A font, brush, pen or bitmap; deleted with DeleteObject. Stock objects are never owned.
template <typename Handle>
using GdiObject = Owner<Handle, DeleteGdiObject>;

using FontHandle = GdiObject<HFONT>;
using BrushHandle = GdiObject<HBRUSH>;
using BitmapHandle = GdiObject<HBITMAP>;

// A device context of a window (of the screen for null), released when done.
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

struct ReleaseComReference {
    void operator()(IUnknown* object) const { object->Release(); }
};

// One reference to a COM interface; a pointer given to it is a reference taken over.
template <typename Interface>
class ComPtr : public Owner<Interface*, ReleaseComReference> {
public:
    using Owner<Interface*, ReleaseComReference>::Owner;
    Interface* operator->() const { return this->get(); }
    // Where a call that hands out a reference (CoCreateInstance, QueryInterface) puts it;
    // what was held before is released first.
    void** out() {
        this->reset();
        return reinterpret_cast<void**>(&this->handle_);
    }
};

// IUnknown for a COM object of our own that implements `Interface`, whose id is
// `kInterfaceId`: QueryInterface answers that interface and IUnknown, the count is safe
// across threads, and the last Release deletes the object. Made with one reference, which
// its maker owns (a ComPtr).
template <typename Interface, const IID& kInterfaceId>
class ComObject : public Interface {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, kInterfaceId)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // The references held now, for tests that check none is left behind.
    LONG references() const { return references_; }

protected:
    ComObject() = default;
    // Virtual so that the last Release ends the whole object; COM's callers see only the
    // interface's slots, which come first.
    virtual ~ComObject() = default;

private:
    LONG references_ = 1;
};

}  // namespace icoforge
