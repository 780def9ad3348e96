#include "scan/shard.h"

#include <charconv>

#include "scan/sha256.h"

namespace icoforge::scan {

std::optional<Shard> ParseShard(std::string_view text) {
    const auto slash = text.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const auto number = [](std::string_view digits) -> std::optional<std::uint32_t> {
        std::uint32_t value = 0;
        if (digits.empty() || digits.size() > 7 || digits[0] < '0' || digits[0] > '9') return std::nullopt;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
        return value;
    };
    const auto k = number(text.substr(0, slash));
    const auto n = number(text.substr(slash + 1));
    if (!k || !n || *k < 1 || *k > *n || *n > kMaxShards) return std::nullopt;
    return Shard{*k, *n};
}

std::uint64_t StablePathHash(std::string_view path) {
    const Digest digest = Sha256Of(ByteView(reinterpret_cast<const std::uint8_t*>(path.data()), path.size()));
    std::uint64_t hash = 0;
    for (int i = 0; i < 8; ++i) hash = (hash << 8) | digest[i];
    return hash;
}

bool InShard(std::string_view path, const Shard& shard) {
    return StablePathHash(path) % shard.count == shard.index - 1;
}

}  // namespace icoforge::scan
