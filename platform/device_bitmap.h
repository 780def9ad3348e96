#pragma once
// A device-dependent copy of a packed device-independent bitmap. On Windows this is a
// GDI bitmap made for a device context; elsewhere there is no device to match, so the
// copy is the DIB itself (header, colour table and bits), owned by the object.

#include <cstdint>
#include <utility>

#include "common/bytes.h"
#include "common/opaque.h"

namespace icoforge {

// An opaque device context handle, passed through unchanged (an HDC on Windows). A null
// context stands for the screen.
using DeviceContext = void*;

class DeviceBitmap {
public:
    DeviceBitmap() = default;

    bool valid() const;
    // The GDI bitmap (HBITMAP) on Windows; null elsewhere and when not valid.
    void* native_handle() const;
    // The owned copy of the packed DIB on platforms without GDI; empty on Windows.
    ByteView dib() const;
    // The size of the bitmap in pixels as the device sees it; 0, 0 when not valid.
    std::int32_t width() const;
    std::int32_t height() const;

    struct State;  // defined by each platform's implementation
    explicit DeviceBitmap(Opaque<State> state) : state_(std::move(state)) {}

private:
    Opaque<State> state_;
};

// `packed` is a 40-byte BITMAPINFOHEADER, its colour table and then the pixel bits, which
// begin `bits_offset` bytes in. The caller has checked that the bits hold every row the
// header describes; the bitmap is refused again here, before the system reads it, when
// they do not. An invalid DeviceBitmap when the device refuses the bitmap.
DeviceBitmap CreateDeviceBitmap(DeviceContext context, ByteView packed, std::uint64_t bits_offset);

}  // namespace icoforge
