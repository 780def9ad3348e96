#include "platform/replacing_file.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <random>

namespace icoforge {
namespace {

std::uint64_t SeedFromSystem() {
    try {
        std::random_device device;
        return (static_cast<std::uint64_t>(device()) << 32) ^ device();
    } catch (...) {
        // No random source: the clock still makes a clash unlikely, and creation is
        // exclusive, so a clash costs only another attempt.
        return static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    }
}

// splitmix64's finaliser: consecutive counts give unrelated-looking names.
std::uint64_t Mixed(std::uint64_t x) {
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9u;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebu;
    return x ^ (x >> 31);
}

}  // namespace

std::string TemporaryPathBeside(std::string_view destination_utf8_path) {
    // One seed per process, stirred with a count. Opening a std::random_device costs about
    // 30 µs on our machines, more than writing a small file: one per file made the 1,840
    // PNGs of one module take 50 ms longer to write. The names need not resist
    // guessing, since the file is created exclusively and without following links.
    static const std::uint64_t seed = SeedFromSystem();
    static std::atomic<std::uint64_t> count{0};
    std::uint64_t bits = Mixed(seed + count.fetch_add(1, std::memory_order_relaxed) * 0x9e3779b97f4a7c15u);
    constexpr char kHex[] = "0123456789abcdef";
    std::string suffix = ".icoforge-";
    for (int i = 0; i < 12; ++i, bits >>= 4) suffix += kHex[bits & 15];
    return std::string(destination_utf8_path) + suffix + ".tmp";
}

}  // namespace icoforge
