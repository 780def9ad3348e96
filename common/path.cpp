#include "common/path.h"

#include <system_error>

namespace icoforge {
namespace {

char AsciiLowered(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLowered(a[i]) != AsciiLowered(b[i])) return false;
    return true;
}

}  // namespace

std::optional<std::filesystem::path> EntryIgnoringCase(const std::filesystem::path& folder, std::string_view name,
                                                       EntryWanted wanted) {
    std::error_code ec;
    const auto is_wanted = [&](const std::filesystem::path& p) {
        return wanted == EntryWanted::kFolder ? std::filesystem::is_directory(p, ec)
                                              : std::filesystem::is_regular_file(p, ec);
    };
    // The name as written first where names are told apart by case: one lookup where
    // letter case already agrees. Windows would find it in any case and keep the case asked.
    constexpr bool kCaseSensitive = std::filesystem::path::preferred_separator == '/';
    if (const auto exact = folder / PathFromUtf8(name); kCaseSensitive && is_wanted(exact)) return exact;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) return std::nullopt;
    for (const auto& entry : it)
        if (SameIgnoringAsciiCase(Utf8FromPath(entry.path().filename()), name) && is_wanted(entry.path()))
            return entry.path();
    return std::nullopt;
}

}  // namespace icoforge
