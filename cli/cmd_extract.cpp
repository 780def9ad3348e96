#include <cstdio>
#include <filesystem>
#include <string>

#include "app/commands/presenter.h"
#include "app/commands/texts.h"
#include "cli/commands.h"
#include "common/path.h"
#include "platform/file_io.h"

namespace icoforge::cli {
namespace {

constexpr const char* kUsage =
    "usage: icoforge extract [-s 16|32|64|128] [-o DIR] FILE\n"
    "  Does what the window's extract button does for FILE: a Windows module or icon file\n"
    "  gives every icon group as DIR/1.ico, DIR/2.ico, ...; any other file is drawn as a\n"
    "  picture on a square of -s pixels (default 32) and becomes DIR/1.ico. A shortcut\n"
    "  (.lnk) is followed to its target. DIR (default: the current folder) is created when\n"
    "  missing. Prints the icon files written; the window's caption, balloons and messages\n"
    "  go to standard error. Exits with 0 only when the window would report success.\n";

constexpr OptionRule kOptions[] = {{"-s", true}, {"-o", true}};

// The window of the command line: the caption, balloons and message boxes go to standard
// error, the edit box is a text, and the size is the one chosen by -s.
class ConsoleUi : public Ui {
public:
    ConsoleUi(IconSizeChoice size) : size_(size) {}
    void Attach(Presenter& presenter) { presenter_ = &presenter; }
    const std::string& last_balloon() const { return last_balloon_; }
    void ForgetBalloon() { last_balloon_.clear(); }

    void SetCaption(std::string_view caption) override { Say(caption); }
    std::string EditText() const override { return edit_text_; }
    void SetEditText(std::string_view text) override {
        edit_text_ = text;
        presenter_->OnContentChanged();
    }
    void SelectEditText(std::int32_t) override {}
    bool IsSizeChecked(IconSizeChoice choice) const override { return choice == size_; }
    MessageBoxButton ShowMessageBox(std::string_view text, std::int32_t, std::string_view) override {
        Say(text);
        return MessageBoxButton::Ok;
    }
    void ShowBalloon(std::int32_t, std::int32_t, std::string_view text, std::int32_t, bool) override {
        Say(text);
        last_balloon_ = text;
    }
    std::int32_t MouseX() const override { return 0; }
    std::int32_t MouseY() const override { return 0; }
    std::optional<std::string> ShowOpenFileDialog(const OpenFileDialogSettings&) override { return std::nullopt; }
    // A true-colour screen: pictures are shrunk with halftone quality.
    std::int32_t ScreenBitsPerPixel() const override { return 32; }

private:
    // One line per text; the window's "\r\n" line breaks become the console's.
    static void Say(std::string_view text) {
        std::string line(text);
        for (std::size_t at = line.find("\r\n"); at != std::string::npos; at = line.find("\r\n", at))
            line.erase(at, 1);
        std::fprintf(stderr, "%s\n", line.c_str());
    }

    IconSizeChoice size_;
    Presenter* presenter_ = nullptr;
    std::string edit_text_;
    std::string last_balloon_;
};

bool SizeChoiceOf(const std::string& text, IconSizeChoice& choice) {
    constexpr std::pair<const char*, IconSizeChoice> kChoices[] = {{"16", IconSizeChoice::Size16},
                                                                   {"32", IconSizeChoice::Size32},
                                                                   {"64", IconSizeChoice::Size64},
                                                                   {"128", IconSizeChoice::Size128}};
    for (const auto& [name, value] : kChoices) {
        if (text == name) {
            choice = value;
            return true;
        }
    }
    return false;
}

}  // namespace

int RunExtract(const Args& args) {
    CommandLine line;
    std::string problem;
    if (!ParseCommandLine(args, kOptions, line, problem)) return UsageError(problem, kUsage);
    if (line.help) return ShowHelp(kUsage);
    if (line.operands.size() != 1) return UsageError("extract takes one FILE", kUsage);
    IconSizeChoice size = IconSizeChoice::Size32;
    if (const std::string* text = line.Value("-s"); text && !SizeChoiceOf(*text, size))
        return UsageError("the size must be 16, 32, 64 or 128", kUsage);
    const std::string& file = line.operands[0];
    const std::string folder = line.Value("-o") ? *line.Value("-o") : std::string(".");
    if (const auto readable = CheckReadable(file); !readable) return ReportFailure(readable.error());
    std::error_code ec;
    std::filesystem::create_directories(PathFromUtf8(folder), ec);
    if (ec) return CannotWrite(folder, ec.message());

    ConsoleUi ui(size);
    Presenter presenter(ui, SystemFolders(folder));
    ui.Attach(presenter);
    presenter.OnCreated();
    ui.SetEditText(file);
    ui.ForgetBalloon();
    presenter.Extract();
    presenter.OnDestroying();
    for (const auto& path : presenter.icons_written()) PrintPath(path);
    if (ui.last_balloon() != texts::kExtractSucceeded)
        return Failure("could not extract the icons of " + Quoted(file) + " or turn it into an icon");
    return kExitSuccess;
}

}  // namespace icoforge::cli
