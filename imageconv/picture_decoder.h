#pragma once
// The protocol every decoder of the conversion chain follows.

#include <cstdint>
#include <string_view>

#include "imageconv/raster_image.h"

namespace icoforge {

class PictureDecoder {
public:
    virtual ~PictureDecoder() = default;

    // True when the file is of this decoder's format and it is ready to decode it into
    // `image`; false otherwise, and the decoder has closed itself.
    virtual bool Open(std::string_view path, RasterImage& image) = 0;
    // Decodes into the image given to Open, creating it at the decoder's size and depth.
    // Always ends closed, whatever the outcome.
    virtual bool Read() = 0;
    // Releases the file, the library state and every buffer; harmless when repeated.
    virtual void Close() = 0;

    // Asks Open to refuse pictures of more pixels than this, where the decoder's library
    // would otherwise commit memory in proportion to the declared size before Read.
    virtual void LimitPixels(std::uint64_t /*max_pixels*/) {}

    // The size Open found; 0 while closed.
    virtual std::uint64_t width() const = 0;
    virtual std::uint64_t height() const = 0;
};

}  // namespace icoforge
