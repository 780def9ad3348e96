// libwebp's decoder linked into the program, as the self-contained Windows .exe has it.
#include "app/board/webp/webp_library.h"

namespace icoforge {

const Result<WebpLibrary>& WebpFunctions() {
    static const Result<WebpLibrary> linked = ICOFORGE_LINKED_TABLE(WebpLibrary, ICOFORGE_WEBP_FUNCTIONS);
    return linked;
}

}  // namespace icoforge
