#pragma once
// The first frame of an animated WebP, found by walking the file's chunks. libwebp's
// still-picture decoder takes a frame's own data (its alpha chunk and bitstream) as it
// stands, so composing the first frame needs no demuxer.

#include <cstdint>

#include "common/bytes.h"
#include "common/failure.h"

namespace icoforge {

struct WebpFirstFrame {
    std::uint32_t canvas_width = 0, canvas_height = 0;
    // Where the frame stands on the canvas, wholly inside it.
    std::uint32_t x = 0, y = 0, width = 0, height = 0;
    ByteView data;  // ALPH and VP8, or VP8L, with any unknown chunks among them
};

// Refused, with the reason, when the file has no extended header (VP8X) first, no frame
// (ANMF), or a first frame that does not lie inside the canvas.
Result<WebpFirstFrame> FirstWebpFrame(ByteView file);

}  // namespace icoforge
