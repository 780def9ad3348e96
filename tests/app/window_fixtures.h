#pragma once
// Sources the window tests of every platform feed the presenter: a module with a given
// number of icon groups, and a plain red picture.

#include <cstdint>
#include <vector>

#include "app/board/drawing_board.h"
#include "tests/support/ico_builder.h"
#include "tests/support/module_builder.h"

namespace icoforge::testing {

// The one image of group `group` of ModuleWithGroups: 16 x 16, different in every group.
inline ByteBuffer ModuleGroupImage(std::uint8_t group) {
    return MakeDibImage({.width = 16, .height = 16, .seed = group});
}

// A PE module holding `groups` icon groups of one image each, so that extracted files can
// be told apart.
inline ByteBuffer ModuleWithGroups(std::uint16_t groups) {
    std::vector<ModuleResource> resources;
    for (std::uint16_t g = 1; g <= groups; ++g) {
        resources.push_back({Type(ResourceType::GroupIcon), ResourceName::Id(g), MakeGroupResource({g})});
        resources.push_back(
            {Type(ResourceType::Icon), ResourceName::Id(g), ModuleGroupImage(static_cast<std::uint8_t>(g))});
    }
    return BuildModule(ModuleFormat::Pe32, resources);
}

// An opaque red square as a BMP file.
inline ByteBuffer RedSquareBmp(std::int32_t edge) {
    BoardImage image(edge, edge);
    for (std::size_t i = 0; i < image.bgra.size(); i += 4) {
        image.bgra[i + 2] = 0xFF;
        image.bgra[i + 3] = 0xFF;
    }
    return BmpFileOf(image);
}

}  // namespace icoforge::testing
