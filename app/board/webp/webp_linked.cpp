// libwebp's decoder linked into the program, as the self-contained Windows .exe has it.
#include "app/board/webp/webp_library.h"

namespace icoforge {

const Result<WebpLibrary>& WebpFunctions() {
    static const Result<WebpLibrary> linked = [] {
        WebpLibrary library;
#define ICOFORGE_WEBP_LINK(name) library.name = &::name;
        ICOFORGE_WEBP_FUNCTIONS(ICOFORGE_WEBP_LINK)
#undef ICOFORGE_WEBP_LINK
        return library;
    }();
    return linked;
}

}  // namespace icoforge
