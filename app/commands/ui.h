#pragma once
// What the commands need of a window, in the commands' own terms, and nothing more. The
// Win32 and Qt windows, the console of the command line and the tests' recording fake
// each implement it; each turns these values into its toolkit's own.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace icoforge {

// The four size choices, in the order UpdateIconSize looks at them.
enum class IconSizeChoice : std::uint8_t { Size16, Size32, Size64, Size128 };

enum class MessageKind : std::uint8_t {
    kInformation,   // an OK button, no icon
    kError,         // an OK button and the error icon
    kConfirmation,  // Yes and No, no icon
};
// Anything but a Yes or a No (a box closed another way) counts as OK.
enum class MessageAnswer : std::uint8_t { kOk, kYes, kNo };

// Every box holds the whole program until it is answered.
struct Message {
    MessageKind kind = MessageKind::kInformation;
    std::string_view text;
    std::string_view caption;  // never empty
};

struct ScreenPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

enum class BalloonLife : std::uint8_t {
    kStays,          // until a click, or the next balloon
    kHidesByItself,  // after kBalloonLifetimeMs
};

// One choice of the open-file dialog: what the user reads, and the names it shows.
struct FileFilter {
    std::string_view label;
    std::span<const std::string_view> patterns;  // "*.exe"
};

// The dialog opens an existing file and leaves the current directory as it was.
struct OpenFileDialogSettings {
    std::string initial_folder;           // ends in the platform's separator
    std::span<const FileFilter> filters;  // the first is chosen when the dialog opens
    std::string file_name;                // pre-filled: the file last chosen, or empty
};

class Ui {
public:
    virtual ~Ui() = default;

    virtual void SetCaption(std::string_view caption) = 0;
    virtual std::string EditText() const = 0;
    // Replaces the edit box's text and runs nothing: a window reports only the user's own
    // edits; the presenter runs its handler after its own.
    virtual void SetEditText(std::string_view text) = 0;
    // Selects `length` bytes from the start of the edit box and scrolls the caret into view.
    virtual void SelectEditText(std::int32_t length) = 0;
    virtual bool IsSizeChecked(IconSizeChoice choice) const = 0;
    virtual MessageAnswer ShowMessage(const Message& message) = 0;
    // Shows at once, replacing a balloon still showing. Carries no icon.
    virtual void ShowBalloon(ScreenPoint at, std::string_view text, BalloonLife life) = 0;
    // Takes down the balloon showing, if any.
    virtual void HideBalloon() = 0;
    virtual ScreenPoint MousePosition() const = 0;
    // The chosen file's full path, or nothing when the user cancels.
    virtual std::optional<std::string> ShowOpenFileDialog(const OpenFileDialogSettings& settings) = 0;
    virtual std::int32_t ScreenBitsPerPixel() const = 0;
};

}  // namespace icoforge
