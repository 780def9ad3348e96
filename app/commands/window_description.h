#pragma once
// The program's one window as both windows build it: where it stands, its controls in the
// order they are made, the colours of its looks and how long a balloon lives. The Win32
// and Qt windows turn these into their toolkit's own; nothing here is a toolkit's value.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "app/commands/texts.h"

namespace icoforge::window {

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The window on the screen, frame and caption bar included, at 96 dots per inch. Its
// frame is fixed: the user cannot resize it.
inline constexpr Rect kWindowPlace = {50, 50, 426, 154};
// The frame around the client area that the rectangles below are relative to: a fixed
// dialog frame of 3 pixels and a caption bar of 23 above it.
inline constexpr std::int32_t kFrameEdge = 3;
inline constexpr std::int32_t kCaptionBarHeight = 23;

enum class ControlKind : std::uint8_t { kRadioButton, kDrawingBoard, kGroupBox, kPushButton, kEditBox };

// Every control, in the order it is made.
enum class Control : std::uint8_t {
    kSize128,
    kSize64,
    kSize16,
    kSize32,
    kBoard,
    kSizeGroup,
    kAbout,
    kSelectFile,
    kDeleteIcons,
    kExtract,
    kPath,
};
inline constexpr std::size_t kControlCount = 11;

struct ControlDescription {
    Control control;
    ControlKind kind;
    std::string_view key;  // a name for tools and tests, the same on every platform
    Rect place;            // in the window's client area; the radio buttons' in the size group's
    std::string_view text;
    bool visible;
    bool checked;
    bool in_size_group;
};

inline constexpr std::array<ControlDescription, kControlCount> kControls = {{
    {Control::kSize128, ControlKind::kRadioButton, "size128", {85, 37, 62, 15}, "128*128", true, false, true},
    {Control::kSize64, ControlKind::kRadioButton, "size64", {8, 38, 62, 16}, "64*64", true, false, true},
    {Control::kSize16, ControlKind::kRadioButton, "size16", {8, 17, 62, 15}, "16*16", true, false, true},
    {Control::kSize32, ControlKind::kRadioButton, "size32", {85, 17, 62, 15}, "32*32", true, true, true},
    // Hidden: the pictures are drawn off the screen; kept for the window's place in it.
    {Control::kBoard, ControlKind::kDrawingBoard, "board", {48, -8, 32, 32}, "", false, false, false},
    {Control::kSizeGroup, ControlKind::kGroupBox, "sizeGroup", {16, 51, 168, 57}, "规定大小仅对图像转ICO有效", true,
     false, false},
    {Control::kAbout, ControlKind::kPushButton, "aboutButton", {312, 83, 80, 24}, "软件说明", true, false, false},
    {Control::kSelectFile, ControlKind::kPushButton, "selectFileButton", {208, 56, 80, 24}, "选择文件", true, false,
     false},
    {Control::kDeleteIcons, ControlKind::kPushButton, "deleteButton", {208, 83, 80, 24}, "删除图标", true, false,
     false},
    {Control::kExtract, ControlKind::kPushButton, "extractButton", {312, 56, 80, 24}, "提取图标", true, false, false},
    {Control::kPath, ControlKind::kEditBox, "pathEdit", {16, 24, 392, 20}, texts::kInitialEditText, true, false,
     false},
}};

constexpr const ControlDescription& DescriptionOf(Control control) {
    return kControls[static_cast<std::size_t>(control)];
}

// The size choice each radio button stands for, in the order UpdateIconSize asks.
inline constexpr std::array<Control, 4> kSizeRadios = {Control::kSize16, Control::kSize32, Control::kSize64,
                                                       Control::kSize128};

// A balloon that hides by itself goes this long after it shows.
inline constexpr std::uint32_t kBalloonLifetimeMs = 5000;

// The looks: schemes 1 to 3 switch one on, any other number switches the look off.
inline constexpr int kFirstScheme = 1;
inline constexpr int kLastScheme = 3;
// The program's own, switched on when the window has been made.
inline constexpr int kStartScheme = 3;

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

struct SchemePalette {
    Rgb window;      // the client area and the group box's inside
    Rgb surface;     // a push button at rest
    Rgb hover;       // a push button under the mouse
    Rgb pressed;     // a push button held down
    Rgb border;      // frames at rest
    Rgb accent;      // focus, hover frames, the checked radio
    Rgb field;       // the edit box and a radio's disc
    Rgb text;
    Rgb muted_text;  // the group box's title, disabled controls
};

// Scheme 1: teal; 2: dark; 3: blue on a cool light grey.
inline constexpr std::array<SchemePalette, 3> kSchemePalettes = {{
    {{0xF3, 0xF6, 0xF5}, {0xFF, 0xFF, 0xFF}, {0xE6, 0xF4, 0xF1}, {0xCC, 0xE9, 0xE3}, {0xC5, 0xD1, 0xCE},
     {0x0F, 0x76, 0x6E}, {0xFF, 0xFF, 0xFF}, {0x1F, 0x29, 0x37}, {0x4B, 0x55, 0x63}},
    {{0x1F, 0x24, 0x30}, {0x2B, 0x31, 0x40}, {0x34, 0x3B, 0x4D}, {0x23, 0x3A, 0x66}, {0x47, 0x50, 0x63},
     {0x60, 0xA5, 0xFA}, {0x16, 0x1A, 0x23}, {0xE5, 0xE7, 0xEB}, {0x9C, 0xA3, 0xAF}},
    {{0xF4, 0xF6, 0xFA}, {0xFF, 0xFF, 0xFF}, {0xEE, 0xF3, 0xFE}, {0xDB, 0xE6, 0xFD}, {0xC8, 0xCF, 0xDA},
     {0x25, 0x63, 0xEB}, {0xFF, 0xFF, 0xFF}, {0x1F, 0x29, 0x37}, {0x4B, 0x55, 0x63}},
}};

// The palette of a scheme; nothing for a number that switches the look off.
constexpr std::optional<SchemePalette> PaletteOf(int scheme) {
    if (scheme < kFirstScheme || scheme > kLastScheme) return std::nullopt;
    return kSchemePalettes[static_cast<std::size_t>(scheme - kFirstScheme)];
}

}  // namespace icoforge::window
