#include "app/board/board_geometry.h"

#include <algorithm>

namespace icoforge {

BoardPlacement FitPicture(std::int32_t area_width, std::int32_t area_height, std::int32_t picture_width,
                          std::int32_t picture_height) {
    BoardPlacement placement;
    std::int32_t aw = area_width;
    std::int32_t ah = area_height;
    if (picture_width <= 0 || picture_height <= 0) return placement;
    if (aw >= picture_width) {
        placement.x += (aw - picture_width) / 2;
        aw = picture_width;
    }
    if (ah >= picture_height) {
        placement.y += (ah - picture_height) / 2;
        ah = picture_height;
    }
    if (picture_width > aw || picture_height > ah) {
        const double t = std::min(static_cast<double>(aw) / picture_width, static_cast<double>(ah) / picture_height);
        placement.width = static_cast<std::int32_t>(picture_width * t);
        placement.height = static_cast<std::int32_t>(picture_height * t);
        placement.x += (aw - placement.width) / 2;
        placement.y += (ah - placement.height) / 2;
    } else {
        placement.width = picture_width;
        placement.height = picture_height;
    }
    return placement;
}

}  // namespace icoforge
