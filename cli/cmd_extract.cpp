#include <algorithm>
#include <filesystem>
#include <string>

#include "app/commands/presenter.h"
#include "cli/catalogue_tool.h"
#include "cli/commands.h"
#include "cli/created_folders.h"
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
    "the reason) or the picture could not be drawn (then no icon is kept).\n"
    "\n"
    "Any of --names, --cursors, --all, --png, --group, --lang and --orphans, or more than one\n"
    "FILE, reads each FILE's catalogue instead (see `icoforge list`) and writes every language\n"
    "variant of every group chosen: icons as .ico, cursors as .cur with their hot spots,\n"
    "animations as .ani exactly as stored. Files are numbered as `group` counts (1.ico, 1.cur,\n"
    "icon-1.ani for an animated icon), or with --names named after the module and the resource.\n"
    "Several FILEs go to DIR/FILENAME/ each, or all into DIR with --names.",
    "对 FILE 做窗口中“提取图标”按钮所做的事：Windows 模块或图标文件的每个图标组写成\n"
    "DIR/1.ico、DIR/2.ico……；其他文件当作图片画在 SIZE 像素的方块上，写成 DIR/1.ico。\n"
    "快捷方式按其目标处理。DIR 不存在时会创建，什么也没写进去时再删除。输出写入的图标文件；\n"
    "有文件无法写入（逐个列出并说明原因）或图片无法绘制（此时不保留图标）时退出状态为 1。\n"
    "\n"
    "给出 --names、--cursors、--all、--png、--group、--lang、--orphans 中任一选项，或给出多个\n"
    "FILE 时，改为读取每个 FILE 的目录（见 `icoforge list`），写出所选每个图标组的每个语言版本：\n"
    "图标写成 .ico，光标连同热点写成 .cur，动画按原样写成 .ani。文件按 `group` 的序号命名\n"
    "（1.ico、1.cur，动画图标为 icon-1.ani），使用 --names 时按模块名和资源名命名。多个 FILE\n"
    "各自写入 DIR/FILENAME/，使用 --names 时全部写入 DIR。"};
constexpr Message kNamesHelp{"name the files after the module and the resource (shell32-3.ico), with the language where a name has several",
                             "按模块名和资源名命名文件（shell32-3.ico），同名有多个语言版本时附上语言"};
constexpr Message kCursorsHelp{"cursor groups as .cur and animated cursors as .ani, instead of icons",
                               "改为写出光标组（.cur）和动画光标（.ani），不写图标"};
constexpr Message kAllHelp{"icons, cursors, animated icons and animated cursors", "图标、光标、动画图标和动画光标全部写出"};
constexpr Message kPngHelp{"each image of each group as a PNG with alpha instead", "改为把每组的每幅图像写成带透明度的 PNG"};
constexpr Message kGroupHelp{"only the group of this id or name (letter case ignored)", "只写出此编号或名称的图标组（不分大小写）"};
constexpr Message kLangHelp{"only the variants of this language id (1033 for US English)", "只写出此语言编号的版本（美国英语为 1033）"};
constexpr Message kOrphansHelp{"also the images no group names, each as a one-image file", "同时写出没有图标组引用的图像，每幅一个文件"};
constexpr Message kSizeWithCatalogue{"--size draws a picture as an icon; it does not go with the catalogue's options",
                                     "--size 用于把图片画成图标，不能与目录选项同用"};
constexpr Message kSizeHelp{"the edge of an icon made from a picture: 16, 32 (default), 64 or 128",
                            "由图片生成的图标边长：16、32（默认）、64 或 128"};
constexpr Message kOutputHelp{"the folder for the icons (default: the current folder)", "存放图标的文件夹（默认：当前文件夹）"};
constexpr Message kHoldsIcons{"{1} holds {2} icons", "{1} 含有 {2} 个图标"};
constexpr Message kHoldsOneIcon{"{1} holds 1 icon", "{1} 含有 1 个图标"};
constexpr Message kNoIconMade{"cannot make an icon of {1}", "无法用 {1} 生成图标"};
constexpr Message kAsPicture{"{1} holds no icons: it is drawn as a picture", "{1} 不含图标：把它当作图片绘制"};
constexpr Message kWroteIcons{"wrote {1} of {2} icons to {3}", "已把 {2} 个图标中的 {1} 个写入 {3}"};
constexpr Message kWrotePicture{"turned {1} into the icon {2}", "已把 {1} 做成图标 {2}"};
constexpr Message kNoDot{"cannot extract {1}: the path has no dot, so it names neither an icon source nor a picture",
                         "无法提取 {1}：路径中没有点号，既不是图标来源也不是图片"};
constexpr Message kNoIcons{"{1} holds no icons", "{1} 不含图标"};
constexpr Message kNotDrawn{"cannot draw {1}: not a picture that can be read, or damaged; no icon was kept",
                            "无法绘制 {1}：不是可读的图片或已损坏；没有保留图标"};

constexpr std::string_view kSizes[] = {"16", "32", "64", "128"};

// The command line's window: nothing is shown, as the command line tells the outcome
// from the presenter's report in its own words; the edit box is a text.
class ConsoleUi : public Ui {
public:
    explicit ConsoleUi(IconSizeChoice size) : size_(size) {}

    void SetCaption(std::string_view) override {}
    std::string EditText() const override { return edit_text_; }
    void SetEditText(std::string_view text) override { edit_text_ = text; }
    void SelectEditText(std::int32_t) override {}
    bool IsSizeChecked(IconSizeChoice choice) const override { return choice == size_; }
    // The window's Message, not the catalogue's of this namespace.
    MessageAnswer ShowMessage(const icoforge::Message&) override { return MessageAnswer::kOk; }
    void ShowBalloon(ScreenPoint, std::string_view, BalloonLife) override {}
    void HideBalloon() override {}
    ScreenPoint MousePosition() const override { return {}; }
    std::optional<std::string> ShowOpenFileDialog(const OpenFileDialogSettings&) override { return std::nullopt; }
    // A true-colour screen: pictures are shrunk with halftone quality.
    std::int32_t ScreenBitsPerPixel() const override { return 32; }

private:
    IconSizeChoice size_;
    std::string edit_text_;
};

IconSizeChoice SizeChoiceOf(std::string_view text) {
    if (text == "16") return IconSizeChoice::Size16;
    if (text == "64") return IconSizeChoice::Size64;
    if (text == "128") return IconSizeChoice::Size128;
    return IconSizeChoice::Size32;
}

constexpr std::string_view kCatalogueOptions[] = {"--names", "--cursors", "--all", "--png",
                                                  "--group", "--lang",    "--orphans"};

int RunCatalogue(const Invocation& run) {
    if (run.Has("--size")) return run.UsageError(run.Text(kSizeWithCatalogue));
    if (run.Has("--cursors") && run.Has("--all")) return run.UsageError(run.Text(msg::kOptionsConflict, {"--cursors", "--all"}));
    ExtractRequest request;
    request.files = run.Operands("FILE");
    request.folder = run.Value("--output").value_or(".");
    request.names = run.Has("--names");
    request.png = run.Has("--png");
    request.orphans = run.Has("--orphans");
    if (run.Has("--cursors")) request.icons = false, request.cursors = true;
    if (run.Has("--all")) request.cursors = true, request.animated_icons = true;
    request.group = run.Value("--group");
    if (request.group && request.group->empty()) return run.UsageError(run.Text(msg::kNeedsValue, {"--group"}));
    if (const auto language = run.Number("--lang")) request.language = static_cast<std::uint16_t>(*language);
    return ExtractFiles(run, request);
}

int Run(const Invocation& run) {
    bool catalogue = run.Operands("FILE").size() > 1;
    for (const auto option : kCatalogueOptions) catalogue = catalogue || run.Has(option);
    if (catalogue) return RunCatalogue(run);
    Console& console = run.console();
    const std::string& named = run.Operands("FILE").front();
    const std::string folder = run.Value("--output").value_or(".");
    const auto file = FileBehindShortcut(run, named);
    if (!file) return kExitFailure;
    CreatedFolders created;
    if (std::error_code ec; !created.Create(folder, ec)) return run.Fail(run.Text(msg::kCreateFolder, {Quoted(folder), ec.message()}));

    ConsoleUi ui(SizeChoiceOf(run.Value("--size").value_or("32")));
    Presenter presenter(ui, SystemFolders(folder));
    presenter.OnCreated();
    presenter.OpenFile(*file);
    ExtractReport report = presenter.Extract();
    const std::int32_t count = report.icon_count;
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
        console.Progress(run.Text(count == 1 ? kHoldsOneIcon : kHoldsIcons, {Quoted(*file), std::to_string(count)}));
    } else if (report.source == ExtractSource::kPicture) {
        console.Detail(run.Text(kAsPicture, {Quoted(*file)}));
    }
    for (const auto& path : report.written) {
        console.Path(path);
        console.Detail(run.Text(msg::kWrote, {Quoted(path)}));
    }
    for (const auto& failure : report.failures) {
        // An icon file the extractor does not take by its name is drawn as a picture into
        // the same 1.ico: the picture run stands or fails by itself.
        if (report.source == ExtractSource::kPicture && failure.what == "read") continue;
        if (std::ranges::find(report.written, failure.path) != report.written.end()) continue;
        status = Report(run, failure);
    }
    if (report.source == ExtractSource::kPicture && !report.picture_drawn) {
        status = run.Fail(run.Text(kNotDrawn, {Quoted(*file)}));
    } else if (report.source == ExtractSource::kIcons && count <= 0) {
        status = run.Fail(run.Text(kNoIcons, {Quoted(*file)}));
    } else if (status == kExitSuccess && !report.succeeded) {
        // The builders made nothing of a picture that was drawn: the window leaves 1.ico
        // empty, which is no icon.
        if (report.source == ExtractSource::kPicture && report.written.empty())
            RemoveFile(Utf8FromPath(PathFromUtf8(folder) / "1.ico"));
        status = run.Fail(run.Text(kNoIconMade, {Quoted(*file)}));
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

constexpr OptionRow kOptions[] = {
    {"-s", "--size", "SIZE", kSizeHelp, OneOf(kSizes)},
    {"-o", "--output", "DIR", kOutputHelp},
    {"", "--names", "", kNamesHelp},
    {"", "--cursors", "", kCursorsHelp},
    {"", "--all", "", kAllHelp},
    {"", "--png", "", kPngHelp},
    {"", "--group", "ID|NAME", kGroupHelp},
    {"", "--lang", "ID", kLangHelp, NumberFrom(0, 0xFFFF)},
    {"", "--orphans", "", kOrphansHelp},
};
constexpr OperandRow kOperands[] = {{"FILE", Arity::kOneOrMore}};

}  // namespace

const Subcommand kExtractCommand{"extract", kSummary, kDescription, kOptions, kOperands, Run};

}  // namespace icoforge::cli
