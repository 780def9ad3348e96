#include "platform/device_bitmap.h"

#include <windows.h>

#include <cstring>

namespace icoforge {
namespace {

constexpr std::uint64_t kInfoHeaderSize = sizeof(BITMAPINFOHEADER);
static_assert(kInfoHeaderSize == 40);

// The screen's device context for the life of the object, when the caller named none.
class ScreenContext {
public:
    explicit ScreenContext(HDC given) : dc_(given), owned_(given == nullptr) {
        if (owned_) dc_ = GetDC(nullptr);
    }
    ScreenContext(const ScreenContext&) = delete;
    ScreenContext& operator=(const ScreenContext&) = delete;
    ~ScreenContext() {
        if (owned_ && dc_ != nullptr) ReleaseDC(nullptr, dc_);
    }
    HDC get() const { return dc_; }

private:
    HDC dc_;
    bool owned_;
};

// Whether the bits hold every row the header describes, top-down or bottom-up: GDI reads
// them all from the pointer it is given and knows nothing of the buffer's end.
bool BitsHoldEveryRow(const BITMAPINFOHEADER& header, std::uint64_t available) {
    if (header.biCompression != BI_RGB || header.biWidth <= 0 || header.biHeight == 0) return false;
    const std::uint64_t rows = header.biHeight < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(std::int64_t{header.biHeight})
                                                   : static_cast<std::uint64_t>(header.biHeight);
    const std::uint64_t bits = static_cast<std::uint64_t>(header.biWidth) * header.biBitCount * header.biPlanes;
    const std::uint64_t stride = ((bits + 31) / 8) & ~std::uint64_t{3};
    return stride == 0 || rows <= available / stride;
}

}  // namespace

struct DeviceBitmap::State {
    HBITMAP bitmap = nullptr;
    ~State() {
        if (bitmap != nullptr) DeleteObject(bitmap);
    }
};

bool DeviceBitmap::valid() const { return state_ != nullptr; }
void* DeviceBitmap::native_handle() const { return state_ ? state_->bitmap : nullptr; }
ByteView DeviceBitmap::dib() const { return {}; }

std::int32_t DeviceBitmap::width() const {
    BITMAP info{};
    if (!state_ || GetObjectW(state_->bitmap, sizeof(info), &info) != sizeof(info)) return 0;
    return info.bmWidth;
}

std::int32_t DeviceBitmap::height() const {
    BITMAP info{};
    if (!state_ || GetObjectW(state_->bitmap, sizeof(info), &info) != sizeof(info)) return 0;
    return info.bmHeight;
}

DeviceBitmap CreateDeviceBitmap(DeviceContext context, ByteView packed, std::uint64_t bits_offset) {
    if (packed.size() < kInfoHeaderSize || bits_offset < kInfoHeaderSize || bits_offset > packed.size()) return {};
    // The packed block starts with exactly the BITMAPINFO that GDI expects: the header
    // followed by the colour table. Copy the header out so that alignment is no concern.
    BITMAPINFOHEADER header{};
    std::memcpy(&header, packed.data(), sizeof(header));
    if (!BitsHoldEveryRow(header, packed.size() - bits_offset)) return {};
    ScreenContext dc(static_cast<HDC>(context));
    if (dc.get() == nullptr) return {};
    auto state = MakeOpaque<DeviceBitmap::State>();
    state->bitmap = CreateDIBitmap(dc.get(), &header, CBM_INIT, packed.data() + bits_offset,
                                   reinterpret_cast<const BITMAPINFO*>(packed.data()), DIB_RGB_COLORS);
    if (state->bitmap == nullptr) return {};
    return DeviceBitmap(std::move(state));
}

}  // namespace icoforge
