// Every command's scenario, once, against the recording window: the presenter decides, the
// windows only carry the decisions to the screen. Expected files come from the tests' own
// fixtures and reader, never from the code under test.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/commands/presenter.h"
#include "app/commands/texts.h"
#include "app/commands/window_description.h"
#include "app/commands/window_options.h"
#include "common/byte_reader.h"
#include "common/command_text.h"
#include "platform/file_io.h"
#include "tests/app/icon_checks.h"
#include "tests/app/recording_ui.h"
#include "tests/app/window_fixtures.h"
#include "tests/support/ico_builder.h"
#include "tests/support/temp_folder.h"

namespace icoforge {
namespace {

using testing::ModuleWithGroups;
using testing::RecordingUi;
using testing::RedSquareBmp;
using testing::TempFolder;
using window::Control;

const std::string kSucceeded = "balloon 7,9 " + std::string(texts::kExtractSucceeded) + " stays";
const std::string kFailed = "balloon 7,9 " + std::string(texts::kExtractFailed) + " stays";
const std::string kNoIcons = "balloon 7,9 " + std::string(texts::kNoIconsFound) + " hides";
const std::string kBadPathBox = "message error " + std::string(texts::kBadPath) + " | 信息：";
const std::string kConfirmBox = "message confirmation " + std::string(texts::kDeleteConfirmation) + " | 信息：";
std::string Caption(int count) { return "caption 发现图标数为：" + std::to_string(count) + "个"; }

// A presenter over a program folder and a temporary folder of the test's own, with the
// window created.
struct Window {
    TempFolder root;
    std::string program = root.File("program");
    std::string temporary = root.File("temp") + "/";
    RecordingUi ui;
    Presenter presenter{ui, {program, temporary, root.File("desktop") + "/"}};

    Window() {
        std::filesystem::create_directory(PathFromUtf8(program));
        std::filesystem::create_directory(PathFromUtf8(root.File("temp")));
        presenter.OnCreated();
    }
    std::string Source(const std::string& name, const ByteBuffer& bytes) {
        const std::string path = root.File(name);
        EXPECT_TRUE(WriteWholeFile(path, bytes));
        return path;
    }
    std::string Icon(int n) const { return Utf8FromPath(PathFromUtf8(program) / (std::to_string(n) + ".ico")); }
    // Names a file as a drop would, then clicks the extract button with a fresh log.
    ExtractReport ExtractFrom(const std::string& path) {
        presenter.OnFilesDropped(path);
        ui.log.clear();
        return presenter.Extract();
    }
};

// The pixel at (x, y) of a 24-bit BMP file, top row 0, as blue, green, red.
std::vector<std::uint8_t> BmpPixel(const ByteBuffer& bmp, int x, int y) {
    const auto width = ReadI32(bmp, 18).value_or(0), height = ReadI32(bmp, 22).value_or(0);
    const std::size_t row = (3 * static_cast<std::size_t>(width) + 3) / 4 * 4;
    const std::size_t at = ReadU32(bmp, 10).value_or(0) + row * static_cast<std::size_t>(height - 1 - y) + 3 * x;
    if (at + 3 > bmp.size()) return {};
    return {bmp[at], bmp[at + 1], bmp[at + 2]};
}

TEST(CommandText, PathRules) {
    struct Case {
        std::string path;
        bool dot;
        bool icon_source;
        std::string letter;
    } cases[] = {
        {"C:\\old.files\\readme", true, false, "e"},  // the dot only in a folder
        {"SETUP.EXE", true, true, "e"},
        {"lib.Dll", true, true, "l"},
        {"x.icl", true, true, "l"},
        {"a.ICO", true, true, "o"},
        {"logo.jpeg", true, false, "g"},
        {"x.Bmp", true, false, "p"},
        {"", false, false, "_"},
        {"noext", false, false, "t"},
        {"photo.\xE5\x9B\xBE", true, false, "_"},  // ends in a multi-byte character
        {"dir.d/", true, false, "_"},
        {"a.b\\", true, false, "_"},
        {"what.is?", true, false, "_"},
        {"trailing.", true, false, "_"},
        {"a.b ", true, false, "_"},
        {"\xE5\x9B\xBE.A", true, false, "a"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(ContainsDot(c.path), c.dot);
        EXPECT_EQ(HasIconSourceExtension(c.path), c.icon_source);
        EXPECT_EQ(TemporaryLetterFor(c.path), c.letter);
    }
    EXPECT_EQ(LastBytes("abc", 4), "abc");
    EXPECT_EQ(LowerAscii("AbZ\xC3\x80"), "abz\xC3\x80");
    EXPECT_TRUE(MentionsShortcut("C:\\Links\\App.LNK"));
    EXPECT_TRUE(MentionsShortcut("C:\\x.Lnk.d\\a.exe"));
    EXPECT_FALSE(MentionsShortcut("C:\\lnk\\a.exe"));
}

// The description against the numbers the window was drawn with: each control in the
// order it is made, as "kind left,top,width,height text", hidden or checked marked.
TEST(WindowDescription, ControlsInTheirOrderWithPlacesTextsAndStates) {
    std::vector<std::string> described;
    for (const auto& c : window::kControls) {
        const auto& r = c.place;
        described.push_back(std::to_string(static_cast<int>(c.kind)) + " " + std::to_string(r.left) + "," +
                            std::to_string(r.top) + "," + std::to_string(r.width) + "," + std::to_string(r.height) +
                            " " + std::string(c.text) + (c.visible ? "" : " hidden") + (c.checked ? " checked" : "") +
                            (c.in_size_group ? " grouped" : ""));
        EXPECT_EQ(&window::DescriptionOf(c.control), &c);
    }
    EXPECT_EQ(described, (std::vector<std::string>{
                             "0 85,37,62,15 128*128 grouped", "0 8,38,62,16 64*64 grouped", "0 8,17,62,15 16*16 grouped",
                             "0 85,17,62,15 32*32 checked grouped", "1 48,-8,32,32  hidden",
                             "2 16,51,168,57 规定大小仅对图像转ICO有效", "3 312,83,80,24 软件说明",
                             "3 208,56,80,24 选择文件", "3 208,83,80,24 删除图标", "3 312,56,80,24 提取图标",
                             "4 16,24,392,20 支持拖放，支持格式 EXE、DLL、ICL、ICO、BMP、LNK、JPG、PNG、GIF......"}));
    EXPECT_EQ(window::kWindowPlace, (window::Rect{50, 50, 426, 154}));
    EXPECT_EQ(window::kBalloonLifetimeMs, 5000u);
    // Schemes 1 to 3 are three looks, 3 the first; every other number is none.
    EXPECT_EQ(window::kStartScheme, 3);
    for (const int off : {-1, 0, 4}) EXPECT_FALSE(window::PaletteOf(off)) << off;
    for (const auto& [a, b] : {std::pair{1, 2}, {2, 3}, {1, 3}})
        EXPECT_NE(window::PaletteOf(a).value().accent, window::PaletteOf(b).value().accent);
}

// Each control's click runs its own command, and only the controls with one run any. A
// size click with nothing checked keeps the size; an extract before any path shows the
// path box's error.
TEST(Presenter, EachClickRunsTheCommandItsControlIsBoundTo) {
    const struct {
        Control control;
        std::optional<IconSizeChoice> checked;
        std::int32_t size;
        std::vector<std::string> log;
    } clicks[] = {
        {Control::kSize16, IconSizeChoice::Size16, 16, {}},   {Control::kSize64, IconSizeChoice::Size64, 64, {}},
        {Control::kSize128, IconSizeChoice::Size128, 128, {}}, {Control::kSize16, std::nullopt, 32, {}},
        {Control::kExtract, {}, 32, {kBadPathBox}},            {Control::kSelectFile, {}, 32, {"dialog"}},
        {Control::kDeleteIcons, {}, 32, {kConfirmBox}},        {Control::kBoard, IconSizeChoice::Size16, 32, {}},
        {Control::kSizeGroup, IconSizeChoice::Size16, 32, {}}, {Control::kPath, IconSizeChoice::Size16, 32, {}},
    };
    for (const auto& click : clicks) {
        SCOPED_TRACE(static_cast<int>(click.control));
        Window window;
        window.ui.none_checked = !click.checked;
        window.ui.checked = click.checked.value_or(IconSizeChoice::Size32);
        window.presenter.OnClicked(click.control);
        EXPECT_EQ(window.ui.log, click.log);
        EXPECT_EQ(window.presenter.icon_size().width, click.size);
        EXPECT_EQ(window.presenter.icon_size().height, click.size);
        // An extract without a path stops at its box: nothing written, nothing remembered.
        EXPECT_TRUE(std::filesystem::is_empty(PathFromUtf8(window.program)));
        EXPECT_TRUE(window.presenter.last_extracted_path().empty());
    }
    Window window;
    window.presenter.OnClicked(Control::kAbout);
    ASSERT_EQ(window.ui.log.size(), 1u);
    EXPECT_TRUE(window.ui.log[0].starts_with("message information 1、")) << window.ui.log[0];
}

// Modules count by content whatever their name, so every group is written and the run
// never falls through to the picture case. Each group file holds its one image unchanged.
TEST(Presenter, AnIconSourceWritesEveryGroupAndReportsSuccessOnce) {
    struct Case {
        std::string name;
        ByteBuffer bytes;
        int groups;
    } cases[] = {
        {"lib.dll", ModuleWithGroups(3), 3},
        {"applet.cpl", ModuleWithGroups(2), 2},
        {"control.OCX", ModuleWithGroups(1), 1},
        {"one.ico", testing::MakeIcoFile({testing::ModuleGroupImage(1)}), 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Window window;
        const std::string source = window.Source(c.name, c.bytes);
        const ExtractReport report = window.ExtractFrom(source);
        EXPECT_EQ(window.ui.log, std::vector<std::string>{kSucceeded});
        std::vector<std::string> icons;
        for (int n = 1; n <= c.groups; ++n) {
            icons.push_back(window.Icon(n));
            const auto images = testing::IcoImages(ReadWholeFile(window.Icon(n)).value_or(ByteBuffer{}));
            EXPECT_EQ(images, std::vector<ByteBuffer>{testing::ModuleGroupImage(static_cast<std::uint8_t>(n))}) << n;
        }
        EXPECT_FALSE(FileExists(window.Icon(c.groups + 1)));
        EXPECT_EQ(report.source, ExtractSource::kIcons);
        EXPECT_TRUE(report.succeeded);
        EXPECT_EQ(report.written, icons);
        EXPECT_EQ(window.presenter.icons_written(), icons);
        EXPECT_EQ(window.presenter.last_extracted_path(), source);
        EXPECT_EQ(window.presenter.current_source_path(), source);
        EXPECT_TRUE(std::filesystem::is_empty(PathFromUtf8(window.root.File("temp"))));
    }
}

TEST(Presenter, NothingWrittenIsAFailureForModulesAndPictures) {
    for (const bool picture : {false, true}) {
        SCOPED_TRACE(picture ? "picture" : "module");
        Window window;
        std::filesystem::remove(PathFromUtf8(window.program));
        const std::string source = picture ? window.Source("red.bmp", RedSquareBmp(8))
                                           : window.Source("lib.dll", ModuleWithGroups(2));
        const ExtractReport report = window.ExtractFrom(source);
        EXPECT_EQ(window.ui.log, std::vector<std::string>{kFailed});
        EXPECT_FALSE(report.succeeded);
        EXPECT_FALSE(report.failures.empty());
        EXPECT_TRUE(window.presenter.icons_written().empty());
    }
}

TEST(Presenter, APictureRunMakesAnIconOfTheChosenSizeAndASecondClickRendersItAgain) {
    Window window;
    window.ui.checked = IconSizeChoice::Size16;
    window.presenter.UpdateIconSize();
    // An icon file of an earlier run is replaced.
    ASSERT_TRUE(WriteWholeFile(window.Icon(1), ByteBuffer{1, 2, 3}));
    // 14 x 14 fills the 16 x 16 board's drawing area exactly: the snapshot is all red.
    const std::string source = window.Source("red.Bmp", RedSquareBmp(14));
    const ExtractReport report = window.ExtractFrom(source);
    EXPECT_EQ(window.ui.log, std::vector<std::string>{kSucceeded});
    EXPECT_EQ(report.source, ExtractSource::kPicture);
    EXPECT_TRUE(report.succeeded && report.picture_drawn);
    EXPECT_EQ(report.written, std::vector<std::string>{window.Icon(1)});
    const std::string snapshot = window.temporary + "p";
    EXPECT_EQ(window.presenter.current_source_path(), snapshot + ".bmp");
    EXPECT_EQ(window.presenter.last_extracted_path(), source);

    const ByteBuffer shot = ReadWholeFile(snapshot).value_or(ByteBuffer{});
    ASSERT_EQ(shot.size(), 54u + 16 * 48);
    EXPECT_EQ(ReadU16(shot, 0), 0x4D42);  // "BM"
    EXPECT_EQ(ReadU32(shot, 2), shot.size());
    EXPECT_EQ(ReadU32(shot, 10), 54u);
    EXPECT_EQ(ReadI32(shot, 18), 16);
    EXPECT_EQ(ReadI32(shot, 22), 16);
    EXPECT_EQ(ReadU16(shot, 28), 24);
    for (std::size_t i = 54; i < shot.size(); i += 3)
        ASSERT_EQ(ByteBuffer(shot.begin() + i, shot.begin() + i + 3), (ByteBuffer{0x00, 0x00, 0xFF})) << i;
    ASSERT_TRUE(FileExists(snapshot + ".bmp"));
    const ByteBuffer icon = ReadWholeFile(window.Icon(1)).value_or(ByteBuffer{});
    testing::ExpectIconOfSnapshot(icon, shot, 16);

    // Again without a change of the edit box: the conversion is counted (no icons) and the
    // picture named in the edit box is drawn again.
    window.ui.log.clear();
    window.presenter.Extract();
    EXPECT_EQ(window.ui.log, std::vector<std::string>{kSucceeded});
    EXPECT_EQ(ReadWholeFile(window.Icon(1)), icon);

    // Fitted at 32: a 60 x 30 picture is shrunk to 30 x 15 in the middle of the 30 x 30
    // area, so the top edge shows the board's background and the middle the picture.
    window.ui.checked = IconSizeChoice::Size32;
    window.presenter.UpdateIconSize();
    BoardImage wide(60, 30);
    for (std::size_t i = 0; i < wide.bgra.size(); i += 4) wide.bgra[i + 2] = wide.bgra[i + 3] = 0xFF;
    window.ExtractFrom(window.Source("wide.bmp", BmpFileOf(wide)));
    const ByteBuffer fitted = ReadWholeFile(snapshot).value_or(ByteBuffer{});
    EXPECT_EQ(BmpPixel(fitted, 16, 1), (std::vector<std::uint8_t>{0xF0, 0xF0, 0xF0}));
    EXPECT_EQ(BmpPixel(fitted, 16, 16), (std::vector<std::uint8_t>{0x00, 0x00, 0xFF}));
    testing::ExpectIconOfSnapshot(ReadWholeFile(window.Icon(1)).value_or(ByteBuffer{}), fitted, 32);

    // An undecodable picture still writes its temporary files and 1.ico from the bare
    // background, and fails.
    const ExtractReport broken = window.ExtractFrom(window.Source("broken.jpg", ByteBuffer{0xFF, 0xD8, 0xFF, 0x00}));
    EXPECT_EQ(window.ui.log, std::vector<std::string>{kFailed});
    EXPECT_FALSE(broken.picture_drawn);
    EXPECT_TRUE(FileExists(window.temporary + "g.bmp"));
    EXPECT_EQ(testing::IcoImages(ReadWholeFile(window.Icon(1)).value_or(ByteBuffer{})).size(), 1u);

    // At shutdown exactly the files the runs wrote go, whatever the edit box says.
    const std::string stranger = window.temporary + "e";
    ASSERT_TRUE(WriteWholeFile(stranger, ByteBuffer{1}));
    window.presenter.OnFilesDropped(window.root.File("other.exe"));
    window.presenter.OnDestroying();
    for (const auto* name : {"p", "p.bmp", "g", "g.bmp"}) EXPECT_FALSE(FileExists(window.temporary + name)) << name;
    EXPECT_TRUE(FileExists(stranger));
    EXPECT_TRUE(FileExists(window.Icon(1)));
}

TEST(Presenter, AnUnreadableShortcutEmptiesTheBoxAndReportsTwice) {
    Window window;
    const std::string link = window.root.File("App.LNK");
    window.presenter.OnFilesDropped(link);
    const std::vector<std::string> expected = {"edit " + link, "edit ",   Caption(0), "select 0", kNoIcons,
                                               Caption(0),     "select 0", kNoIcons};
    EXPECT_EQ(window.ui.log, expected);
    EXPECT_EQ(window.presenter.current_source_path(), "");
}

// The user's keys run the handler each time but leave the caret alone: selecting the
// whole text would make the next key replace it. The key that completes a path with icons
// takes down the no-icons balloon the key before it showed, which would contradict the
// caption.
TEST(Presenter, TypingRunsTheHandlerOnEveryKeystrokeAndTheKeyThatFindsIconsTakesItsBalloonDown) {
    Window window;
    const std::string source = window.Source("m.dll", ModuleWithGroups(4));
    for (std::size_t length = 1; length <= source.size(); ++length) {
        window.ui.log.clear();
        window.ui.edit_text = source.substr(0, length);
        window.presenter.OnUserEdit();
        const bool whole = length == source.size();
        const std::vector<std::string> expected =
            whole ? std::vector<std::string>{Caption(4), "hide balloon"} : std::vector<std::string>{Caption(0), kNoIcons};
        ASSERT_EQ(window.ui.log, expected) << length;
    }
    // Only the no-icons balloon goes: an extract's stays beside a caption that counts.
    window.ui.log.clear();
    window.presenter.OnUserEdit();
    EXPECT_EQ(window.ui.log, std::vector<std::string>{Caption(4)});
    window.presenter.Extract();
    window.ui.log.clear();
    window.presenter.OnUserEdit();
    EXPECT_EQ(window.ui.log, std::vector<std::string>{Caption(4)});
}

TEST(Presenter, DeleteRemovesTheNumberedIconsOfTheRememberedSourceOnlyAfterYes) {
    Window window;
    window.ExtractFrom(window.Source("seven.exe", ModuleWithGroups(7)));
    ASSERT_TRUE(WriteWholeFile(window.Icon(8), ByteBuffer{1}));

    for (const MessageAnswer refused : {MessageAnswer::kNo, MessageAnswer::kOk}) {
        window.ui.answer = refused;
        window.ui.log.clear();
        window.presenter.DeleteIcons();
        EXPECT_EQ(window.ui.log, std::vector<std::string>{kConfirmBox});
        EXPECT_TRUE(FileExists(window.Icon(7)));
    }

    window.ui.answer = MessageAnswer::kYes;
    window.presenter.DeleteIcons();
    for (int n = 1; n <= 7; ++n) EXPECT_FALSE(FileExists(window.Icon(n))) << n;
    EXPECT_TRUE(FileExists(window.Icon(8)));
    EXPECT_EQ(window.presenter.last_extracted_path(), "");

    // A picture source holds no icons: its 1.ico stays.
    window.ExtractFrom(window.Source("red.bmp", RedSquareBmp(4)));
    window.presenter.DeleteIcons();
    EXPECT_TRUE(FileExists(window.Icon(1)));
    EXPECT_EQ(window.presenter.last_extracted_path(), window.root.File("red.bmp"));
}

TEST(Presenter, AboutShowsTheNumberedTextWithItsFixedEnding) {
    Window window;
    window.presenter.ShowAbout();
    const std::string about = AboutText();
    EXPECT_TRUE(about.starts_with("1、"));
    EXPECT_NE(about.find("\r\n2、"), std::string::npos);
    EXPECT_EQ(window.ui.log, std::vector<std::string>{"message information " + about +
                                                      "\r\n支持查询快捷方式lnk | 作者编语，初次使用请看第 1、2 条说明~"});
}

TEST(Presenter, SelectFileOffersTheDesktopAndWritesTheChoiceIntoTheBox) {
    Window window;
    window.presenter.SelectFile();  // cancelled
    EXPECT_EQ(window.ui.log, std::vector<std::string>{"dialog"});
    const std::string source = window.Source("m.dll", ModuleWithGroups(2));
    window.ui.chosen_file = source;
    window.ui.log.clear();
    window.presenter.SelectFile();
    EXPECT_EQ(window.ui.log, (std::vector<std::string>{"dialog", "edit " + source, Caption(2),
                                                       "select " + std::to_string(source.size())}));
    window.presenter.SelectFile();
    ASSERT_EQ(window.ui.dialogs.size(), 3u);
    EXPECT_EQ(window.ui.dialogs[0].file_name, "");
    EXPECT_EQ(window.ui.dialogs[1].file_name, "");
    EXPECT_EQ(window.ui.dialogs[2].file_name, source);
    const auto& settings = window.ui.dialogs[1];
    EXPECT_EQ(settings.initial_folder, window.root.File("desktop") + "/");
    // The choices, written out as pairs of label and patterns.
    std::string pairs;
    for (const FileFilter& filter : settings.filters) {
        pairs += std::string(filter.label) + "|";
        for (std::size_t i = 0; i < filter.patterns.size(); ++i)
            pairs += (i == 0 ? "" : ";") + std::string(filter.patterns[i]);
        pairs += "|";
    }
    EXPECT_EQ(pairs,
              "可执行文件（*.exe)|*.exe|动态链接库（*.dll）|*.dll|图标资源库（*.icl）|*.icl|"
              "图像文件(*.bmp;*.jpg;*.jpeg;*.gif;*.ico)|*.bmp;*.jpg;*.jpeg;*.gif;*.ico|所有文件(*.*)|*.*|");
}

TEST(WindowOptions, OutputFolderAndFile) {
    struct Case {
        std::vector<std::string> args;
        std::string output, file, error;
    };
    const Case cases[] = {
        {{}, "", "", ""},
        {{"a.dll"}, "", "a.dll", ""},
        {{"--output", "/o", "a.dll"}, "/o", "a.dll", ""},
        {{"-o", "/o"}, "/o", "", ""},
        {{"--output=/o", "--", "-x.dll"}, "/o", "-x.dll", ""},
        {{"--output"}, "", "", "--output needs a folder"},
        {{"--output="}, "", "", "--output needs a folder"},
        {{"--bogus"}, "", "", "unknown option '--bogus'"},
        {{"a", "b"}, "", "", "only one FILE can be given"},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseWindowOptions(c.args);
        if (c.error.empty()) {
            ASSERT_TRUE(std::holds_alternative<WindowOptions>(parsed)) << c.args.size();
            EXPECT_EQ(std::get<WindowOptions>(parsed).output_folder, c.output);
            EXPECT_EQ(std::get<WindowOptions>(parsed).file, c.file);
        } else {
            ASSERT_TRUE(std::holds_alternative<WindowUsageError>(parsed)) << c.error;
            EXPECT_EQ(std::get<WindowUsageError>(parsed).message, c.error);
        }
    }
}

// FILE and DIR are named from where the user stood; DIR is made, and becomes the current
// directory, which the program's own folder becomes without it.
TEST(WindowStart, NamesAreMadeAbsoluteBeforeTheProgramFolderBecomesCurrent) {
    TempFolder root;
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(PathFromUtf8(root.File("")));
    const std::filesystem::path here = std::filesystem::current_path();
    const WindowStart named = PrepareWindowStart({.output_folder = "out/a/", .file = "x.dll"}, "/unused");
    const auto moved_to = std::filesystem::current_path();
    std::filesystem::current_path(here);
    const WindowStart plain = PrepareWindowStart({}, Utf8FromPath(here));
    std::filesystem::current_path(before);

    EXPECT_EQ(PathFromUtf8(named.file), here / "x.dll");
    EXPECT_EQ(PathFromUtf8(named.folders.program), here / "out" / "a");
    EXPECT_TRUE(std::filesystem::is_directory(here / "out" / "a"));
    EXPECT_EQ(moved_to, here / "out" / "a");
    EXPECT_FALSE(named.folders.temporary.empty());
    EXPECT_EQ(plain.folders.program, Utf8FromPath(here));
    EXPECT_EQ(plain.file, "");
}

}  // namespace
}  // namespace icoforge
