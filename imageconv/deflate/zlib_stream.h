#pragma once
// A zlib stream (RFC 1950) of some bytes, quickly made: for PNG images written many at a
// time, where the compressor is most of the time spent. Built on libdeflate where the
// machine has it (about twice zlib's speed on icons, and smaller), else on zlib.

#include "common/bytes.h"
#include "common/failure.h"

namespace icoforge {

// Refused only when memory runs out.
Result<ByteBuffer> QuickZlibStream(ByteView bytes);

}  // namespace icoforge
