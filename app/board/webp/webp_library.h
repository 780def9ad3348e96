#pragma once
// The libwebp functions the WebP reader calls, reached through one table. The Windows
// program links libwebp's decoder in; on Linux the library is loaded when the first WebP
// is read, as libtiff is, so that commands which read none do not pay for loading it.

#include <webp/decode.h>

#include "common/failure.h"
#include "common/function_table.h"

namespace icoforge {

// Each function once; the table's members and both ways of filling it come from here.
#define ICOFORGE_WEBP_FUNCTIONS(X)   \
    X(WebPInitDecoderConfigInternal) \
    X(WebPGetFeaturesInternal)       \
    X(WebPDecode)                    \
    X(WebPFreeDecBuffer)

// Members named as the functions, so that a call reads `webp.WebPDecode(...)`.
struct WebpLibrary {
    ICOFORGE_WEBP_FUNCTIONS(ICOFORGE_TABLE_MEMBER)
};

// Every function, or a failure (kWebpUnsupported) saying why there are none. The first
// call decides for the whole process: a library that is missing stays missing.
const Result<WebpLibrary>& WebpFunctions();

}  // namespace icoforge
