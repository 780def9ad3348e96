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

// The window at 96 DPI: outer rectangle on the screen, fixed frame.
constexpr int kWindowLeft = 50;
constexpr int kWindowTop = 50;
constexpr int kWindowWidth = 426;
constexpr int kWindowHeight = 154;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// A balloon that hides by itself goes this long after it shows.
constexpr UINT kBalloonHideMs = 5000;
constexpr UINT_PTR kBalloonHideTimer = 1;
constexpr UINT_PTR kBalloonToolId = 1;
// Wide enough for the longest balloon's first line; longer lines wrap.
constexpr int kBalloonMaxWidth = 400;
// The open-file dialog's result buffer, in UTF-16 units: room for a long path.
constexpr std::size_t kOpenFileBufferUnits = 32768;

// The user's font size, in points; the layout's 15-pixel radio rows fit it.
constexpr int kFontPoints = 9;

struct ControlLayout {
    ControlId id;
    const wchar_t* window_class;
    DWORD style;
    DWORD ex_style;
    int left, top, width, height;  // at 96 DPI; radios relative to the group box
    std::string_view text;
    bool in_size_group;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kRadio = kChild | BS_AUTORADIOBUTTON;
constexpr DWORD kButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;

// Creation order. The radios sit inside the group box, so it is made before them although
// they come first; among the window's own children the order stands.
constexpr std::array<ControlLayout, 11> kControls = {{
    {ControlId::Size128, L"BUTTON", kRadio | WS_GROUP | WS_TABSTOP, 0, 85, 37, 62, 15, "128*128", true},
    {ControlId::Size64, L"BUTTON", kRadio, 0, 8, 38, 62, 16, "64*64", true},
    {ControlId::Size16, L"BUTTON", kRadio, 0, 8, 17, 62, 15, "16*16", true},
    {ControlId::Size32, L"BUTTON", kRadio, 0, 85, 17, 62, 15, "32*32", true},
    {ControlId::Board, L"STATIC", WS_CHILD, WS_EX_STATICEDGE, 48, -8, 32, 32, "", false},
    {ControlId::SizeGroup, L"BUTTON", kChild | BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, 16, 51, 168, 57,
     "规定大小仅对图像转ICO有效", false},
    {ControlId::AboutButton, L"BUTTON", kButton, 0, 312, 83, 80, 24, "软件说明", false},
    {ControlId::SelectFileButton, L"BUTTON", kButton, 0, 208, 56, 80, 24, "选择文件", false},
    {ControlId::DeleteButton, L"BUTTON", kButton, 0, 208, 83, 80, 24, "删除图标", false},
    {ControlId::ExtractButton, L"BUTTON", kButton, 0, 312, 56, 80, 24, "提取图标", false},
    {ControlId::PathEdit, L"EDIT", kChild | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 16, 24, 392, 20,
     texts::kInitialEditText, false},
}};

const ControlLayout* LayoutOf(ControlId id) {
    for (const auto& layout : kControls)
        if (layout.id == id) return &layout;
    return nullptr;
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

MessageBoxButton ButtonOf(int pressed) {
    // IDOK..IDNO are 1..7, in the order of the numbers the commands know.
    return pressed >= IDOK && pressed <= IDNO ? static_cast<MessageBoxButton>(pressed - IDOK) : MessageBoxButton::Ok;
}

TTTOOLINFOW BalloonTool(HWND owner) {
    // The version-2 size is understood by every comctl32, with or without a manifest.
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = owner;
    tool.uId = kBalloonToolId;
    return tool;
}

}  // namespace

std::unique_ptr<OpenFileRequest> BuildOpenFileRequest(const OpenFileDialogSettings& settings, HWND owner) {
    auto request = std::make_unique<OpenFileRequest>();
    request->filter = WideFromUtf8(settings.filter);
    for (auto& unit : request->filter)
        if (unit == L'|') unit = L'\0';
    // Two terminating NULs whatever the filter ended with.
    request->filter.append(2, L'\0');
    request->initial_folder = WideFromUtf8(settings.initial_folder);
    request->file = WideFromUtf8(settings.file_name);
    request->file.resize(std::max(kOpenFileBufferUnits, request->file.size() + 1), L'\0');

    OPENFILENAMEW& dialog = request->dialog;
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = request->filter.c_str();
    dialog.nFilterIndex = static_cast<DWORD>(settings.filter_index);
    dialog.lpstrFile = request->file.data();
    dialog.nMaxFile = static_cast<DWORD>(request->file.size());
    dialog.lpstrInitialDir = request->initial_folder.empty() ? nullptr : request->initial_folder.c_str();
    dialog.Flags = settings.flags | (settings.keep_current_directory ? OFN_NOCHANGEDIR : 0);
    return request;
}

MainWindow::MainWindow(MainWindowOptions options) : options_(std::move(options)) {
    presenter_ = std::make_unique<Presenter>(*this, options_.folders);
    if (!RegisterWindowClass()) return;
    const std::wstring caption = WideFromUtf8(texts::kInitialCaption);
    CreateWindowExW(0, kWindowClass, caption.c_str(), kWindowStyle, kWindowLeft, kWindowTop, kWindowWidth,
                    kWindowHeight, nullptr, nullptr, GetModuleHandleW(nullptr), this);
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

HWND MainWindow::control(ControlId id) const {
    if (window_ == nullptr) return nullptr;
    const ControlLayout* layout = LayoutOf(id);
    if (layout == nullptr) return nullptr;
    const HWND parent = layout->in_size_group ? GetDlgItem(window_, static_cast<int>(ControlId::SizeGroup)) : window_;
    return GetDlgItem(parent, static_cast<int>(id));
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
    HWND group = nullptr;
    // The group box first: its radios are its children.
    auto create = [&](const ControlLayout& layout, HWND parent) {
        const std::wstring text = WideFromUtf8(layout.text);
        return CreateWindowExW(layout.ex_style, layout.window_class, text.c_str(), layout.style, layout.left,
                               layout.top, layout.width, layout.height, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), instance, nullptr);
    };
    for (const auto& layout : kControls) {
        if (layout.in_size_group) continue;
        const HWND made = create(layout, window_);
        if (layout.id == ControlId::SizeGroup) {
            group = made;
            SetWindowSubclass(group, ForwardToWindow, 0, 0);
            for (const auto& radio : kControls)
                if (radio.in_size_group) create(radio, group);
        }
    }
    SendMessageW(control(ControlId::Size32), BM_SETCHECK, BST_CHECKED, 0);

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
    SetWindowPos(window_, nullptr, 0, 0, ScaleForDpi(kWindowWidth, dpi), ScaleForDpi(kWindowHeight, dpi),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (const auto& layout : kControls) {
        const HWND child = control(layout.id);
        if (child == nullptr) continue;
        SetWindowPos(child, nullptr, ScaleForDpi(layout.left, dpi), ScaleForDpi(layout.top, dpi),
                     ScaleForDpi(layout.width, dpi), ScaleForDpi(layout.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
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
    themed_->SetScheme(3);
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
    switch (static_cast<ControlId>(id)) {
        case ControlId::Size16:
        case ControlId::Size32:
        case ControlId::Size64:
        case ControlId::Size128:
            if (notification == BN_CLICKED) presenter_->UpdateIconSize();
            break;
        case ControlId::ExtractButton:
            if (notification == BN_CLICKED) presenter_->Extract();
            break;
        case ControlId::SelectFileButton:
            if (notification == BN_CLICKED) presenter_->SelectFile();
            break;
        case ControlId::DeleteButton:
            if (notification == BN_CLICKED) presenter_->DeleteIcons();
            break;
        case ControlId::AboutButton:
            if (notification == BN_CLICKED) presenter_->ShowAbout();
            break;
        case ControlId::PathEdit:
            if (notification == EN_CHANGE && programmatic_edits_ == 0) presenter_->OnContentChanged(EditChange::kUser);
            break;
        default:
            break;
    }
}

void MainWindow::OpenFile(const std::string& path) {
    if (!path.empty()) presenter_->OnFilesDropped(path);
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
    const HWND edit = control(ControlId::PathEdit);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
    return Utf8FromWide(text);
}

void MainWindow::SetEditText(std::string_view text) {
    ++programmatic_edits_;
    SetWindowTextW(control(ControlId::PathEdit), WideFromUtf8(text).c_str());
    --programmatic_edits_;
    presenter_->OnContentChanged();
}

void MainWindow::SelectEditText(std::int32_t length) {
    const HWND edit = control(ControlId::PathEdit);
    const int units = WideUnitsOfPrefix(EditText(), length < 0 ? 0 : static_cast<std::size_t>(length));
    SendMessageW(edit, EM_SETSEL, 0, units);
    SendMessageW(edit, EM_SCROLLCARET, 0, 0);
}

bool MainWindow::IsSizeChecked(IconSizeChoice choice) const {
    constexpr std::array<ControlId, 4> kRadios = {ControlId::Size16, ControlId::Size32, ControlId::Size64,
                                                  ControlId::Size128};
    const HWND radio = control(kRadios[static_cast<std::size_t>(choice)]);
    return SendMessageW(radio, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

MessageBoxButton MainWindow::ShowMessageBox(std::string_view text, std::int32_t style, std::string_view caption) {
    return ButtonOf(MessageBoxW(nullptr, WideFromUtf8(text).c_str(), WideFromUtf8(caption).c_str(),
                                static_cast<UINT>(style)));
}

void MainWindow::ShowBalloon(std::int32_t x, std::int32_t y, std::string_view text, std::int32_t,
                             bool hides_by_itself) {
    // Balloons carry no icon whatever the number says.
    const HWND tip = balloon_.get();
    if (tip == nullptr) return;
    HideBalloon();
    std::wstring wide = WideFromUtf8(text);
    TTTOOLINFOW tool = BalloonTool(window_);
    tool.lpszText = wide.data();
    SendMessageW(tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
    SendMessageW(tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    balloon_showing_ = true;
    balloon_hides_ = hides_by_itself;
    if (hides_by_itself) SetTimer(window_, kBalloonHideTimer, kBalloonHideMs, nullptr);
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

std::int32_t MainWindow::MouseX() const {
    POINT point{};
    GetCursorPos(&point);
    return point.x;
}

std::int32_t MainWindow::MouseY() const {
    POINT point{};
    GetCursorPos(&point);
    return point.y;
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
