#pragma once
// Where the tests find Wine's own modules, which make a large, real, independently built
// sample of PE32 and PE32+ files. A kernel that cannot run 32-bit programs gets only the
// 64-bit build, so a test takes whichever builds are installed.

#include <filesystem>
#include <string>
#include <vector>

namespace icoforge::testing {

inline const std::string kWine32Modules = "/usr/lib/i386-linux-gnu/wine/i386-windows/";
inline const std::string kWine64Modules = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/";

struct WineFolder {
    std::string path;  // ends in '/'
    bool pe32_plus = false;
};

// The folders of the Wine builds installed here, 32-bit first.
inline std::vector<WineFolder> InstalledWineFolders() {
    std::vector<WineFolder> folders;
    if (std::filesystem::exists(kWine32Modules + "shell32.dll")) folders.push_back({kWine32Modules, false});
    if (std::filesystem::exists(kWine64Modules + "shell32.dll")) folders.push_back({kWine64Modules, true});
    return folders;
}

}  // namespace icoforge::testing
