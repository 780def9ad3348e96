#pragma once
// Size arithmetic on values that come from untrusted headers: a result that does not fit
// is nothing rather than a wrapped number.

#include <cstdint>
#include <limits>
#include <optional>

namespace icoforge {

constexpr std::optional<std::uint64_t> CheckedMul(std::uint64_t a, std::uint64_t b) {
    std::uint64_t r = 0;
    if (__builtin_mul_overflow(a, b, &r)) return std::nullopt;
    return r;
}

constexpr std::optional<std::uint64_t> CheckedAdd(std::uint64_t a, std::uint64_t b) {
    std::uint64_t r = 0;
    if (__builtin_add_overflow(a, b, &r)) return std::nullopt;
    return r;
}

// Pictures keep their width and height as signed 32-bit values; a header may declare more.
constexpr bool FitsInt32(std::uint64_t value) {
    return value <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
}

}  // namespace icoforge
