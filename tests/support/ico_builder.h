#pragma once
// Builds icon images, icon files and icon group resources for tests, so that every
// fixture is made from a description instead of kept as a binary.
//
//   ByteBuffer image = MakeDibImage({.width = 32, .height = 32, .bit_count = 4});
//   ByteBuffer file = MakeIcoFile({image, MakePngImage(256, 256)});

#include <cstdint>
#include <vector>

#include "common/byte_writer.h"
#include "common/bytes.h"

namespace icoforge::testing {

struct DibShape {
    std::int32_t width = 32;
    std::int32_t height = 32;  // the icon's height; the header stores twice as much
    std::uint16_t planes = 1;
    std::uint16_t bit_count = 4;
    std::uint32_t clr_used = 0;
    std::uint32_t size_image = 0;
    std::uint32_t header_size = 40;  // biSize; the header written is 40 bytes whatever this says
    std::uint8_t seed = 1;           // varies the pixel bytes so images differ
};

// Default colour-table entries of a bit count, as icon images have them.
inline std::uint32_t DefaultEntries(std::uint16_t bit_count) {
    return bit_count == 1 ? 2 : bit_count == 4 ? 16 : bit_count == 8 ? 256 : 0;
}

inline std::uint64_t RowBytes(std::uint64_t bits_per_pixel, std::uint64_t width) {
    return (bits_per_pixel * width + 31) / 32 * 4;
}

// A whole DIB icon image: 40-byte header, colour table, colour rows, mask rows.
inline ByteBuffer MakeDibImage(const DibShape& shape) {
    ByteWriter out;
    out.U32(shape.header_size);
    out.I32(shape.width);
    out.I32(shape.height * 2);
    out.U16(shape.planes);
    out.U16(shape.bit_count);
    out.U32(0);  // biCompression
    out.U32(shape.size_image);
    out.U32(0);
    out.U32(0);
    out.U32(shape.clr_used);
    out.U32(0);
    const std::uint32_t entries = shape.clr_used != 0 ? shape.clr_used : DefaultEntries(shape.bit_count);
    for (std::uint32_t i = 0; i < entries; ++i) out.U32(0x00010203u * (i + shape.seed));
    const std::uint64_t colour = RowBytes(std::uint64_t{shape.planes} * shape.bit_count, shape.width) * shape.height;
    for (std::uint64_t i = 0; i < colour; ++i) out.U8(static_cast<std::uint8_t>(i * 7 + shape.seed));
    const std::uint64_t mask = RowBytes(1, shape.width) * shape.height;
    for (std::uint64_t i = 0; i < mask; ++i) out.U8(static_cast<std::uint8_t>(0xF0 ^ (i + shape.seed)));
    return out.Take();
}

// The start of a PNG file: signature, IHDR chunk (8-bit RGBA), and some bytes standing
// for the rest. The icon code never decodes PNG images, it only needs them recognised.
inline ByteBuffer MakePngImage(std::uint32_t width, std::uint32_t height, std::size_t tail_bytes = 40) {
    ByteBuffer out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (std::uint32_t v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
    out.insert(out.end(), {8, 6, 0, 0, 0});
    for (std::size_t i = 0; i < tail_bytes; ++i) out.push_back(static_cast<std::uint8_t>(i * 13));
    return out;
}

// An icon file holding `images` back to back after the directory. The directory's
// width, height, colour and depth bytes are filled with 0xEE: readers must not use them.
inline ByteBuffer MakeIcoFile(const std::vector<ByteBuffer>& images, std::uint16_t type = 1) {
    ByteWriter out;
    out.U16(0);
    out.U16(type);
    out.U16(static_cast<std::uint16_t>(images.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (const auto& image : images) {
        for (int i = 0; i < 4; ++i) out.U8(0xEE);
        out.U16(0xEEEE);
        out.U16(0xEEEE);
        out.U32(static_cast<std::uint32_t>(image.size()));
        out.U32(offset);
        offset += static_cast<std::uint32_t>(image.size());
    }
    for (const auto& image : images) out.Bytes(image);
    return out.Take();
}

// An RT_GROUP_ICON resource naming the RT_ICON resources `icon_ids`, in that order.
inline ByteBuffer MakeGroupResource(const std::vector<std::uint16_t>& icon_ids) {
    ByteWriter out;
    out.U16(0);
    out.U16(1);
    out.U16(static_cast<std::uint16_t>(icon_ids.size()));
    for (std::uint16_t id : icon_ids) {
        for (int i = 0; i < 4; ++i) out.U8(0xEE);
        out.U16(0xEEEE);
        out.U16(0xEEEE);
        out.U32(0xEEEEEEEE);
        out.U16(id);
    }
    return out.Take();
}

// A RIFF chunk: id, length, body, padded to an even length.
inline void PutRiffChunk(ByteWriter& out, const char* id, const ByteBuffer& body) {
    out.Bytes({reinterpret_cast<const std::uint8_t*>(id), 4});
    out.U32(static_cast<std::uint32_t>(body.size()));
    out.Bytes(body);
    if (body.size() % 2) out.U8(0);
}

// An animated cursor (RIFF ACON) of `frames`, one-image .cur or .ico files, with rate and
// seq chunks: frame i shows for rate + i jiffies.
inline ByteBuffer MakeAniFile(const std::vector<ByteBuffer>& frames, std::uint32_t rate) {
    ByteWriter anih, rates, seq, list, body, riff;
    for (std::uint32_t v : {36u, std::uint32_t(frames.size()), std::uint32_t(frames.size()), 0u, 0u, 0u, 0u, rate, 1u})
        anih.U32(v);
    for (std::size_t i = 0; i < frames.size(); ++i) rates.U32(rate + static_cast<std::uint32_t>(i)), seq.U32(static_cast<std::uint32_t>(i));
    list.Bytes({reinterpret_cast<const std::uint8_t*>("fram"), 4});
    for (const auto& f : frames) PutRiffChunk(list, "icon", f);
    body.Bytes({reinterpret_cast<const std::uint8_t*>("ACON"), 4});
    PutRiffChunk(body, "anih", anih.Take());
    PutRiffChunk(body, "rate", rates.Take());
    PutRiffChunk(body, "seq ", seq.Take());
    PutRiffChunk(body, "LIST", list.Take());
    PutRiffChunk(riff, "RIFF", body.Take());
    return riff.Take();
}

}  // namespace icoforge::testing
