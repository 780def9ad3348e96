#include <libdeflate.h>

#include <memory>

#include "iconextract/inflate/whole_inflate.h"

namespace icoforge {
namespace {

struct FreeDecompressor {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

}  // namespace

std::optional<bool> InflateWhole(ByteView stream, std::span<std::uint8_t> out) {
    thread_local std::unique_ptr<libdeflate_decompressor, FreeDecompressor> decompressor(libdeflate_alloc_decompressor());
    if (!decompressor) return false;
    std::size_t in = 0, produced = 0;
    const auto result = libdeflate_zlib_decompress_ex(decompressor.get(), stream.data(), stream.size(), out.data(),
                                                      out.size(), &in, &produced);
    return result == LIBDEFLATE_SUCCESS && in == stream.size() && produced == out.size();
}

}  // namespace icoforge
