#pragma once
// The program's one window: the path field, the four command buttons, the size choice and
// the balloon, driving the presenter through Ui. One window class, one HandleMessage.

#include <windows.h>
#include <commdlg.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/commands/presenter.h"
#include "app/commands/ui.h"
#include "app/commands/window_description.h"
#include "app/win32/drop_object.h"
#include "app/win32/themed_drawing.h"
#include "platform/win32/owners.h"

namespace icoforge {

// The application icon in the executable's resources.
inline constexpr int kAppIconResource = 1;

// Child window identifiers, one per control of the description in its order, start above
// the dialog manager's IDOK..IDHELP, so that Enter and Esc in the edit box command nothing.
inline constexpr int kFirstControlId = 101;
constexpr int ControlIdOf(window::Control control) { return kFirstControlId + static_cast<int>(control); }

// Shows the open-file dialog; true when the user chose a file, which then stands in
// lpstrFile. Tests put their own in place of GetOpenFileNameW.
using OpenFileDialogRunner = std::function<bool(OPENFILENAMEW&)>;

struct MainWindowOptions {
    AppFolders folders;
    // The program posts WM_QUIT when its window goes; a test that makes windows does not.
    bool quit_on_destroy = true;
    OpenFileDialogRunner run_open_file_dialog;  // empty: GetOpenFileNameW
};

// The open-file dialog's options: hide the read-only box (0x4), the file and its path must
// exist (0x1000, 0x800), prompt before overwriting (0x2, which an open dialog ignores) and
// keep the current directory (0x8).
inline constexpr DWORD kOpenFileFlags = 0x180E;

// The built dialog request: the OPENFILENAMEW points into the buffers held beside it.
struct OpenFileRequest {
    std::wstring filter;  // labels and patterns, each ended by '\0', the whole by another
    std::wstring initial_folder;
    std::wstring file;  // the result buffer, pre-filled with the last chosen file
    OPENFILENAMEW dialog{};
};
std::unique_ptr<OpenFileRequest> BuildOpenFileRequest(const OpenFileDialogSettings& settings, HWND owner);

// MessageBoxW's style for a kind of message: MB_OK (0), with MB_ICONERROR (0x10) for an
// error, or MB_YESNO (4); every box is task-modal (0x2000), as none asks to hold the
// whole system (0x1000).
UINT MessageBoxStyleOf(MessageKind kind);
// IDYES and IDNO are answers; any other button is OK.
MessageAnswer MessageAnswerOf(int pressed);

class MainWindow final : public Ui {
public:
    // Creates and shows the window; `window()` is null when that failed.
    explicit MainWindow(MainWindowOptions options);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND window() const { return window_; }
    HWND control(window::Control control) const;
    HWND balloon() const { return balloon_.get(); }
    bool balloon_hides_by_itself() const { return balloon_hides_; }
    Presenter& presenter() { return *presenter_; }
    DropObject* drop_object() const { return drop_.get(); }
    ThemedDrawing* themed_drawing() const { return themed_.get(); }
    HFONT font() const { return font_.get(); }

    // For the message loop, before dispatch: a click or a key dismisses the balloon. It
    // never consumes the message, so the click goes on to the control it is on.
    void BeforeDispatch(const MSG& message);

    // Ui
    void SetCaption(std::string_view caption) override;
    std::string EditText() const override;
    void SetEditText(std::string_view text) override;
    void SelectEditText(std::int32_t length) override;
    bool IsSizeChecked(IconSizeChoice choice) const override;
    MessageAnswer ShowMessage(const Message& message) override;
    void ShowBalloon(ScreenPoint at, std::string_view text, BalloonLife life) override;
    void HideBalloon() override;
    ScreenPoint MousePosition() const override;
    std::optional<std::string> ShowOpenFileDialog(const OpenFileDialogSettings& settings) override;
    std::int32_t ScreenBitsPerPixel() const override;

private:
    // Once per process; false when Windows refuses it.
    static bool RegisterWindowClass();
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
    void CreateControls();
    void OnCreated();
    void OnDestroying();
    void OnCommand(int id, int notification);
    void ApplyDpi(UINT dpi);

    MainWindowOptions options_;
    std::unique_ptr<Presenter> presenter_;
    HWND window_ = nullptr;
    UINT dpi_ = 96;
    FontHandle font_;
    WindowHandle balloon_;
    bool balloon_hides_ = false;
    bool balloon_showing_ = false;
    std::unique_ptr<DropObject> drop_;
    std::unique_ptr<ThemedDrawing> themed_;
};

}  // namespace icoforge
