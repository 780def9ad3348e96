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
#include "app/win32/drop_object.h"
#include "app/win32/themed_drawing.h"
#include "platform/win32/owners.h"

namespace icoforge {

// The application icon in the executable's resources.
inline constexpr int kAppIconResource = 1;

// The controls, in the order they are created. Child window identifiers start above the
// dialog manager's IDOK..IDHELP, so Enter and Esc in the edit box command nothing.
enum class ControlId : int {
    Size128 = 101,
    Size64,
    Size16,
    Size32,
    Board,
    SizeGroup,
    AboutButton,
    SelectFileButton,
    DeleteButton,
    ExtractButton,
    PathEdit,
};

// Shows the open-file dialog; true when the user chose a file, which then stands in
// lpstrFile. Tests put their own in place of GetOpenFileNameW.
using OpenFileDialogRunner = std::function<bool(OPENFILENAMEW&)>;

struct MainWindowOptions {
    AppFolders folders;
    // The program posts WM_QUIT when its window goes; a test that makes windows does not.
    bool quit_on_destroy = true;
    OpenFileDialogRunner run_open_file_dialog;  // empty: GetOpenFileNameW
};

// The built dialog request: the OPENFILENAMEW points into the buffers held beside it.
struct OpenFileRequest {
    std::wstring filter;  // pairs separated by '\0', ended by two
    std::wstring initial_folder;
    std::wstring file;  // the result buffer, pre-filled with the last chosen file
    OPENFILENAMEW dialog{};
};
std::unique_ptr<OpenFileRequest> BuildOpenFileRequest(const OpenFileDialogSettings& settings, HWND owner);

class MainWindow final : public Ui {
public:
    // Creates and shows the window; `window()` is null when that failed.
    explicit MainWindow(MainWindowOptions options);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND window() const { return window_; }
    HWND control(ControlId id) const;
    HWND balloon() const { return balloon_.get(); }
    bool balloon_hides_by_itself() const { return balloon_hides_; }
    Presenter& presenter() { return *presenter_; }
    DropObject* drop_object() const { return drop_.get(); }
    ThemedDrawing* themed_drawing() const { return themed_.get(); }
    HFONT font() const { return font_.get(); }

    // Puts a file named on the command line in the edit box, as if it had been dropped.
    void OpenFile(const std::string& path);
    // For the message loop, before dispatch: a click or a key dismisses a balloon that
    // stays. Never consumes the message.
    void BeforeDispatch(const MSG& message);

    // Ui
    void SetCaption(std::string_view caption) override;
    std::string EditText() const override;
    void SetEditText(std::string_view text) override;
    void SelectEditText(std::int32_t length) override;
    bool IsSizeChecked(IconSizeChoice choice) const override;
    MessageBoxButton ShowMessageBox(std::string_view text, std::int32_t style, std::string_view caption) override;
    void ShowBalloon(std::int32_t x, std::int32_t y, std::string_view text, std::int32_t icon,
                     bool hides_by_itself) override;
    std::int32_t MouseX() const override;
    std::int32_t MouseY() const override;
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
    void HideBalloon();

    MainWindowOptions options_;
    std::unique_ptr<Presenter> presenter_;
    HWND window_ = nullptr;
    UINT dpi_ = 96;
    FontHandle font_;
    WindowHandle balloon_;
    bool balloon_hides_ = false;
    bool balloon_showing_ = false;
    // Raised while the program itself replaces the edit box's text, which runs the
    // content-changed handler once by itself rather than through EN_CHANGE.
    int programmatic_edits_ = 0;
    std::unique_ptr<DropObject> drop_;
    std::unique_ptr<ThemedDrawing> themed_;
};

}  // namespace icoforge
