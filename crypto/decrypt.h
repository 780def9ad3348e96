#pragma once
// DecryptData: the deciphering routine behind the About text, and its inverse for
// whoever has to produce such data (tools, tests).
//
// Algorithm 1 is DES in ECB mode over a length-prefixed block; algorithm 2 is RC4.
// Everything a call needs (derived key, DES schedule, RC4 state) lives in the call.

#include <cstdint>
#include <optional>
#include <string_view>

#include "common/bytes.h"
#include "crypto/des.h"

namespace icoforge {

enum class CipherAlgorithm : std::int32_t { kDesBlocks = 1, kRc4 = 2 };

// The algorithm an optional argument selects: only the integer 2 selects RC4; anything
// else, and no argument at all, selects the DES variant.
CipherAlgorithm SelectCipherAlgorithm(std::optional<std::int32_t> argument);

// Plain bytes of `data` under `key` (its bytes are the key material). Empty when the
// data is empty or, for algorithm 1, does not decipher to a valid length-prefixed block.
ByteBuffer DecryptData(ByteView data, std::string_view key, std::optional<std::int32_t> algorithm = std::nullopt);

// The inverse: data that DecryptData turns back into `plain`. Algorithm 1 needs at least
// one plain byte and at most INT32_MAX - 11 (the prefix is signed and must leave room for
// the padding); empty otherwise.
ByteBuffer EncryptData(ByteView plain, std::string_view key, std::optional<std::int32_t> algorithm = std::nullopt);

// Algorithm 1's key: every key byte k XORed into byte k mod 8, in the bit numbering of
// this cipher (least significant bit first). Standard DES sees ReverseKeyBitOrder of it.
DesKey FoldDesKey(std::string_view key);

// RC4 keystream XORed over `data`; no keystream bytes are dropped. An empty key leaves
// the state in its initial order.
ByteBuffer Rc4Apply(ByteView data, ByteView key);

}  // namespace icoforge
