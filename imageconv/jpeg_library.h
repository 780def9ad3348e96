#pragma once
// What every user of libjpeg in the program sets up the same way: errors that jump back
// to the caller's recovery point instead of ending the process, silence, and the bounds
// on the work one file can ask for.

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace icoforge {

struct JpegErrorManager {
    jpeg_error_mgr base;  // first, so libjpeg's pointer to it is a pointer to the whole
    std::jmp_buf recovery;
};

// Points `cinfo` at `errors`: a libjpeg error then longjmps to `errors.recovery` (set by
// the caller with setjmp before each call into libjpeg); warnings are dropped.
void UseJpegErrorManager(jpeg_decompress_struct& cinfo, JpegErrorManager& errors);

// A decompressor with its error manager and work bounds, destroyed with the object once
// the caller has created it (and set `created`) under its recovery point.
struct JpegDecompressor {
    jpeg_decompress_struct cinfo{};
    JpegErrorManager errors{};
    jpeg_progress_mgr progress{};
    bool created = false;

    JpegDecompressor() = default;
    JpegDecompressor(const JpegDecompressor&) = delete;
    JpegDecompressor& operator=(const JpegDecompressor&) = delete;
    ~JpegDecompressor() {
        if (created) jpeg_destroy_decompress(&cinfo);
    }

    // Every operation takes a fresh error manager; its recovery point is set by the caller.
    void ResetErrors() { UseJpegErrorManager(cinfo, errors); }
};

// After jpeg_create_decompress: caps what libjpeg may allocate and how many scans it
// reads. `progress` must live as long as the decompressor.
void LimitJpegWork(jpeg_decompress_struct& cinfo, jpeg_progress_mgr& progress);

}  // namespace icoforge
