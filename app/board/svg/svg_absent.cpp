// Builds without librsvg (the Windows one, and Linux machines without librsvg2-dev).
#include "app/board/icon_pictures.h"

namespace icoforge {

bool SvgSupported() { return false; }

Result<std::vector<SourcePicture>> RenderSvg(ByteView, std::string_view path, const std::vector<std::uint32_t>&) {
    return Fail(std::string(kSvgUnsupported), std::string(path), "SVG needs librsvg, which this build of icoforge lacks");
}

}  // namespace icoforge
