#pragma once
// The libtiff functions the TIFF decoder calls, reached through one table. The Windows
// program links libtiff in; on Linux it is loaded when the first TIFF is opened, because
// libtiff brings five libraries of its own (WebP, Zstandard, LZMA, LERC and JBIG) whose
// loading took a quarter of the start of every command that never reads a TIFF.

#include <tiffio.h>

#include "common/failure.h"
#include "common/function_table.h"

namespace icoforge {

// Each function once; the table's members and both ways of filling it come from here.
#define ICOFORGE_TIFF_FUNCTIONS(X)         \
    X(TIFFClientOpenExt)                   \
    X(TIFFClose)                           \
    X(TIFFGetField)                        \
    X(TIFFGetFieldDefaulted)               \
    X(TIFFIsTiled)                         \
    X(TIFFNumberOfStrips)                  \
    X(TIFFNumberOfTiles)                   \
    X(TIFFGetStrileOffsetWithErr)          \
    X(TIFFGetStrileByteCountWithErr)       \
    X(TIFFScanlineSize64)                  \
    X(TIFFReadRGBAImage)                   \
    X(TIFFOpenOptionsAlloc)                \
    X(TIFFOpenOptionsFree)                 \
    X(TIFFOpenOptionsSetErrorHandlerExtR)  \
    X(TIFFOpenOptionsSetWarningHandlerExtR) \
    X(TIFFOpenOptionsSetMaxSingleMemAlloc)

// Members named as the functions, so that a call reads `tiff.TIFFClose(handle)`.
struct TiffLibrary {
    ICOFORGE_TIFF_FUNCTIONS(ICOFORGE_TABLE_MEMBER)
};

// Every function, or a failure to "load" libtiff with the system's reason (or the version
// that lacks one of them). The first call decides for the whole process: a library that is
// missing stays missing, and one that was loaded stays loaded. Safe from any thread.
const Result<TiffLibrary>& TiffFunctions();

}  // namespace icoforge
