#include "app/win32/themed_drawing.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string>

#include "app/commands/window_description.h"
#include "app/win32/window_dpi.h"

namespace icoforge {
namespace {

// A scheme's colours as GDI takes them.
struct Palette {
    COLORREF window, surface, hover, pressed, border, accent, field, text, muted_text;
};

constexpr COLORREF Gdi(window::Rgb colour) { return RGB(colour.red, colour.green, colour.blue); }

std::optional<Palette> GdiPaletteOf(int scheme) {
    const auto p = window::PaletteOf(scheme);
    if (!p) return std::nullopt;
    return Palette{Gdi(p->window), Gdi(p->surface), Gdi(p->hover),  Gdi(p->pressed),   Gdi(p->border),
                   Gdi(p->accent), Gdi(p->field),   Gdi(p->text),   Gdi(p->muted_text)};
}

// Corner radii and the radio's disc, in pixels at 96 DPI.
constexpr float kButtonRadius = 4.0f;
constexpr float kGroupRadius = 6.0f;
constexpr float kEditRadius = 3.0f;
constexpr float kRadioDiameter = 11.0f;
constexpr float kRadioDot = 2.25f;
constexpr float kRadioGap = 3.0f;
constexpr float kGroupTitleIndent = 8.0f;

// The window's background and the edit box's field, as brushes the window answers
// WM_CTLCOLOR* with; kept on the window so its subclass finds them.
constexpr wchar_t kWindowBrush[] = L"icoforge.themed.window";
constexpr wchar_t kFieldBrush[] = L"icoforge.themed.field";

std::uint32_t Pixel(COLORREF colour) {
    return (std::uint32_t{GetRValue(colour)} << 16) | (std::uint32_t{GetGValue(colour)} << 8) | GetBValue(colour);
}

std::uint32_t Blend(std::uint32_t under, std::uint32_t over, float amount) {
    if (amount <= 0.0f) return under;
    if (amount >= 1.0f) return over;
    std::uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const float a = static_cast<float>((under >> shift) & 0xFF);
        const float b = static_cast<float>((over >> shift) & 0xFF);
        out |= static_cast<std::uint32_t>(a + (b - a) * amount + 0.5f) << shift;
    }
    return out;
}

float Coverage(float distance) { return std::clamp(0.5f - distance, 0.0f, 1.0f); }

// Distance from a point to the edge of a rounded rectangle; negative inside.
float RoundedBoxDistance(float x, float y, float left, float top, float right, float bottom, float radius) {
    const float cx = (left + right) / 2, cy = (top + bottom) / 2;
    const float qx = std::fabs(x - cx) - ((right - left) / 2 - radius);
    const float qy = std::fabs(y - cy) - ((bottom - top) / 2 - radius);
    const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - radius;
}

// An off-screen 32-bit surface: shapes are drawn smooth into its pixels, text through
// GDI, and the whole copied to the control at once, so nothing flickers.
class Canvas {
public:
    Canvas(HDC like, int width, int height) : memory_(like), width_(std::max(width, 1)), height_(std::max(height, 1)) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap_.reset(CreateDIBSection(like, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        pixels_ = static_cast<std::uint32_t*>(bits);
        if (bitmap_) memory_.Select(bitmap_.get());
    }
    bool ok() const { return pixels_ != nullptr && memory_.get() != nullptr; }
    HDC dc() const { return memory_.get(); }

    void Fill(COLORREF colour) { std::fill_n(pixels_, std::size_t(width_) * height_, Pixel(colour)); }

    // A rounded rectangle (a circle when the radius is half its side), filled and framed;
    // `fill` is skipped when `filled` is false.
    void RoundedBox(float left, float top, float right, float bottom, float radius, bool filled, COLORREF fill,
                    COLORREF frame, float frame_width) {
        GdiFlush();
        const std::uint32_t fill_pixel = Pixel(fill), frame_pixel = Pixel(frame);
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                const float d = RoundedBoxDistance(x + 0.5f, y + 0.5f, left, top, right, bottom, radius);
                if (d > 1.0f) continue;
                std::uint32_t& p = pixels_[std::size_t(y) * width_ + x];
                p = Blend(p, frame_pixel, Coverage(d));
                if (filled) p = Blend(p, fill_pixel, Coverage(d + frame_width));
            }
        }
    }

    void Text(const std::wstring& text, HFONT font, COLORREF colour, RECT box, UINT format) {
        GdiFlush();
        const HGDIOBJ old = SelectObject(dc(), font);
        SetBkMode(dc(), TRANSPARENT);
        SetTextColor(dc(), colour);
        DrawTextW(dc(), text.c_str(), static_cast<int>(text.size()), &box, format | DT_NOPREFIX);
        SelectObject(dc(), old);
    }

    SIZE TextSize(const std::wstring& text, HFONT font) const {
        const HGDIOBJ old = SelectObject(dc(), font);
        SIZE size{};
        GetTextExtentPoint32W(dc(), text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc(), old);
        return size;
    }

    void CopyTo(HDC target) const {
        GdiFlush();
        BitBlt(target, 0, 0, width_, height_, dc(), 0, 0, SRCCOPY);
    }

private:
    MemoryDc memory_;
    BitmapHandle bitmap_;
    std::uint32_t* pixels_ = nullptr;
    int width_;
    int height_;
};

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring ClassName(HWND window) {
    std::array<wchar_t, 64> name{};
    const int length = GetClassNameW(window, name.data(), static_cast<int>(name.size()));
    return std::wstring(name.data(), static_cast<std::size_t>(std::max(length, 0)));
}

// What a window is, by its class and button style; nothing for those drawn as they are.
std::optional<ThemedKind> KindOf(HWND window) {
    const std::wstring name = ClassName(window);
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    if (lstrcmpiW(name.c_str(), L"Edit") == 0) return ThemedKind::EditBox;
    if (lstrcmpiW(name.c_str(), L"Button") != 0) return std::nullopt;
    switch (style & BS_TYPEMASK) {
        case BS_PUSHBUTTON:
        case BS_DEFPUSHBUTTON:
            return ThemedKind::PushButton;
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
            return ThemedKind::RadioButton;
        case BS_GROUPBOX:
            return ThemedKind::GroupBox;
        default:
            return std::nullopt;
    }
}

}  // namespace

struct ThemedDrawing::Skin {
    ThemedDrawing* owner;
    HWND window;
    ThemedKind kind;
    bool hover = false;

    // Only skins of an active scheme exist.
    Palette palette() const { return GdiPaletteOf(owner->scheme_).value_or(Palette{}); }
};

namespace {

HFONT FontOf(HWND window) {
    const auto font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    return font != nullptr ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void PaintPushButton(const ThemedDrawing::Skin& skin, Canvas& canvas, int width, int height, float scale) {
    const Palette& colours = skin.palette();
    const auto state = SendMessageW(skin.window, BM_GETSTATE, 0, 0);
    const bool pressed = (state & BST_PUSHED) != 0;
    const bool focused = GetFocus() == skin.window;
    const bool enabled = IsWindowEnabled(skin.window) != FALSE;
    canvas.Fill(colours.window);
    const COLORREF fill = !enabled    ? colours.window
                          : pressed    ? colours.pressed
                          : skin.hover ? colours.hover
                                       : colours.surface;
    const COLORREF frame = enabled && (focused || skin.hover || pressed) ? colours.accent : colours.border;
    const float frame_width = (focused ? 2.0f : 1.0f) * scale;
    canvas.RoundedBox(0.5f, 0.5f, width - 0.5f, height - 0.5f, kButtonRadius * scale, true, fill, frame, frame_width);
    RECT box{0, 0, width, height};
    if (pressed) OffsetRect(&box, 0, 1);
    canvas.Text(WindowText(skin.window), FontOf(skin.window), enabled ? colours.text : colours.muted_text, box,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void PaintRadioButton(const ThemedDrawing::Skin& skin, Canvas& canvas, int width, int height, float scale) {
    const Palette& colours = skin.palette();
    const bool checked = SendMessageW(skin.window, BM_GETCHECK, 0, 0) == BST_CHECKED;
    const bool focused = GetFocus() == skin.window;
    const bool enabled = IsWindowEnabled(skin.window) != FALSE;
    canvas.Fill(colours.window);
    const float diameter = kRadioDiameter * scale;
    const float left = 0.5f, top = (height - diameter) / 2;
    const bool lit = enabled && (checked || skin.hover || focused);
    const COLORREF ring = lit ? colours.accent : colours.border;
    canvas.RoundedBox(left, top, left + diameter, top + diameter, diameter / 2, true, colours.field, ring,
                      (checked || focused ? 1.5f : 1.0f) * scale);
    if (checked) {
        const float cx = left + diameter / 2, cy = top + diameter / 2, r = kRadioDot * scale;
        canvas.RoundedBox(cx - r, cy - r, cx + r, cy + r, r, true, enabled ? colours.accent : colours.border,
                          enabled ? colours.accent : colours.border, 0.0f);
    }
    RECT box{static_cast<LONG>(left + diameter + kRadioGap * scale), 0, width, height};
    canvas.Text(WindowText(skin.window), FontOf(skin.window), enabled ? colours.text : colours.muted_text, box,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    if (focused) {
        // The keyboard's place: a thin accent line under the label.
        const SIZE label = canvas.TextSize(WindowText(skin.window), FontOf(skin.window));
        const float y = std::min(static_cast<float>(height) - 1.0f, (height + label.cy) / 2.0f);
        canvas.RoundedBox(static_cast<float>(box.left), y - scale, static_cast<float>(box.left + label.cx), y, 0.0f,
                          true, colours.accent, colours.accent, 0.0f);
    }
}

void PaintGroupBox(const ThemedDrawing::Skin& skin, Canvas& canvas, int width, int height, float scale) {
    const Palette& colours = skin.palette();
    canvas.Fill(colours.window);
    const std::wstring title = WindowText(skin.window);
    const HFONT font = FontOf(skin.window);
    const SIZE text = canvas.TextSize(title, font);
    const float frame_top = text.cy / 2.0f;
    canvas.RoundedBox(0.5f, frame_top, width - 0.5f, height - 0.5f, kGroupRadius * scale, true, colours.window,
                      colours.border, 1.0f);
    const int indent = static_cast<int>(kGroupTitleIndent * scale);
    const int pad = static_cast<int>(3 * scale);
    canvas.RoundedBox(static_cast<float>(indent - pad), 0.0f, static_cast<float>(indent + text.cx + pad),
                      static_cast<float>(text.cy), 0.0f, true, colours.window, colours.window, 0.0f);
    canvas.Text(title, font, colours.muted_text, RECT{indent, 0, indent + text.cx, text.cy}, DT_LEFT | DT_SINGLELINE);
}

void PaintClient(const ThemedDrawing::Skin& skin, HDC target) {
    RECT client{};
    GetClientRect(skin.window, &client);
    const int width = client.right, height = client.bottom;
    Canvas canvas(target, width, height);
    if (!canvas.ok()) return;
    const float scale = static_cast<float>(WindowDpi(skin.window)) / kLayoutDpi;
    switch (skin.kind) {
        case ThemedKind::PushButton:
            PaintPushButton(skin, canvas, width, height, scale);
            break;
        case ThemedKind::RadioButton:
            PaintRadioButton(skin, canvas, width, height, scale);
            break;
        case ThemedKind::GroupBox: {
            PaintGroupBox(skin, canvas, width, height, scale);
            // The radios inside draw themselves; the frame must not cover them.
            for (HWND child = GetWindow(skin.window, GW_CHILD); child != nullptr;
                 child = GetWindow(child, GW_HWNDNEXT)) {
                if (!IsWindowVisible(child)) continue;
                RECT place{};
                GetWindowRect(child, &place);
                MapWindowPoints(nullptr, skin.window, reinterpret_cast<POINT*>(&place), 2);
                ExcludeClipRect(target, place.left, place.top, place.right, place.bottom);
            }
            break;
        }
        default:
            return;
    }
    canvas.CopyTo(target);
}

// The edit box's frame, in its non-client edge; the edit draws its own inside.
void PaintEditFrame(const ThemedDrawing::Skin& skin) {
    const Palette& colours = skin.palette();
    RECT outer{};
    GetWindowRect(skin.window, &outer);
    RECT inner{};
    GetClientRect(skin.window, &inner);
    MapWindowPoints(skin.window, nullptr, reinterpret_cast<POINT*>(&inner), 2);
    OffsetRect(&inner, -outer.left, -outer.top);
    OffsetRect(&outer, -outer.left, -outer.top);
    const HDC dc = GetWindowDC(skin.window);
    if (dc == nullptr) return;
    {
        Canvas canvas(dc, outer.right, outer.bottom);
        if (canvas.ok()) {
            const float scale = static_cast<float>(WindowDpi(skin.window)) / kLayoutDpi;
            const bool focused = GetFocus() == skin.window;
            canvas.Fill(colours.window);
            canvas.RoundedBox(0.5f, 0.5f, outer.right - 0.5f, outer.bottom - 0.5f, kEditRadius * scale, true,
                              colours.field, focused || skin.hover ? colours.accent : colours.border, 1.0f);
            ExcludeClipRect(dc, inner.left, inner.top, inner.right, inner.bottom);
            canvas.CopyTo(dc);
        }
    }
    ReleaseDC(skin.window, dc);
}

void Repaint(const ThemedDrawing::Skin& skin) {
    if (skin.kind == ThemedKind::EditBox) {
        RedrawWindow(skin.window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
        return;
    }
    WindowDc dc(skin.window);
    if (dc.get() != nullptr) PaintClient(skin, dc.get());
}

// Messages after which the standard control has drawn itself its own way.
bool RedrawsItself(UINT message) {
    switch (message) {
        case BM_SETSTATE:
        case BM_SETCHECK:
        case BM_SETSTYLE:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE:
        case WM_SETTEXT:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_CAPTURECHANGED:
        case WM_UPDATEUISTATE:
            return true;
        default:
            return false;
    }
}

LRESULT HandleThemed(HWND window, UINT message, WPARAM wparam, LPARAM lparam, DWORD_PTR data) {
    auto& skin = *reinterpret_cast<ThemedDrawing::Skin*>(data);
    const Palette& colours = skin.palette();
    if (skin.kind == ThemedKind::Window) {
        switch (message) {
            case WM_ERASEBKGND: {
                RECT client{};
                GetClientRect(window, &client);
                FillRect(reinterpret_cast<HDC>(wparam), &client, static_cast<HBRUSH>(GetPropW(window, kWindowBrush)));
                return 1;
            }
            case WM_CTLCOLOREDIT:
            case WM_CTLCOLORSTATIC:
            case WM_CTLCOLORBTN: {
                const auto dc = reinterpret_cast<HDC>(wparam);
                const bool field = message == WM_CTLCOLOREDIT;
                SetTextColor(dc, colours.text);
                SetBkColor(dc, field ? colours.field : colours.window);
                return reinterpret_cast<LRESULT>(GetPropW(window, field ? kFieldBrush : kWindowBrush));
            }
            default:
                return DefSubclassProc(window, message, wparam, lparam);
        }
    }
    switch (message) {
        case WM_PAINT:
            if (skin.kind != ThemedKind::EditBox) {
                PAINTSTRUCT paint{};
                const HDC dc = BeginPaint(window, &paint);
                if (dc != nullptr) PaintClient(skin, dc);
                EndPaint(window, &paint);
                return 0;
            }
            break;
        case WM_PRINTCLIENT:
            if (skin.kind != ThemedKind::EditBox) {
                PaintClient(skin, reinterpret_cast<HDC>(wparam));
                return 0;
            }
            break;
        case WM_ERASEBKGND:
            if (skin.kind != ThemedKind::EditBox) return 1;
            break;
        case WM_NCPAINT:
            if (skin.kind == ThemedKind::EditBox) {
                PaintEditFrame(skin);
                return 0;
            }
            break;
        case WM_MOUSEMOVE:
            if (!skin.hover) {
                skin.hover = true;
                TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
                TrackMouseEvent(&track);
                Repaint(skin);
            }
            break;
        case WM_MOUSELEAVE:
            skin.hover = false;
            Repaint(skin);
            break;
        default:
            break;
    }
    const LRESULT result = DefSubclassProc(window, message, wparam, lparam);
    if (RedrawsItself(message)) Repaint(skin);
    return result;
}

// Drawing must never end the program: when it fails, the control draws itself.
LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR data) {
    try {
        return HandleThemed(window, message, wparam, lparam, data);
    } catch (...) {
        return DefSubclassProc(window, message, wparam, lparam);
    }
}

BOOL CALLBACK RecomputeFrame(HWND child, LPARAM) {
    SetWindowPos(child, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return TRUE;
}

}  // namespace

ThemedDrawing::ThemedDrawing(HWND top) : top_(top) {}

ThemedDrawing::~ThemedDrawing() { Detach(false); }

void ThemedDrawing::SetScheme(int scheme) {
    Detach(true);
    const auto palette = GdiPaletteOf(scheme);
    if (!palette) return;
    scheme_ = scheme;
    const Palette& colours = *palette;
    window_brush_.reset(CreateSolidBrush(colours.window));
    field_brush_.reset(CreateSolidBrush(colours.field));
    SetPropW(top_, kWindowBrush, window_brush_.get());
    SetPropW(top_, kFieldBrush, field_brush_.get());
    skins_.push_back(std::make_unique<Skin>(Skin{this, top_, ThemedKind::Window}));
    SetWindowSubclass(top_, ControlProc, reinterpret_cast<UINT_PTR>(this),
                      reinterpret_cast<DWORD_PTR>(skins_.back().get()));
    EnumChildWindows(top_, &ThemedDrawing::AttachChild, reinterpret_cast<LPARAM>(this));
    Refresh();
}

BOOL CALLBACK ThemedDrawing::AttachChild(HWND child, LPARAM self) {
    reinterpret_cast<ThemedDrawing*>(self)->Attach(child);
    return TRUE;
}

void ThemedDrawing::Attach(HWND window) {
    const auto kind = KindOf(window);
    if (!kind) return;
    skins_.push_back(std::make_unique<Skin>(Skin{this, window, *kind}));
    SetWindowSubclass(window, ControlProc, reinterpret_cast<UINT_PTR>(this),
                      reinterpret_cast<DWORD_PTR>(skins_.back().get()));
}

void ThemedDrawing::Detach(bool redraw) {
    for (const auto& skin : skins_)
        if (IsWindow(skin->window)) RemoveWindowSubclass(skin->window, ControlProc, reinterpret_cast<UINT_PTR>(this));
    skins_.clear();
    if (IsWindow(top_)) {
        RemovePropW(top_, kWindowBrush);
        RemovePropW(top_, kFieldBrush);
    }
    window_brush_.reset();
    field_brush_.reset();
    const bool was_on = scheme_ != 0;
    scheme_ = 0;
    if (was_on && redraw) Refresh();
}

void ThemedDrawing::Refresh() {
    if (!IsWindow(top_)) return;
    // The edit box's frame is non-client: it is redrawn only when asked for.
    EnumChildWindows(top_, &RecomputeFrame, 0);
    RedrawWindow(top_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

}  // namespace icoforge
