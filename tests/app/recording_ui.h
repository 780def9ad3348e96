#pragma once
// A window for tests: it records every effect of the presenter on it, in order.

#include <optional>
#include <string>
#include <vector>

#include "app/commands/presenter.h"
#include "app/commands/ui.h"

namespace icoforge::testing {

// Records every effect on the window, in order, as one line each.
class RecordingUi : public Ui {
public:
    Presenter* presenter = nullptr;
    std::vector<std::string> log;
    std::string edit_text;
    IconSizeChoice checked = IconSizeChoice::Size32;
    bool none_checked = false;
    MessageBoxButton answer = MessageBoxButton::Ok;
    std::optional<std::string> chosen_file;
    std::vector<OpenFileDialogSettings> dialogs;

    void SetCaption(std::string_view caption) override { log.push_back("caption " + std::string(caption)); }
    std::string EditText() const override { return edit_text; }
    void SetEditText(std::string_view text) override {
        log.push_back("edit " + std::string(text));
        edit_text = text;
        presenter->OnContentChanged();
    }
    void SelectEditText(std::int32_t length) override { log.push_back("select " + std::to_string(length)); }
    bool IsSizeChecked(IconSizeChoice choice) const override { return !none_checked && choice == checked; }
    MessageBoxButton ShowMessageBox(std::string_view text, std::int32_t style, std::string_view caption) override {
        log.push_back("message " + std::string(text) + " style " + std::to_string(style) + " " + std::string(caption));
        return answer;
    }
    void ShowBalloon(std::int32_t x, std::int32_t y, std::string_view text, std::int32_t icon,
                     bool hides_by_itself) override {
        log.push_back("balloon " + std::to_string(x) + "," + std::to_string(y) + " " + std::string(text) + " " +
                      std::to_string(icon) + (hides_by_itself ? " hides" : " stays"));
    }
    std::int32_t MouseX() const override { return 7; }
    std::int32_t MouseY() const override { return 9; }
    std::optional<std::string> ShowOpenFileDialog(const OpenFileDialogSettings& settings) override {
        dialogs.push_back(settings);
        return chosen_file;
    }
    std::int32_t ScreenBitsPerPixel() const override { return 32; }
};

}  // namespace icoforge::testing
