// libtiff linked into the program, as the self-contained Windows .exe has it.
#include "imageconv/tiff_library.h"

namespace icoforge {

const Result<TiffLibrary>& TiffFunctions() {
    static const Result<TiffLibrary> linked = ICOFORGE_LINKED_TABLE(TiffLibrary, ICOFORGE_TIFF_FUNCTIONS);
    return linked;
}

}  // namespace icoforge
