#pragma once
// Where the benchmarks find Wine's modules: 32-bit Wine's where the kernel runs it, which
// is what the figures in the README were taken with, otherwise 64-bit Wine's own (a kernel
// without 32-bit support gets only those).

#include <filesystem>

namespace icoforge::bench {

inline std::filesystem::path WineModules() {
    const std::filesystem::path i386 = "/usr/lib/i386-linux-gnu/wine/i386-windows";
    if (std::filesystem::is_regular_file(i386 / "shell32.dll")) return i386;
    return "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows";
}

}  // namespace icoforge::bench
