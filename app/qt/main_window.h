#pragma once
// The program's single window on Linux: the path box, the four command buttons, the size
// choice, the balloon and the drop target, built from the window's description and all
// driving one Presenter through Ui.

#include <QFileDialog>
#include <QMessageBox>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

#include "app/commands/presenter.h"
#include "app/commands/ui.h"
#include "app/commands/window_description.h"
#include "app/qt/balloon_tip.h"
#include "shell/drop_target.h"

class QLineEdit;

namespace icoforge {

class MainWindow : public QWidget, public Ui {
public:
    // The window's client area: the outer size less the fixed frame the description
    // allows for. On Linux the window manager draws the frame around this.
    static constexpr int kClientWidth = window::kWindowPlace.width - 2 * window::kFrameEdge;
    static constexpr int kClientHeight =
        window::kWindowPlace.height - 2 * window::kFrameEdge - window::kCaptionBarHeight;

    explicit MainWindow(AppFolders folders);
    ~MainWindow() override;

    // The created handler: the themed look, drops, the checked size.
    void OnCreated();

    // Themed drawing: schemes 1..3 switch it on, any other number off.
    void SetScheme(int scheme);
    int scheme() const { return scheme_; }

    Presenter& presenter() { return presenter_; }
    // The control the description names; null for the drawing board, which draws off
    // the screen here.
    QWidget* control(window::Control control) const { return controls_[static_cast<std::size_t>(control)]; }
    QLineEdit* path_edit() const;
    BalloonTip& balloon() { return balloon_; }

    // Seams for tests: given one, a message box or file dialog is built as for the user
    // and handed to it instead of being shown; it returns the answer.
    using MessageBoxAnswer = std::function<QMessageBox::StandardButton(QMessageBox&)>;
    using FileDialogAnswer = std::function<std::optional<QString>(QFileDialog&)>;
    void AnswerMessageBoxesWith(MessageBoxAnswer answer) { message_box_answer_ = std::move(answer); }
    void AnswerFileDialogsWith(FileDialogAnswer answer) { file_dialog_answer_ = std::move(answer); }

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

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateControls();
    void FitLabels();
    // Runs a command; an exception escaping into Qt's event loop would end the program.
    template <class Command>
    void Run(Command command) noexcept {
        try {
            command();
        } catch (...) {
            // Only running out of memory gets here; the command is abandoned, the window stays.
        }
    }
    void ShutDown();

    Presenter presenter_;
    std::array<QWidget*, window::kControlCount> controls_{};
    BalloonTip balloon_;
    DropTargetState drop_target_;
    int scheme_ = 0;
    bool shut_down_ = false;
    MessageBoxAnswer message_box_answer_;
    FileDialogAnswer file_dialog_answer_;
};

}  // namespace icoforge
