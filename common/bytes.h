#pragma once
// Byte buffers: the owned form and the borrowed view every parser takes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace icoforge {

using ByteBuffer = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// True when [offset, offset + size) lies inside a buffer of `total` bytes. Written so
// that no sum can wrap, whatever the three values are.
constexpr bool RangeFits(std::uint64_t offset, std::uint64_t size, std::uint64_t total) {
    return offset <= total && size <= total - offset;
}

// The sub-view [offset, offset + size), or an empty view with ok = false when it does
// not fit. Nested structures are handed on as such validated sub-views.
struct SubView {
    ByteView bytes;
    bool ok = false;
};
constexpr SubView SliceOf(ByteView data, std::uint64_t offset, std::uint64_t size) {
    if (!RangeFits(offset, size, data.size())) return {};
    return {data.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(size)), true};
}

}  // namespace icoforge
