#include "platform/console_language.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace icoforge {

std::string UserInterfaceLanguage() {
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    const LCID locale = MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT);
    if (LCIDToLocaleName(locale, name, LOCALE_NAME_MAX_LENGTH, 0) == 0) return {};
    return Utf8FromWide(name);
}

Utf8ConsoleOutput::Utf8ConsoleOutput() : previous_code_page_(GetConsoleOutputCP()) {
    if (previous_code_page_ != 0) SetConsoleOutputCP(CP_UTF8);
}

Utf8ConsoleOutput::~Utf8ConsoleOutput() {
    if (previous_code_page_ != 0) SetConsoleOutputCP(previous_code_page_);
}

}  // namespace icoforge
