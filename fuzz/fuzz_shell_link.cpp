// The shell link reader on arbitrary bytes, and the ID list reader on the same bytes.
#include "shell/shell_link.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const icoforge::ByteView bytes(data, size);
    const std::string target = icoforge::ShellLinkTargetPath(bytes);
    const std::string from_list = icoforge::PathFromItemIdList(bytes);
    // Every path is built from the input: it cannot outgrow a few times its size.
    if (target.size() > 4 * size + 4 || from_list.size() > 4 * size + 4) __builtin_trap();
    return 0;
}
