#include "platform/console_language.h"

namespace icoforge {

std::string UserInterfaceLanguage() { return {}; }

Utf8ConsoleOutput::Utf8ConsoleOutput() = default;
Utf8ConsoleOutput::~Utf8ConsoleOutput() = default;

}  // namespace icoforge
