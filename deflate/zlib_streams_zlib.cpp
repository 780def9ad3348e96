#include <zlib.h>

#include <limits>
#include <new>

#include "deflate/zlib_streams.h"

namespace icoforge {

Result<ByteBuffer> QuickZlibStream(ByteView bytes) {
    // A low level: icons' flat runs compress nearly as well, in a fraction of the time.
    constexpr int kLevel = 2;
    if (bytes.size() > std::numeric_limits<uLong>::max()) return Fail("encode", "", "picture too large to compress");
    ByteBuffer out;
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    try {
        out.resize(size);
    } catch (const std::bad_alloc&) {
        return Fail("encode", "", "out of memory");
    }
    if (compress2(out.data(), &size, bytes.data(), static_cast<uLong>(bytes.size()), kLevel) != Z_OK)
        return Fail("encode", "", "out of memory");
    out.resize(size);
    return out;
}

// zlib's PNG readers inflate a row at a time already; a whole-stream pass would add nothing.
std::optional<bool> InflateWhole(ByteView, std::span<std::uint8_t>) { return std::nullopt; }

}  // namespace icoforge
