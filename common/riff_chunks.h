#pragma once
// The chunks of a RIFF file (.ani animations, WebP pictures): a four-character id, a
// little-endian length and the body, padded to an even length.

#include <cstdint>
#include <vector>

#include "common/bytes.h"

namespace icoforge {

inline constexpr std::uint64_t kRiffChunkHeader = 8;  // id, length
inline constexpr std::uint64_t kRiffHeader = 12;      // "RIFF", length, form type

struct RiffChunk {
    std::uint64_t id_at = 0;  // where the chunk's id stands in the bytes walked
    ByteView body;
};

// True when the four bytes at `at` are `id`; false when they are not there.
bool FourCcIs(ByteView bytes, std::uint64_t at, const char (&id)[5]);

// The chunks of [begin, end) of `bytes`. A chunk whose length runs past the end is cut to
// what is there, as readers of RIFF files do; the walk advances by at least one chunk
// header a step, so it ends.
std::vector<RiffChunk> RiffChunks(ByteView bytes, std::uint64_t begin, std::uint64_t end);

// The top-level chunks of a RIFF of form `form`, read up to its stored length or the end
// of the bytes, whichever comes first; nothing when the bytes are not such a RIFF.
std::vector<RiffChunk> RiffFormChunks(ByteView file, const char (&form)[5]);

// True when the bytes start "RIFF", length, `form`.
bool IsRiffForm(ByteView file, const char (&form)[5]);

}  // namespace icoforge
