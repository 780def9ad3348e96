#include "platform/replacing_file.h"

#include <chrono>
#include <cstdint>
#include <random>

namespace icoforge {

std::string TemporaryPathBeside(std::string_view destination_utf8_path) {
    std::uint64_t bits = 0;
    try {
        std::random_device device;
        bits = (static_cast<std::uint64_t>(device()) << 32) ^ device();
    } catch (...) {
        // No random source: the clock still makes a clash unlikely, and creation is
        // exclusive, so a clash costs only another attempt.
        bits = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    }
    constexpr char kHex[] = "0123456789abcdef";
    std::string suffix = ".icoforge-";
    for (int i = 0; i < 12; ++i, bits >>= 4) suffix += kHex[bits & 15];
    return std::string(destination_utf8_path) + suffix + ".tmp";
}

}  // namespace icoforge
