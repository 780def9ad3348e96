// The internet shortcut (.url) reader on arbitrary bytes.
#include "shell/internet_shortcut.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto icon = icoforge::InternetShortcutIconOf(icoforge::ByteView(data, size));
    // The path is a piece of the input, at most tripled by Windows-1252's three-byte characters.
    if (icon && (icon->path.empty() || icon->path.size() > 3 * size)) __builtin_trap();
    return 0;
}
