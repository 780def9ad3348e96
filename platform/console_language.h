#pragma once
// What the console needs of the system to speak the user's language.

#include <string>

namespace icoforge {

// The user's user-interface language as a locale name ("zh-CN", "en-US"), or empty where
// the system has none beyond the locale variables (POSIX, where those decide).
std::string UserInterfaceLanguage();

// For its lifetime, the console shows the program's UTF-8 text as it is written (a Windows
// console otherwise reads it in the OEM code page); the console's own code page comes back
// at the end, as the console outlives the program. Nothing elsewhere.
class Utf8ConsoleOutput {
public:
    Utf8ConsoleOutput();
    ~Utf8ConsoleOutput();
    Utf8ConsoleOutput(const Utf8ConsoleOutput&) = delete;
    Utf8ConsoleOutput& operator=(const Utf8ConsoleOutput&) = delete;

private:
    [[maybe_unused]] unsigned previous_code_page_ = 0;  // 0: no console, or no code pages here
};

}  // namespace icoforge
