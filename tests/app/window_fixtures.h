#pragma once
// What the window tests of every platform share: the folders the window starts over, and
// the sources they feed the presenter (a module with a given number of icon groups, and a
// plain red picture).

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/board/drawing_board.h"
#include "common/path.h"
#include "platform/file_io.h"
#include "tests/support/ico_builder.h"
#include "tests/support/module_builder.h"
#include "tests/support/temp_folder.h"

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

// The program, temporary and desktop folders of a window, made in a private folder that
// also holds the sources a test opens. The temporary and desktop folders end in a
// separator, as the program finds them.
struct WindowFolders {
    TempFolder root;
    std::string program = root.File("program");
    std::string temporary = root.File("temp") + Separator();
    std::string desktop = root.File("desktop") + Separator();

    WindowFolders() {
        for (const char* folder : {"program", "temp", "desktop"})
            std::filesystem::create_directory(PathFromUtf8(root.File(folder)));
    }
    std::string Source(const std::string& name, const ByteBuffer& bytes) {
        const std::string path = root.File(name);
        EXPECT_TRUE(WriteWholeFile(path, bytes));
        return path;
    }
    // Where extracting writes icon `n`.
    std::string Icon(int n) const { return Utf8FromPath(PathFromUtf8(program) / (std::to_string(n) + ".ico")); }

private:
    static std::string Separator() { return {static_cast<char>(std::filesystem::path::preferred_separator)}; }
};

}  // namespace icoforge::testing
