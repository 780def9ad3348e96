#pragma once
// Conversion between the program's UTF-8 text and std::filesystem paths, and names found
// as Windows finds them.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace icoforge {

inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
    auto u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

enum class EntryWanted : unsigned char { kFile, kFolder };

// The entry of `folder` named `name` with ASCII letter case ignored, as Windows names its
// files, of the kind asked for, spelled as the folder spells it: the name as written where
// it exists, else the first such entry the folder lists. Nothing where there is none or the
// folder cannot be read.
std::optional<std::filesystem::path> EntryIgnoringCase(const std::filesystem::path& folder, std::string_view name,
                                                       EntryWanted wanted);

}  // namespace icoforge
