#pragma once
// SHA-256, for naming every output by its content and every module by its bytes.

#include <array>
#include <cstdint>
#include <string>

#include "common/bytes.h"

namespace icoforge::scan {

using Digest = std::array<std::uint8_t, 32>;

class Sha256 {
public:
    Sha256();
    void Update(ByteView bytes);
    Digest Finish();

private:
    void Block(const std::uint8_t* block);
    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> pending_{};
    std::uint64_t length_ = 0;  // bytes so far
};

Digest Sha256Of(ByteView bytes);
std::string HexOf(const Digest& digest);

}  // namespace icoforge::scan
