#pragma once
// Little-endian writing into an owned buffer: appends, and patches at offsets that the
// caller has already written.

#include <cstdint>

#include "common/bytes.h"

namespace icoforge {

class ByteWriter {
public:
    ByteWriter() = default;
    explicit ByteWriter(std::size_t reserve) { out_.reserve(reserve); }

    void U8(std::uint8_t v) { out_.push_back(v); }
    void U16(std::uint16_t v) {
        out_.push_back(static_cast<std::uint8_t>(v));
        out_.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v) {
        for (int shift = 0; shift < 32; shift += 8) out_.push_back(static_cast<std::uint8_t>(v >> shift));
    }
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void Bytes(ByteView bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }
    void Zeros(std::size_t count) { out_.insert(out_.end(), count, 0); }

    std::size_t size() const { return out_.size(); }
    const ByteBuffer& buffer() const { return out_; }
    ByteBuffer Take() { return std::move(out_); }

private:
    ByteBuffer out_;
};

// Patches inside an existing buffer; false (and nothing changed) when the field does not fit.
inline bool PutU16At(ByteBuffer& buffer, std::uint64_t offset, std::uint16_t v) {
    if (!RangeFits(offset, 2, buffer.size())) return false;
    buffer[offset] = static_cast<std::uint8_t>(v);
    buffer[offset + 1] = static_cast<std::uint8_t>(v >> 8);
    return true;
}
inline bool PutU32At(ByteBuffer& buffer, std::uint64_t offset, std::uint32_t v) {
    if (!RangeFits(offset, 4, buffer.size())) return false;
    for (int i = 0; i < 4; ++i) buffer[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
    return true;
}

}  // namespace icoforge
