#include "iconextract/inflate/whole_inflate.h"

namespace icoforge {

std::optional<bool> InflateWhole(ByteView, std::span<std::uint8_t>) { return std::nullopt; }

}  // namespace icoforge
