#include "imageconv/jpeg_library.h"

namespace icoforge {
namespace {

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    // The message is of no use to anyone: the caller learns only that the file failed.
    std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->recovery, 1);
}

// Warnings (a file cut short, stray bytes) are not failures, and there is nobody to tell.
void DiscardMessage(j_common_ptr) {}

// What libjpeg may allocate for one picture. A progressive file keeps every coefficient
// until its last scan, 2 bytes a sample: a 4:2:0 picture at the pixel limit needs 300 MB,
// a 4:4:4 one of 64 megapixels the same. Beyond this libjpeg fails instead of asking for more.
constexpr long kMaxJpegMemory = 384L << 20;

// Encoders write about ten scans, the most thorough a few dozen. Each scan of a
// progressive file passes over the whole picture, so a file of thousands of tiny scans
// would cost minutes.
constexpr int kMaxJpegScans = 500;

void LimitScans(j_common_ptr cinfo) {
    const auto* decompress = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (decompress->input_scan_number > kMaxJpegScans) ErrorExit(cinfo);
}

}  // namespace

void UseJpegErrorManager(jpeg_decompress_struct& cinfo, JpegErrorManager& errors) {
    cinfo.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = ErrorExit;
    errors.base.output_message = DiscardMessage;
}

void LimitJpegWork(jpeg_decompress_struct& cinfo, jpeg_progress_mgr& progress) {
    cinfo.mem->max_memory_to_use = kMaxJpegMemory;
    progress.progress_monitor = LimitScans;
    cinfo.progress = &progress;
}

}  // namespace icoforge
