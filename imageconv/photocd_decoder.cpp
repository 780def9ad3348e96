#include "imageconv/photocd_decoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/byte_reader.h"
#include "common/stdio_read.h"
#include "imageconv/mapped_buffer.h"

namespace icoforge {
namespace {

struct Resolution {
    std::uint64_t width;
    std::uint64_t height;
    std::uint64_t offset;
};
constexpr Resolution kResolutions[] = {{192, 128, 0x2000}, {384, 256, 0xB800}, {768, 512, 0x30000}};

// Every image pack carries this text here; without the test, any large file that the
// other decoders refused would "convert" into a picture of its bytes.
constexpr std::uint64_t kSignatureOffset = 0x800;
constexpr char kSignature[] = "PCD_IPI";
constexpr std::uint64_t kSignatureLength = sizeof kSignature - 1;

constexpr double kC1Centre = 156.0;
constexpr double kC2Centre = 137.0;

std::uint8_t Clamp(double value) {
    const double rounded = std::floor(value + 0.5);
    if (rounded < 0.0) return 0;
    if (rounded > 255.0) return 255;
    return static_cast<std::uint8_t>(rounded);
}

}  // namespace

PhotoCdColour PhotoCdToRgb(std::uint8_t y, std::uint8_t c1, std::uint8_t c2) {
    const double a = c1 - kC1Centre;
    const double b = c2 - kC2Centre;
    const double luma = y * 1.407488;
    return {Clamp(b * 1.3230336 + a * 0.0000256 + luma), Clamp(luma - (b * 0.67392 + a * 0.3954176)),
            Clamp(b * 0.0000256 + a * 2.0360448 + luma)};
}

bool PhotoCdDecoder::Open(std::string_view path, RasterImage& image, int selector) {
    if (!OpenFile(path) || file_size_ < kMinFileSize) return Close(), false;
    if (selector < kBase16 || selector > kBase) return Close(), false;
    std::uint8_t signature[kSignatureLength];
    if (!SeekStdioFile(file_.get(), kSignatureOffset) || !ReadExactly(file_.get(), signature) ||
        std::memcmp(signature, kSignature, kSignatureLength) != 0)
        return Close(), false;
    const Resolution& resolution = kResolutions[selector];
    Accept(image, resolution.width, resolution.height, 24);
    data_offset_ = resolution.offset;
    open_ = true;
    return true;
}

bool PhotoCdDecoder::Decode() {
    if (!open_ || image_ == nullptr) return false;
    if (!image_->Create(static_cast<std::int32_t>(width_), static_cast<std::int32_t>(height_), bits_per_pixel_, 0)) return false;
    MappedBuffer upper;
    MappedBuffer lower;
    MappedBuffer colour;
    if (!upper.Allocate(width_, kPixelStorePrefix) || !lower.Allocate(width_, kPixelStorePrefix) ||
        !colour.Allocate(width_, kPixelStorePrefix))
        return false;
    if (!SeekStdioFile(file_.get(), data_offset_)) return false;
    const std::uint64_t half = width_ / 2;
    for (std::uint64_t k = 0; k < height_; k += 2) {
        if (!ReadExactly(file_.get(), upper.bytes()) ||
            !ReadExactly(file_.get(), lower.bytes()) ||
            !ReadExactly(file_.get(), colour.bytes()))
            return false;
        const ByteView c = colour.view();
        for (std::uint64_t row = 0; row < 2; ++row) {
            const ByteView luma = row == 0 ? upper.view() : lower.view();
            const std::span<std::uint8_t> out = image_->Row(static_cast<std::int32_t>(k + row));
            for (std::uint64_t i = 0; i < width_; ++i) {
                const PhotoCdColour rgb = PhotoCdToRgb(luma[i], c[i / 2], c[half + i / 2]);
                out[i * 3] = rgb.red;
                out[i * 3 + 1] = rgb.green;
                out[i * 3 + 2] = rgb.blue;
            }
        }
    }
    image_->FlushPixels();
    return true;
}

void PhotoCdDecoder::Close() {
    CloseFile();
    data_offset_ = 0;
    open_ = false;
}

}  // namespace icoforge
