#include "iconextract/system_resources.h"

#include <filesystem>
#include <system_error>

#include "common/path.h"

namespace icoforge {
namespace {

// As Windows spells them, so that the first lookup finds them where letter case agrees.
constexpr std::string_view kFolderName = "SystemResources";
constexpr std::string_view kWindowsFolder = "windows";
constexpr std::string_view kSuffix = ".mun";

}  // namespace

std::optional<std::string> FindSystemResourcesFile(std::string_view module_path) {
    std::error_code ec;
    std::filesystem::path module = std::filesystem::absolute(PathFromUtf8(module_path), ec);
    if (ec) return std::nullopt;
    module.make_preferred();
    // The folders above the module are read off its path's text, nearest first, without a
    // path made for each: list asks this of every module without icons, hundreds a second.
    // Only a folder named Windows is searched: asking every folder above every module that
    // lacks icons would list whole trees of libraries for nothing.
    const auto& text = module.native();
    using Char = std::filesystem::path::value_type;
    constexpr Char kSeparator = std::filesystem::path::preferred_separator;
    const auto is_windows = [&](std::size_t from, std::size_t to) {
        if (to - from != kWindowsFolder.size()) return false;
        for (std::size_t i = 0; i < kWindowsFolder.size(); ++i) {
            Char c = text[from + i];
            if (c >= 'A' && c <= 'Z') c = static_cast<Char>(c - 'A' + 'a');
            if (c != static_cast<Char>(kWindowsFolder[i])) return false;
        }
        return true;
    };
    std::size_t end = text.rfind(kSeparator);  // where the folder holding the module ends
    for (int level = 0; level <= kSystemResourcesLevelsUp && end != std::string::npos && end > 0; ++level) {
        const std::size_t start = text.rfind(kSeparator, end - 1);
        const std::size_t name = start == std::string::npos ? 0 : start + 1;
        if (is_windows(name, end)) {
            const std::filesystem::path folder(text.substr(0, end));
            const std::string mun = Utf8FromPath(module.filename()) + std::string(kSuffix);
            if (const auto resources = EntryIgnoringCase(folder, kFolderName, EntryWanted::kFolder))
                if (const auto file = EntryIgnoringCase(*resources, mun, EntryWanted::kFile)) return Utf8FromPath(*file);
            return std::nullopt;
        }
        end = start;
    }
    return std::nullopt;
}

}  // namespace icoforge
