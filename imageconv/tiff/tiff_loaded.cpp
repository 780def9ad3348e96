// libtiff loaded when the first TIFF is opened (tiff_library.h says why).
#include <optional>

#include "imageconv/tiff_library.h"
#include "platform/shared_library.h"

namespace icoforge {
namespace {

// Debian's libtiff6, the library the build's headers describe.
constexpr const char* kTiffLibrary = "libtiff.so.6";

struct LoadedTiff {
    std::optional<SharedLibrary> library;  // kept for the process: the table points into it
    Result<TiffLibrary> functions;
};

LoadedTiff Load() {
    auto library = SharedLibrary::Open(kTiffLibrary);
    if (!library) return {std::nullopt, Fail(library.error())};
    TiffLibrary functions;
    bool all = true;
#define ICOFORGE_TIFF_BIND(name) all = library->Bind(#name, functions.name) && all;
    ICOFORGE_TIFF_FUNCTIONS(ICOFORGE_TIFF_BIND)
#undef ICOFORGE_TIFF_BIND
    // TIFFOpenOptions, the newest of them, came with libtiff 4.5.
    if (!all) return {std::nullopt, Fail("load", kTiffLibrary, "TIFF pictures need libtiff 4.5 or later")};
    return {std::move(*library), functions};
}

}  // namespace

const Result<TiffLibrary>& TiffFunctions() {
    static const LoadedTiff loaded = Load();
    return loaded.functions;
}

}  // namespace icoforge
