#include "iconextract/ani_file.h"

#include <string>

#include "common/byte_reader.h"
#include "common/riff_chunks.h"

namespace icoforge {
namespace {

// anih: cbSize, nFrames, nSteps, iWidth, iHeight, iBitCount, nPlanes, iDispRate, bfAttributes.
enum AnihField : std::uint64_t { kAnihFrames = 4, kAnihSteps = 8, kAnihRate = 28, kAnihFlags = 32, kAnihBytes = 36 };
constexpr std::uint32_t kFlagIcon = 1;  // frames are icon or cursor files

// A run of little-endian words, as the rate and seq chunks hold; a partial word at the
// end is dropped.
std::vector<std::uint32_t> Words(ByteView chunk) {
    std::vector<std::uint32_t> words(chunk.size() / 4);
    for (std::size_t i = 0; i < words.size(); ++i) words[i] = *ReadU32(chunk, 4 * i);
    return words;
}

}  // namespace

bool LooksLikeAni(ByteView bytes) { return IsRiffForm(bytes, "ACON"); }

Result<AniFile> ReadAni(ByteView riff) {
    if (!LooksLikeAni(riff)) return Fail("parse", "", "not an animated cursor: no RIFF of form ACON");
    AniFile ani;
    bool have_header = false;
    for (const RiffChunk& chunk : RiffFormChunks(riff, "ACON")) {
        if (FourCcIs(riff, chunk.id_at, "anih")) {
            if (chunk.body.size() < kAnihBytes) return Fail("parse", "", "the animation header (anih) is cut short");
            ani.frames = *ReadU32(chunk.body, kAnihFrames);
            ani.steps = *ReadU32(chunk.body, kAnihSteps);
            ani.default_rate = *ReadU32(chunk.body, kAnihRate);
            ani.frames_are_icons = (*ReadU32(chunk.body, kAnihFlags) & kFlagIcon) != 0;
            have_header = true;
        } else if (FourCcIs(riff, chunk.id_at, "rate")) {
            ani.rates = Words(chunk.body);
        } else if (FourCcIs(riff, chunk.id_at, "seq ")) {
            ani.sequence = Words(chunk.body);
        } else if (FourCcIs(riff, chunk.id_at, "LIST") && FourCcIs(chunk.body, 0, "fram")) {
            for (const RiffChunk& frame : RiffChunks(chunk.body, 4, chunk.body.size()))
                if (FourCcIs(chunk.body, frame.id_at, "icon")) ani.frame_bytes.push_back(frame.body);
        }
    }
    if (!have_header) return Fail("parse", "", "the animation has no header chunk (anih)");
    return ani;
}

}  // namespace icoforge
