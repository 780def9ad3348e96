#pragma once
// TIFF pictures through libtiff's RGBA interface: every kind it supports becomes 24 bits.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "imageconv/picture_decoder.h"
#include "platform/mapped_file.h"

namespace icoforge {

class TiffDecoder final : public PictureDecoder {
public:
    TiffDecoder();
    ~TiffDecoder() override;

    bool Open(std::string_view path, RasterImage& image) override;
    void Close() override;
    std::uint64_t width() const override { return width_; }
    std::uint64_t height() const override { return height_; }

    struct Session;  // the libtiff handle over the mapped file

private:
    bool Decode() override;

    std::string path_;
    RasterImage* image_ = nullptr;
    std::unique_ptr<Session> session_;
    std::uint64_t width_ = 0;
    std::uint64_t height_ = 0;
};

}  // namespace icoforge
