// Builds without libheif (the Windows one, and Linux machines without libheif-dev): HEIC
// and AVIF are refused by name.
#include "app/board/icon_pictures.h"

namespace icoforge {

bool HeifSupported() { return false; }

Result<BoardPicture> ReadHeif(ByteView, std::string_view path, const BoardDecodeOptions&) {
    return Fail(std::string(kHeifUnsupported), std::string(path), "HEIC and AVIF need libheif, which this build lacks");
}

}  // namespace icoforge
