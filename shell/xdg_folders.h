#pragma once
// Where the freedesktop conventions put the folders that Windows numbers. Pure rules over
// the values the caller gathered, so that they are tested on every platform.

#include <cstdint>
#include <string>
#include <string_view>

namespace icoforge {

struct XdgPlaces {
    std::string home;          // $HOME
    std::string config_home;   // $XDG_CONFIG_HOME as set (may be empty or relative)
    std::string data_home;     // $XDG_DATA_HOME as set
    std::string user_dirs;     // contents of user-dirs.dirs in the config home, if any
};

// The value of `key` (e.g. "XDG_DESKTOP_DIR") in a user-dirs.dirs text: "$HOME/..." or an
// absolute path, in double quotes; empty when absent or malformed.
std::string UserDirFromConfig(std::string_view user_dirs, std::string_view key, std::string_view home);

// The config home as XDG defines it: $XDG_CONFIG_HOME when absolute, else ~/.config.
std::string XdgConfigHome(const XdgPlaces& places);

// The folder for a special-folder number, without a trailing separator, or empty.
std::string XdgFolder(std::int32_t number, const XdgPlaces& places);

}  // namespace icoforge
