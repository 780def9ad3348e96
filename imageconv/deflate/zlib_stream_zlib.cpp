#include <zlib.h>

#include <limits>
#include <new>

#include "imageconv/deflate/zlib_stream.h"

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

}  // namespace icoforge
