#include "cli/messages.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "platform/console_language.h"

namespace icoforge::cli {

Language LanguageFor(std::string_view lc_all, std::string_view lc_messages, std::string_view lang,
                     std::string_view system_language) {
    std::string_view chosen = system_language;
    for (const std::string_view value : {lc_all, lc_messages, lang}) {
        if (!value.empty()) {
            chosen = value;
            break;
        }
    }
    return chosen.starts_with("zh") ? Language::kChinese : Language::kEnglish;
}

Language UserLanguage() {
    const auto variable = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string_view(value == nullptr ? "" : value);
    };
    return LanguageFor(variable("LC_ALL"), variable("LC_MESSAGES"), variable("LANG"), UserInterfaceLanguage());
}

std::string Format(const Message& message, Language language, std::initializer_list<std::string_view> arguments) {
    const std::string_view text = language == Language::kChinese ? message.chinese : message.english;
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t close = text[i] == '{' ? text.find('}', i) : std::string_view::npos;
        std::size_t number = 0;
        bool placeholder = close != std::string_view::npos && close > i + 1;
        for (std::size_t j = i + 1; placeholder && j < close; ++j) {
            if (text[j] < '0' || text[j] > '9') placeholder = false;
            else number = number * 10 + static_cast<std::size_t>(text[j] - '0');
        }
        if (placeholder && number >= 1 && number <= arguments.size()) {
            result += *(arguments.begin() + (number - 1));
            i = close;
        } else {
            result += text[i];
        }
    }
    return result;
}

std::string Escaped(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            escaped += escape;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string Quoted(std::string_view path) { return "'" + Escaped(path) + "'"; }

namespace {

struct CodeRange {
    char32_t first, last;
};

// Unicode's East Asian Wide and Fullwidth blocks, as terminals draw them: Hangul Jamo,
// CJK punctuation to Yi, Hangul syllables, compatibility ideographs and forms, fullwidth
// forms, the common emoji, and the ideographs of planes 2 and 3.
constexpr CodeRange kWide[] = {
    {0x1100, 0x115F},   {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},
    {0xA000, 0xA4CF},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE30, 0xFE4F},   {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6},   {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};
// Marks drawn over the character before them, zero-width spaces and joiners, and variation selectors.
constexpr CodeRange kNoWidth[] = {
    {0x0300, 0x036F}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x200B, 0x200F},
    {0x20D0, 0x20FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F},
};

bool InRanges(char32_t c, std::span<const CodeRange> ranges) {
    return std::any_of(ranges.begin(), ranges.end(), [c](const CodeRange& r) { return c >= r.first && c <= r.last; });
}

}  // namespace

std::size_t TerminalColumns(std::string_view utf8) {
    std::size_t columns = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t length = 0;  // of the sequence `lead` starts; none for a byte that starts none
        char32_t c = lead;
        if (lead < 0x80) {
            length = 1;
        } else if (lead >= 0xC2 && lead < 0xE0) {
            length = 2, c = lead & 0x1F;
        } else if (lead >= 0xE0 && lead < 0xF0) {
            length = 3, c = lead & 0x0F;
        } else if (lead >= 0xF0 && lead < 0xF5) {
            length = 4, c = lead & 0x07;
        }
        bool whole = length > 0 && i + length <= utf8.size();
        for (std::size_t k = 1; whole && k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            whole = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        if (!whole) {
            ++columns, ++i;  // a byte that is no UTF-8, shown as one replacement character
            continue;
        }
        columns += InRanges(c, kNoWidth) ? 0 : InRanges(c, kWide) ? 2 : 1;
        i += length;
    }
    return columns;
}

}  // namespace icoforge::cli
