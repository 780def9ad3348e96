#include "shell/xdg_folders.h"

#include "shell/shell_paths.h"

namespace icoforge {
namespace {

std::string Absolute(const std::string& value, const std::string& home, std::string_view fallback) {
    if (!value.empty() && value.front() == '/') return value;
    if (home.empty()) return {};
    return home + std::string(fallback);
}

std::string DataHome(const XdgPlaces& places) { return Absolute(places.data_home, places.home, "/.local/share"); }

std::string UnderOrEmpty(const std::string& base, std::string_view leaf) {
    return base.empty() ? std::string() : base + std::string(leaf);
}

// A user directory; unset means the home folder, as xdg-user-dir has it, except for the
// desktop, which defaults to ~/Desktop.
std::string UserDir(const XdgPlaces& places, std::string_view key, std::string_view fallback_leaf) {
    std::string dir = UserDirFromConfig(places.user_dirs, key, places.home);
    if (!dir.empty()) return dir;
    return places.home.empty() ? std::string() : places.home + std::string(fallback_leaf);
}

}  // namespace

std::string UserDirFromConfig(std::string_view user_dirs, std::string_view key, std::string_view home) {
    std::string found;
    std::size_t start = 0;
    while (start < user_dirs.size()) {
        std::size_t end = user_dirs.find('\n', start);
        if (end == std::string_view::npos) end = user_dirs.size();
        std::string_view line = user_dirs.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        if (line.substr(0, key.size()) != key || line.substr(key.size(), 2) != "=\"") continue;
        line.remove_prefix(key.size() + 2);
        std::string value;
        bool closed = false;
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                value += line[++i];
            } else if (line[i] == '"') {
                closed = true;
                break;
            } else {
                value += line[i];
            }
        }
        if (!closed) continue;
        // The last valid line wins, as the shell that sources the file would have it.
        if (value == "$HOME") {
            found = std::string(home);
        } else if (value.rfind("$HOME/", 0) == 0) {
            found = home.empty() ? std::string() : std::string(home) + value.substr(5);
        } else if (!value.empty() && value.front() == '/') {
            found = value;
        }
    }
    while (found.size() > 1 && found.back() == '/') found.pop_back();
    return found;
}

std::string XdgConfigHome(const XdgPlaces& places) { return Absolute(places.config_home, places.home, "/.config"); }

std::string XdgFolder(std::int32_t number, const XdgPlaces& places) {
    switch (static_cast<SpecialFolder>(number)) {
        case SpecialFolder::kDocuments: return UserDir(places, "XDG_DOCUMENTS_DIR", "");
        case SpecialFolder::kDesktop: return UserDir(places, "XDG_DESKTOP_DIR", "/Desktop");
        case SpecialFolder::kFonts: return UnderOrEmpty(DataHome(places), "/fonts");
        case SpecialFolder::kStartMenu:
        case SpecialFolder::kPrograms: return UnderOrEmpty(DataHome(places), "/applications");
        case SpecialFolder::kStartup: return UnderOrEmpty(XdgConfigHome(places), "/autostart");
        case SpecialFolder::kAppData: return DataHome(places);
        default: return {};
    }
}

}  // namespace icoforge
