#include "imageconv/convert.h"

#include <filesystem>
#include <system_error>

#include "common/path.h"
#include "imageconv/bmp_codec.h"
#include "imageconv/jpeg_decoder.h"
#include "imageconv/pcx_decoder.h"
#include "imageconv/photocd_decoder.h"
#include "imageconv/png_decoder.h"
#include "imageconv/tiff_decoder.h"

namespace icoforge {
namespace {

// Anything at the path counts, a folder or a dangling link included.
bool SomethingAt(std::string_view path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(PathFromUtf8(path), ec));
}

}  // namespace

std::int32_t LoadPicture(std::string_view path, RasterImage& image, std::uint64_t max_pixels) {
    if (!SomethingAt(path)) return kConvertSourceNotFound;
    JpegDecoder jpeg;
    BmpCodec bmp;
    TiffDecoder tiff;
    PngDecoder png;
    PcxDecoder pcx;
    PhotoCdDecoder photo_cd;
    PictureDecoder* const chain[] = {&jpeg, &bmp, &tiff, &png, &pcx, &photo_cd};
    for (PictureDecoder* decoder : chain) {
        decoder->LimitPixels(max_pixels);
        if (!decoder->Open(path, image)) continue;
        const std::uint64_t w = decoder->width();
        const std::uint64_t h = decoder->height();
        if (w != 0 && h > max_pixels / w) {
            decoder->Close();
            image.Release();
            return kConvertNotDecoded;
        }
        if (decoder->Read()) return kConvertOk;
        image.Release();
        return kConvertNotDecoded;
    }
    return kConvertNotDecoded;
}

std::int32_t ConvertToBmp(std::optional<std::string_view> source, std::optional<std::string_view> destination) {
    if (!source || !destination) return kConvertMissingArgument;
    RasterImage decoded;
    const std::int32_t loaded = LoadPicture(*source, decoded);
    if (loaded != kConvertOk) return loaded;
    RasterImage converted;
    const RasterImage* to_save = &decoded;
    if (decoded.bits_per_pixel() != 24) {
        // Only a failed allocation gets here; the destination is left untouched.
        if (!decoded.ConvertTo(converted, 24)) return kConvertNotDecoded;
        to_save = &converted;
    }
    BmpCodec writer;
    if (!writer.OpenForWrite(*destination, *to_save, 24) || !writer.Write()) return kConvertCannotWrite;
    return kConvertOk;
}

}  // namespace icoforge
