// The real window, made in-process and driven with the messages a user's actions send.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <png.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/commands/texts.h"
#include "app/win32/main_window.h"
#include "app/win32/window_dpi.h"
#include "common/path.h"
#include "platform/file_io.h"
#include "platform/win32/wide.h"
#include "tests/app/window_fixtures.h"
#include "tests/win32_drop/file_drop_data.h"

namespace icoforge {
namespace {

using testing::ModuleWithGroups;
using testing::RedSquareBmp;
using testing::WindowFolders;
using window::Control;

// OLE and the common controls for the whole run, as the program has them.
class WindowEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ole_ = OleInitialize(nullptr);
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
    }
    void TearDown() override {
        if (SUCCEEDED(ole_)) OleUninitialize();
    }

private:
    HRESULT ole_ = E_FAIL;
};
[[maybe_unused]] const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new WindowEnvironment);

// Runs whatever is waiting, and for `ms` more when asked; given the window, as the
// program's own loop does.
void Pump(DWORD ms = 0, MainWindow* program = nullptr) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (program != nullptr) program->BeforeDispatch(message);
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (GetTickCount() - start >= ms) return;
        Sleep(10);
    }
}

std::string TextOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return Utf8FromWide(text);
}

std::string CountCaption(int count) {
    return std::string(texts::kCountCaptionStart) + std::to_string(count) + std::string(texts::kCountCaptionEnd);
}

// Every caption the program gives its window, counted as it is set: each run of the
// content-changed handler sets one.
struct CaptionCount {
    static inline int count = 0;
    static LRESULT CALLBACK Hook(int code, WPARAM wparam, LPARAM lparam) {
        const auto* message = reinterpret_cast<const CWPSTRUCT*>(lparam);
        std::array<wchar_t, 32> name{};
        if (code == HC_ACTION && message->message == WM_SETTEXT && GetParent(message->hwnd) == nullptr &&
            GetClassNameW(message->hwnd, name.data(), static_cast<int>(name.size())) > 0 &&
            lstrcmpW(name.data(), L"IcoforgeMainWindow") == 0)
            ++count;
        return CallNextHookEx(nullptr, code, wparam, lparam);
    }
};

// Answers the next message box of this thread with `button`, and keeps what it said.
class MessageBoxAnswer {
public:
    explicit MessageBoxAnswer(int button) : button_(button) {
        active = this;
        timer_ = SetTimer(nullptr, 0, 50, &MessageBoxAnswer::Look);
    }
    ~MessageBoxAnswer() {
        KillTimer(nullptr, timer_);
        active = nullptr;
    }
    std::string caption;
    std::string text;
    bool answered = false;

private:
    static inline MessageBoxAnswer* active = nullptr;
    static void CALLBACK Look(HWND, UINT, UINT_PTR, DWORD) {
        if (active != nullptr && !active->answered)
            EnumThreadWindows(GetCurrentThreadId(), &MessageBoxAnswer::Answer, 0);
    }
    static BOOL CALLBACK Answer(HWND window, LPARAM) {
        std::array<wchar_t, 16> name{};
        GetClassNameW(window, name.data(), static_cast<int>(name.size()));
        if (lstrcmpW(name.data(), L"#32770") != 0 || !IsWindowVisible(window)) return TRUE;
        active->caption = TextOf(window);
        EnumChildWindows(window, &MessageBoxAnswer::ReadStatic, 0);
        active->answered = true;
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(active->button_, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, active->button_)));
        return FALSE;
    }
    static BOOL CALLBACK ReadStatic(HWND child, LPARAM) {
        std::array<wchar_t, 16> name{};
        GetClassNameW(child, name.data(), static_cast<int>(name.size()));
        if (lstrcmpiW(name.data(), L"Static") == 0) active->text += TextOf(child);
        return TRUE;
    }
    int button_;
    UINT_PTR timer_;
};

// The window's client area as the screen shows it under its caption bar, with a balloon
// that shows, as a PNG in ICOFORGE_SCREENSHOT_DIR, for people. Without a window manager
// nobody draws the frame on the screen, so the system draws the caption bar into the
// picture.
void SaveScreenshot(HWND window, HWND balloon, const std::string& name) {
    const char* folder = std::getenv("ICOFORGE_SCREENSHOT_DIR");
    if (folder == nullptr || *folder == '\0') return;
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(300);
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const int caption_height = GetSystemMetrics(SM_CYCAPTION);
    RECT place = client;
    place.top -= caption_height;
    if (IsWindowVisible(balloon)) {
        RECT tip{};
        GetWindowRect(balloon, &tip);
        UnionRect(&place, &place, &tip);
    }
    const int width = place.right - place.left, height = place.bottom - place.top;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB};
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, place.left, place.top, SRCCOPY);
    RECT caption{client.left - place.left, client.top - caption_height - place.top, client.right - place.left,
                 client.top - place.top};
    DrawCaption(window, memory, &caption, DC_ACTIVE | DC_TEXT | DC_ICON | DC_GRADIENT);
    GdiFlush();
    std::memcpy(pixels.data(), bits, pixels.size());
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    for (std::size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 0xFF;

    std::error_code ec;
    std::filesystem::create_directories(PathFromUtf8(folder), ec);
    const std::wstring path = WideFromUtf8(std::string(folder) + "\\" + name + ".png");
    std::FILE* file = _wfopen(path.c_str(), L"wb");
    ASSERT_NE(file, nullptr) << "cannot write the screenshot " << Utf8FromWide(path);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_BGRA;
    EXPECT_NE(png_image_write_to_stdio(&image, file, 0, pixels.data(), width * 4, nullptr), 0);
    std::fclose(file);
}

class WindowTest : public ::testing::Test, protected WindowFolders {
protected:
    void SetUp() override {
        hook_ = SetWindowsHookExW(WH_CALLWNDPROC, &CaptionCount::Hook, nullptr, GetCurrentThreadId());
        CaptionCount::count = 0;
        MainWindowOptions options;
        options.folders = {program, temporary, desktop};
        options.quit_on_destroy = false;
        options.run_open_file_dialog = [this](OPENFILENAMEW& dialog) { return answer_dialog_(dialog); };
        window_ = std::make_unique<MainWindow>(std::move(options));
        if (window_->window() == nullptr) {
            const bool display = std::getenv("DISPLAY") != nullptr && *std::getenv("DISPLAY") != '\0';
            if (!display) GTEST_SKIP() << "no display: DISPLAY is unset and the window could not be made";
            FAIL() << "the window could not be made on display " << std::getenv("DISPLAY");
        }
        Pump();
    }
    void TearDown() override {
        window_.reset();
        Pump();
        if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
    }

    HWND control(Control id) const { return window_->control(id); }
    void Click(Control id) { SendMessageW(control(id), BM_CLICK, 0, 0); }
    int IconsPresent(int up_to) const {
        int present = 0;
        for (int n = 1; n <= up_to; ++n) present += std::filesystem::exists(PathFromUtf8(Icon(n))) ? 1 : 0;
        return present;
    }
    std::string BalloonText() const {
        std::array<wchar_t, 1024> text{};
        TTTOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.hwnd = window_->window();
        tool.uId = 1;
        tool.lpszText = text.data();
        SendMessageW(window_->balloon(), TTM_GETTEXTW, text.size(), reinterpret_cast<LPARAM>(&tool));
        return Utf8FromWide(text.data());
    }
    bool BalloonShows() const { return IsWindowVisible(window_->balloon()) != FALSE; }

    std::function<bool(OPENFILENAMEW&)> answer_dialog_ = [](OPENFILENAMEW&) { return false; };
    HHOOK hook_ = nullptr;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(WindowTest, EveryControlStandsAsTheDescriptionSays) {
    const UINT dpi = WindowDpi(window_->window());
    RECT outer{};
    GetWindowRect(window_->window(), &outer);
    EXPECT_EQ(outer.left, 50);
    EXPECT_EQ(outer.top, 50);
    EXPECT_EQ(outer.right - outer.left, ScaleForDpi(426, dpi));
    EXPECT_EQ(outer.bottom - outer.top, ScaleForDpi(154, dpi));
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(window_->window(), GWL_STYLE));
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0u) << "the frame is fixed";
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX), DWORD{WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX});
    EXPECT_EQ(TextOf(window_->window()), texts::kInitialCaption);

    for (const auto& description : window::kControls) {
        SCOPED_TRACE(std::string(description.text));
        const HWND child = control(description.control);
        ASSERT_NE(child, nullptr);
        std::array<wchar_t, 32> name{};
        GetClassNameW(child, name.data(), static_cast<int>(name.size()));
        const wchar_t* expected_class = description.kind == window::ControlKind::kDrawingBoard ? L"Static"
                                        : description.kind == window::ControlKind::kEditBox    ? L"Edit"
                                                                                               : L"Button";
        EXPECT_EQ(lstrcmpiW(name.data(), expected_class), 0) << Utf8FromWide(name.data());
        EXPECT_EQ(GetParent(child), description.in_size_group ? control(Control::kSizeGroup) : window_->window());
        RECT place{};
        GetWindowRect(child, &place);
        MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&place), 2);
        EXPECT_EQ(place.left, ScaleForDpi(description.place.left, dpi));
        EXPECT_EQ(place.top, ScaleForDpi(description.place.top, dpi));
        EXPECT_EQ(place.right - place.left, ScaleForDpi(description.place.width, dpi));
        EXPECT_EQ(place.bottom - place.top, ScaleForDpi(description.place.height, dpi));
        EXPECT_EQ(TextOf(child), description.text);
        EXPECT_EQ(IsWindowVisible(child) != FALSE, description.visible);
        if (description.kind == window::ControlKind::kRadioButton) {
            EXPECT_EQ(SendMessageW(child, BM_GETCHECK, 0, 0), description.checked ? BST_CHECKED : BST_UNCHECKED);
        }
    }
    // The window's own children, in the order they were made.
    std::vector<Control> made;
    for (HWND child = GetWindow(window_->window(), GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        made.push_back(static_cast<Control>(GetDlgCtrlID(child) - kFirstControlId));
    EXPECT_EQ(made, (std::vector<Control>{Control::kBoard, Control::kSizeGroup, Control::kAbout, Control::kSelectFile,
                                          Control::kDeleteIcons, Control::kExtract, Control::kPath}));
    EXPECT_EQ(window_->presenter().icon_size().width, 32);
    EXPECT_EQ(CaptionCount::count, 0) << "the initial text is no change";
    EXPECT_FALSE(BalloonShows());
    SaveScreenshot(window_->window(), window_->balloon(), "window-after-start");
}

// Each radio button chooses its size alone; each push button runs its command, seen by
// the box or dialog it asks for.
TEST_F(WindowTest, EveryControlReachesThePresenter) {
    const struct {
        Control clicked;
        std::int32_t size;
    } kClicks[] = {{Control::kSize16, 16},  {Control::kSize64, 64}, {Control::kSize64, 64},
                   {Control::kSize128, 128}, {Control::kSize32, 32}};
    for (const auto& [clicked, size] : kClicks) {
        Click(clicked);
        EXPECT_EQ(window_->presenter().icon_size().width, size);
        for (const Control radio : window::kSizeRadios)
            EXPECT_EQ(SendMessageW(control(radio), BM_GETCHECK, 0, 0) == BST_CHECKED, radio == clicked);
    }
    const struct {
        Control clicked;
        int button;
        std::string_view caption, text;
    } kBoxes[] = {
        {Control::kExtract, IDOK, texts::kDefaultMessageCaption, texts::kBadPath},
        {Control::kDeleteIcons, IDNO, texts::kDefaultMessageCaption, texts::kDeleteConfirmation},
        {Control::kAbout, IDOK, texts::kAboutCaption, "1、"},
    };
    for (const auto& box : kBoxes) {
        SCOPED_TRACE(std::string(box.text));
        MessageBoxAnswer answer(box.button);
        Click(box.clicked);
        EXPECT_TRUE(answer.answered);
        EXPECT_EQ(answer.caption, box.caption);
        EXPECT_TRUE(answer.text.starts_with(box.text)) << answer.text;
    }
    int dialogs = 0;
    answer_dialog_ = [&](OPENFILENAMEW&) { return ++dialogs, false; };
    Click(Control::kSelectFile);
    EXPECT_EQ(dialogs, 1);
}

// Typing is the user's edit and each key reaches the presenter once; a text the program
// sets is not reported back, so its handler runs once, not twice.
TEST_F(WindowTest, EachOfTheUsersEditsRunsTheHandlerOnce) {
    const std::string three = Source("three.dll", ModuleWithGroups(3));
    const HWND edit = control(Control::kPath);
    const struct {
        const char* how;
        std::function<void()> change;
        int runs;
        std::string caption;
    } kChanges[] = {
        {"as if dropped", [&] { window_->presenter().OpenFile(three); }, 1, CountCaption(3)},
        {"typing x, y", [&] {
             SendMessageW(edit, EM_SETSEL, 0, -1);
             SendMessageW(edit, WM_CHAR, 'x', 0);
             SendMessageW(edit, WM_CHAR, 'y', 0);
         }, 2, CountCaption(0)},
        {"a backspace", [&] { SendMessageW(edit, WM_CHAR, VK_BACK, 0); }, 1, CountCaption(0)},
    };
    for (const auto& change : kChanges) {
        SCOPED_TRACE(change.how);
        CaptionCount::count = 0;
        change.change();
        Pump();
        EXPECT_EQ(CaptionCount::count, change.runs);
        EXPECT_EQ(TextOf(window_->window()), change.caption);
        EXPECT_EQ(window_->presenter().current_source_path(), TextOf(edit));
    }
    // The user's keys keep the caret where it is: typed text adds up.
    EXPECT_EQ(TextOf(edit), "x");
    // The path names nothing until the last key: the no-icons balloon shows, then the key
    // that finds icons takes it down.
    EXPECT_TRUE(BalloonShows());
    EXPECT_EQ(BalloonText(), texts::kNoIconsFound);
    EXPECT_TRUE(window_->balloon_hides_by_itself());
    window_->presenter().OpenFile(three.substr(0, three.size() - 1));
    SendMessageW(edit, EM_SETSEL, -1, -1);
    SendMessageW(edit, WM_CHAR, 'l', 0);
    Pump();
    EXPECT_EQ(TextOf(window_->window()), CountCaption(3));
    EXPECT_FALSE(BalloonShows());
}

TEST_F(WindowTest, AnExtractShowsItsBalloonAtTheMouseAndTheWindowCleansUpWhenClosed) {
    SetCursorPos(300, 260);
    POINT mouse{};
    GetCursorPos(&mouse);
    window_->presenter().OpenFile(Source("five.dll", ModuleWithGroups(5)));
    Click(Control::kExtract);
    Pump();
    EXPECT_EQ(IconsPresent(6), 5);
    EXPECT_EQ(BalloonText(), texts::kExtractSucceeded);
    EXPECT_TRUE(BalloonShows());
    EXPECT_FALSE(window_->balloon_hides_by_itself());
    RECT balloon{};
    GetWindowRect(window_->balloon(), &balloon);
    // The balloon's stem points at the mouse: it spans it across, and its near edge is at it.
    EXPECT_LE(balloon.left, mouse.x);
    EXPECT_GE(balloon.right, mouse.x);
    EXPECT_TRUE(std::abs(balloon.top - mouse.y) <= 2 || std::abs(balloon.bottom - mouse.y) <= 2)
        << balloon.top << ".." << balloon.bottom << " for " << mouse.y;
    SaveScreenshot(window_->window(), window_->balloon(), "window-after-extract");

    // Closing runs the presenter's clean-up: a picture run's temporary files go.
    window_->presenter().OpenFile(Source("red.bmp", RedSquareBmp(20)));
    Click(Control::kExtract);
    ASSERT_TRUE(std::filesystem::exists(PathFromUtf8(temporary + "p.bmp")));
    SendMessageW(window_->window(), WM_CLOSE, 0, 0);
    Pump();
    EXPECT_EQ(window_->window(), nullptr);
    EXPECT_FALSE(std::filesystem::exists(PathFromUtf8(temporary + "p")));
    EXPECT_FALSE(std::filesystem::exists(PathFromUtf8(temporary + "p.bmp")));
    EXPECT_EQ(IconsPresent(5), 5) << "the icons stay";
}

// The balloon sits where the user just clicked. A real click on it, or beside it, takes
// it down and goes on to the control it lands on, as if the balloon were not there.
TEST_F(WindowTest, ABalloonNeverSwallowsAClick) {
    const auto centre = [&](Control of) {
        RECT place{};
        GetWindowRect(control(of), &place);
        return POINT{(place.left + place.right) / 2, (place.top + place.bottom) / 2};
    };
    const auto click_at = [](POINT at) {
        SetCursorPos(at.x, at.y);
        INPUT press[2] = {};
        press[0].type = press[1].type = INPUT_MOUSE;
        press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, press, sizeof(INPUT));
    };
    const POINT over_64 = centre(Control::kSize64);
    for (const auto& [at, size] : {std::pair{over_64, 64}, {centre(Control::kSize16), 16}}) {
        SCOPED_TRACE(size);
        // The stem's point well above and left of the radio, so that the bubble covers it.
        window_->ShowBalloon({over_64.x - 20, over_64.y - 30}, "遮住这里的单选框", BalloonLife::kStays);
        Pump(100);
        ASSERT_TRUE(BalloonShows());
        RECT tip{};
        GetWindowRect(window_->balloon(), &tip);
        const HRGN shape = CreateRectRgn(0, 0, 0, 0);
        const bool shaped = GetWindowRgn(window_->balloon(), shape) != ERROR;
        const bool covered = PtInRect(&tip, over_64) &&
                             (!shaped || PtInRegion(shape, over_64.x - tip.left, over_64.y - tip.top));
        DeleteObject(shape);
        ASSERT_TRUE(covered) << "the balloon covers the radio";
        click_at(at);
        Pump(500, window_.get());
        EXPECT_FALSE(BalloonShows());
        EXPECT_EQ(window_->presenter().icon_size().width, size);
    }
}

TEST_F(WindowTest, BalloonsReplaceEachOtherAndOnlyTheFlaggedOneHidesByItself) {
    const struct {
        std::int32_t x, y;
        const char* text;
        BalloonLife life;
    } kBalloons[] = {{200, 150, "第一", BalloonLife::kStays},
                     {400, 300, "second\r\nline", BalloonLife::kHidesByItself},
                     {250, 500, "第三", BalloonLife::kStays}};
    for (const auto& shown : kBalloons) {
        window_->ShowBalloon({shown.x, shown.y}, shown.text, shown.life);
        Pump();
        EXPECT_EQ(BalloonText(), shown.text);
        EXPECT_TRUE(BalloonShows());
        EXPECT_EQ(window_->balloon_hides_by_itself(), shown.life == BalloonLife::kHidesByItself);
    }
    window_->HideBalloon();
    EXPECT_FALSE(BalloonShows());
    // A click anywhere dismisses one that stays.
    window_->ShowBalloon({200, 150}, "stays", BalloonLife::kStays);
    window_->BeforeDispatch(MSG{window_->window(), WM_LBUTTONDOWN});
    EXPECT_FALSE(BalloonShows());

    window_->ShowBalloon({200, 150}, "stays", BalloonLife::kStays);
    Pump(5600);
    EXPECT_TRUE(BalloonShows()) << "a balloon without the flag stays";
    window_->ShowBalloon({200, 150}, "goes", BalloonLife::kHidesByItself);
    Pump(5600);
    EXPECT_FALSE(BalloonShows()) << "a flagged balloon hides after 5000 ms";
}

// Each kind of message is the Win32 box of its style, and the button pressed the answer.
TEST_F(WindowTest, MessagesAreAskedThroughRealMessageBoxes) {
    EXPECT_EQ(MessageBoxStyleOf(MessageKind::kInformation), 0x2000u);
    EXPECT_EQ(MessageBoxStyleOf(MessageKind::kError), 0x2010u);
    EXPECT_EQ(MessageBoxStyleOf(MessageKind::kConfirmation), 0x2004u);
    for (const auto& [pressed, answer] : {std::pair{IDOK, MessageAnswer::kOk}, {IDYES, MessageAnswer::kYes},
                                          {IDNO, MessageAnswer::kNo}, {IDCANCEL, MessageAnswer::kOk}, {0, MessageAnswer::kOk}})
        EXPECT_EQ(MessageAnswerOf(pressed), answer) << pressed;
    MessageBoxAnswer box(IDYES);
    EXPECT_EQ(window_->ShowMessage({MessageKind::kConfirmation, "删?", "信息："}), MessageAnswer::kYes);
    EXPECT_EQ(box.text, "删?");
}

std::vector<std::wstring> FilterPieces(const wchar_t* filter) {
    std::vector<std::wstring> pieces;
    for (; filter != nullptr && *filter != L'\0'; filter += pieces.back().size() + 1) pieces.emplace_back(filter);
    return pieces;
}

TEST_F(WindowTest, TheOpenFileDialogIsAskedWithTheFilterFolderFlagsAndTheFileToShow) {
    // The platform's filter: the pairs of the program's list, each piece ended by a NUL.
    std::vector<std::wstring> expected_filter;
    for (std::string_view rest =
             "可执行文件（*.exe)|*.exe|动态链接库（*.dll）|*.dll|图标资源库（*.icl）|*.icl|"
             "图像文件(*.bmp;*.jpg;*.jpeg;*.gif;*.ico)|*.bmp;*.jpg;*.jpeg;*.gif;*.ico|所有文件(*.*)|*.*";
         !rest.empty();) {
        const auto bar = rest.find('|');
        expected_filter.push_back(WideFromUtf8(rest.substr(0, bar)));
        rest = bar == std::string_view::npos ? std::string_view() : rest.substr(bar + 1);
    }
    for (const bool choose : {true, false}) {
        answer_dialog_ = [&](OPENFILENAMEW& dialog) {
            EXPECT_EQ(FilterPieces(dialog.lpstrFilter), expected_filter);
            EXPECT_EQ(std::wstring(dialog.lpstrInitialDir), WideFromUtf8(desktop));
            EXPECT_EQ(dialog.Flags, DWORD{0x180E});
            EXPECT_EQ(dialog.nFilterIndex, 1u);
            EXPECT_EQ(std::wstring(dialog.lpstrFile), L"C:\\上次\\a.dll");
            lstrcpynW(dialog.lpstrFile, L"C:\\选的.dll", static_cast<int>(dialog.nMaxFile));
            return choose;
        };
        const auto chosen = window_->ShowOpenFileDialog({desktop, texts::kOpenFileFilters, "C:\\上次\\a.dll"});
        EXPECT_EQ(chosen, choose ? std::optional<std::string>("C:\\选的.dll") : std::nullopt);
    }
}

TEST_F(WindowTest, TheLookSwitchesByScheme) {
    ThemedDrawing& look = *window_->themed_drawing();
    const auto background = [&] {
        RedrawWindow(window_->window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        WindowDc dc(window_->window());
        return GetPixel(dc.get(), 2, 2);
    };
    EXPECT_EQ(look.scheme(), 3) << "the program's own look from the start";
    const COLORREF themed = background();
    const struct {
        int scheme;
        int active;
    } kSchemes[] = {{0, 0}, {2, 2}, {7, 0}, {1, 1}, {-1, 0}, {3, 3}};
    for (const auto& [scheme, active] : kSchemes) {
        SCOPED_TRACE(scheme);
        look.SetScheme(scheme);
        EXPECT_EQ(look.scheme(), active);
        // The window and its buttons, radios, group box and edit box, or nothing.
        EXPECT_EQ(look.themed_windows(), active == 0 ? 0u : 11u);
        if (active == 0) {
            EXPECT_EQ(background(), GetSysColor(COLOR_BTNFACE));
        } else if (active == 3) {
            EXPECT_EQ(background(), themed);
        }
    }
    EXPECT_NE(themed, GetSysColor(COLOR_BTNFACE));
}

TEST_F(WindowTest, ANewDpiScalesTheWindowAndEveryControl) {
    LOGFONTW before{};
    GetObjectW(window_->font(), sizeof before, &before);
    const UINT dpi = 2 * WindowDpi(window_->window());
    RECT suggested{50, 50, 50 + ScaleForDpi(426, dpi), 50 + ScaleForDpi(154, dpi)};
    SendMessageW(window_->window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    RECT outer{};
    GetWindowRect(window_->window(), &outer);
    EXPECT_EQ(outer.right - outer.left, ScaleForDpi(426, dpi));
    RECT edit{};
    GetWindowRect(control(Control::kPath), &edit);
    MapWindowPoints(nullptr, window_->window(), reinterpret_cast<POINT*>(&edit), 2);
    EXPECT_EQ(edit.left, ScaleForDpi(16, dpi));
    EXPECT_EQ(edit.right - edit.left, ScaleForDpi(392, dpi));
    RECT radio{};
    GetWindowRect(control(Control::kSize128), &radio);
    MapWindowPoints(nullptr, control(Control::kSizeGroup), reinterpret_cast<POINT*>(&radio), 2);
    EXPECT_EQ(radio.left, ScaleForDpi(85, dpi));
    EXPECT_EQ(radio.bottom - radio.top, ScaleForDpi(15, dpi));
    LOGFONTW font{};
    GetObjectW(window_->font(), sizeof font, &font);
    EXPECT_NEAR(font.lfHeight, 2 * before.lfHeight, 1);
}

// Files dropped on the window reach the edit box; an extract then writes every icon. Under
// Wine, its own shell32.dll is dropped too.
TEST_F(WindowTest, ADroppedModuleIsCountedAndExtractedWhole) {
    struct Drop {
        std::string path;
        int icons;
    };
    std::vector<Drop> drops = {{Source("seven.dll", ModuleWithGroups(7)), 7}};
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr)
        drops.push_back({"C:\\windows\\system32\\shell32.dll", 184});
    IDropTarget* target = window_->drop_object()->target();
    ASSERT_NE(target, nullptr);
    for (const auto& [path, icons] : drops) {
        SCOPED_TRACE(path);
        const auto data = test::MakeFileDropData({path});
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
        target->DragEnter(data.get(), MK_LBUTTON, POINTL{100, 100}, &effect);
        effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
        target->Drop(data.get(), 0, POINTL{100, 100}, &effect);
        EXPECT_EQ(effect, DWORD{DROPEFFECT_COPY});
        EXPECT_EQ(TextOf(control(Control::kPath)), path);
        EXPECT_EQ(TextOf(window_->window()), CountCaption(icons));
        Click(Control::kExtract);
        std::size_t written = 0;
        for (const auto& entry : std::filesystem::directory_iterator(PathFromUtf8(program)))
            written += entry.path().extension() == ".ico" ? 1 : 0;
        EXPECT_EQ(written, static_cast<std::size_t>(icons));
        EXPECT_EQ(window_->presenter().icons_written().size(), static_cast<std::size_t>(icons));
        for (const auto& entry : std::filesystem::directory_iterator(PathFromUtf8(program)))
            std::filesystem::remove(entry.path());
    }
}

}  // namespace
}  // namespace icoforge
