// libtiff linked into the program, as the self-contained Windows .exe has it.
#include "imageconv/tiff_library.h"

namespace icoforge {

const Result<TiffLibrary>& TiffFunctions() {
    static const Result<TiffLibrary> linked = [] {
        TiffLibrary library;
#define ICOFORGE_TIFF_LINK(name) library.name = &::name;
        ICOFORGE_TIFF_FUNCTIONS(ICOFORGE_TIFF_LINK)
#undef ICOFORGE_TIFF_LINK
        return library;
    }();
    return linked;
}

}  // namespace icoforge
