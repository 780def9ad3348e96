#pragma once
// A window for tests: it records every effect of the presenter on it, in order.

#include <optional>
#include <string>
#include <vector>

#include "app/commands/ui.h"

namespace icoforge::testing {

// In the order of MessageKind.
inline constexpr const char* kKindNames[] = {"information", "error", "confirmation"};

// Records every effect on the window, in order, as one line each.
class RecordingUi : public Ui {
public:
    std::vector<std::string> log;
    std::string edit_text;
    IconSizeChoice checked = IconSizeChoice::Size32;
    bool none_checked = false;
    MessageAnswer answer = MessageAnswer::kOk;
    std::optional<std::string> chosen_file;
    std::vector<OpenFileDialogSettings> dialogs;

    void SetCaption(std::string_view caption) override { log.push_back("caption " + std::string(caption)); }
    std::string EditText() const override { return edit_text; }
    void SetEditText(std::string_view text) override {
        log.push_back("edit " + std::string(text));
        edit_text = text;
    }
    void SelectEditText(std::int32_t length) override { log.push_back("select " + std::to_string(length)); }
    bool IsSizeChecked(IconSizeChoice choice) const override { return !none_checked && choice == checked; }
    MessageAnswer ShowMessage(const Message& message) override {
        log.push_back(std::string("message ") + kKindNames[static_cast<int>(message.kind)] + " " + std::string(message.text) + " | " +
                      std::string(message.caption));
        return answer;
    }
    void ShowBalloon(ScreenPoint at, std::string_view text, BalloonLife life) override {
        log.push_back("balloon " + std::to_string(at.x) + "," + std::to_string(at.y) + " " + std::string(text) +
                      (life == BalloonLife::kHidesByItself ? " hides" : " stays"));
    }
    void HideBalloon() override { log.push_back("hide balloon"); }
    ScreenPoint MousePosition() const override { return {7, 9}; }
    std::optional<std::string> ShowOpenFileDialog(const OpenFileDialogSettings& settings) override {
        log.push_back("dialog");
        dialogs.push_back(settings);
        return chosen_file;
    }
    std::int32_t ScreenBitsPerPixel() const override { return 32; }
};

}  // namespace icoforge::testing
