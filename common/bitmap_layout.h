#pragma once
// The on-disk layouts of bitmap and icon files: where their fields stand and the values
// they take. An icon image is a bitmap without its file header, and readers and writers
// in several rooms meet the same structures, so each number stands here once. Only the
// layouts are here; what a reader tolerates is its own.

#include <cstdint>

namespace icoforge {

// BITMAPFILEHEADER: the 14 bytes in front of a bitmap file's image header.
namespace bmp {
constexpr std::uint16_t kSignature = 0x4D42;  // "BM"
constexpr std::uint64_t kFileSizeField = 2;
constexpr std::uint64_t kPixelOffsetField = 10;
constexpr std::uint64_t kFileHeaderBytes = 14;
}  // namespace bmp

// BITMAPINFOHEADER, which starts every DIB icon image; later versions of it are longer
// and begin the same way.
namespace bih {
constexpr std::uint64_t kSize = 0;
constexpr std::uint64_t kWidth = 4;
constexpr std::uint64_t kHeight = 8;
constexpr std::uint64_t kPlanes = 12;
constexpr std::uint64_t kBitCount = 14;
constexpr std::uint64_t kCompression = 16;
constexpr std::uint64_t kSizeImage = 20;
constexpr std::uint64_t kClrUsed = 32;
constexpr std::uint32_t kHeaderBytes = 40;

// Values of biCompression.
constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitfields = 3;

// A palette entry behind it: blue, green, red, reserved.
constexpr std::uint64_t kRgbQuadBytes = 4;

// The bytes of one row of `width` pixels at `bits` per pixel, rows being padded to
// 32-bit words; a mask row is one at 1 bit. Exact for every width and depth a 32-bit
// header can state.
constexpr std::uint64_t RowBytes(std::uint64_t width, std::uint64_t bits) { return (width * bits + 31) / 32 * 4; }
}  // namespace bih

// BITMAPCOREHEADER, the older 12-byte form with 16-bit sizes and 3-byte palette entries.
namespace bch {
constexpr std::uint64_t kWidth = 4;
constexpr std::uint64_t kHeight = 6;
constexpr std::uint64_t kPlanes = 8;
constexpr std::uint64_t kBitCount = 10;
constexpr std::uint32_t kHeaderBytes = 12;
constexpr std::uint64_t kRgbTripleBytes = 3;
}  // namespace bch

// An icon or cursor file: a 6-byte header, then one 16-byte directory entry per image.
namespace ico {
constexpr std::uint64_t kReserved = 0;
constexpr std::uint64_t kType = 2;
constexpr std::uint64_t kCount = 4;
constexpr std::uint64_t kHeaderBytes = 6;
constexpr std::uint64_t kEntryBytes = 16;
constexpr std::uint64_t kEntryPlanes = 4;    // a cursor's hot spot x
constexpr std::uint64_t kEntryBitCount = 6;  // a cursor's hot spot y
constexpr std::uint64_t kEntryBytesInRes = 8;
constexpr std::uint64_t kEntryImageOffset = 12;
constexpr std::uint16_t kTypeIcon = 1;
constexpr std::uint16_t kTypeCursor = 2;
}  // namespace ico

}  // namespace icoforge
