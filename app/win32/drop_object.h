#pragma once
// The window's drop object: an OLE IDropTarget over the portable drop rules of
// shell/drop_target.h. Files dropped anywhere on the registered window reach the
// application as one FilesDropped text, synchronously, inside the drop.

#include <windows.h>
#include <ole2.h>

#include <string>

#include "platform/win32/owners.h"
#include "shell/drop_target.h"

namespace icoforge {

class DropTarget;

class DropObject {
public:
    // Takes the two registered clipboard formats (URL, HTML) at once; nothing is registered
    // with OLE until RegisterDropWindow. `raise` receives every event the drops raise.
    DropObject(HWND parent, DropSettings settings, DropEventSink raise);
    // Revokes the registration of the parent window and releases the target.
    ~DropObject();
    DropObject(const DropObject&) = delete;
    DropObject& operator=(const DropObject&) = delete;

    // The first call records `window` and registers it (RegisterDragDrop); true when that
    // succeeded. Every later call returns false and does nothing, even after a failure.
    // Where the shell offers drag images, a successful registration also shows them over
    // `window`.
    bool RegisterDropWindow(HWND window);

    // The target OLE calls, for tests that drive a drag without a shell. Not AddRef'd;
    // null only when memory ran out creating it, and then no window is ever registered.
    IDropTarget* target() const;

private:
    HWND parent_;
    DropRegistration registration_;
    ComPtr<DropTarget> target_;
};

}  // namespace icoforge
