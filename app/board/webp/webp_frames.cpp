#include "app/board/webp/webp_frames.h"

#include "app/board/icon_pictures.h"
#include "common/byte_reader.h"
#include "common/riff_chunks.h"

namespace icoforge {
namespace {

// Where the fields lie in their chunks. VP8X: flags, three reserved bytes, canvas width - 1,
// canvas height - 1 (24 bits each). ANMF: x / 2, y / 2, width - 1, height - 1, duration
// (24 bits each), flags; then the frame's own chunks.
enum Vp8xField : std::uint64_t { kCanvasWidth = 4, kCanvasHeight = 7, kVp8xBytes = 10 };
enum AnmfField : std::uint64_t { kFrameX = 0, kFrameY = 3, kFrameWidth = 6, kFrameHeight = 9, kAnmfHeader = 16 };

// The caller has checked that the three bytes are there.
std::uint32_t U24(ByteView bytes, std::uint64_t at) {
    return std::uint32_t{*ReadU8(bytes, at)} | std::uint32_t{*ReadU8(bytes, at + 1)} << 8 |
           std::uint32_t{*ReadU8(bytes, at + 2)} << 16;
}

Result<WebpFirstFrame> Refused(std::string reason) { return Fail(std::string(kNotDecoded), "", std::move(reason)); }

}  // namespace

Result<WebpFirstFrame> FirstWebpFrame(ByteView file) {
    const std::vector<RiffChunk> chunks = RiffFormChunks(file, "WEBP");
    if (chunks.empty() || !FourCcIs(file, chunks.front().id_at, "VP8X") || chunks.front().body.size() < kVp8xBytes)
        return Refused("an animated WebP without its extended header (VP8X)");
    WebpFirstFrame frame;
    frame.canvas_width = U24(chunks.front().body, kCanvasWidth) + 1;
    frame.canvas_height = U24(chunks.front().body, kCanvasHeight) + 1;
    for (const RiffChunk& chunk : chunks) {
        if (!FourCcIs(file, chunk.id_at, "ANMF")) continue;
        if (chunk.body.size() < kAnmfHeader) return Refused("an animated WebP whose first frame is cut short");
        frame.x = 2 * U24(chunk.body, kFrameX);
        frame.y = 2 * U24(chunk.body, kFrameY);
        frame.width = U24(chunk.body, kFrameWidth) + 1;
        frame.height = U24(chunk.body, kFrameHeight) + 1;
        // All four fit in 25 bits, so the sums cannot overflow.
        if (frame.x + frame.width > frame.canvas_width || frame.y + frame.height > frame.canvas_height)
            return Refused("an animated WebP whose first frame lies outside its canvas");
        frame.data = chunk.body.subspan(kAnmfHeader);
        return frame;
    }
    return Refused("an animated WebP without a frame");
}

}  // namespace icoforge
