#include "platform/clipboard.h"

#include <windows.h>

#include <cstring>

namespace icoforge {
namespace {

// Holds the clipboard open for one operation and closes it on every path.
class OpenedClipboard {
public:
    OpenedClipboard() : open_(OpenClipboard(nullptr) != FALSE) {}
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    ~OpenedClipboard() {
        if (open_) CloseClipboard();
    }
    bool open() const { return open_; }

private:
    bool open_;
};

// A global memory block that is freed unless ownership passed to the clipboard.
class GlobalBlock {
public:
    explicit GlobalBlock(SIZE_T size) : block_(GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size)) {}
    GlobalBlock(const GlobalBlock&) = delete;
    GlobalBlock& operator=(const GlobalBlock&) = delete;
    ~GlobalBlock() {
        if (block_ != nullptr) GlobalFree(block_);
    }
    HGLOBAL get() const { return block_; }
    void release() { block_ = nullptr; }

private:
    HGLOBAL block_;
};

}  // namespace

bool PlaceClipboardDib(ByteView dib) {
    OpenedClipboard clipboard;
    if (!clipboard.open()) return false;
    if (!EmptyClipboard()) return false;
    if (dib.empty()) return false;
    GlobalBlock block(dib.size());
    if (block.get() == nullptr) return false;
    void* bytes = GlobalLock(block.get());
    if (bytes == nullptr) return false;
    std::memcpy(bytes, dib.data(), dib.size());
    GlobalUnlock(block.get());
    // Once the clipboard has accepted the block it owns it; if it refuses, the block is
    // still ours to free.
    if (SetClipboardData(CF_DIB, block.get()) == nullptr) return false;
    block.release();
    return true;
}

std::optional<ByteBuffer> ReadClipboardDib() {
    OpenedClipboard clipboard;
    if (!clipboard.open()) return std::nullopt;
    HANDLE handle = GetClipboardData(CF_DIB);
    if (handle == nullptr) return std::nullopt;
    const SIZE_T size = GlobalSize(handle);
    const void* bytes = GlobalLock(handle);
    if (bytes == nullptr) return std::nullopt;
    ByteBuffer copy(static_cast<const std::uint8_t*>(bytes), static_cast<const std::uint8_t*>(bytes) + size);
    GlobalUnlock(handle);
    return copy;
}

}  // namespace icoforge
