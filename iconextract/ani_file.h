#pragma once
// Animated cursors and icons (.ani, RT_ANICURSOR, RT_ANIICON): a RIFF file of form ACON
// holding a header chunk (anih), optional rate and sequence chunks, and a LIST of frames,
// each frame an icon or cursor file of its own.

#include <cstdint>
#include <vector>

#include "common/bytes.h"
#include "common/failure.h"

namespace icoforge {

struct AniFile {
    std::uint32_t frames = 0;  // what the header says
    std::uint32_t steps = 0;
    std::uint32_t default_rate = 0;          // jiffies (1/60 s) per step
    std::vector<std::uint32_t> rates;        // one per step, when the file gives them
    std::vector<std::uint32_t> sequence;     // one frame index per step, when the file gives it
    bool frames_are_icons = true;            // else each frame is a bare DIB
    std::vector<ByteView> frame_bytes;       // the frames found, in file order
};

// Chunks are read up to the RIFF's stored length or the end of the bytes, whichever comes
// first. Refused when the bytes are not a RIFF of form ACON or it has no anih chunk.
Result<AniFile> ReadAni(ByteView riff);

// True when the bytes start as an animated cursor does ("RIFF", length, "ACON").
bool LooksLikeAni(ByteView bytes);

}  // namespace icoforge
