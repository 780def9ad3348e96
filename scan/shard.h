#pragma once
// Shards of a scan spread over machines: a path belongs to shard K of N by a hash of its
// bytes that every machine and every build computes alike.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace icoforge::scan {

struct Shard {
    std::uint32_t index = 1;  // K, from 1
    std::uint32_t count = 1;  // N
};

// The most shards a scan may be cut into; more would leave most of them empty for any
// real tree, and the bound keeps "K/N" a small number to type.
inline constexpr std::uint32_t kMaxShards = 1'000'000;

// "K/N" with 1 <= K <= N <= kMaxShards, or nothing.
std::optional<Shard> ParseShard(std::string_view text);

// The first eight bytes of the path's SHA-256, big-endian.
std::uint64_t StablePathHash(std::string_view path);

bool InShard(std::string_view path, const Shard& shard);

}  // namespace icoforge::scan
