#include "app/win32/drop_object.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "platform/win32/wide.h"

namespace icoforge {
namespace {

// The formats the drop object may ask a drag for, taken once when it is made.
struct DropFormats {
    CLIPFORMAT url = 0;
    CLIPFORMAT html = 0;

    CLIPFORMAT Of(DropKind kind) const {
        switch (kind) {
            case DropKind::kText: return CF_TEXT;
            case DropKind::kHtml: return html;
            case DropKind::kUrl: return url;
            case DropKind::kFiles: return CF_HDROP;
        }
        return 0;
    }
};

DropFormats RegisterDropFormats() {
    return {static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"UniformResourceLocator")),
            static_cast<CLIPFORMAT>(RegisterClipboardFormatW(L"HTML Format"))};
}

FORMATETC RequestFor(CLIPFORMAT format) { return {format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}; }

// A medium the data object handed over, released exactly once.
class ReceivedMedium {
public:
    ReceivedMedium(IDataObject* data, CLIPFORMAT format) {
        FORMATETC request = RequestFor(format);
        received_ = format != 0 && data != nullptr && SUCCEEDED(data->GetData(&request, &medium_));
    }
    ~ReceivedMedium() {
        if (received_) ReleaseStgMedium(&medium_);
    }
    ReceivedMedium(const ReceivedMedium&) = delete;
    ReceivedMedium& operator=(const ReceivedMedium&) = delete;

    // Null unless the data came as global memory, whatever the object answered.
    HGLOBAL global() const { return received_ && medium_.tymed == TYMED_HGLOBAL ? medium_.hGlobal : nullptr; }

private:
    STGMEDIUM medium_{};
    bool received_ = false;
};

// Global memory locked for reading while this lives.
class LockedGlobal {
public:
    explicit LockedGlobal(HGLOBAL global)
        : global_(global), bytes_(global ? static_cast<const char*>(GlobalLock(global)) : nullptr) {}
    ~LockedGlobal() {
        if (bytes_) GlobalUnlock(global_);
    }
    LockedGlobal(const LockedGlobal&) = delete;
    LockedGlobal& operator=(const LockedGlobal&) = delete;

    // The text up to its terminating zero, or to the end of the block where a sender left
    // the zero out.
    std::optional<std::string_view> Text() const {
        if (!bytes_) return std::nullopt;
        const std::size_t size = GlobalSize(global_);
        const void* end = std::memchr(bytes_, 0, size);
        return std::string_view(bytes_, end ? static_cast<std::size_t>(static_cast<const char*>(end) - bytes_) : size);
    }

private:
    HGLOBAL global_;
    const char* bytes_;
};

// One drag's data object, questioned the way the drop rules ask.
class OleDropData final : public DropData {
public:
    OleDropData(IDataObject* data, const DropFormats& formats) : data_(data), formats_(formats) {}

    bool Offers(DropKind kind) const override {
        FORMATETC request = RequestFor(formats_.Of(kind));
        return data_ != nullptr && request.cfFormat != 0 && data_->QueryGetData(&request) == S_OK;
    }

    std::optional<std::string> Text(DropKind kind) const override {
        if (kind == DropKind::kFiles) return std::nullopt;
        const ReceivedMedium medium(data_, formats_.Of(kind));
        const LockedGlobal memory(medium.global());
        const auto text = memory.Text();
        if (!text) return std::nullopt;
        // HTML travels as UTF-8 and stays so: made ANSI it would lose every character the
        // code page lacks. Plain text and URLs travel in the ANSI code page.
        if (kind == DropKind::kHtml) return std::string(*text);
        return Utf8FromAnsi(*text);
    }

    std::optional<std::vector<std::string>> Files() const override {
        const ReceivedMedium medium(data_, CF_HDROP);
        const HDROP drop = static_cast<HDROP>(medium.global());
        if (!drop) return std::nullopt;
        // The wide calls, so that every path arrives whatever the code page.
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        std::vector<std::string> paths;
        paths.reserve(count);
        for (UINT i = 0; i < count; ++i) {
            const UINT length = DragQueryFileW(drop, i, nullptr, 0);
            std::wstring path(static_cast<std::size_t>(length) + 1, L'\0');
            path.resize(DragQueryFileW(drop, i, path.data(), length + 1));
            paths.push_back(Utf8FromWide(path));
        }
        return paths;
    }

private:
    IDataObject* data_;
    const DropFormats& formats_;
};

}  // namespace

// The OLE face of the drop rules. OLE calls it on the thread that registered the window.
class DropTarget final : public ComObject<IDropTarget, IID_IDropTarget> {
public:
    DropTarget(DropSettings settings, DropEventSink raise)
        : formats_(RegisterDropFormats()), state_(settings), raise_(std::move(raise)) {}

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD key_state, POINTL point, DWORD* effect) override {
        if (!effect) return E_INVALIDARG;
        try {
            *effect = state_.DragEnter(OleDropData(data, formats_), key_state, *effect).effect;
        } catch (...) {
            state_.DragLeave();
            *effect = DROPEFFECT_NONE;
        }
        if (drag_images_ && data) {
            POINT at{point.x, point.y};
            drag_images_->DragEnter(drag_image_window_, data, &at, *effect);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD key_state, POINTL point, DWORD* effect) override {
        if (!effect) return E_INVALIDARG;
        *effect = state_.DragOver(key_state, *effect).effect;
        if (drag_images_) {
            POINT at{point.x, point.y};
            drag_images_->DragOver(&at, *effect);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override {
        state_.DragLeave();
        if (drag_images_) drag_images_->DragLeave();
        return S_OK;
    }
    // Answers E_FAIL whatever was raised, so the source never takes a move as done and
    // deletes the files the window has only read; the chosen effect still goes back.
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD key_state, POINTL point, DWORD* effect) override {
        if (!effect) return E_INVALIDARG;
        const DWORD allowed = *effect;
        *effect = ChooseDropEffect(state_.accepting(), key_state, allowed).effect;
        if (drag_images_ && data) {
            POINT at{point.x, point.y};
            drag_images_->Drop(data, &at, *effect);
        }
        try {
            state_.Drop(OleDropData(data, formats_), key_state, allowed, raise_);
        } catch (...) {
            // A handler that failed is the handler's to report; OLE must not see it.
        }
        return E_FAIL;
    }

    // Asks the shell for its drag-image helper, which draws what is dragged over `window`.
    // Without one (some systems have none) drags simply show no image.
    void ShowDragImagesOver(HWND window) {
        if (drag_images_) return;
        if (SUCCEEDED(CoCreateInstance(CLSID_DragDropHelper, nullptr, CLSCTX_INPROC_SERVER, IID_IDropTargetHelper,
                                       drag_images_.out())))
            drag_image_window_ = window;
    }

private:
    DropFormats formats_;
    DropTargetState state_;
    DropEventSink raise_;
    ComPtr<IDropTargetHelper> drag_images_;  // when the shell has one
    HWND drag_image_window_ = nullptr;
};

DropObject::DropObject(HWND parent, DropSettings settings, DropEventSink raise)
    : parent_(parent), target_(new (std::nothrow) DropTarget(settings, std::move(raise))) {}

DropObject::~DropObject() { RevokeDragDrop(parent_); }

bool DropObject::RegisterDropWindow(HWND window) {
    const bool registered = registration_.Register(reinterpret_cast<std::uintptr_t>(window), [&](std::uintptr_t) {
        return target_ && RegisterDragDrop(window, target_.get()) == S_OK;
    });
    if (registered) target_->ShowDragImagesOver(window);
    return registered;
}

IDropTarget* DropObject::target() const { return target_.get(); }

}  // namespace icoforge
