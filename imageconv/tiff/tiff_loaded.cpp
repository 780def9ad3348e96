// libtiff loaded when the first TIFF is opened (tiff_library.h says why).
#include "imageconv/tiff_library.h"
#include "platform/shared_library.h"

namespace icoforge {

const Result<TiffLibrary>& TiffFunctions() {
    // Debian's libtiff6, the library the build's headers describe; TIFFOpenOptions, the
    // newest of its functions called here, came with libtiff 4.5.
    static const auto loaded = LoadFunctions<TiffLibrary>("libtiff.so.6", ICOFORGE_BIND_ALL(ICOFORGE_TIFF_FUNCTIONS),
                                                          {"load", "TIFF pictures need libtiff", "4.5"});
    return loaded.functions;
}

}  // namespace icoforge
