#include "shell/windows_volume.h"

#include <algorithm>
#include <system_error>
#include <vector>

#include "common/path.h"

namespace icoforge {
namespace {

struct Folder {
    std::string_view variable;
    std::string_view path;  // on the volume, from its root; "~" stands for the user's profile
};

// The values Windows gives these variables on its system volume.
constexpr Folder kFolders[] = {
    {"SystemRoot", "Windows"},
    {"windir", "Windows"},
    {"SystemDrive", ""},
    {"ProgramFiles", "Program Files"},
    {"ProgramW6432", "Program Files"},
    {"ProgramFiles(x86)", "Program Files (x86)"},
    {"CommonProgramFiles", "Program Files\\Common Files"},
    {"CommonProgramW6432", "Program Files\\Common Files"},
    {"CommonProgramFiles(x86)", "Program Files (x86)\\Common Files"},
    {"ProgramData", "ProgramData"},
    {"ALLUSERSPROFILE", "ProgramData"},
    {"PUBLIC", "Users\\Public"},
    {"USERPROFILE", "~"},
    {"HOMEPATH", "~"},
    {"APPDATA", "~\\AppData\\Roaming"},
    {"LOCALAPPDATA", "~\\AppData\\Local"},
};

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lowered = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lowered(x) == lowered(y);
    });
}

// The stored path with the variables it may use replaced, relative to the volume's root
// and with backslashes; nothing where it uses one this volume cannot give or leaves drive C:.
std::optional<std::string> OnVolume(const WindowsVolume& volume, std::string_view stored) {
    std::string path;
    for (std::size_t i = 0; i < stored.size();) {
        const std::size_t end = stored[i] == '%' ? stored.find('%', i + 1) : std::string_view::npos;
        if (end == std::string_view::npos) {
            path += stored[i] == '/' ? '\\' : stored[i];
            ++i;
            continue;
        }
        const std::string_view name = stored.substr(i + 1, end - i - 1);
        const auto folder = std::find_if(std::begin(kFolders), std::end(kFolders),
                                         [&](const Folder& f) { return SameIgnoringAsciiCase(f.variable, name); });
        if (folder == std::end(kFolders)) return std::nullopt;
        path += "C:";
        if (folder->path.starts_with('~')) {
            if (volume.user.empty()) return std::nullopt;
            path += "\\Users\\" + volume.user + std::string(folder->path.substr(1));
        } else if (!folder->path.empty()) {
            path += "\\" + std::string(folder->path);
        }
        i = end + 1;
    }
    if (path.size() < 3 || (path[0] != 'C' && path[0] != 'c') || path[1] != ':' || path[2] != '\\')
        return std::nullopt;
    return path.substr(3);
}

}  // namespace

std::optional<WindowsVolume> WindowsVolumeOf(const std::filesystem::path& file) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(file, ec);
    if (ec) return std::nullopt;
    std::vector<std::string> below;  // the names between the root and the file, nearest first
    std::filesystem::path folder = absolute.parent_path();
    for (int level = 0; level < kVolumeRootLevelsUp; ++level) {
        if (const auto windows = EntryIgnoringCase(folder, "Windows", EntryWanted::kFolder);
            windows && EntryIgnoringCase(*windows, "System32", EntryWanted::kFolder)) {
            WindowsVolume volume{folder, {}};
            if (below.size() >= 2 && SameIgnoringAsciiCase(below.back(), "Users"))
                volume.user = below[below.size() - 2];
            return volume;
        }
        if (!folder.has_relative_path()) break;  // the file system's root
        below.push_back(Utf8FromPath(folder.filename()));
        folder = folder.parent_path();
    }
    return std::nullopt;
}

std::optional<std::string> PathOnWindowsVolume(const WindowsVolume& volume, std::string_view stored) {
    const auto relative = OnVolume(volume, stored);
    if (!relative) return std::nullopt;
    std::filesystem::path found = volume.root;
    for (std::size_t start = 0; start <= relative->size();) {
        std::size_t end = relative->find('\\', start);
        if (end == std::string::npos) end = relative->size();
        const std::string_view name = std::string_view(*relative).substr(start, end - start);
        start = end + 1;
        if (name.empty() || name == ".") continue;
        if (name == "..") {
            // Never above the volume's root, as Windows stops at a drive's.
            if (found != volume.root) found = found.parent_path();
            continue;
        }
        const bool last = end == relative->size();
        const auto entry = EntryIgnoringCase(found, name, last ? EntryWanted::kFile : EntryWanted::kFolder);
        if (!entry) return std::nullopt;
        found = *entry;
    }
    if (found == volume.root) return std::nullopt;
    return Utf8FromPath(found);
}

}  // namespace icoforge
