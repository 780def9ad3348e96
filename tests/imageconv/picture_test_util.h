#pragma once
// Helpers of the picture conversion tests: a private temporary folder for the whole test
// program, small files written on the spot, and independent readers of the results.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/bytes.h"

namespace icoforge {
class ByteWriter;
}

namespace icoforge::test {

// Every test program gets a temporary folder of its own (set up before the first test),
// so that counting PIXSTORE files is not disturbed by other programs running alongside.
std::string TestFolder();
std::string TestPath(const std::string& name);
std::vector<std::string> PixstoreFiles();
// Points the program's temporary folder elsewhere; TempBase() is the one set up for the tests.
void SetTempEnvironment(const std::string& folder);
std::string TempBase();

void WriteBytes(const std::string& path, ByteView bytes);
ByteBuffer ReadBytes(const std::string& path);

struct RgbPicture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> rgb;  // top row first, 3 bytes a pixel
    const std::uint8_t* At(std::int32_t x, std::int32_t y) const { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

// An uncompressed 24-bit BMP as the converter writes it.
std::optional<RgbPicture> ReadBmp24(const std::string& path);
// A PNG decoded by libpng to 8-bit RGB: palette and grey expanded, alpha dropped, 16-bit
// scaled down. With `display_gamma` the file is corrected for a 2.2 screen the way the
// converter asks libpng to do it.
std::optional<RgbPicture> ReadPngRgb(const std::string& path, bool display_gamma);
// Binary PBM, PGM and PPM (maxval up to 65535).
std::optional<RgbPicture> ReadPnm(const std::string& path);

// The file and info headers of an uncompressed 24-bit BMP whose `pixel_bytes` follow.
void WriteBmp24Header(ByteWriter& w, std::int32_t width, std::int32_t height, std::size_t pixel_bytes);
// A PNG with one IDAT holding `rows` (each row without its filter byte).
ByteBuffer MakePng(std::uint32_t width, std::uint32_t height, std::uint8_t depth, std::uint8_t colour_type,
                   const std::vector<ByteBuffer>& rows, const ByteBuffer& extra_chunks = {}, bool interlaced = false);
ByteBuffer PngChunk(const char* type, const ByteBuffer& data);

bool IsWindows();

}  // namespace icoforge::test
