// Placeholder until the OLE drop target lands: no drop is ever accepted.
#include "app/win32/drop_object.h"

namespace icoforge {

DropObject::DropObject(HWND parent, DropSettings, DropEventSink) : parent_(parent), target_(nullptr) {}
DropObject::~DropObject() = default;

bool DropObject::RegisterDropWindow(HWND window) {
    return registration_.Register(reinterpret_cast<std::uintptr_t>(window), [](std::uintptr_t) { return false; });
}

IDropTarget* DropObject::target() const { return target_; }

}  // namespace icoforge
