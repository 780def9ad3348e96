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
#include "platform/stdio_file.h"
#include "platform/system_failure.h"
#include "platform/temp_mapping.h"

namespace icoforge {
namespace {

// Anything at the path counts, a folder or a dangling link included.
bool SomethingAt(std::string_view path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(PathFromUtf8(path), ec));
}

// A file that every decoder refused may be no picture at all, or no file that can be read:
// a folder, or one this user may not open. The user needs to know which.
Result<> Unrecognised(std::string_view path) {
    const auto file = OpenStdioFile(path, "rb");
    if (!file) return Fail(file.error());
    std::uint8_t first = 0;
    if (std::fread(&first, 1, 1, file->get()) != 1 && std::ferror(file->get())) return FailFromSystem("read", path);
    return Fail(kConvertStep, std::string(path), kNotAPictureText);
}

// Every decoder keeps its pixels in the temporary folder; when it cannot be used, that is
// why the decode failed, whatever the file holds.
Result<> DecodeFailed(std::string_view path) {
    if (auto folder = TempFolderPath(); !folder) return Fail(std::move(folder.error()));
    return Fail(kConvertStep, std::string(path), kNotAPictureText);
}

}  // namespace

std::string TooManyPixelsText(std::uint64_t max_pixels) {
    return "the picture has more than " + std::to_string(max_pixels) + " pixels";
}

Result<> LoadPictureOutcome(std::string_view path, RasterImage& image, std::uint64_t max_pixels) {
    if (!SomethingAt(path)) return Unrecognised(path);
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
        if (decoder->ExceedsPixelLimit()) {
            decoder->Close();
            image.Release();
            return Fail(kConvertStep, std::string(path), TooManyPixelsText(max_pixels));
        }
        if (decoder->Read()) return {};
        image.Release();
        return DecodeFailed(path);
    }
    return Unrecognised(path);
}

std::int32_t LoadPicture(std::string_view path, RasterImage& image, std::uint64_t max_pixels) {
    if (!SomethingAt(path)) return kConvertSourceNotFound;
    return LoadPictureOutcome(path, image, max_pixels) ? kConvertOk : kConvertNotDecoded;
}

Result<> ConvertToBmpOutcome(std::string_view source, std::string_view destination) {
    RasterImage decoded;
    if (auto loaded = LoadPictureOutcome(source, decoded); !loaded) return loaded;
    RasterImage converted;
    const RasterImage* to_save = &decoded;
    if (decoded.bits_per_pixel() != 24) {
        // Only a failed allocation gets here; the destination is left untouched.
        if (!decoded.ConvertTo(converted, 24)) return DecodeFailed(source);
        to_save = &converted;
    }
    BmpCodec writer;
    if (auto opened = writer.OpenForWrite(destination, *to_save, 24); !opened) return opened;
    return writer.Write();
}

std::int32_t ConvertToBmp(std::optional<std::string_view> source, std::optional<std::string_view> destination) {
    if (!source || !destination) return kConvertMissingArgument;
    if (!SomethingAt(*source)) return kConvertSourceNotFound;
    const auto converted = ConvertToBmpOutcome(*source, *destination);
    if (converted) return kConvertOk;
    // Only the destination is ever written.
    return converted.error().what == "write" ? kConvertCannotWrite : kConvertNotDecoded;
}

}  // namespace icoforge
