#pragma once
// The protocol every decoder of the conversion chain follows.

#include <cstdint>
#include <string_view>

#include "imageconv/raster_image.h"

namespace icoforge {

// The most pixels a picture may have. A 32-bit process must map the decoded picture at up
// to 4 bytes a pixel and its 24-bit copy beside it: 700 MB at this size, which still finds
// room in its 2 GB of address space. Camera photos (50 megapixels and less) pass easily;
// beyond this lie only files whose header asks for more than they hold.
inline constexpr std::uint64_t kMaxPicturePixels = 100'000'000;

class PictureDecoder {
public:
    PictureDecoder() = default;
    PictureDecoder(const PictureDecoder&) = delete;
    PictureDecoder& operator=(const PictureDecoder&) = delete;
    virtual ~PictureDecoder() = default;

    // True when the file is of this decoder's format and it is ready to decode it into
    // `image`; false otherwise, and the decoder has closed itself.
    virtual bool Open(std::string_view path, RasterImage& image) = 0;
    // Decodes into the image given to Open, creating it at the decoder's size and depth.
    // Always ends closed, whatever the outcome.
    bool Read() {
        const bool ok = Decode();
        Close();
        return ok;
    }
    // Releases the file, the library state and every buffer; harmless when repeated.
    virtual void Close() = 0;

    // Open reads no more than the header, so the caller can compare the size it found with
    // this limit before Read allocates anything; Read refuses a picture beyond it.
    void LimitPixels(std::uint64_t max_pixels) { max_pixels_ = max_pixels; }
    bool ExceedsPixelLimit() const {
        const std::uint64_t w = width();
        return w != 0 && height() > max_pixels_ / w;
    }

    // The size Open found; 0 while closed.
    virtual std::uint64_t width() const = 0;
    virtual std::uint64_t height() const = 0;

private:
    // Read's work, on whatever Open left, which may be nothing.
    virtual bool Decode() = 0;

    std::uint64_t max_pixels_ = kMaxPicturePixels;
};

}  // namespace icoforge
