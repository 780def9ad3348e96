#include "app/win32/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <utility>

#include "app/commands/texts.h"
#include "app/win32/window_dpi.h"
#include "platform/win32/wide.h"

namespace icoforge {
namespace {

constexpr wchar_t kWindowClass[] = L"IcoforgeMainWindow";

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

constexpr UINT_PTR kBalloonHideTimer = 1;
constexpr UINT_PTR kBalloonToolId = 1;
// Wide enough for the longest balloon's first line; longer lines wrap.
constexpr int kBalloonMaxWidth = 400;
// The open-file dialog's result buffer, in UTF-16 units: room for a long path.
constexpr std::size_t kOpenFileBufferUnits = 32768;

// The user's font size, in points; the layout's 15-pixel radio rows fit it.
constexpr int kFontPoints = 9;

using window::Control;
using window::ControlKind;

struct WindowsClass {
    const wchar_t* name;
    DWORD style;
    DWORD ex_style;
};

// The standard control of each kind. The first radio button starts the group the arrow
// keys move in and is the one Tab stops at.
WindowsClass WindowsClassOf(const window::ControlDescription& description) {
    const DWORD shown = WS_CHILD | (description.visible ? WS_VISIBLE : 0);
    switch (description.kind) {
        case ControlKind::kRadioButton:
            return {L"BUTTON",
                    shown | BS_AUTORADIOBUTTON | (description.control == window::kControls.front().control
                                                      ? WS_GROUP | WS_TABSTOP
                                                      : 0),
                    0};
        case ControlKind::kDrawingBoard: return {L"STATIC", shown, WS_EX_STATICEDGE};
        case ControlKind::kGroupBox: return {L"BUTTON", shown | BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
        case ControlKind::kPushButton: return {L"BUTTON", shown | WS_TABSTOP | BS_PUSHBUTTON, 0};
        case ControlKind::kEditBox: return {L"EDIT", shown | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    }
    return {L"STATIC", shown, 0};
}

// The group box hands its radios' notifications to the window, which owns the commands.
LRESULT CALLBACK ForwardToWindow(HWND box, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
    switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSTATIC:
            return SendMessageW(GetParent(box), message, wparam, lparam);
        default:
            return DefSubclassProc(box, message, wparam, lparam);
    }
}

// Whether Windows gave the face asked for rather than a stand-in.
bool FontHasFace(HFONT font, const wchar_t* face) {
    WindowDc screen(nullptr);
    const HGDIOBJ old = SelectObject(screen.get(), font);
    std::array<wchar_t, LF_FACESIZE> chosen{};
    const int length = GetTextFaceW(screen.get(), static_cast<int>(chosen.size()), chosen.data());
    SelectObject(screen.get(), old);
    return length > 0 && lstrcmpiW(chosen.data(), face) == 0;
}

// A face that shows Chinese on any locale, else the system's dialog font, at `dpi`.
FontHandle CreateUiFont(UINT dpi) {
    const int height = -MulDiv(kFontPoints, static_cast<int>(dpi), 72);
    for (const wchar_t* face : {L"Microsoft YaHei UI", L"Microsoft YaHei"}) {
        FontHandle font(CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                    DEFAULT_PITCH | FF_DONTCARE, face));
        if (font && FontHasFace(font.get(), face)) return font;
    }
    LOGFONTW fallback{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof fallback, &fallback);
    fallback.lfHeight = MulDiv(fallback.lfHeight, static_cast<int>(dpi), static_cast<int>(kLayoutDpi));
    return FontHandle(CreateFontIndirectW(&fallback));
}

// UTF-16 units in the first `bytes` bytes of `utf8` (cut back to a whole character).
int WideUnitsOfPrefix(const std::string& utf8, std::size_t bytes) {
    bytes = std::min(bytes, utf8.size());
    while (bytes > 0 && bytes < utf8.size() && (static_cast<unsigned char>(utf8[bytes]) & 0xC0) == 0x80) --bytes;
    return static_cast<int>(WideFromUtf8(std::string_view(utf8).substr(0, bytes)).size());
}

TTTOOLINFOW BalloonTool(HWND owner) {
    // The version-2 size is understood by every comctl32, with or without a manifest.
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    // Transparent: the balloon sits at the mouse, where the user just clicked, and a click
    // on it goes to the control beneath.
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_TRANSPARENT;
    tool.hwnd = owner;
    tool.uId = kBalloonToolId;
    return tool;
}

}  // namespace

UINT MessageBoxStyleOf(MessageKind kind) {
    switch (kind) {
        case MessageKind::kInformation: return MB_OK | MB_TASKMODAL;
        case MessageKind::kError: return MB_OK | MB_ICONERROR | MB_TASKMODAL;
        case MessageKind::kConfirmation: return MB_YESNO | MB_TASKMODAL;
    }
    return MB_OK | MB_TASKMODAL;
}

MessageAnswer MessageAnswerOf(int pressed) {
    switch (pressed) {
        case IDYES: return MessageAnswer::kYes;
        case IDNO: return MessageAnswer::kNo;
        default: return MessageAnswer::kOk;
    }
}

std::unique_ptr<OpenFileRequest> BuildOpenFileRequest(const OpenFileDialogSettings& settings, HWND owner) {
    auto request = std::make_unique<OpenFileRequest>();
    for (const FileFilter& filter : settings.filters) {
        std::string patterns;
        for (const std::string_view pattern : filter.patterns) {
            if (!patterns.empty()) patterns += ';';
            patterns += pattern;
        }
        request->filter += WideFromUtf8(filter.label) + L'\0' + WideFromUtf8(patterns) + L'\0';
    }
    // The list ends with an empty string; an empty list is two NULs.
    request->filter += L'\0';
    if (settings.filters.empty()) request->filter += L'\0';
    request->initial_folder = WideFromUtf8(settings.initial_folder);
    request->file = WideFromUtf8(settings.file_name);
    request->file.resize(std::max(kOpenFileBufferUnits, request->file.size() + 1), L'\0');

    OPENFILENAMEW& dialog = request->dialog;
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = request->filter.c_str();
    dialog.nFilterIndex = 1;  // the first choice
    dialog.lpstrFile = request->file.data();
    dialog.nMaxFile = static_cast<DWORD>(request->file.size());
    dialog.lpstrInitialDir = request->initial_folder.empty() ? nullptr : request->initial_folder.c_str();
    dialog.Flags = kOpenFileFlags;
    return request;
}

MainWindow::MainWindow(MainWindowOptions options) : options_(std::move(options)) {
    presenter_ = std::make_unique<Presenter>(*this, options_.folders);
    if (!RegisterWindowClass()) return;
    const std::wstring caption = WideFromUtf8(texts::kInitialCaption);
    const window::Rect& place = window::kWindowPlace;
    CreateWindowExW(0, kWindowClass, caption.c_str(), kWindowStyle, place.left, place.top, place.width, place.height,
                    nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (window_ != nullptr) {
        ShowWindow(window_, SW_SHOW);
        UpdateWindow(window_);
    }
}

MainWindow::~MainWindow() {
    if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
}

bool MainWindow::RegisterWindowClass() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    if (GetClassInfoExW(instance, kWindowClass, &window_class)) return true;
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = &MainWindow::WindowProc;
    window_class.hInstance = instance;
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = kWindowClass;
    // The program's icon, when the executable carries one; shared icons are the system's to free.
    window_class.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kAppIconResource), IMAGE_ICON,
                                                       GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON),
                                                       LR_SHARED));
    window_class.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kAppIconResource), IMAGE_ICON,
                                                         GetSystemMetrics(SM_CXSMICON),
                                                         GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    return RegisterClassExW(&window_class) != 0;
}

HWND MainWindow::control(Control control) const {
    if (window_ == nullptr) return nullptr;
    const HWND parent =
        window::DescriptionOf(control).in_size_group ? GetDlgItem(window_, ControlIdOf(Control::kSizeGroup)) : window_;
    return GetDlgItem(parent, ControlIdOf(control));
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (self == nullptr) return DefWindowProcW(window, message, wparam, lparam);
    // Nothing a command throws may reach Windows, which would end the program; the
    // presenter has already shown what the user needs to know.
    try {
        return self->HandleMessage(message, wparam, lparam);
    } catch (...) {
        return DefWindowProcW(window, message, wparam, lparam);
    }
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            dpi_ = WindowDpi(window_);
            font_ = CreateUiFont(dpi_);
            CreateControls();
            ApplyDpi(dpi_);
            OnCreated();
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wparam), HIWORD(wparam));
            return 0;
        case WM_TIMER:
            if (wparam == kBalloonHideTimer) HideBalloon();
            return 0;
        case WM_DPICHANGED: {
            const auto* suggested = reinterpret_cast<const RECT*>(lparam);
            dpi_ = HIWORD(wparam);
            // The controls hold the old font until they are given the new one.
            const FontHandle old_font = std::exchange(font_, CreateUiFont(dpi_));
            ApplyDpi(dpi_);
            SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                         suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_DESTROY:
            OnDestroying();
            if (options_.quit_on_destroy) PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY: {
            const HWND window = std::exchange(window_, nullptr);
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            return DefWindowProcW(window, message, wparam, lparam);
        }
        default:
            return DefWindowProcW(window_, message, wparam, lparam);
    }
}

void MainWindow::CreateControls() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    auto create = [&](const window::ControlDescription& description, HWND parent) {
        const std::wstring text = WideFromUtf8(description.text);
        const WindowsClass made = WindowsClassOf(description);
        const window::Rect& place = description.place;
        const HWND child =
            CreateWindowExW(made.ex_style, made.name, text.c_str(), made.style, place.left, place.top, place.width,
                            place.height, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlIdOf(description.control))), instance,
                            nullptr);
        if (description.checked) SendMessageW(child, BM_SETCHECK, BST_CHECKED, 0);
        return child;
    };
    // In the description's order; the radio buttons are the group box's children, so it
    // is made when the first of them is.
    for (const auto& description : window::kControls) {
        if (description.in_size_group) continue;
        const HWND made = create(description, window_);
        if (description.control != Control::kSizeGroup) continue;
        SetWindowSubclass(made, ForwardToWindow, 0, 0);
        for (const auto& radio : window::kControls)
            if (radio.in_size_group) create(radio, made);
    }

    balloon_.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                   WS_POPUP | TTS_NOPREFIX | TTS_BALLOON | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance, nullptr));
    if (balloon_.get() != nullptr) {
        TTTOOLINFOW tool = BalloonTool(window_);
        tool.lpszText = const_cast<wchar_t*>(L"");
        SendMessageW(balloon_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void MainWindow::ApplyDpi(UINT dpi) {
    // Outer size and every control's rectangle, scaled from the 96-DPI layout.
    SetWindowPos(window_, nullptr, 0, 0, ScaleForDpi(window::kWindowPlace.width, dpi),
                 ScaleForDpi(window::kWindowPlace.height, dpi), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (const auto& description : window::kControls) {
        const HWND child = control(description.control);
        if (child == nullptr) continue;
        const window::Rect& place = description.place;
        SetWindowPos(child, nullptr, ScaleForDpi(place.left, dpi), ScaleForDpi(place.top, dpi),
                     ScaleForDpi(place.width, dpi), ScaleForDpi(place.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    }
    if (balloon_.get() != nullptr) {
        SendMessageW(balloon_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
        SendMessageW(balloon_.get(), TTM_SETMAXTIPWIDTH, 0, ScaleForDpi(kBalloonMaxWidth, dpi));
    }
    if (themed_) themed_->Refresh();
}

void MainWindow::OnCreated() {
    themed_ = std::make_unique<ThemedDrawing>(window_);
    themed_->SetScheme(window::kStartScheme);
    DropSettings accept_files;
    accept_files.accept_files = true;
    // Runs inside OLE's Drop: nothing may be thrown back into it.
    drop_ = std::make_unique<DropObject>(window_, accept_files, [this](DropEvent event, const std::string& text) {
        try {
            if (event == DropEvent::kFilesDropped) presenter_->OnFilesDropped(text);
        } catch (...) {
        }
    });
    drop_->RegisterDropWindow(window_);
    presenter_->OnCreated();
}

void MainWindow::OnDestroying() {
    KillTimer(window_, kBalloonHideTimer);
    presenter_->OnDestroying();
    drop_.reset();
    themed_.reset();
    balloon_.reset();
}

void MainWindow::OnCommand(int id, int notification) {
    if (id < kFirstControlId || id >= kFirstControlId + static_cast<int>(window::kControlCount)) return;
    const auto clicked = static_cast<Control>(id - kFirstControlId);
    if (clicked == Control::kPath) {
        // The edit box clears its modified mark when the program sets its text, and sets
        // it on every edit of the user's (typing, pasting, undoing): only those are told.
        const HWND edit = control(Control::kPath);
        if (notification == EN_CHANGE && SendMessageW(edit, EM_GETMODIFY, 0, 0) != 0) {
            SendMessageW(edit, EM_SETMODIFY, FALSE, 0);
            presenter_->OnUserEdit();
        }
    } else if (notification == BN_CLICKED) {
        presenter_->OnClicked(clicked);
    }
}

void MainWindow::BeforeDispatch(const MSG& message) {
    switch (message.message) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_NCLBUTTONDOWN:
        case WM_KEYDOWN:
            if (balloon_showing_) HideBalloon();
            break;
        default:
            break;
    }
}

void MainWindow::SetCaption(std::string_view caption) { SetWindowTextW(window_, WideFromUtf8(caption).c_str()); }

std::string MainWindow::EditText() const {
    const HWND edit = control(Control::kPath);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
    return Utf8FromWide(text);
}

void MainWindow::SetEditText(std::string_view text) {
    SetWindowTextW(control(Control::kPath), WideFromUtf8(text).c_str());
}

void MainWindow::SelectEditText(std::int32_t length) {
    const HWND edit = control(Control::kPath);
    const int units = WideUnitsOfPrefix(EditText(), length < 0 ? 0 : static_cast<std::size_t>(length));
    SendMessageW(edit, EM_SETSEL, 0, units);
    SendMessageW(edit, EM_SCROLLCARET, 0, 0);
}

bool MainWindow::IsSizeChecked(IconSizeChoice choice) const {
    const HWND radio = control(window::kSizeRadios[static_cast<std::size_t>(choice)]);
    return SendMessageW(radio, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

MessageAnswer MainWindow::ShowMessage(const Message& message) {
    return MessageAnswerOf(MessageBoxW(nullptr, WideFromUtf8(message.text).c_str(),
                                       WideFromUtf8(message.caption).c_str(), MessageBoxStyleOf(message.kind)));
}

void MainWindow::ShowBalloon(ScreenPoint at, std::string_view text, BalloonLife life) {
    const HWND tip = balloon_.get();
    if (tip == nullptr) return;
    HideBalloon();
    std::wstring wide = WideFromUtf8(text);
    TTTOOLINFOW tool = BalloonTool(window_);
    tool.lpszText = wide.data();
    SendMessageW(tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(static_cast<WORD>(at.x), static_cast<WORD>(at.y)));
    SendMessageW(tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    balloon_showing_ = true;
    balloon_hides_ = life == BalloonLife::kHidesByItself;
    if (balloon_hides_) SetTimer(window_, kBalloonHideTimer, window::kBalloonLifetimeMs, nullptr);
}

void MainWindow::HideBalloon() {
    KillTimer(window_, kBalloonHideTimer);
    if (balloon_.get() != nullptr && balloon_showing_) {
        TTTOOLINFOW tool = BalloonTool(window_);
        SendMessageW(balloon_.get(), TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
    }
    balloon_showing_ = false;
    balloon_hides_ = false;
}

ScreenPoint MainWindow::MousePosition() const {
    POINT point{};
    GetCursorPos(&point);
    return {point.x, point.y};
}

std::optional<std::string> MainWindow::ShowOpenFileDialog(const OpenFileDialogSettings& settings) {
    const auto request = BuildOpenFileRequest(settings, window_);
    const bool chosen = options_.run_open_file_dialog ? options_.run_open_file_dialog(request->dialog)
                                                      : GetOpenFileNameW(&request->dialog) != FALSE;
    if (!chosen) return std::nullopt;
    return Utf8FromWide(request->file.c_str());
}

std::int32_t MainWindow::ScreenBitsPerPixel() const {
    WindowDc screen(nullptr);
    return screen.get() != nullptr ? GetDeviceCaps(screen.get(), BITSPIXEL) : 0;
}

}  // namespace icoforge
