#pragma once
// zlib streams (RFC 1950) made and read whole, for the PNG images of icons, which are made
// and decoded by the hundred. Built on libdeflate where the machine has it (about twice
// zlib's speed to compress them, three to four times to inflate them), else on zlib; the
// bytes a stream stands for are the same either way.

#include <optional>
#include <span>

#include "common/bytes.h"
#include "common/failure.h"

namespace icoforge {

// A zlib stream of `bytes`, quickly made. Refused only when memory runs out.
Result<ByteBuffer> QuickZlibStream(ByteView bytes);

// Inflates `stream` into exactly out.size() bytes, the stream ending with them and
// nothing after it. Nothing when the build has no whole-stream decoder; false when it
// refuses the stream (damaged, another length, a wrong Adler-32), which leaves the caller
// to inflate it as it otherwise would.
std::optional<bool> InflateWhole(ByteView stream, std::span<std::uint8_t> out);

}  // namespace icoforge
