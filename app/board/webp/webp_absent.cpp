// Builds without libwebp: WebP is refused, saying why.
#include "app/board/icon_pictures.h"

namespace icoforge {

bool WebpSupported() { return false; }

Result<std::vector<SourcePicture>> ReadWebp(ByteView, std::string_view path, const BoardDecodeOptions&) {
    return Fail(std::string(kWebpUnsupported), std::string(path),
                "WebP needs libwebp, which this build of icoforge lacks");
}

}  // namespace icoforge
