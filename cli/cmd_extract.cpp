#include <algorithm>
#include <filesystem>
#include <string>

#include "app/commands/presenter.h"
#include "cli/commands.h"
#include "cli/shortcut.h"
#include "common/path.h"
#include "iconextract/extract.h"
#include "platform/file_io.h"

namespace icoforge::cli {
namespace {

constexpr Message kSummary{"every icon of FILE, or FILE turned into an icon, as numbered .ico files",
                           "把 FILE 的每个图标，或把 FILE 本身做成图标，写成编号的 .ico 文件"};
constexpr Message kDescription{
    "Does what the window's extract button does for FILE: a Windows module or icon file gives\n"
    "every icon group as DIR/1.ico, DIR/2.ico, ...; any other file is drawn as a picture on a\n"
    "square of SIZE pixels and becomes DIR/1.ico. A shortcut is followed to its target. DIR is\n"
    "created when missing, and removed again when nothing could be written into it. Prints the\n"
    "icon files written; exits with 1 when any file could not be written (each is named, with\n"
    "the reason) or the picture could not be drawn (then no icon is kept).",
    "对 FILE 做窗口中“提取图标”按钮所做的事：Windows 模块或图标文件的每个图标组写成\n"
    "DIR/1.ico、DIR/2.ico……；其他文件当作图片画在 SIZE 像素的方块上，写成 DIR/1.ico。\n"
    "快捷方式按其目标处理。DIR 不存在时会创建，什么也没写进去时再删除。输出写入的图标文件；\n"
    "有文件无法写入（逐个列出并说明原因）或图片无法绘制（此时不保留图标）时退出状态为 1。"};
constexpr Message kSizeHelp{"the edge of an icon made from a picture: 16, 32 (default), 64 or 128",
                            "由图片生成的图标边长：16、32（默认）、64 或 128"};
constexpr Message kOutputHelp{"the folder for the icons (default: the current folder)", "存放图标的文件夹（默认：当前文件夹）"};
constexpr Message kHoldsIcons{"{1} holds {2} icons", "{1} 含有 {2} 个图标"};
constexpr Message kAsPicture{"{1} holds no icons: it is drawn as a picture", "{1} 不含图标：把它当作图片绘制"};
constexpr Message kWroteIcons{"wrote {1} of {2} icons to {3}", "已把 {2} 个图标中的 {1} 个写入 {3}"};
constexpr Message kWrotePicture{"turned {1} into the icon {2}", "已把 {1} 做成图标 {2}"};
constexpr Message kNoDot{"cannot extract {1}: the path has no dot, so it names neither an icon source nor a picture",
                         "无法提取 {1}：路径中没有点号，既不是图标来源也不是图片"};
constexpr Message kNoIcons{"{1} holds no icons", "{1} 不含图标"};
constexpr Message kNotDrawn{"cannot draw {1}: not a picture that can be read, or damaged; no icon was kept",
                            "无法绘制 {1}：不是可读的图片或已损坏；没有保留图标"};
constexpr Message kCreateFolder{"cannot create the folder {1}: {2}", "无法创建文件夹 {1}：{2}"};

constexpr std::string_view kSizes[] = {"16", "32", "64", "128"};

// The command line's window: nothing is shown, as the command line tells the outcome
// from the presenter's report in its own words; the edit box is a text.
class ConsoleUi : public Ui {
public:
    explicit ConsoleUi(IconSizeChoice size) : size_(size) {}
    void Attach(Presenter& presenter) { presenter_ = &presenter; }

    void SetCaption(std::string_view) override {}
    std::string EditText() const override { return edit_text_; }
    void SetEditText(std::string_view text) override {
        edit_text_ = text;
        presenter_->OnContentChanged();
    }
    void SelectEditText(std::int32_t) override {}
    bool IsSizeChecked(IconSizeChoice choice) const override { return choice == size_; }
    MessageBoxButton ShowMessageBox(std::string_view, std::int32_t, std::string_view) override {
        return MessageBoxButton::Ok;
    }
    void ShowBalloon(std::int32_t, std::int32_t, std::string_view, std::int32_t, bool) override {}
    std::int32_t MouseX() const override { return 0; }
    std::int32_t MouseY() const override { return 0; }
    std::optional<std::string> ShowOpenFileDialog(const OpenFileDialogSettings&) override { return std::nullopt; }
    // A true-colour screen: pictures are shrunk with halftone quality.
    std::int32_t ScreenBitsPerPixel() const override { return 32; }

private:
    IconSizeChoice size_;
    Presenter* presenter_ = nullptr;
    std::string edit_text_;
};

IconSizeChoice SizeChoiceOf(std::string_view text) {
    if (text == "16") return IconSizeChoice::Size16;
    if (text == "64") return IconSizeChoice::Size64;
    if (text == "128") return IconSizeChoice::Size128;
    return IconSizeChoice::Size32;
}

// The folders a run creates, deepest last, so that those it put nothing into can go again.
class CreatedFolders {
public:
    bool Create(const std::string& folder, std::error_code& ec) {
        namespace fs = std::filesystem;
        std::vector<fs::path> missing;
        for (fs::path at = PathFromUtf8(folder); !at.empty() && !fs::exists(at, ec); at = at.parent_path()) {
            missing.push_back(at);
            if (at == at.parent_path()) break;
        }
        ec.clear();
        fs::create_directories(PathFromUtf8(folder), ec);
        if (ec) return false;
        created_.assign(missing.begin(), missing.end());  // deepest first
        return true;
    }
    // Removes the created folders that are still empty, deepest first.
    void RemoveEmpty() const {
        for (const auto& folder : created_) {
            std::error_code ec;
            if (!std::filesystem::is_empty(folder, ec) || ec) break;
            std::filesystem::remove(folder, ec);
        }
    }

private:
    std::vector<std::filesystem::path> created_;
};

int Run(const Invocation& run) {
    Console& console = run.console();
    const std::string& named = run.Operand("FILE");
    const std::string folder = run.Value("--output").value_or(".");
    const auto file = FileBehindShortcut(run, named);
    if (!file) return kExitFailure;
    CreatedFolders created;
    if (std::error_code ec; !created.Create(folder, ec)) return run.Fail(run.Text(kCreateFolder, {Quoted(folder), ec.message()}));

    ConsoleUi ui(SizeChoiceOf(run.Value("--size").value_or("32")));
    Presenter presenter(ui, SystemFolders(folder));
    ui.Attach(presenter);
    presenter.OnCreated();
    ui.SetEditText(*file);
    const std::int32_t count = GetIconCount(*file);
    ExtractReport report = presenter.Extract();
    presenter.OnDestroying();

    int status = kExitSuccess;
    if (report.source == ExtractSource::kPicture && !report.picture_drawn) {
        // The bare background the window keeps would pass for the picture's icon.
        for (const auto& path : report.written) RemoveFile(path);
        report.written.clear();
    }
    if (report.source == ExtractSource::kBadPath) {
        status = run.Fail(run.Text(kNoDot, {Quoted(*file)}));
    } else if (count > 0) {
        console.Progress(run.Text(kHoldsIcons, {Quoted(*file), std::to_string(count)}));
    } else if (report.source == ExtractSource::kPicture) {
        console.Detail(run.Text(kAsPicture, {Quoted(*file)}));
    }
    for (const auto& path : report.written) {
        console.Path(path);
        console.Detail(run.Text(msg::kWrote, {Quoted(path)}));
    }
    for (const auto& failure : report.failures)
        status = CannotWrite(run, failure.path, failure.reason);
    if (report.source == ExtractSource::kPicture && !report.picture_drawn) {
        status = run.Fail(run.Text(kNotDrawn, {Quoted(*file)}));
    } else if (report.source == ExtractSource::kIcons && count <= 0) {
        status = run.Fail(run.Text(kNoIcons, {Quoted(*file)}));
    } else if (status == kExitSuccess && !report.succeeded) {
        status = run.Fail(run.Text(msg::kCannotWrite, {Quoted(folder), "?"}));
    }
    if (status == kExitSuccess) {
        if (report.source == ExtractSource::kPicture && !report.written.empty())
            console.Progress(run.Text(kWrotePicture, {Quoted(*file), Quoted(report.written.front())}));
        else
            console.Progress(run.Text(kWroteIcons, {std::to_string(report.written.size()), std::to_string(count), Quoted(folder)}));
    }
    if (report.written.empty()) created.RemoveEmpty();
    return status;
}

constexpr OptionSpec kOptions[] = {
    {"-s", "--size", "SIZE", kSizeHelp, OneOf(kSizes)},
    {"-o", "--output", "DIR", kOutputHelp},
};
constexpr OperandSpec kOperands[] = {{"FILE"}};

}  // namespace

const Subcommand kExtractCommand{"extract", kSummary, kDescription, kOptions, kOperands, Run};

}  // namespace icoforge::cli
