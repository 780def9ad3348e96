#include "imageconv/jpeg_decoder.h"

#include <csetjmp>
#include <cstdio>
#include <limits>

#include <jpeglib.h>

namespace icoforge {
namespace {

constexpr std::uint8_t kStartOfImage[] = {0xFF, 0xD8};

struct ErrorManager {
    jpeg_error_mgr base;  // first, so libjpeg's pointer to it is a pointer to the whole
    std::jmp_buf recovery;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    // The message is of no use to anyone: the caller learns only that the file failed.
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->recovery, 1);
}

// Warnings (a file cut short, stray bytes) are not failures, and there is nobody to tell.
void DiscardMessage(j_common_ptr) {}

}  // namespace

// Owns the decompressor for as long as the decoder is open.
struct JpegDecoder::Session {
    jpeg_decompress_struct cinfo{};
    ErrorManager errors{};
    bool created = false;

    Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() {
        if (created) jpeg_destroy_decompress(&cinfo);
    }

    // Every operation takes a fresh error manager; its recovery point is set by the caller.
    void ResetErrors() {
        cinfo.err = jpeg_std_error(&errors.base);
        errors.base.error_exit = ErrorExit;
        errors.base.output_message = DiscardMessage;
    }
};

namespace {

// A libjpeg error leaves these two functions through longjmp, so nothing in their frames
// may have a destructor.
bool StartDecompress(JpegDecoder::Session& s, std::FILE* file, std::uint64_t max_pixels) {
    s.ResetErrors();
    if (setjmp(s.errors.recovery) != 0) return false;
    jpeg_create_decompress(&s.cinfo);
    s.created = true;
    jpeg_stdio_src(&s.cinfo, file);
    if (jpeg_read_header(&s.cinfo, TRUE) != JPEG_HEADER_OK) return false;
    const std::uint64_t width = s.cinfo.image_width;
    if (width != 0 && s.cinfo.image_height > max_pixels / width) return false;
    return jpeg_start_decompress(&s.cinfo) == TRUE;
}

bool ReadScanlines(JpegDecoder::Session& s, RasterImage& image) {
    s.ResetErrors();
    if (setjmp(s.errors.recovery) != 0) return false;
    while (s.cinfo.output_scanline < s.cinfo.output_height) {
        JSAMPROW row = image.Row(static_cast<std::int32_t>(s.cinfo.output_scanline)).data();
        if (row == nullptr || jpeg_read_scanlines(&s.cinfo, &row, 1) != 1) return false;
    }
    return true;
}

}  // namespace

JpegDecoder::JpegDecoder() = default;
JpegDecoder::~JpegDecoder() { Close(); }

bool JpegDecoder::Open(std::string_view path, RasterImage& image) {
    Close();
    file_ = OpenStdioFile(path, "rb");
    if (!file_) return false;
    std::uint8_t marker[sizeof kStartOfImage] = {};
    if (std::fread(marker, 1, sizeof marker, file_.get()) != sizeof marker || marker[0] != kStartOfImage[0] ||
        marker[1] != kStartOfImage[1] || !SeekStdioFile(file_.get(), 0))
        return Close(), false;
    session_ = std::make_unique<Session>();
    if (!StartDecompress(*session_, file_.get(), max_pixels_)) return Close(), false;
    const jpeg_decompress_struct& cinfo = session_->cinfo;
    if (cinfo.output_width < 1 || cinfo.output_height < 1) return Close(), false;
    if (cinfo.output_components != 1 && cinfo.output_components != 3) return Close(), false;
    path_ = std::string(path);
    image_ = &image;
    width_ = cinfo.output_width;
    height_ = cinfo.output_height;
    bits_per_pixel_ = cinfo.output_components == 3 ? 24 : 8;
    return true;
}

bool JpegDecoder::Read() {
    const bool ok = [&] {
        if (!session_ || !session_->created || image_ == nullptr) return false;
        if (width_ > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) ||
            height_ > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
            return false;
        if (!image_->Create(static_cast<std::int32_t>(width_), static_cast<std::int32_t>(height_), bits_per_pixel_, 0))
            return false;
        if (!ReadScanlines(*session_, *image_)) return false;
        image_->FlushPixels();
        return true;
    }();
    Close();
    return ok;
}

void JpegDecoder::Close() {
    session_.reset();  // the decompressor goes before the file it reads from
    file_.reset();
    path_.clear();
    image_ = nullptr;
    width_ = 0;
    height_ = 0;
    bits_per_pixel_ = 0;
}

}  // namespace icoforge
