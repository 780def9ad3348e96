#pragma once
// What the console needs of the system to speak the user's language.

#include <string>

namespace icoforge {

// The user's user-interface language as a locale name ("zh-CN", "en-US"), or empty where
// the system has none beyond the locale variables (POSIX, where those decide).
std::string UserInterfaceLanguage();

// Lets the console show the program's UTF-8 text as it is written (Windows consoles
// otherwise read it in the OEM code page); nothing elsewhere.
void UseUtf8Console();

}  // namespace icoforge
