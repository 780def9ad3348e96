#include "platform/clipboard.h"

#include <mutex>
#include <new>

namespace icoforge {
namespace {

// There is no system clipboard to talk to, so the process keeps one: like the real one
// it is shared by the whole process and holds the last block placed.
struct ProcessClipboard {
    std::mutex lock;
    ByteBuffer dib;  // empty when nothing is held: an empty block is never placed
};

ProcessClipboard& Clipboard() {
    static ProcessClipboard clipboard;
    return clipboard;
}

}  // namespace

bool PlaceClipboardDib(ByteView dib) {
    auto& clipboard = Clipboard();
    const std::lock_guard<std::mutex> held(clipboard.lock);
    clipboard.dib.clear();  // emptied first, as the system clipboard is
    if (dib.empty()) return false;
    try {
        clipboard.dib.assign(dib.begin(), dib.end());
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

std::optional<ByteBuffer> ReadClipboardDib() {
    auto& clipboard = Clipboard();
    const std::lock_guard<std::mutex> held(clipboard.lock);
    if (clipboard.dib.empty()) return std::nullopt;
    return clipboard.dib;
}

}  // namespace icoforge
