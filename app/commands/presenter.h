#pragma once
// The program-wide state and every command behind the window's buttons and events, written
// against Ui so that each window, the command line and the tests drive the same code.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/commands/ui.h"
#include "app/commands/window_description.h"
#include "common/failure.h"

namespace icoforge {

// Where the commands put their files. Folders end without a separator, except the two the
// shell gives (temporary, desktop), which end in one.
struct AppFolders {
    std::string program;    // the numbered .ico files
    std::string temporary;  // a picture run's snapshot and its conversion
    std::string desktop;    // where the open-file dialog starts
};

// The folders as the shell names them, with `program_folder` for the icons.
AppFolders SystemFolders(std::string program_folder);

struct IconSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// What an extract did, so that a caller that reports rather than shows (the command line)
// decides from a value, not from the texts the window showed.
enum class ExtractSource : std::uint8_t {
    kBadPath,  // the path box names nothing that could be a file: nothing was tried
    kIcons,    // a module or icon file: its groups were written
    kPicture,  // anything else: drawn as a picture and turned into 1.ico
};
struct ExtractReport {
    ExtractSource source = ExtractSource::kBadPath;
    bool succeeded = false;              // the window said 图标提取成功。
    std::vector<std::string> written;    // the files written whole, in the order written
    std::vector<Failure> failures;       // each file that could not be written, and why
    std::int32_t icon_count = 0;         // the groups the source held as the extract began
    bool picture_drawn = false;          // kPicture: the picture was decoded and drawn;
                                         // when not, 1.ico holds the board's bare background
};

class Presenter {
public:
    Presenter(Ui& ui, AppFolders folders);
    Presenter(const Presenter&) = delete;
    Presenter& operator=(const Presenter&) = delete;

    // The window exists: take the checked size.
    void OnCreated();
    // The window is going: delete the temporary files the picture runs wrote, and only those.
    void OnDestroying();

    // What a click on a control runs: a radio button the size choice, a push button its
    // command; nothing for the others.
    void OnClicked(window::Control control);
    // The user changed the edit box's text (typing, pasting); a window reports nothing else.
    void OnUserEdit();
    void OnFilesDropped(std::string_view paths);
    // A file named on a window's command line: in the edit box as if dropped; nothing
    // for an empty name.
    void OpenFile(std::string_view path);

    void UpdateIconSize();
    ExtractReport Extract();
    void SelectFile();
    void DeleteIcons();
    void ShowAbout();

    IconSize icon_size() const { return icon_size_; }
    const std::string& current_source_path() const { return current_source_path_; }
    const std::string& last_extracted_path() const { return last_extracted_path_; }
    // The icon files the last extract command wrote whole, in the order written.
    const std::vector<std::string>& icons_written() const { return icons_written_; }

private:
    // Who changed the edit box. After a change the program made (a drop, a chosen file, a
    // resolved shortcut) the whole path is selected so that it shows; after the user's own
    // edit the caret stays where the user put it, or each key typed would replace the text
    // before it.
    enum class EditChange : std::uint8_t { kProgram, kUser };

    // Writes the edit box and runs the content-changed handler at once, to its end.
    void ReplaceEditText(std::string_view text);
    void OnContentChanged(EditChange change);
    MessageAnswer ShowMessage(MessageKind kind, std::string_view text, std::string_view caption = {});
    void ShowBalloonAtMouse(std::string_view text, BalloonLife life);
    std::string NumberedIconPath(std::int32_t number) const;
    bool ExtractPicture(ExtractReport& report);
    void RememberTemporaryFile(const std::string& path);

    Ui& ui_;
    AppFolders folders_;
    IconSize icon_size_;
    std::string current_source_path_;
    std::string last_extracted_path_;
    std::string last_chosen_file_;
    std::vector<std::string> temporary_files_;
    std::vector<std::string> icons_written_;
    // The balloon showing, if any, is the no-icons one of a change of the edit box, which a
    // later change that finds icons takes down.
    bool no_icons_balloon_up_ = false;
};

// The about message's main text, deciphered from what the program stores.
std::string AboutText();

}  // namespace icoforge
