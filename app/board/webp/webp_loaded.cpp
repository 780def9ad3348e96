// libwebp loaded when the first WebP is read (webp_library.h says why).
#include "app/board/icon_pictures.h"
#include "app/board/webp/webp_library.h"
#include "platform/shared_library.h"

namespace icoforge {

const Result<WebpLibrary>& WebpFunctions() {
    // Debian's libwebp7, the library the build's headers describe.
    static const auto loaded = LoadFunctions<WebpLibrary>("libwebp.so.7", ICOFORGE_BIND_ALL(ICOFORGE_WEBP_FUNCTIONS),
                                                          {std::string(kWebpUnsupported), "WebP needs libwebp", "1.2"});
    return loaded.functions;
}

}  // namespace icoforge
