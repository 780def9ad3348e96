#pragma once
// One icon group in memory and its images, as read from an .ico file or a module, and
// the rules that locate the parts of an image inside its bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/bitmap_layout.h"
#include "common/bytes.h"

namespace icoforge {

// How the bytes of an image are encoded. Modern modules store their 256-pixel images
// as PNG files; everything else is a DIB that starts with a BITMAPINFOHEADER.
enum class ImageEncoding : std::uint8_t { Dib, Png };

struct IconImage {
    // Width and height in pixels, and bits per pixel. For a DIB they come from its header
    // (height is half of biHeight, which counts colour and mask rows together); for a PNG
    // from its IHDR chunk, at 32 bits, as Windows always decodes such an image. A field
    // that the image's bytes are too short to hold stays 0.
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint32_t colour_depth = 0;

    // The image exactly as stored in its source.
    ByteBuffer data;

    ImageEncoding encoding = ImageEncoding::Dib;
    // Where the colour (XOR) and mask (AND) bitmaps start, as offsets into data. They are
    // computed from the header and may lie past the end of a short image; `complete`
    // says whether the whole DIB is present.
    std::uint64_t colour_bits = 0;
    std::uint64_t mask_bits = 0;
    // True for a DIB with a 40-byte header whose colour table and both bitmaps lie inside
    // data. Only such an image can be written as a bitmap or put on the clipboard.
    bool complete = false;

    std::uint32_t data_size() const { return static_cast<std::uint32_t>(data.size()); }
};

struct IconGroup {
    // Path of the .ico file the group was read from; empty for a module's group.
    std::string source_name = "Untitled";
    // Path of the module the group was loaded from; empty for an .ico file's group.
    std::string module_path;
    // In the order of the source's directory; its size is the directory's count.
    std::vector<IconImage> images;

    std::uint32_t image_count() const { return static_cast<std::uint32_t>(images.size()); }
};

// True when the bytes start with the PNG file signature.
bool IsPngImage(ByteView data);

// Fills width, height, colour depth, encoding, the bitmap offsets and `complete` from the
// image's own bytes. Never reads outside data; always succeeds.
bool ParseIconImage(IconImage& image);

// The same from `bytes` held elsewhere, data left as it is: the facts of an image that is
// written straight from the source it was found in, never copied.
void DescribeIconImage(IconImage& image, ByteView bytes);

// Colour-table entries of a DIB header: biClrUsed when set, else the default of
// biBitCount (2, 16 or 256 for 1, 4 and 8 bits; none for deeper images). Nothing when the
// header is too short to tell.
std::optional<std::uint64_t> ColourTableEntries(ByteView header);

// Bytes per row of the colour bitmap: rows are padded to whole 32-bit words. Signed,
// since a hostile header may give a negative width. Nothing when the header is too short.
std::optional<std::int64_t> XorRowBytes(ByteView header);

}  // namespace icoforge
