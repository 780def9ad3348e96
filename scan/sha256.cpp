#include "scan/sha256.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define ICOFORGE_SHA_NI 1
#endif

namespace icoforge::scan {
namespace {

constexpr std::array<std::uint32_t, 64> kRound = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::uint32_t Rotr(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

void PortableBlock(std::array<std::uint32_t, 8>& state_, const std::uint8_t* block) {
    std::uint32_t w[64];
    for (int i = 0; i < 16; ++i)
        w[i] = (std::uint32_t{block[4 * i]} << 24) | (std::uint32_t{block[4 * i + 1]} << 16) |
               (std::uint32_t{block[4 * i + 2]} << 8) | block[4 * i + 3];
    for (int i = 16; i < 64; ++i) {
        const std::uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
        const std::uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    std::uint32_t e = state_[4], f = state_[5], g = state_[6], h = state_[7];
    for (int i = 0; i < 64; ++i) {
        const std::uint32_t t1 = h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + kRound[i] + w[i];
        const std::uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
    state_[4] += e;
    state_[5] += f;
    state_[6] += g;
    state_[7] += h;
}

#ifdef ICOFORGE_SHA_NI
bool CpuHasShaInstructions() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d) || (c & bit_SSE4_1) == 0 || (c & bit_SSSE3) == 0) return false;
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
    return (b & (1u << 29)) != 0;  // SHA extensions
}

// The rounds four at a time: the state kept as ABEF and CDGH, as the instructions want it.
__attribute__((target("sha,sse4.1,ssse3"))) void ProcessorBlocks(std::array<std::uint32_t, 8>& state,
                                                                  const std::uint8_t* data, std::size_t count) {
    const __m128i byte_order = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
    __m128i tmp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[0]));
    __m128i state1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[4]));
    tmp = _mm_shuffle_epi32(tmp, 0xB1);
    state1 = _mm_shuffle_epi32(state1, 0x1B);
    __m128i state0 = _mm_alignr_epi8(tmp, state1, 8);
    state1 = _mm_blend_epi16(state1, tmp, 0xF0);
    for (; count > 0; --count, data += 64) {
        const __m128i abef = state0, cdgh = state1;
        __m128i w[16];
        // Unrolled, so that the schedule stays in registers and the g < 4 test disappears.
#pragma GCC unroll 16
        for (int g = 0; g < 16; ++g) {
            if (g < 4) {
                w[g] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * g)), byte_order);
            } else {
                w[g] = _mm_sha256msg2_epu32(
                    _mm_add_epi32(_mm_sha256msg1_epu32(w[g - 4], w[g - 3]), _mm_alignr_epi8(w[g - 1], w[g - 2], 4)),
                    w[g - 1]);
            }
            __m128i message = _mm_add_epi32(w[g], _mm_loadu_si128(reinterpret_cast<const __m128i*>(&kRound[4 * g])));
            state1 = _mm_sha256rnds2_epu32(state1, state0, message);
            message = _mm_shuffle_epi32(message, 0x0E);
            state0 = _mm_sha256rnds2_epu32(state0, state1, message);
        }
        state0 = _mm_add_epi32(state0, abef);
        state1 = _mm_add_epi32(state1, cdgh);
    }
    tmp = _mm_shuffle_epi32(state0, 0x1B);
    state1 = _mm_shuffle_epi32(state1, 0xB1);
    state0 = _mm_blend_epi16(tmp, state1, 0xF0);
    state1 = _mm_alignr_epi8(state1, tmp, 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[0]), state0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[4]), state1);
}
#endif

}  // namespace

bool Sha256::ProcessorEngineAvailable() {
#ifdef ICOFORGE_SHA_NI
    static const bool available = CpuHasShaInstructions();
    return available;
#else
    return false;
#endif
}

Sha256::Sha256() : Sha256(Sha256Engine::Processor) {}

Sha256::Sha256(Sha256Engine engine)
    : processor_(engine == Sha256Engine::Processor && ProcessorEngineAvailable()),
      state_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19} {}

void Sha256::Blocks(const std::uint8_t* blocks, std::size_t count) {
#ifdef ICOFORGE_SHA_NI
    if (processor_) {
        ProcessorBlocks(state_, blocks, count);
        return;
    }
#endif
    for (std::size_t i = 0; i < count; ++i) PortableBlock(state_, blocks + 64 * i);
}

void Sha256::Update(ByteView bytes) {
    std::size_t used = static_cast<std::size_t>(length_ % 64);
    length_ += bytes.size();
    std::size_t at = 0;
    if (used > 0) {
        const std::size_t take = std::min(bytes.size(), 64 - used);
        std::memcpy(pending_.data() + used, bytes.data(), take);
        at = take;
        if (used + take < 64) return;
        Blocks(pending_.data(), 1);
    }
    const std::size_t whole = (bytes.size() - at) / 64;
    Blocks(bytes.data() + at, whole);
    at += whole * 64;
    if (at < bytes.size()) std::memcpy(pending_.data(), bytes.data() + at, bytes.size() - at);
}

Digest Sha256::Finish() {
    const std::uint64_t bits = length_ * 8;
    std::uint8_t tail[72] = {0x80};
    const std::size_t used = static_cast<std::size_t>(length_ % 64);
    const std::size_t pad = (used < 56 ? 56 : 120) - used;
    for (int i = 0; i < 8; ++i) tail[pad + i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
    Update(ByteView(tail, pad + 8));
    Digest digest{};
    for (int i = 0; i < 8; ++i)
        for (int j = 0; j < 4; ++j) digest[4 * i + j] = static_cast<std::uint8_t>(state_[i] >> (24 - 8 * j));
    return digest;
}

Digest Sha256Of(ByteView bytes) {
    Sha256 hash;
    hash.Update(bytes);
    return hash.Finish();
}

std::string HexOf(const Digest& digest) {
    constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(64);
    for (const std::uint8_t byte : digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
    }
    return text;
}

}  // namespace icoforge::scan
