#pragma once
// What the commands need of a window, and nothing more. The Win32 and Qt windows, the
// console of the command line and the tests' recording fake each implement it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace icoforge {

// The four size choices, in the order UpdateIconSize looks at them.
enum class IconSizeChoice : std::uint8_t { Size16, Size32, Size64, Size128 };

// Message box styles and the button numbers the window reports.
inline constexpr std::int32_t kStyleOk = 0;
inline constexpr std::int32_t kStyleYesNo = 4;
inline constexpr std::int32_t kStyleErrorIcon = 0x10;
inline constexpr std::int32_t kStyleSystemModal = 0x1000;
inline constexpr std::int32_t kStyleTaskModal = 0x2000;

enum class MessageBoxButton : std::int32_t { Ok = 0, Cancel = 1, Abort = 2, Retry = 3, Ignore = 4, Yes = 5, No = 6 };

// Balloons carry no icon.
inline constexpr std::int32_t kNoBalloonIcon = -1;

// Open-file dialog options: hide read-only (0x4), file must exist (0x1000), path must
// exist (0x800), prompt on overwrite (0x2) and keep the current directory (0x8).
inline constexpr std::uint32_t kOpenFileFlags = 0x180E;

struct OpenFileDialogSettings {
    std::string initial_folder;       // ends in the platform's separator
    bool keep_current_directory = true;
    std::string filter;               // pairs separated by "|", ended by "||"
    std::int32_t filter_index = 1;    // the first pair
    std::string file_name;            // pre-filled: the file last chosen, or empty
    std::uint32_t flags = kOpenFileFlags;
};

class Ui {
public:
    virtual ~Ui() = default;

    virtual void SetCaption(std::string_view caption) = 0;
    virtual std::string EditText() const = 0;
    // Replaces the edit box's text and, before returning, runs the presenter's
    // content-changed handler once and to its end.
    virtual void SetEditText(std::string_view text) = 0;
    // Selects `length` bytes from the start of the edit box and scrolls the caret into view.
    virtual void SelectEditText(std::int32_t length) = 0;
    virtual bool IsSizeChecked(IconSizeChoice choice) const = 0;
    // `style` already holds the modality; the caption is never empty.
    virtual MessageBoxButton ShowMessageBox(std::string_view text, std::int32_t style, std::string_view caption) = 0;
    // Shows at once, replacing a balloon still showing; with `hides_by_itself` it hides
    // 5000 ms later.
    virtual void ShowBalloon(std::int32_t x, std::int32_t y, std::string_view text, std::int32_t icon,
                             bool hides_by_itself) = 0;
    virtual std::int32_t MouseX() const = 0;
    virtual std::int32_t MouseY() const = 0;
    // The chosen file's full path, or nothing when the user cancels.
    virtual std::optional<std::string> ShowOpenFileDialog(const OpenFileDialogSettings& settings) = 0;
    virtual std::int32_t ScreenBitsPerPixel() const = 0;
};

}  // namespace icoforge
