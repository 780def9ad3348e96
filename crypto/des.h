#pragma once
// DES (FIPS 46-3) on single 64-bit blocks. Blocks and keys are 8 bytes in the standard's
// order: bit 1 is the most significant bit of byte 0. The key schedule is a value owned
// by the caller, so any number of calls may run at once.

#include <array>
#include <cstdint>

namespace icoforge {

using DesKey = std::array<std::uint8_t, 8>;
using DesBlock = std::array<std::uint8_t, 8>;

enum class DesDirection { kEncipher, kDecipher };

// The 16 round keys (48 bits each), already in the order the rounds use them.
struct DesSchedule {
    std::array<std::uint64_t, 16> round_keys{};
};

DesSchedule MakeDesSchedule(const DesKey& key, DesDirection direction);
DesBlock DesCryptBlock(const DesBlock& block, const DesSchedule& schedule);

// Each byte with its bit order reversed. Our ciphers number key bits least significant
// first; under this mapping they are plain DES, which is how they are checked.
DesKey ReverseKeyBitOrder(const DesKey& key);

}  // namespace icoforge
