#pragma once
// SHA-256, for naming every output by its content and every module by its bytes.

#include <array>
#include <cstdint>
#include <string>

#include "common/bytes.h"

namespace icoforge::scan {

using Digest = std::array<std::uint8_t, 32>;

// The portable rounds, or the processor's SHA instructions (x86 SHA-NI) where it has them:
// hashing every module that holds icons is most of a scan's work otherwise.
enum class Sha256Engine : std::uint8_t { Portable, Processor };

class Sha256 {
public:
    // The processor's engine when it has one.
    Sha256();
    // The engine asked for (tests compare both); the portable one where there is no other.
    explicit Sha256(Sha256Engine engine);
    void Update(ByteView bytes);
    Digest Finish();

    static bool ProcessorEngineAvailable();

private:
    void Blocks(const std::uint8_t* blocks, std::size_t count);
    bool processor_ = false;
    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> pending_{};
    std::uint64_t length_ = 0;  // bytes so far
};

Digest Sha256Of(ByteView bytes);
std::string HexOf(const Digest& digest);

}  // namespace icoforge::scan
