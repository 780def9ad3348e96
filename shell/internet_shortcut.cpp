#include "shell/internet_shortcut.h"

#include <algorithm>
#include <charconv>
#include <utility>
#include <string_view>

#include "common/text_encoding.h"

namespace icoforge {
namespace {

constexpr std::string_view kSection = "InternetShortcut";
// Beside the ANSI section, the values that ANSI text could not hold, in UTF-7.
constexpr std::string_view kUnicodeSection = "InternetShortcut.W";
constexpr std::string_view kIconFileKey = "IconFile";
constexpr std::string_view kIconIndexKey = "IconIndex";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
// The profile functions also read INI files written as UTF-16, as some launchers write
// them so that Windows keeps a name such as 魔法少女 whole.
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::string_view kUtf16BeMark = "\xFE\xFF";
// Real internet shortcuts are a few hundred bytes; text beyond this is not read.
constexpr std::size_t kMaxShortcutText = 64 * 1024;

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

bool SameLetters(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
               return lower(x) == lower(y);
           });
}

// The values of the section's keys, the first of each as the profile functions read them:
// the blanks around a value dropped, then one pair of quotes around it.
struct IconKeys {
    std::optional<std::string_view> file;
    std::optional<std::string_view> index;
    std::optional<std::string_view> unicode_file;  // UTF-7, from the .W section
    bool section_seen = false;
};

IconKeys ReadIconKeys(std::string_view text) {
    IconKeys keys;
    bool inside = false, inside_unicode = false;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = Trimmed(line);
        if (line.starts_with('[')) {
            const auto close = line.find(']');
            const std::string_view name = close == std::string_view::npos ? "" : Trimmed(line.substr(1, close - 1));
            inside = close != std::string_view::npos && SameLetters(name, kSection);
            inside_unicode = close != std::string_view::npos && SameLetters(name, kUnicodeSection);
            keys.section_seen = keys.section_seen || inside;
            continue;
        }
        const auto equals = line.find('=');
        if ((!inside && !inside_unicode) || equals == std::string_view::npos) continue;
        const std::string_view key = Trimmed(line.substr(0, equals));
        std::string_view value = Trimmed(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        if (inside_unicode) {
            if (SameLetters(key, kIconFileKey) && !keys.unicode_file) keys.unicode_file = value;
            continue;
        }
        if (SameLetters(key, kIconFileKey) && !keys.file) keys.file = value;
        if (SameLetters(key, kIconIndexKey) && !keys.index) keys.index = value;
    }
    return keys;
}

// The text to read, behind its byte order mark, UTF-16 as UTF-8; nothing for bytes that
// are no text (a NUL among them, as every module and picture has near its start).
struct ShortcutText {
    std::string text;
    bool utf8 = false;  // else ANSI
};

std::optional<ShortcutText> TextOf(ByteView file) {
    const ByteView head = file.first(std::min(file.size(), kMaxShortcutText));
    ShortcutText shortcut{std::string(reinterpret_cast<const char*>(head.data()), head.size()), false};
    if (shortcut.text.starts_with(kUtf16LeMark) || shortcut.text.starts_with(kUtf16BeMark)) {
        ByteBuffer units(head.begin() + 2, head.end());
        if (shortcut.text.starts_with(kUtf16BeMark))
            for (std::size_t i = 0; i + 1 < units.size(); i += 2) std::swap(units[i], units[i + 1]);
        shortcut = {Utf8FromUtf16Le(units, LoneSurrogate::kReplace), true};
    } else if (shortcut.text.starts_with(kUtf8Mark)) {
        shortcut = {shortcut.text.substr(kUtf8Mark.size()), true};
    }
    if (shortcut.text.find('\0') != std::string::npos) return std::nullopt;
    return shortcut;
}

// GetPrivateProfileInt's reading: an optional minus, then the digits that follow; anything
// else, or a number that does not fit, is 0.
std::int32_t IndexOf(std::string_view value) {
    std::int32_t index = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), index);
    return error == std::errc{} && end != value.data() ? index : 0;
}

}  // namespace

bool IsInternetShortcut(ByteView file) {
    const auto text = TextOf(file);
    return text && ReadIconKeys(text->text).section_seen;
}

std::optional<InternetShortcutIcon> InternetShortcutIconOf(ByteView file, AnsiDecoder ansi) {
    const auto text = TextOf(file);
    if (!text) return std::nullopt;
    const IconKeys keys = ReadIconKeys(text->text);
    // The .W section stands beside the ANSI one; without that, the text is no internet shortcut.
    if (!keys.section_seen) return std::nullopt;
    InternetShortcutIcon icon;
    // The .W section holds a value only where the ANSI one lost characters to '?'.
    if (keys.unicode_file) icon.path = Utf8FromUtf7(*keys.unicode_file);
    if (icon.path.empty() && keys.file) {
        const ByteView path(reinterpret_cast<const std::uint8_t*>(keys.file->data()), keys.file->size());
        icon.path = text->utf8 ? std::string(*keys.file) : ansi(path);
    }
    if (icon.path.empty()) return std::nullopt;
    icon.index = keys.index ? IndexOf(*keys.index) : 0;
    return icon;
}

}  // namespace icoforge
