// The portable rules of the shell services, shared by every platform's implementation.
#include "shell/shell_paths.h"

#include "common/text_encoding.h"

namespace icoforge {
namespace {

constexpr std::string_view kShortcutExtension = ".lnk";

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool FitsPathBuffer(std::string_view utf8) { return Utf16Length(utf8) < kPathBufferUnits; }

std::string CopyToHostText(std::string_view text) { return std::string(text); }

std::string ShortcutLoadPath(std::string_view path) {
    if (path.find('.') != std::string_view::npos) return CopyToHostText(path);
    std::string with_extension = std::string(path) + std::string(kShortcutExtension);
    return FitsPathBuffer(with_extension) ? with_extension : std::string();
}

std::string FinishFolderPath(std::string_view path, char separator) {
    if (path.empty()) return {};
    std::string finished(path);
    if (finished.back() != separator) finished += separator;
    return FitsPathBuffer(finished) ? finished : std::string();
}

bool HasShortcutExtension(std::string_view path) {
    const auto slash = path.find_last_of("/\\");
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (name.size() < kShortcutExtension.size()) return false;
    const std::string_view tail = name.substr(name.size() - kShortcutExtension.size());
    for (std::size_t i = 0; i < tail.size(); ++i)
        if (AsciiLower(tail[i]) != kShortcutExtension[i]) return false;
    return true;
}

}  // namespace icoforge
