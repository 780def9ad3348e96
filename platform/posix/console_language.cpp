#include "platform/console_language.h"

namespace icoforge {

std::string UserInterfaceLanguage() { return {}; }

void UseUtf8Console() {}

}  // namespace icoforge
