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
#include "platform/temp_mapping.h"

namespace icoforge {
namespace {

// Anything at the path counts, a folder or a dangling link included.
bool SomethingAt(std::string_view path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(PathFromUtf8(path), ec));
}

ConvertOutcome Failed(std::int32_t result, ConvertProblem problem, std::string subject = {},
                      std::string system_reason = {}) {
    return {result, problem, std::move(subject), std::move(system_reason)};
}

// A file that every decoder refused may be no picture at all, or no file that can be read:
// a folder, or one this user may not open. The user needs to know which.
ConvertOutcome Unrecognised(std::string_view path) {
    FileError why;
    const StdioFile file = OpenStdioFile(path, "rb", &why);
    if (!file) return Failed(kConvertNotDecoded, ConvertProblem::SourceUnreadable, {}, why.reason);
    std::uint8_t first = 0;
    if (std::fread(&first, 1, 1, file.get()) != 1 && std::ferror(file.get()))
        return Failed(kConvertNotDecoded, ConvertProblem::SourceUnreadable, {}, LastSystemErrorText());
    return Failed(kConvertNotDecoded, ConvertProblem::NotAPicture);
}

// Every decoder keeps its pixels in the temporary folder; when it cannot be used, that is
// why the decode failed, whatever the file holds.
ConvertOutcome DecodeFailed() {
    if (const auto failure = DiagnoseTempFolder())
        return Failed(kConvertNotDecoded, ConvertProblem::TempFolderUnusable, failure->folder, failure->reason);
    return Failed(kConvertNotDecoded, ConvertProblem::NotAPicture);
}

}  // namespace

ConvertOutcome LoadPictureOutcome(std::string_view path, RasterImage& image, std::uint64_t max_pixels) {
    if (!SomethingAt(path)) return Failed(kConvertSourceNotFound, ConvertProblem::SourceNotFound);
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
            return Failed(kConvertNotDecoded, ConvertProblem::PictureTooLarge);
        }
        if (decoder->Read()) return {};
        image.Release();
        return DecodeFailed();
    }
    return Unrecognised(path);
}

std::int32_t LoadPicture(std::string_view path, RasterImage& image, std::uint64_t max_pixels) {
    return LoadPictureOutcome(path, image, max_pixels).result;
}

ConvertOutcome ConvertToBmpOutcome(std::optional<std::string_view> source, std::optional<std::string_view> destination) {
    if (!source || !destination) return Failed(kConvertMissingArgument, ConvertProblem::MissingArgument);
    RasterImage decoded;
    ConvertOutcome loaded = LoadPictureOutcome(*source, decoded);
    if (loaded.result != kConvertOk) return loaded;
    RasterImage converted;
    const RasterImage* to_save = &decoded;
    if (decoded.bits_per_pixel() != 24) {
        // Only a failed allocation gets here; the destination is left untouched.
        if (!decoded.ConvertTo(converted, 24)) return DecodeFailed();
        to_save = &converted;
    }
    BmpCodec writer;
    FileError why;
    if (!writer.OpenForWrite(*destination, *to_save, 24, &why) || !writer.Write(&why))
        return Failed(kConvertCannotWrite, ConvertProblem::DestinationUnwritable, {}, why.reason);
    return {};
}

std::int32_t ConvertToBmp(std::optional<std::string_view> source, std::optional<std::string_view> destination) {
    return ConvertToBmpOutcome(source, destination).result;
}

}  // namespace icoforge
