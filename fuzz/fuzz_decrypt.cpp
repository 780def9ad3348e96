// DecryptData's DES framing on arbitrary bytes: the first byte picks a key length, the
// key is taken from the front, and the rest is the enciphered data.
#include <algorithm>
#include <string_view>

#include "crypto/decrypt.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t key_length = std::min<std::size_t>(data[0] % 24, size - 1);
    const std::string_view key(reinterpret_cast<const char*>(data + 1), key_length);
    const icoforge::ByteView cipher(data + 1 + key_length, size - 1 - key_length);
    const auto plain = icoforge::DecryptData(cipher, key, 1);
    if (!plain.empty() && (plain.size() + 4 > cipher.size() || cipher.size() >= plain.size() + 12)) __builtin_trap();
    return 0;
}
