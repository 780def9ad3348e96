#include "cli/messages.h"

#include <cstdio>
#include <cstdlib>

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

std::string Quoted(std::string_view path) {
    std::string quoted = "'";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

}  // namespace icoforge::cli
