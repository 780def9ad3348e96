#include "imageconv/orientation.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "common/byte_reader.h"

namespace icoforge {
namespace {

// TIFF's numbers for what is read here: the tag, its type, and the two versions' magic.
enum TiffNumber : std::uint16_t { kOrientationTag = 0x0112, kShortType = 3, kClassicMagic = 42, kBigTiffMagic = 43 };
constexpr std::string_view kExifPrefix{"Exif\0\0", 6};

// TIFF is written in either byte order, named by its first two bytes.
struct TiffReader {
    ByteView data;
    bool big_endian = false;

    std::optional<std::uint16_t> U16(std::uint64_t at) const {
        const auto v = ReadU16(data, at);
        if (!v || !big_endian) return v;
        return static_cast<std::uint16_t>((*v >> 8) | (*v << 8));
    }
    std::optional<std::uint32_t> U32(std::uint64_t at) const {
        const auto first = U16(at), second = U16(at + 2);
        if (!first || !second) return std::nullopt;
        return big_endian ? (std::uint32_t{*first} << 16 | *second) : (std::uint32_t{*second} << 16 | *first);
    }
    std::optional<std::uint64_t> U64(std::uint64_t at) const {
        const auto first = U32(at), second = U32(at + 4);
        if (!first || !second) return std::nullopt;
        return big_endian ? (std::uint64_t{*first} << 32 | *second) : (std::uint64_t{*second} << 32 | *first);
    }
    // An offset or a count: eight bytes in BigTIFF, two or four in TIFF.
    std::optional<std::uint64_t> Field(std::uint64_t at, bool bigtiff, bool two_bytes) const {
        if (bigtiff) return U64(at);
        if (two_bytes) return U16(at);
        return U32(at);
    }
};

// Where each stored pixel goes in the upright picture, which is `width` x `height` as stored.
struct Placed {
    std::uint32_t x, y;
};
Placed Place(Orientation o, std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t height) {
    switch (o) {
        case Orientation::kUpright: break;
        case Orientation::kMirror: return {width - 1 - x, y};
        case Orientation::kTurn180: return {width - 1 - x, height - 1 - y};
        case Orientation::kFlip: return {x, height - 1 - y};
        case Orientation::kTranspose: return {y, x};
        case Orientation::kTurn90: return {height - 1 - y, x};
        case Orientation::kTransverse: return {height - 1 - y, width - 1 - x};
        case Orientation::kTurn270: return {y, width - 1 - x};
    }
    return {x, y};
}

}  // namespace

Orientation OrientationOfTiff(ByteView tiff) {
    TiffReader r{tiff};
    const auto order = ReadU16(tiff, 0);
    if (order == 0x4D4D) r.big_endian = true;
    else if (order != 0x4949) return Orientation::kUpright;
    const auto magic = r.U16(2);
    // BigTIFF widens the directory's offsets and counts to eight bytes and its entries to 20.
    const bool big = magic == kBigTiffMagic;
    if (!big && magic != kClassicMagic) return Orientation::kUpright;
    const auto directory = r.Field(big ? 8 : 4, big, false);
    const auto count = directory ? r.Field(*directory, big, true) : std::nullopt;
    if (!count) return Orientation::kUpright;
    const std::uint64_t first = *directory + (big ? 8 : 2);
    const std::uint64_t entry_bytes = big ? 20 : 12;
    // Entries past the end of the data are not there to read; the count alone allocates nothing.
    const std::uint64_t room = first < tiff.size() ? (tiff.size() - first) / entry_bytes : 0;
    for (std::uint64_t i = 0; i < std::min(*count, room); ++i) {
        const std::uint64_t entry = first + i * entry_bytes;
        if (r.U16(entry) != kOrientationTag) continue;
        if (r.U16(entry + 2) != kShortType || r.Field(entry + 4, big, false).value_or(0) != 1)
            return Orientation::kUpright;
        const auto value = r.U16(entry + (big ? 12 : 8));
        if (!value || *value < 1 || *value > 8) return Orientation::kUpright;
        return static_cast<Orientation>(*value);
    }
    return Orientation::kUpright;
}

bool IsExif(ByteView app1) {
    return std::string_view(reinterpret_cast<const char*>(app1.data()), std::min(app1.size(), kExifPrefix.size())) ==
           kExifPrefix;
}

Orientation OrientationOfExif(ByteView app1) {
    if (!IsExif(app1)) return Orientation::kUpright;
    return OrientationOfTiff(app1.subspan(kExifPrefix.size()));
}

RgbaImage TurnUpright(const RgbaImage& stored, Orientation orientation) {
    if (orientation == Orientation::kUpright) return stored;
    RgbaImage upright;
    upright.width = SwapsSides(orientation) ? stored.height : stored.width;
    upright.height = SwapsSides(orientation) ? stored.width : stored.height;
    upright.pixels.resize(stored.pixels.size());
    for (std::uint32_t y = 0; y < stored.height; ++y) {
        const std::uint8_t* in = stored.pixels.data() + std::size_t{y} * stored.RowBytes();
        for (std::uint32_t x = 0; x < stored.width; ++x, in += RgbaImage::kChannels) {
            const Placed at = Place(orientation, x, y, stored.width, stored.height);
            const std::size_t to = std::size_t{at.y} * upright.RowBytes() + std::size_t{at.x} * RgbaImage::kChannels;
            std::copy_n(in, RgbaImage::kChannels, upright.pixels.data() + to);
        }
    }
    return upright;
}

}  // namespace icoforge
