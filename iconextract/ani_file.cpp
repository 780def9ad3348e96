#include "iconextract/ani_file.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "common/byte_reader.h"

namespace icoforge {
namespace {

constexpr std::uint64_t kChunkHeader = 8;  // four-character id, little-endian length
constexpr std::uint64_t kRiffHeader = 12;  // "RIFF", length, form type
// anih: cbSize, nFrames, nSteps, iWidth, iHeight, iBitCount, nPlanes, iDispRate, bfAttributes.
constexpr std::uint64_t kAnihBytes = 36;
constexpr std::uint64_t kAnihFrames = 4;
constexpr std::uint64_t kAnihSteps = 8;
constexpr std::uint64_t kAnihRate = 28;
constexpr std::uint64_t kAnihFlags = 32;
constexpr std::uint32_t kFlagIcon = 1;  // frames are icon or cursor files

bool IdIs(ByteView bytes, std::uint64_t at, const char (&id)[5]) {
    const auto slice = SliceOf(bytes, at, 4);
    return slice.ok && std::memcmp(slice.bytes.data(), id, 4) == 0;
}

// A run of little-endian words, as the rate and seq chunks hold; a partial word at the
// end is dropped.
std::vector<std::uint32_t> Words(ByteView chunk) {
    std::vector<std::uint32_t> words(chunk.size() / 4);
    for (std::size_t i = 0; i < words.size(); ++i) words[i] = *ReadU32(chunk, 4 * i);
    return words;
}

struct Chunk {
    std::uint64_t id_at = 0;
    ByteView body;
};

// The chunks of [begin, end) of `bytes`, each padded to an even length. A chunk whose
// length runs past the end is cut to what is there, as readers of RIFF files do; the walk
// advances by at least one chunk header a step, so it ends.
std::vector<Chunk> Chunks(ByteView bytes, std::uint64_t begin, std::uint64_t end) {
    std::vector<Chunk> chunks;
    std::uint64_t at = begin;
    while (at + kChunkHeader <= end) {
        const std::uint64_t length = *ReadU32(bytes, at + 4);
        const std::uint64_t body = at + kChunkHeader;
        const std::uint64_t size = std::min(length, end - body);
        chunks.push_back({at, bytes.subspan(static_cast<std::size_t>(body), static_cast<std::size_t>(size))});
        at = body + size + (size & 1);
    }
    return chunks;
}

}  // namespace

bool LooksLikeAni(ByteView bytes) { return IdIs(bytes, 0, "RIFF") && IdIs(bytes, 8, "ACON"); }

Result<AniFile> ReadAni(ByteView riff) {
    if (!LooksLikeAni(riff)) return Fail("parse", "", "not an animated cursor: no RIFF of form ACON");
    const std::uint64_t stored = std::uint64_t{*ReadU32(riff, 4)} + kChunkHeader;
    const std::uint64_t end = std::min<std::uint64_t>(stored, riff.size());
    AniFile ani;
    bool have_header = false;
    for (const Chunk& chunk : Chunks(riff, kRiffHeader, end)) {
        if (IdIs(riff, chunk.id_at, "anih")) {
            if (chunk.body.size() < kAnihBytes) return Fail("parse", "", "the animation header (anih) is cut short");
            ani.frames = *ReadU32(chunk.body, kAnihFrames);
            ani.steps = *ReadU32(chunk.body, kAnihSteps);
            ani.default_rate = *ReadU32(chunk.body, kAnihRate);
            ani.frames_are_icons = (*ReadU32(chunk.body, kAnihFlags) & kFlagIcon) != 0;
            have_header = true;
        } else if (IdIs(riff, chunk.id_at, "rate")) {
            ani.rates = Words(chunk.body);
        } else if (IdIs(riff, chunk.id_at, "seq ")) {
            ani.sequence = Words(chunk.body);
        } else if (IdIs(riff, chunk.id_at, "LIST") && IdIs(chunk.body, 0, "fram")) {
            for (const Chunk& frame : Chunks(chunk.body, 4, chunk.body.size()))
                if (IdIs(chunk.body, frame.id_at, "icon")) ani.frame_bytes.push_back(frame.body);
        }
    }
    if (!have_header) return Fail("parse", "", "the animation has no header chunk (anih)");
    return ani;
}

}  // namespace icoforge
