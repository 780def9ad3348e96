// The first frame of an animated WebP found in arbitrary bytes: when one is found, it lies
// inside its canvas and its data inside the file.
#include <cstdint>
#include <cstdlib>

#include "app/board/webp/webp_frames.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto frame = icoforge::FirstWebpFrame(icoforge::ByteView(data, size));
    if (!frame) return 0;
    if (frame->x + frame->width > frame->canvas_width || frame->y + frame->height > frame->canvas_height) std::abort();
    if (frame->data.data() < data || frame->data.data() + frame->data.size() > data + size) std::abort();
    return 0;
}
