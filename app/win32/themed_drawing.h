#pragma once
// The window's own look: flat, rounded push buttons, radio buttons, the group box and the
// edit box, drawn over the standard controls, which keep their behaviour. Scheme 3 is the
// program's; 1 and 2 are colour variants; any other number switches the look off and the
// standard controls draw themselves again.

#include <windows.h>

#include <memory>
#include <vector>

#include "platform/win32/owners.h"

namespace icoforge {

enum class ThemedKind { Window, PushButton, RadioButton, GroupBox, EditBox };

class ThemedDrawing {
public:
    // Applies to `top` and the controls inside it when a scheme is switched on.
    explicit ThemedDrawing(HWND top);
    ~ThemedDrawing();
    ThemedDrawing(const ThemedDrawing&) = delete;
    ThemedDrawing& operator=(const ThemedDrawing&) = delete;

    // 1..3 switch a scheme on (first switching off the active one); anything else off.
    void SetScheme(int scheme);
    // The active scheme, 0 when off.
    int scheme() const { return scheme_; }
    // Redraws everything, after the DPI or the font changed.
    void Refresh();
    // How many windows the active scheme draws.
    std::size_t themed_windows() const { return skins_.size(); }

    struct Skin;

private:
    static BOOL CALLBACK AttachChild(HWND child, LPARAM self);
    void Attach(HWND window);
    // With `redraw`, the standard look is drawn at once; not while the window goes.
    void Detach(bool redraw);

    HWND top_;
    int scheme_ = 0;
    std::vector<std::unique_ptr<Skin>> skins_;
    BrushHandle window_brush_;
    BrushHandle field_brush_;
};

}  // namespace icoforge
