// The shell link reader on arbitrary bytes (its target, the URL it stores), and the ID list
// reader on the same bytes.
#include "shell/shell_link.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const icoforge::ByteView bytes(data, size);
    const std::string target = icoforge::ShellLinkTargetPath(bytes);
    const std::string from_list = icoforge::PathFromItemIdList(bytes);
    const std::string url = icoforge::ShellLinkStoredUrl(bytes);
    if (!icoforge::IsShellLink(bytes) && !url.empty()) __builtin_trap();
    // Every path is built from the input: it cannot outgrow a few times its size.
    if (target.size() > 4 * size + 4 || url.size() > size || from_list.size() > 4 * size + 4) __builtin_trap();
    return 0;
}
