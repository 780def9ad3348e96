#pragma once
// Conversion between the program's UTF-8 text and std::filesystem paths.

#include <filesystem>
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

}  // namespace icoforge
