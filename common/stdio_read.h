#pragma once
// Reading a C stream by whole records: a short read is a failure, never a partly filled
// buffer that the caller takes for data.

#include <cstdint>
#include <cstdio>
#include <span>

namespace icoforge {

inline bool ReadExactly(std::FILE* file, std::span<std::uint8_t> into) {
    return std::fread(into.data(), 1, into.size(), file) == into.size();
}

}  // namespace icoforge
