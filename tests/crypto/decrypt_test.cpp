#include "crypto/decrypt.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace icoforge {
namespace {

ByteBuffer Hex(std::string_view hex) {
    ByteBuffer out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return out;
}

DesBlock Block(std::string_view hex) {
    const ByteBuffer bytes = Hex(hex);
    DesBlock block{};
    std::copy(bytes.begin(), bytes.end(), block.begin());
    return block;
}

ByteBuffer Bytes(std::string_view text) { return ByteBuffer(text.begin(), text.end()); }

// The key text whose folded, least-significant-first key is the standard DES key `hex`.
std::string KeyTextFor(std::string_view hex) {
    const DesKey ours = ReverseKeyBitOrder(Block(hex));
    return std::string(ours.begin(), ours.end());
}

// Enciphers raw 8-byte blocks (prefix included) the way algorithm 1 deciphers them, so
// that any prefix value, valid or not, can be put in front of DecryptData.
ByteBuffer EncipherRaw(const ByteBuffer& plain, std::string_view key) {
    const DesSchedule schedule = MakeDesSchedule(ReverseKeyBitOrder(FoldDesKey(key)), DesDirection::kEncipher);
    ByteBuffer out;
    for (std::size_t offset = 0; offset + 8 <= plain.size(); offset += 8) {
        DesBlock block;
        std::copy_n(plain.begin() + static_cast<std::ptrdiff_t>(offset), 8, block.begin());
        const DesBlock c = DesCryptBlock(block, schedule);
        out.insert(out.end(), c.begin(), c.end());
    }
    return out;
}

ByteBuffer Framed(std::int32_t prefix, std::size_t total, std::uint8_t fill = 'x') {
    ByteBuffer plain(total, fill);
    for (int i = 0; i < 4; ++i) plain[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(prefix) >> (8 * i));
    return plain;
}

struct KnownAnswer {
    const char* key;
    const char* plain;
    const char* cipher;
};

// FIPS 46-3 worked example, the FIPS 81 "Now is t" block and NIST SP 800-17 entries.
constexpr KnownAnswer kKnownAnswers[] = {
    {"133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
    {"0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"},
    {"0101010101010101", "8000000000000000", "95F8A5E5DD31D900"},
    {"8001010101010101", "0000000000000000", "95A8D72813DAA94D"},
    {"0E329232EA6D0D73", "8787878787878787", "0000000000000000"},
};

TEST(Des, KnownAnswersBothWaysThroughTheBitReversedKey) {
    for (const auto& v : kKnownAnswers) {
        SCOPED_TRACE(v.key);
        const DesKey standard = Block(v.key);
        EXPECT_EQ(DesCryptBlock(Block(v.plain), MakeDesSchedule(standard, DesDirection::kEncipher)), Block(v.cipher));
        EXPECT_EQ(DesCryptBlock(Block(v.cipher), MakeDesSchedule(standard, DesDirection::kDecipher)), Block(v.plain));
        // Our key numbering is the same cipher once every key byte is mirrored.
        EXPECT_EQ(ReverseKeyBitOrder(FoldDesKey(KeyTextFor(v.key))), standard);
    }
}

TEST(DecryptData, DesBlockMadeByAnIndependentDes) {
    // Block 04000000 "Win!" enciphered by another DES implementation under the mirrored
    // bytes of the key text "icoforge".
    EXPECT_EQ(DecryptData(Hex("5458cc75b17f78fc"), "icoforge"), Bytes("Win!"));
    EXPECT_EQ(DecryptData(Hex("5458cc75b17f78fc"), "icoforge", 1), Bytes("Win!"));
}

TEST(DecryptData, LengthPrefixDecidesValidity) {
    const std::string key = "prefix key";
    struct Case {
        std::int32_t prefix;
        std::size_t total;
        std::size_t expected;  // 0: empty result
    };
    const Case cases[] = {
        {4, 8, 4},        {1, 8, 1},       {0, 8, 0},   {-1, 8, 0}, {INT_MIN, 8, 0}, {5, 8, 0},
        {3, 16, 0},       {5, 16, 5},      {12, 16, 12}, {13, 16, 0}, {4, 16, 0},     {INT_MAX, 16, 0},
        {1000, 1008, 1000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.prefix) + " in " + std::to_string(c.total));
        const ByteBuffer plain = Framed(c.prefix, c.total);
        const ByteBuffer result = DecryptData(EncipherRaw(plain, key), key);
        ASSERT_EQ(result.size(), c.expected);
        EXPECT_TRUE(std::equal(result.begin(), result.end(), plain.begin() + 4));
    }
}

TEST(DecryptData, DesRefusesDataThatIsNotWholeBlocks) {
    const ByteBuffer sixteen = EncipherRaw(Framed(5, 16), "k");
    EXPECT_TRUE(DecryptData(ByteView(sixteen).first(12), "k").empty());
    EXPECT_TRUE(DecryptData(ByteView(sixteen).first(7), "k").empty());
    EXPECT_TRUE(DecryptData({}, "k").empty());
    EXPECT_TRUE(DecryptData({}, "k", 2).empty());
}

TEST(DecryptData, EncryptDataRoundTripsBothAlgorithms) {
    for (std::size_t length : {1u, 3u, 4u, 5u, 12u, 158u}) {
        ByteBuffer plain(length);
        for (std::size_t i = 0; i < length; ++i) plain[i] = static_cast<std::uint8_t>(i * 37 + 1);
        for (std::int32_t algorithm : {1, 2}) {
            const ByteBuffer cipher = EncryptData(plain, "twelve bytes", algorithm);
            if (algorithm == 1) {
                EXPECT_EQ(cipher.size() % 8, 0u);
            }
            EXPECT_NE(cipher, plain);
            EXPECT_EQ(DecryptData(cipher, "twelve bytes", algorithm), plain) << length << " / " << algorithm;
        }
    }
    EXPECT_TRUE(EncryptData({}, "k", 1).empty());
}

TEST(DecryptData, KeyFoldingGivesEqualKeys) {
    // Bytes 0 and 8 both land in key byte 0.
    EXPECT_EQ(FoldDesKey("abcdefghX"), FoldDesKey("Xbcdefgha"));
    // The most significant bit of each byte is the parity position DES ignores.
    const ByteBuffer cipher = EncryptData(Bytes("same plain"), "abc", 1);
    EXPECT_EQ(DecryptData(cipher, "\xE1" "bc", 1), Bytes("same plain"));
    EXPECT_EQ(DecryptData(EncryptData(Bytes("p"), "abcdefghX"), "Xbcdefgha"), Bytes("p"));
    // An empty key, and a key whose bytes cancel, are the all-zero key.
    EXPECT_EQ(FoldDesKey(""), DesKey{});
    EXPECT_EQ(FoldDesKey("qq"), (DesKey{'q', 'q', 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(FoldDesKey("0123456701234567"), DesKey{});
    // The key text ends at its terminating zero.
    EXPECT_EQ(FoldDesKey(std::string_view("ab\0cd", 5)), FoldDesKey("ab"));
    // A different key does not decipher (the prefix comes out as noise).
    EXPECT_NE(DecryptData(cipher, "abd", 1), Bytes("same plain"));
}

struct Rc4Vector {
    const char* key;
    std::size_t offset;
    const char* stream;
};

// RFC 6229 keystreams for 40-, 64- and 128-bit keys.
constexpr Rc4Vector kRc4Vectors[] = {
    {"0102030405", 0, "b2396305f03dc027ccc3524a0a1118a8"},
    {"0102030405", 16, "6982944f18fc82d589c403a47a0d0919"},
    {"0102030405", 240, "28cb1132c96ce286421dcaadb8b69eae"},
    {"0102030405", 4096, "ff25b58995996707e51fbdf08b34d875"},
    {"0102030405060708", 0, "97ab8a1bf0afb96132f2f67258da15a8"},
    {"0102030405060708", 1520, "1fe8986713f07c3d9ae1c163ff8cf9d3"},
    {"0102030405060708090a0b0c0d0e0f10", 0, "9ac7cc9a609d1ef7b2932899cde41b97"},
    {"0102030405060708090a0b0c0d0e0f10", 256, "d39d566bc6bce3010768151549f3873f"},
};

TEST(Rc4, MatchesPublishedKeystreamsWithNothingDropped) {
    for (const auto& v : kRc4Vectors) {
        SCOPED_TRACE(std::string(v.key) + " @" + std::to_string(v.offset));
        const ByteBuffer zeros(v.offset + 16, 0);
        const ByteBuffer stream = Rc4Apply(zeros, Hex(v.key));
        EXPECT_EQ(ByteBuffer(stream.begin() + static_cast<std::ptrdiff_t>(v.offset), stream.end()), Hex(v.stream));
    }
    // The classic text examples go through DecryptData with their key texts.
    EXPECT_EQ(DecryptData(Bytes("Plaintext"), "Key", 2), Hex("bbf316e8d940af0ad3"));
    EXPECT_EQ(DecryptData(Hex("bbf316e8d940af0ad3"), "Key", 2), Bytes("Plaintext"));
    EXPECT_EQ(DecryptData(Bytes("Attack at dawn"), "Secret", 2), Hex("45a01f645fc35b383552544b9bf5"));
}

TEST(Rc4, EmptyKeySkipsTheScheduleAndAnyLengthRoundTrips) {
    // Identity state: i=1 gives S[2], i=2 (after swapping S[2], S[3]) gives S[5].
    const ByteBuffer stream = DecryptData(ByteBuffer(2, 0), "", 2);
    EXPECT_EQ(stream, (ByteBuffer{2, 5}));
    ByteBuffer about(158);
    for (std::size_t i = 0; i < about.size(); ++i) about[i] = static_cast<std::uint8_t>(255 - i);
    const ByteBuffer once = DecryptData(about, "0123456789ab", 2);
    EXPECT_EQ(once.size(), 158u);
    EXPECT_EQ(DecryptData(once, "0123456789ab", 2), about);
}

TEST(DecryptData, OnlyTheIntegerTwoSelectsRc4) {
    EXPECT_EQ(SelectCipherAlgorithm(2), CipherAlgorithm::kRc4);
    for (auto other : {std::optional<std::int32_t>{}, std::optional<std::int32_t>{1}, std::optional<std::int32_t>{3},
                       std::optional<std::int32_t>{0}, std::optional<std::int32_t>{-2}})
        EXPECT_EQ(SelectCipherAlgorithm(other), CipherAlgorithm::kDesBlocks);
    // RC4 data read as algorithm 3 goes through the DES framing and is refused.
    EXPECT_TRUE(DecryptData(EncryptData(Bytes("12345678"), "k", 2), "k", 3).empty());
}

}  // namespace
}  // namespace icoforge
