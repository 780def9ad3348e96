#pragma once
// A small reader of .ico files of the tests' own, written from the published format and
// not from the program's reader, so that what the commands wrote is checked against the
// format itself: the directory, each image's bytes, and a single 24-bit icon's pixels.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "common/byte_reader.h"
#include "common/bytes.h"

namespace icoforge::testing {

// The images an icon file's directory names, in order; empty when the file is no icon.
inline std::vector<ByteBuffer> IcoImages(const ByteBuffer& ico) {
    std::vector<ByteBuffer> images;
    if (ReadU16(ico, 0) != 0 || ReadU16(ico, 2) != 1) return images;
    const std::uint16_t count = ReadU16(ico, 4).value_or(0);
    for (std::uint16_t i = 0; i < count; ++i) {
        const auto size = ReadU32(ico, 6 + 16 * i + 8), offset = ReadU32(ico, 6 + 16 * i + 12);
        if (!size || !offset || std::uint64_t{*offset} + *size > ico.size()) return {};
        images.emplace_back(ico.begin() + *offset, ico.begin() + *offset + *size);
    }
    return images;
}

inline std::size_t RowBytesOf(std::size_t bits) { return (bits + 31) / 32 * 4; }

// Checks that `icon` is one 24-bit image of edge x edge whose colours are those of the BMP
// file `snapshot` and whose mask marks exactly its white pixels.
inline void ExpectIconOfSnapshot(const ByteBuffer& icon, const ByteBuffer& snapshot, std::int32_t edge) {
    const auto images = IcoImages(icon);
    ASSERT_EQ(images.size(), 1u);
    ASSERT_EQ(ReadU8(icon, 6), edge);
    ASSERT_EQ(ReadU8(icon, 7), edge);
    const ByteBuffer& image = images[0];
    ASSERT_EQ(ReadI32(image, 4), edge);
    ASSERT_EQ(ReadI32(image, 8), 2 * edge);
    ASSERT_EQ(ReadU16(image, 14), 24);
    const std::size_t side = static_cast<std::size_t>(edge);
    const std::size_t colour_row = RowBytesOf(24 * side), mask_row = RowBytesOf(side);
    const std::size_t colours = 40, mask = colours + colour_row * side;
    ASSERT_GE(image.size(), mask + mask_row * side);
    ASSERT_EQ(ReadU16(snapshot, 28), 24);
    const std::size_t pixels = *ReadU32(snapshot, 10);
    ASSERT_GE(snapshot.size(), pixels + colour_row * side);
    int wrong = 0;
    for (std::size_t y = 0; y < side; ++y) {
        for (std::size_t x = 0; x < side; ++x) {
            const std::uint8_t* want = snapshot.data() + pixels + y * colour_row + 3 * x;
            const std::uint8_t* got = image.data() + colours + y * colour_row + 3 * x;
            const bool white = want[0] == 0xFF && want[1] == 0xFF && want[2] == 0xFF;
            const bool transparent = (image[mask + y * mask_row + x / 8] >> (7 - x % 8)) & 1;
            if (transparent != white || (!white && !std::equal(want, want + 3, got))) ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0);
}

}  // namespace icoforge::testing
