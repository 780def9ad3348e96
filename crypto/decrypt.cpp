#include "crypto/decrypt.h"

#include <array>
#include <limits>

#include "common/byte_reader.h"
#include "common/byte_writer.h"

namespace icoforge {
namespace {

constexpr std::size_t kBlockSize = 8;
constexpr std::size_t kPrefixSize = 4;
// The prefix, the plain bytes and at most 7 padding bytes: length < n + 12.
constexpr std::int64_t kMaxFramingOverhead = kPrefixSize + kBlockSize;

DesSchedule ScheduleFor(std::string_view key, DesDirection direction) {
    return MakeDesSchedule(ReverseKeyBitOrder(FoldDesKey(key)), direction);
}

ByteBuffer DesEcb(ByteView data, const DesSchedule& schedule) {
    ByteBuffer out(data.size());
    for (std::size_t offset = 0; offset + kBlockSize <= data.size(); offset += kBlockSize) {
        DesBlock block;
        for (std::size_t i = 0; i < kBlockSize; ++i) block[i] = data[offset + i];
        const DesBlock result = DesCryptBlock(block, schedule);
        for (std::size_t i = 0; i < kBlockSize; ++i) out[offset + i] = result[i];
    }
    return out;
}

ByteBuffer DecryptDesBlocks(ByteView data, std::string_view key) {
    if (data.empty() || data.size() % kBlockSize != 0) return {};
    const ByteBuffer plain = DesEcb(data, ScheduleFor(key, DesDirection::kDecipher));
    const auto length = ReadI32(plain, 0);
    if (!length || *length <= 0) return {};
    const std::int64_t n = *length;
    const auto total = static_cast<std::int64_t>(plain.size());
    if (n > total - static_cast<std::int64_t>(kPrefixSize) || total >= n + kMaxFramingOverhead) return {};
    const auto body = SliceOf(plain, kPrefixSize, static_cast<std::uint64_t>(n));
    if (!body.ok) return {};
    return ByteBuffer(body.bytes.begin(), body.bytes.end());
}

ByteBuffer EncryptDesBlocks(ByteView plain, std::string_view key) {
    constexpr auto kMaxPlain = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) - 11;
    if (plain.empty() || plain.size() > kMaxPlain) return {};
    ByteWriter framed(plain.size() + kMaxFramingOverhead);
    framed.I32(static_cast<std::int32_t>(plain.size()));
    framed.Bytes(plain);
    framed.Zeros((kBlockSize - framed.size() % kBlockSize) % kBlockSize);
    return DesEcb(framed.buffer(), ScheduleFor(key, DesDirection::kEncipher));
}

// The key is a zero-terminated text: a zero byte ends it, wherever it comes.
std::string_view KeyText(std::string_view key) { return key.substr(0, key.find('\0')); }

ByteView KeyBytes(std::string_view key) {
    key = KeyText(key);
    return ByteView(reinterpret_cast<const std::uint8_t*>(key.data()), key.size());
}

}  // namespace

CipherAlgorithm SelectCipherAlgorithm(std::optional<std::int32_t> argument) {
    return argument && *argument == 2 ? CipherAlgorithm::kRc4 : CipherAlgorithm::kDesBlocks;
}

DesKey FoldDesKey(std::string_view key) {
    key = KeyText(key);
    DesKey folded{};
    for (std::size_t k = 0; k < key.size(); ++k) folded[k % folded.size()] ^= static_cast<std::uint8_t>(key[k]);
    return folded;
}

ByteBuffer Rc4Apply(ByteView data, ByteView key) {
    std::array<std::uint8_t, 256> state;
    for (unsigned i = 0; i < state.size(); ++i) state[i] = static_cast<std::uint8_t>(i);
    if (!key.empty()) {
        std::uint8_t j = 0;
        for (unsigned i = 0; i < state.size(); ++i) {
            j = static_cast<std::uint8_t>(j + state[i] + key[i % key.size()]);
            std::swap(state[i], state[j]);
        }
    }
    ByteBuffer out(data.begin(), data.end());
    std::uint8_t i = 0;
    std::uint8_t j = 0;
    for (auto& byte : out) {
        i = static_cast<std::uint8_t>(i + 1);
        j = static_cast<std::uint8_t>(j + state[i]);
        std::swap(state[i], state[j]);
        byte ^= state[static_cast<std::uint8_t>(state[i] + state[j])];
    }
    return out;
}

ByteBuffer DecryptData(ByteView data, std::string_view key, std::optional<std::int32_t> algorithm) {
    if (data.empty()) return {};
    if (SelectCipherAlgorithm(algorithm) == CipherAlgorithm::kRc4) return Rc4Apply(data, KeyBytes(key));
    return DecryptDesBlocks(data, key);
}

ByteBuffer EncryptData(ByteView plain, std::string_view key, std::optional<std::int32_t> algorithm) {
    if (plain.empty()) return {};
    if (SelectCipherAlgorithm(algorithm) == CipherAlgorithm::kRc4) return Rc4Apply(plain, KeyBytes(key));
    return EncryptDesBlocks(plain, key);
}

}  // namespace icoforge
