// The internet shortcut (.url) reader on arbitrary bytes.
#include "shell/internet_shortcut.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const icoforge::ByteView bytes(data, size);
    const auto icon = icoforge::InternetShortcutIconOf(bytes);
    if (icon && !icoforge::IsInternetShortcut(bytes)) __builtin_trap();
    // The path is a piece of the input, at most tripled by Windows-1252's three-byte characters.
    if (icon && (icon->path.empty() || icon->path.size() > 3 * size)) __builtin_trap();
    return 0;
}
