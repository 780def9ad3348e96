#pragma once
// A file manager's thumbnail of a Windows file: the icon Explorer would show for it, as a
// PNG file of the size the file manager asks for.
//
// The icon is the main icon (the first icon group of a module, a cursor file's or an
// animation's one group, first frame). Its image of exactly the size asked, else the next
// larger one, is scaled down to the size; a PNG image that needs no scaling is copied as
// stored. A picture is never made larger than the largest image unless asked, since an
// enlarged 48-pixel icon only looks worse than the file manager's own scaling of it.

#include <cstdint>
#include <functional>

#include "common/bytes.h"
#include "common/failure.h"
#include "common/rgba_image.h"
#include "iconextract/catalogue.h"

namespace icoforge {

// The freedesktop thumbnail sizes end at 1024 (xx-large); nothing asks for more.
inline constexpr std::uint32_t kMaxThumbnailSize = 1024;

struct ThumbnailRequest {
    std::uint32_t size = 256;  // the square the picture must fit, 1 to kMaxThumbnailSize
    bool enlarge = false;      // scale a smaller largest image up to the size
    // The group to show instead of the one Explorer shows for the file (a shortcut's icon
    // index); a file without it gives no thumbnail.
    std::function<bool(const catalogue::CatalogueGroup&)> group;
};

// The PNG file's bytes. `file` is the whole file (a module, .ico, .cur or .ani; a caller
// follows shortcuts itself); only the parts the icon lies in are read, so a mapping of a
// large module costs the pages of its headers and resources alone.
Result<ByteBuffer> MakeThumbnail(ByteView file, const ThumbnailRequest& request);

// `image` scaled to fit a square of `size` pixels, keeping its proportions, with
// premultiplied alpha, so that edges against transparency keep their colour.
RgbaImage ScaledToFit(const RgbaImage& image, std::uint32_t size);

}  // namespace icoforge
