#include "platform/device_bitmap.h"

#include <cstdlib>
#include <limits>

#include "common/bitmap_layout.h"
#include "common/byte_reader.h"

namespace icoforge {
// Without a display device the closest thing to a device bitmap is the DIB itself.
struct DeviceBitmap::State {
    ByteBuffer dib;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

bool DeviceBitmap::valid() const { return state_ != nullptr; }
void* DeviceBitmap::native_handle() const { return nullptr; }
ByteView DeviceBitmap::dib() const { return state_ ? ByteView(state_->dib) : ByteView(); }
std::int32_t DeviceBitmap::width() const { return state_ ? state_->width : 0; }
std::int32_t DeviceBitmap::height() const { return state_ ? state_->height : 0; }

DeviceBitmap CreateDeviceBitmap(DeviceContext, ByteView packed, std::uint64_t bits_offset) {
    const auto width = ReadI32(packed, bih::kWidth);
    const auto height = ReadI32(packed, bih::kHeight);
    if (packed.size() < bih::kHeaderBytes || !width || !height || bits_offset < bih::kHeaderBytes ||
        bits_offset > packed.size()) {
        return {};
    }
    auto state = MakeOpaque<DeviceBitmap::State>();
    state->dib.assign(packed.begin(), packed.end());
    state->width = *width;
    // A top-down DIB (negative height) makes a device bitmap of the same number of rows.
    state->height = *height == std::numeric_limits<std::int32_t>::min() ? std::numeric_limits<std::int32_t>::max()
                                                                         : std::abs(*height);
    return DeviceBitmap(std::move(state));
}

}  // namespace icoforge
