#include "iconbuild/icon_maker.h"

#include <algorithm>
#include <charconv>

#include "common/bitmap_layout.h"
#include "common/byte_writer.h"
#include "iconbuild/resample.h"
#include "imageconv/png_encoder.h"

namespace icoforge {
namespace {

constexpr std::uint32_t kFrameBitCount = 32;

std::size_t MaskStride(std::uint32_t width) { return static_cast<std::size_t>(bih::RowBytes(width, 1)); }

// BITMAPINFOHEADER (height counting the mask's rows too), BGRA rows bottom-up, then the
// AND mask bottom-up. Colour is zeroed where the mask is set, so readers that draw the
// mask and XOR the colour, as before alpha existed, show nothing there.
ByteBuffer EncodeDib(const RgbaImage& image) {
    const std::uint32_t w = image.width;
    const std::uint32_t h = image.height;
    const std::size_t colour_bytes = std::size_t{w} * h * 4;
    const std::size_t mask_bytes = MaskStride(w) * h;
    ByteWriter out(bih::kHeaderBytes + colour_bytes + mask_bytes);
    out.U32(bih::kHeaderBytes);
    out.I32(static_cast<std::int32_t>(w));
    out.I32(static_cast<std::int32_t>(h * 2));
    out.U16(1);  // planes
    out.U16(kFrameBitCount);
    out.U32(bih::kRgb);
    out.U32(static_cast<std::uint32_t>(colour_bytes + mask_bytes));
    out.Zeros(16);  // resolution and colour counts: none
    for (std::uint32_t row = h; row-- > 0;) {
        const std::uint8_t* p = image.pixels.data() + std::size_t{row} * image.RowBytes();
        for (std::uint32_t x = 0; x < w; ++x, p += 4) {
            const bool clear = p[3] == 0;
            out.U8(clear ? 0 : p[2]);
            out.U8(clear ? 0 : p[1]);
            out.U8(clear ? 0 : p[0]);
            out.U8(p[3]);
        }
    }
    std::vector<std::uint8_t> mask_row(MaskStride(w));
    for (std::uint32_t row = h; row-- > 0;) {
        std::fill(mask_row.begin(), mask_row.end(), 0);
        const std::uint8_t* p = image.pixels.data() + std::size_t{row} * image.RowBytes();
        for (std::uint32_t x = 0; x < w; ++x)
            if (p[std::size_t{x} * 4 + 3] == 0) mask_row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        out.Bytes(mask_row);
    }
    return out.Take();
}

// The picture the other sizes are made from: the one with the most pixels of its own.
const SourcePicture& LargestPicture(std::span<const SourcePicture> pictures) {
    return *std::max_element(pictures.begin(), pictures.end(), [](const SourcePicture& a, const SourcePicture& b) {
        return std::uint64_t{a.own_width} * a.own_height < std::uint64_t{b.own_width} * b.own_height;
    });
}

const SourcePicture* DrawnAtSize(std::span<const SourcePicture> pictures, std::uint32_t side) {
    const SourcePicture* best = nullptr;
    for (const auto& p : pictures)
        if (p.HasOwnSize() && p.own_width == side && p.own_height == side && (!best || p.bit_depth > best->bit_depth))
            best = &p;
    return best;
}

// The largest picture premultiplied, and when it is far larger than the sizes need (a
// decoder that cannot reduce while reading: BMP, GIF, PCX, TIFF), averaged down to about
// the master side first, so Lanczos' cost follows the icon's sizes, not the picture's.
RgbaImage PreparedMaster(const RgbaImage& straight, std::uint32_t master_side) {
    // A whole factor, so that every block is (nearly) the same size and the average is a
    // clean prefilter; the result stays at least the master side.
    const std::uint32_t factor = std::max(straight.width, straight.height) / std::max(master_side, 1u);
    if (factor < 2) return Premultiply(straight);
    return PremultiplyAveraged(straight, std::max(straight.width / factor, 1u), std::max(straight.height / factor, 1u));
}

}  // namespace

std::uint32_t MasterSide(const MakeIconRequest& request) {
    std::uint32_t largest = 1;
    for (std::uint32_t s : request.sizes) largest = std::max(largest, s);
    return largest * kMasterOversampling;
}

Result<std::vector<std::uint32_t>> ParseIconSizes(const std::string& list) {
    std::vector<std::uint32_t> sizes;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(',', start), list.size());
        const std::string_view item(list.data() + start, end - start);
        std::uint32_t value = 0;
        const auto [ptr, ec] = std::from_chars(item.data(), item.data() + item.size(), value);
        if (item.empty() || ec != std::errc() || ptr != item.data() + item.size() || value < 1 ||
            value > kLargestIconSide)
            return Fail("parse", "", "sizes must be whole numbers from 1 to 256, separated by commas: '" +
                                         std::string(item) + "'");
        sizes.push_back(value);
        start = end + 1;
    }
    std::sort(sizes.begin(), sizes.end());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    return sizes;
}

Result<MadeIcon> MakeIcon(std::span<const SourcePicture> pictures, const MakeIconRequest& request) {
    if (pictures.empty()) return Fail("make", "", "no picture given");
    for (const auto& p : pictures)
        if (p.pixels.empty() || p.own_width == 0 || p.own_height == 0)
            return Fail("make", p.name, "picture has no pixels");
    const SourcePicture& master = LargestPicture(pictures);
    if (request.cursor && (request.cursor->x >= master.own_width || request.cursor->y >= master.own_height))
        return Fail(std::string(kHotSpotOutside), master.name, "hot spot lies outside the picture (" + std::to_string(master.own_width) + " x " +
                                             std::to_string(master.own_height) + ")");
    std::uint32_t largest_side = 0;
    for (const auto& p : pictures) largest_side = std::max({largest_side, p.own_width, p.own_height});

    MadeIcon made;
    std::vector<IconFrame> frames;
    std::optional<RgbaImage> master_premultiplied;
    for (std::uint32_t side : request.sizes) {
        if (side < 1 || side > kLargestIconSide) return Fail("make", "", "icon sizes go from 1 to 256");
        IconFrame frame;
        frame.as_png = side >= request.png_from_size;
        if (const SourcePicture* drawn = DrawnAtSize(pictures, side)) {
            frame.pixels = drawn->pixels;
            made.reused_sizes.push_back(side);
        } else if (side > largest_side && !request.upscale) {
            made.left_out_sizes.push_back(side);
            continue;
        } else {
            if (!master_premultiplied) master_premultiplied = PreparedMaster(master.pixels, MasterSide(request));
            frame.pixels = Unpremultiply(FitPremultiplied(*master_premultiplied, side));
        }
        if (request.cursor) {
            const FittedPlacement p = FitIntoSquare(master.own_width, master.own_height, side);
            const auto scale = [](std::uint32_t at, std::uint32_t own, std::uint32_t fitted) {
                return static_cast<std::uint32_t>(std::uint64_t{at} * fitted / own);
            };
            frame.hot_spot.x = std::min(side - 1, p.x + scale(request.cursor->x, master.own_width, p.width));
            frame.hot_spot.y = std::min(side - 1, p.y + scale(request.cursor->y, master.own_height, p.height));
        }
        made.sizes.push_back(side);
        frames.push_back(std::move(frame));
    }
    if (frames.empty())
        return Fail(std::string(kEverySizeTooLarge), master.name, "every size asked for is larger than the picture (" +
                                             std::to_string(master.own_width) + " x " +
                                             std::to_string(master.own_height) + "); --upscale makes them anyway");
    auto file = EncodeIconFile(frames, request.cursor.has_value());
    if (!file) return Fail(file.error());
    made.file = std::move(*file);
    return made;
}

Result<ByteBuffer> EncodeIconFile(std::span<const IconFrame> frames, bool cursor) {
    if (frames.empty() || frames.size() > 0xFFFF) return Fail("encode", "", "an icon holds 1 to 65535 images");
    std::vector<ByteBuffer> images;
    images.reserve(frames.size());
    for (const auto& f : frames) {
        const RgbaImage& p = f.pixels;
        if (p.empty() || p.width > kLargestIconSide || p.height > kLargestIconSide ||
            p.pixels.size() != std::size_t{p.width} * p.height * 4)
            return Fail("encode", "", "icon images are 1 to 256 pixels a side");
        if (f.as_png) {
            auto png = EncodePng(p, PngCompression::kSmallest);
            if (!png) return Fail(png.error());
            images.push_back(std::move(*png));
        } else {
            images.push_back(EncodeDib(p));
        }
    }
    ByteWriter out;
    out.U16(0);
    out.U16(cursor ? ico::kTypeCursor : ico::kTypeIcon);
    out.U16(static_cast<std::uint16_t>(frames.size()));
    std::uint64_t offset = ico::kHeaderBytes + ico::kEntryBytes * frames.size();
    std::uint64_t total = ico::kHeaderBytes + ico::kEntryBytes * frames.size();
    for (const auto& image : images) total += image.size();
    if (total > 0xFFFFFFFFu) return Fail("encode", "", "an icon file cannot be larger than 4 GiB");
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const RgbaImage& p = frames[i].pixels;
        out.U8(static_cast<std::uint8_t>(p.width == kLargestIconSide ? 0 : p.width));
        out.U8(static_cast<std::uint8_t>(p.height == kLargestIconSide ? 0 : p.height));
        out.U8(0);  // no palette
        out.U8(0);
        out.U16(static_cast<std::uint16_t>(cursor ? frames[i].hot_spot.x : 1));
        out.U16(static_cast<std::uint16_t>(cursor ? frames[i].hot_spot.y : kFrameBitCount));
        out.U32(static_cast<std::uint32_t>(images[i].size()));
        out.U32(static_cast<std::uint32_t>(offset));
        offset += images[i].size();
    }
    for (const auto& image : images) out.Bytes(image);
    return out.Take();
}

}  // namespace icoforge
