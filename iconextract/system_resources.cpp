#include "iconextract/system_resources.h"

#include <filesystem>
#include <system_error>

#include "common/path.h"

namespace icoforge {
namespace {

constexpr std::string_view kFolderName = "systemresources";
constexpr std::string_view kWindowsFolder = "windows";
constexpr std::string_view kSuffix = ".mun";

std::string AsciiLowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The entry of `folder` whose name is `lowered` with letter case ignored.
std::optional<std::filesystem::path> EntryIgnoringCase(const std::filesystem::path& folder, const std::string& lowered,
                                                       bool want_folder) {
    std::error_code ec;
    const auto wanted = [&](const std::filesystem::path& p) {
        return want_folder ? std::filesystem::is_directory(p, ec) : std::filesystem::is_regular_file(p, ec);
    };
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) return std::nullopt;
    for (const auto& entry : it) {
        if (AsciiLowered(Utf8FromPath(entry.path().filename())) == lowered && wanted(entry.path())) return entry.path();
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> FindSystemResourcesFile(std::string_view module_path) {
    std::error_code ec;
    const std::filesystem::path module = std::filesystem::absolute(PathFromUtf8(module_path), ec);
    if (ec) return std::nullopt;
    const std::string mun = AsciiLowered(Utf8FromPath(module.filename())) + std::string(kSuffix);
    // Only a folder named Windows is searched: asking every folder above every module
    // that lacks icons would list whole trees of libraries for nothing.
    std::filesystem::path folder = module.parent_path();
    for (int level = 0; level <= kSystemResourcesLevelsUp; ++level) {
        if (AsciiLowered(Utf8FromPath(folder.filename())) == kWindowsFolder) {
            if (const auto resources = EntryIgnoringCase(folder, std::string(kFolderName), true))
                if (const auto file = EntryIgnoringCase(*resources, mun, false)) return Utf8FromPath(*file);
            return std::nullopt;
        }
        if (!folder.has_parent_path() || folder.parent_path() == folder) break;
        folder = folder.parent_path();
    }
    return std::nullopt;
}

}  // namespace icoforge
