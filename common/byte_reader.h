#pragma once
// Bounds-checked little-endian reading. A read that does not fit yields nothing: the
// reader never invents zeros for bytes that are not there.

#include <cstdint>
#include <optional>

#include "common/bytes.h"

namespace icoforge {

// Reads at absolute offsets; for structures addressed by offset (directories, headers).
inline std::optional<std::uint8_t> ReadU8(ByteView data, std::uint64_t offset) {
    if (!RangeFits(offset, 1, data.size())) return std::nullopt;
    return data[static_cast<std::size_t>(offset)];
}
inline std::optional<std::uint16_t> ReadU16(ByteView data, std::uint64_t offset) {
    if (!RangeFits(offset, 2, data.size())) return std::nullopt;
    const auto* p = data.data() + offset;
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::optional<std::uint32_t> ReadU32(ByteView data, std::uint64_t offset) {
    if (!RangeFits(offset, 4, data.size())) return std::nullopt;
    const auto* p = data.data() + offset;
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::optional<std::uint64_t> ReadU64(ByteView data, std::uint64_t offset) {
    auto lo = ReadU32(data, offset);
    auto hi = ReadU32(data, offset + 4);
    if (!lo || !hi || offset + 4 < offset) return std::nullopt;
    return *lo | (static_cast<std::uint64_t>(*hi) << 32);
}
inline std::optional<std::int16_t> ReadI16(ByteView data, std::uint64_t offset) {
    auto v = ReadU16(data, offset);
    if (!v) return std::nullopt;
    return static_cast<std::int16_t>(*v);
}
inline std::optional<std::int32_t> ReadI32(ByteView data, std::uint64_t offset) {
    auto v = ReadU32(data, offset);
    if (!v) return std::nullopt;
    return static_cast<std::int32_t>(*v);
}

// A cursor over a byte view for sequential formats. After the first read that does not
// fit, the reader is failed: every later read yields nothing and position() stays put,
// so a caller may read a whole record and check ok() once.
class ByteReader {
public:
    explicit ByteReader(ByteView data, std::uint64_t start = 0) : data_(data), pos_(start) {
        if (start > data.size()) failed_ = true;
    }

    bool ok() const { return !failed_; }
    std::uint64_t position() const { return pos_; }
    std::uint64_t remaining() const { return failed_ ? 0 : data_.size() - pos_; }
    ByteView data() const { return data_; }

    std::optional<std::uint8_t> U8() { return Take<std::uint8_t>(1, ReadU8); }
    std::optional<std::uint16_t> U16() { return Take<std::uint16_t>(2, ReadU16); }
    std::optional<std::uint32_t> U32() { return Take<std::uint32_t>(4, ReadU32); }
    std::optional<std::int16_t> I16() { return Take<std::int16_t>(2, ReadI16); }
    std::optional<std::int32_t> I32() { return Take<std::int32_t>(4, ReadI32); }

    // The next `size` bytes as a view, or nothing (and the reader fails).
    std::optional<ByteView> Bytes(std::uint64_t size) {
        if (failed_) return std::nullopt;
        auto sub = SliceOf(data_, pos_, size);
        if (!sub.ok) {
            failed_ = true;
            return std::nullopt;
        }
        pos_ += size;
        return sub.bytes;
    }
    bool Skip(std::uint64_t size) { return Bytes(size).has_value(); }
    bool Seek(std::uint64_t offset) {
        if (failed_ || offset > data_.size()) {
            failed_ = true;
            return false;
        }
        pos_ = offset;
        return true;
    }

private:
    template <typename T, typename Fn>
    std::optional<T> Take(std::uint64_t size, Fn read) {
        if (failed_) return std::nullopt;
        auto v = read(data_, pos_);
        if (!v) {
            failed_ = true;
            return std::nullopt;
        }
        pos_ += size;
        return v;
    }

    ByteView data_;
    std::uint64_t pos_ = 0;
    bool failed_ = false;
};

}  // namespace icoforge
