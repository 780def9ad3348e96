// The shell link reader on arbitrary bytes (its target, the URL it stores, the icon it
// names), and the ID list reader on the same bytes.
#include "shell/shell_link.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const icoforge::ByteView bytes(data, size);
    const std::string target = icoforge::ShellLinkTargetPath(bytes);
    const std::string from_list = icoforge::PathFromItemIdList(bytes);
    const std::string url = icoforge::ShellLinkStoredUrl(bytes);
    const auto icon = icoforge::ShellLinkIconLocation(bytes);
    if (!icoforge::IsShellLink(bytes) && (!url.empty() || icon)) __builtin_trap();
    if (icon && (icon->paths.empty() || icon->paths.size() > 2)) __builtin_trap();
    if (icon)
        for (const auto& path : icon->paths)
            if (path.empty() || path.size() > 4 * size) __builtin_trap();
    // Every path is built from the input: it cannot outgrow a few times its size.
    if (target.size() > 4 * size + 4 || url.size() > size || from_list.size() > 4 * size + 4) __builtin_trap();
    return 0;
}
