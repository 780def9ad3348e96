// libwebp loaded when the first WebP is read (webp_library.h says why).
#include <optional>

#include "app/board/icon_pictures.h"
#include "app/board/webp/webp_library.h"
#include "platform/shared_library.h"

namespace icoforge {
namespace {

// Debian's libwebp7, the library the build's headers describe.
constexpr const char* kWebpLibrary = "libwebp.so.7";

struct LoadedWebp {
    std::optional<SharedLibrary> library;  // kept for the process: the table points into it
    Result<WebpLibrary> functions;
};

LoadedWebp Load() {
    auto library = SharedLibrary::Open(kWebpLibrary);
    if (!library)
        return {std::nullopt, Fail(std::string(kWebpUnsupported), kWebpLibrary, "WebP needs libwebp: " + library.error().reason)};
    WebpLibrary functions;
    bool all = true;
#define ICOFORGE_WEBP_BIND(name) all = library->Bind(#name, functions.name) && all;
    ICOFORGE_WEBP_FUNCTIONS(ICOFORGE_WEBP_BIND)
#undef ICOFORGE_WEBP_BIND
    if (!all) return {std::nullopt, Fail(std::string(kWebpUnsupported), kWebpLibrary, "WebP needs libwebp 1.2 or later")};
    return {std::move(*library), functions};
}

}  // namespace

const Result<WebpLibrary>& WebpFunctions() {
    static const LoadedWebp loaded = Load();
    return loaded.functions;
}

}  // namespace icoforge
