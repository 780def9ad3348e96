// The first image of a GIF stream, decoded by the variable-length LZW scheme of GIF89a.
#include <array>
#include <vector>

#include "app/board/board_decoders.h"
#include "common/byte_reader.h"

namespace icoforge::board_detail {
namespace {

constexpr std::uint64_t kScreenDescriptorEnd = 13;
// The byte that opens each block behind the screen descriptor, and the labels of the
// extensions GIF89a defines.
enum BlockIntroducer : std::uint8_t { kExtension = 0x21, kImageDescriptor = 0x2C };
enum ExtensionLabel : std::uint8_t {
    kPlainTextLabel = 0x01, kGraphicControlLabel = 0xF9, kCommentLabel = 0xFE, kApplicationLabel = 0xFF,
};
// GIF89a: codes are at most 12 bits, so the string table never holds more than this.
constexpr std::uint32_t kMaxCodes = 4096;
constexpr unsigned kMaxCodeBits = 12;

using Palette = std::array<std::uint8_t, 256 * 3>;  // red, green, blue; unused entries black

// A colour table of 2^(size field + 1) entries at `at`, or nothing when it does not fit.
bool ReadColourTable(ByteView bytes, std::uint64_t at, unsigned size_field, Palette& palette, std::uint64_t& end) {
    const std::uint64_t entries = std::uint64_t{1} << (size_field + 1);
    const SubView table = SliceOf(bytes, at, entries * 3);
    if (!table.ok) return false;
    palette.fill(0);
    std::copy(table.bytes.begin(), table.bytes.end(), palette.begin());
    end = at + entries * 3;
    return true;
}

// Sub-blocks from `at` to their zero terminator; `end` is the byte after it. Nothing
// when a block runs past the end of the data.
bool WalkSubBlocks(ByteView bytes, std::uint64_t at, std::uint64_t& end, std::vector<std::uint8_t>* gathered) {
    for (;;) {
        const auto length = ReadU8(bytes, at);
        if (!length) return false;
        ++at;
        if (*length == 0) break;
        const SubView block = SliceOf(bytes, at, *length);
        if (!block.ok) return false;
        if (gathered != nullptr) gathered->insert(gathered->end(), block.bytes.begin(), block.bytes.end());
        at += *length;
    }
    end = at;
    return true;
}

// Decodes codes into `indices` until the end code, the data, or the pixels run out. An
// invalid code ends the image where it stands: what was decoded is kept.
void DecodeLzw(const std::vector<std::uint8_t>& data, unsigned minimum_bits, std::vector<std::uint8_t>& indices) {
    std::array<std::uint16_t, kMaxCodes> prefix{};
    std::array<std::uint8_t, kMaxCodes> suffix{};
    std::array<std::uint8_t, kMaxCodes> first{};
    std::array<std::uint16_t, kMaxCodes> length{};
    const std::uint32_t clear = 1u << minimum_bits;
    const std::uint32_t end_of_information = clear + 1;
    for (std::uint32_t code = 0; code < clear; ++code) {
        // A minimum code size above 8 allows literals past the 256 colours: they show colour 0.
        suffix[code] = first[code] = code < 256 ? static_cast<std::uint8_t>(code) : 0;
        length[code] = 1;
    }
    unsigned code_bits = minimum_bits + 1;
    std::uint32_t next_code = clear + 2;
    std::int32_t previous = -1;
    std::size_t written = 0;
    std::uint64_t bit_position = 0;
    const std::uint64_t total_bits = std::uint64_t{data.size()} * 8;

    while (written < indices.size() && bit_position + code_bits <= total_bits) {
        std::uint32_t code = 0;
        for (unsigned i = 0; i < code_bits; ++i, ++bit_position)
            code |= static_cast<std::uint32_t>((data[bit_position / 8] >> (bit_position % 8)) & 1u) << i;
        if (code == clear) {
            code_bits = minimum_bits + 1;
            next_code = clear + 2;
            previous = -1;
            continue;
        }
        if (code == end_of_information) break;
        std::uint32_t emitted = code;
        if (previous < 0) {
            if (code >= clear) break;
        } else if (code < next_code) {
            if (next_code < kMaxCodes) {
                prefix[next_code] = static_cast<std::uint16_t>(previous);
                suffix[next_code] = first[code];
                first[next_code] = first[previous];
                length[next_code] = static_cast<std::uint16_t>(length[previous] + 1);
                ++next_code;
            }
        } else if (code == next_code && next_code < kMaxCodes) {
            prefix[next_code] = static_cast<std::uint16_t>(previous);
            suffix[next_code] = first[previous];
            first[next_code] = first[previous];
            length[next_code] = static_cast<std::uint16_t>(length[previous] + 1);
            ++next_code;
        } else {
            break;
        }
        // The string is written back to front from its last character, cut at the image's end.
        const std::size_t string_length = length[emitted];
        for (std::size_t i = string_length; i-- > 0;) {
            if (written + i < indices.size()) indices[written + i] = suffix[emitted];
            emitted = prefix[emitted];
        }
        written += string_length;
        previous = static_cast<std::int32_t>(code);
        if (next_code == (1u << code_bits) && code_bits < kMaxCodeBits) ++code_bits;
    }
}

// The row of the image that the n-th decoded row belongs to: four passes for an
// interlaced image, starting at rows 0, 4, 2, 1 and stepping 8, 8, 4, 2.
std::vector<std::uint32_t> RowOrder(std::uint32_t height, bool interlaced) {
    std::vector<std::uint32_t> order;
    order.reserve(height);
    if (!interlaced) {
        for (std::uint32_t y = 0; y < height; ++y) order.push_back(y);
        return order;
    }
    constexpr std::uint32_t kStart[] = {0, 4, 2, 1};
    constexpr std::uint32_t kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (std::uint32_t y = kStart[pass]; y < height; y += kStep[pass]) order.push_back(y);
    return order;
}

}  // namespace

std::optional<BoardPicture> DecodeGif(ByteView bytes, const BoardDecodeOptions& options) {
    if (bytes.size() <= kScreenDescriptorEnd) return std::nullopt;
    const std::uint8_t screen_flags = bytes[10];
    Palette global{};
    std::uint64_t at = kScreenDescriptorEnd;
    if ((screen_flags & 0x80) != 0 && !ReadColourTable(bytes, at, screen_flags & 7u, global, at)) return std::nullopt;

    // Every block moves `at` forward, so the walk ends at the data's end at the latest.
    for (;;) {
        const auto introducer = ReadU8(bytes, at);
        if (!introducer) return std::nullopt;
        if (*introducer == kExtension) {
            const auto label = ReadU8(bytes, at + 1);
            if (!label || (*label != kPlainTextLabel && *label != kGraphicControlLabel && *label != kCommentLabel &&
                           *label != kApplicationLabel))
                return std::nullopt;
            // The graphic control's transparency is not applied: the picture is drawn opaque.
            if (!WalkSubBlocks(bytes, at + 2, at, nullptr)) return std::nullopt;
            continue;
        }
        // The trailer, a zero byte or anything else before the first image: no picture.
        if (*introducer != kImageDescriptor) return std::nullopt;
        break;
    }

    ByteReader descriptor(bytes, at + 5);
    const auto width = descriptor.U16();
    const auto height = descriptor.U16();
    const auto image_flags = descriptor.U8();
    if (!descriptor.ok() || !WithinPixelLimit(*width, *height, options.max_pixels)) return std::nullopt;
    at = descriptor.position();
    Palette palette = global;
    if ((*image_flags & 0x80) != 0 && !ReadColourTable(bytes, at, *image_flags & 7u, palette, at)) return std::nullopt;
    const auto minimum_bits = ReadU8(bytes, at);
    // Up to 11, so that the first codes still fit the 12 bits a code may have.
    if (!minimum_bits || *minimum_bits < 1 || *minimum_bits >= kMaxCodeBits) return std::nullopt;
    std::vector<std::uint8_t> data;
    if (!WalkSubBlocks(bytes, at + 1, at, &data)) return std::nullopt;

    // Pixels the data does not reach keep colour 0, as a stream cut short shows them.
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(*width) * *height);
    DecodeLzw(data, *minimum_bits, indices);

    BoardPicture picture;
    picture.kind = BoardPictureKind::Gif;
    picture.width = *width;
    picture.height = *height;
    picture.pixels = BoardImage(picture.width, picture.height);
    const std::vector<std::uint32_t> order = RowOrder(*height, (*image_flags & 0x40) != 0);
    for (std::uint32_t n = 0; n < order.size(); ++n) {
        const std::uint8_t* in = indices.data() + static_cast<std::size_t>(n) * *width;
        std::uint8_t* out = picture.pixels.Row(static_cast<std::int32_t>(order[n]));
        for (std::uint32_t x = 0; x < *width; ++x, out += 4) {
            const std::uint8_t* rgb = palette.data() + in[x] * 3;
            out[0] = rgb[2];
            out[1] = rgb[1];
            out[2] = rgb[0];
            out[3] = 255;
        }
    }
    return picture;
}

}  // namespace icoforge::board_detail
