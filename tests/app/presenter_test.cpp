#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/board/drawing_board.h"
#include "app/commands/presenter.h"
#include "app/commands/texts.h"
#include "app/commands/window_options.h"
#include "tests/app/recording_ui.h"
#include "tests/app/window_fixtures.h"
#include "common/command_text.h"
#include "iconextract/extract.h"
#include "platform/file_io.h"
#include "tests/support/ico_builder.h"
#include "tests/support/module_builder.h"
#include "tests/support/temp_folder.h"

namespace icoforge {
namespace {

using testing::RecordingUi;
using testing::ModuleWithGroups;
using testing::RedSquareBmp;
using testing::TempFolder;

const std::string kSucceeded = "balloon 7,9 " + std::string(texts::kExtractSucceeded) + " -1 stays";
const std::string kFailed = "balloon 7,9 " + std::string(texts::kExtractFailed) + " -1 stays";
const std::string kNoIcons = "balloon 7,9 " + std::string(texts::kNoIconsFound) + " -1 hides";
std::string Caption(int count) {
    return "caption " + std::string(texts::kCountCaptionStart) + std::to_string(count) + std::string(texts::kCountCaptionEnd);
}

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
        ui.presenter = &presenter;
        presenter.OnCreated();
    }
    std::string Source(const std::string& name, const ByteBuffer& bytes) {
        const std::string path = root.File(name);
        EXPECT_TRUE(WriteWholeFile(path, bytes));
        return path;
    }
    std::string Icon(int n) const { return Utf8FromPath(PathFromUtf8(program) / (std::to_string(n) + ".ico")); }
    // Names a file as the user would, then clicks the extract button with a fresh log.
    void ExtractFrom(const std::string& path) {
        ui.SetEditText(path);
        ui.log.clear();
        presenter.Extract();
    }
};

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
    EXPECT_EQ(FilterWithEnd("a|*.a"), "a|*.a||");
    EXPECT_EQ(FilterWithEnd("a|*.a||"), "a|*.a||");
}

TEST(Presenter, IconSizeFollowsTheFirstCheckedChoiceAndKeepsItWhenNoneIs) {
    Window window;
    EXPECT_EQ(window.presenter.icon_size().width, 32);
    for (const auto& [choice, edge] : {std::pair{IconSizeChoice::Size16, 16}, {IconSizeChoice::Size64, 64},
                                      {IconSizeChoice::Size128, 128}, {IconSizeChoice::Size32, 32}}) {
        window.ui.checked = choice;
        window.presenter.UpdateIconSize();
        EXPECT_EQ(window.presenter.icon_size().width, edge);
        EXPECT_EQ(window.presenter.icon_size().height, edge);
    }
    window.ui.none_checked = true;
    window.presenter.UpdateIconSize();
    EXPECT_EQ(window.presenter.icon_size().width, 32);
}

TEST(Presenter, APathWithoutADotShowsOnlyTheErrorBox) {
    Window window;
    window.ExtractFrom(window.root.File("nodot"));
    EXPECT_EQ(window.ui.log, (std::vector<std::string>{"message " + std::string(texts::kBadPath) + " style 8208 " +
                                                       std::string(texts::kDefaultMessageCaption)}));
    EXPECT_TRUE(window.presenter.last_extracted_path().empty());
    EXPECT_TRUE(std::filesystem::is_empty(PathFromUtf8(window.program)));
}

// Modules count by content whatever their name, so every group is written and the run
// never falls through to the picture case.
TEST(Presenter, AnIconSourceWritesEveryGroupAndReportsSuccessOnce) {
    struct Case {
        std::string name;
        ByteBuffer bytes;
        int groups;
    } cases[] = {
        {"lib.dll", ModuleWithGroups(3), 3},
        {"applet.cpl", ModuleWithGroups(2), 2},
        {"control.OCX", ModuleWithGroups(1), 1},
        {"one.ico", testing::MakeIcoFile({testing::MakeDibImage({})}), 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Window window;
        const std::string source = window.Source(c.name, c.bytes);
        window.ExtractFrom(source);
        EXPECT_EQ(window.ui.log, std::vector<std::string>{kSucceeded});
        for (int n = 1; n <= c.groups; ++n) {
            const std::string reference = window.root.File("reference.ico");
            ExtractIconGroup(source, kModeWriteFile, reference, n);
            EXPECT_EQ(ReadWholeFile(window.Icon(n)), ReadWholeFile(reference)) << n;
        }
        EXPECT_FALSE(FileExists(window.Icon(c.groups + 1)));
        EXPECT_EQ(window.presenter.icons_written().size(), static_cast<std::size_t>(c.groups));
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
        window.ExtractFrom(source);
        EXPECT_EQ(window.ui.log, std::vector<std::string>{kFailed});
        EXPECT_TRUE(window.presenter.icons_written().empty());
    }
}

TEST(Presenter, APictureRunMakesAnIconOfTheChosenSizeAndASecondClickRendersItAgain) {
    Window window;
    window.ui.checked = IconSizeChoice::Size16;
    window.presenter.UpdateIconSize();
    // An icon file of an earlier run is replaced.
    ASSERT_TRUE(WriteWholeFile(window.Icon(1), ByteBuffer{1, 2, 3}));
    const std::string source = window.Source("red.Bmp", RedSquareBmp(10));
    window.ExtractFrom(source);
    EXPECT_EQ(window.ui.log, std::vector<std::string>{kSucceeded});
    const std::string snapshot = window.temporary + "p";
    EXPECT_EQ(window.presenter.current_source_path(), snapshot + ".bmp");
    EXPECT_EQ(window.presenter.last_extracted_path(), source);

    // The snapshot is the board's drawing, 1.ico is built from its conversion with white
    // transparent: red in the middle, the board's background at the edge.
    DrawingBoard board;
    board.SetSize(16, 16);
    board.SetPictureMode(2);
    ASSERT_TRUE(board.SetPicture(RedSquareBmp(10)));
    EXPECT_EQ(ReadWholeFile(snapshot), board.TakeSnapshot(16, 16));
    ASSERT_TRUE(FileExists(snapshot + ".bmp"));
    const auto icon = ReadWholeFile(window.Icon(1));
    ASSERT_TRUE(icon && icon->size() > 22);
    EXPECT_EQ((*icon)[6], 16);
    EXPECT_EQ(GetIconCount(window.Icon(1)), 1);
    EXPECT_EQ(window.presenter.icons_written(), std::vector<std::string>{window.Icon(1)});

    // Again without a change of the edit box: the conversion is counted (no icons) and the
    // picture named in the edit box is drawn again.
    window.ui.log.clear();
    window.presenter.Extract();
    EXPECT_EQ(window.ui.log, std::vector<std::string>{kSucceeded});
    EXPECT_EQ(ReadWholeFile(window.Icon(1)), icon);

    // An undecodable picture still writes its temporary files and 1.ico from the bare
    // background, and fails.
    window.ExtractFrom(window.Source("broken.jpg", ByteBuffer{0xFF, 0xD8, 0xFF, 0x00}));
    EXPECT_EQ(window.ui.log, std::vector<std::string>{kFailed});
    EXPECT_TRUE(FileExists(window.temporary + "g.bmp"));
    EXPECT_EQ(GetIconCount(window.Icon(1)), 1);

    // At shutdown exactly the files the runs wrote go, whatever the edit box says.
    const std::string stranger = window.temporary + "e";
    ASSERT_TRUE(WriteWholeFile(stranger, ByteBuffer{1}));
    window.ui.SetEditText(window.root.File("other.exe"));
    window.presenter.OnDestroying();
    for (const auto* name : {"p", "p.bmp", "g", "g.bmp"}) EXPECT_FALSE(FileExists(window.temporary + name)) << name;
    EXPECT_TRUE(FileExists(stranger));
    EXPECT_TRUE(FileExists(window.Icon(1)));
}

TEST(Presenter, AnUnreadableShortcutEmptiesTheBoxAndReportsTwice) {
    Window window;
    const std::string link = window.root.File("App.LNK");
    window.ui.SetEditText(link);
    const std::vector<std::string> expected = {"edit " + link, "edit ",   Caption(0), "select 0", kNoIcons,
                                               Caption(0),     "select 0", kNoIcons};
    EXPECT_EQ(window.ui.log, expected);
    EXPECT_EQ(window.presenter.current_source_path(), "");
}

// The user's keys run the handler each time but leave the caret alone: selecting the
// whole text would make the next key replace it.
TEST(Presenter, TypingRunsTheHandlerOnEveryKeystrokeWithoutSelecting) {
    Window window;
    const std::string source = window.Source("m.dll", ModuleWithGroups(4));
    for (std::size_t length = 1; length <= source.size(); ++length) {
        window.ui.log.clear();
        window.ui.edit_text = source.substr(0, length);
        window.presenter.OnContentChanged(EditChange::kUser);
        const bool whole = length == source.size();
        std::vector<std::string> expected = {Caption(whole ? 4 : 0)};
        if (!whole) expected.push_back(kNoIcons);
        ASSERT_EQ(window.ui.log, expected);
    }
}

TEST(Presenter, DeleteRemovesTheNumberedIconsOfTheRememberedSourceOnly) {
    Window window;
    window.ExtractFrom(window.Source("seven.exe", ModuleWithGroups(7)));
    ASSERT_TRUE(WriteWholeFile(window.Icon(8), ByteBuffer{1}));
    const std::string confirm = "message " + std::string(texts::kDeleteConfirmation) + " style 8196 " +
                                std::string(texts::kDefaultMessageCaption);

    window.ui.answer = MessageBoxButton::No;
    window.ui.log.clear();
    window.presenter.DeleteIcons();
    EXPECT_EQ(window.ui.log, std::vector<std::string>{confirm});
    EXPECT_TRUE(FileExists(window.Icon(7)));

    window.ui.answer = MessageBoxButton::Yes;
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
    ASSERT_EQ(window.ui.log.size(), 1u);
    const std::string about = AboutText();
    EXPECT_TRUE(about.starts_with("1、"));
    EXPECT_NE(about.find("\r\n2、"), std::string::npos);
    EXPECT_EQ(window.ui.log[0], "message " + about + "\r\n支持查询快捷方式lnk style 8192 " +
                                    std::string(texts::kAboutCaption));
}

TEST(Presenter, SelectFileOffersTheDesktopAndWritesTheChoiceIntoTheBox) {
    Window window;
    window.presenter.SelectFile();  // cancelled
    EXPECT_TRUE(window.ui.log.empty());
    const std::string source = window.Source("m.dll", ModuleWithGroups(2));
    window.ui.chosen_file = source;
    window.presenter.SelectFile();
    EXPECT_EQ(window.ui.log, (std::vector<std::string>{"edit " + source, Caption(2),
                                                       "select " + std::to_string(source.size())}));
    ASSERT_EQ(window.ui.dialogs.size(), 2u);
    const auto& settings = window.ui.dialogs[1];
    EXPECT_EQ(settings.initial_folder, window.root.File("desktop") + "/");
    EXPECT_TRUE(settings.keep_current_directory);
    EXPECT_EQ(settings.flags, 0x180Eu);
    EXPECT_EQ(settings.filter_index, 1);
    EXPECT_EQ(settings.filter, std::string(texts::kOpenFileFilter) + "||");
    EXPECT_EQ(window.ui.dialogs[0].file_name, "");
    EXPECT_EQ(settings.file_name, "");
    window.presenter.SelectFile();
    EXPECT_EQ(window.ui.dialogs[2].file_name, source);

    // Dropped files reach the box the same way.
    window.ui.log.clear();
    window.presenter.OnFilesDropped(source);
    EXPECT_EQ(window.ui.log[1], Caption(2));
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

}  // namespace
}  // namespace icoforge
