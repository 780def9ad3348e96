#include "platform/shell_services.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "common/path.h"
#include "link_builder.h"
#include "platform/file_io.h"
#include "platform/xdg_folders.h"
#include "tests/support/host.h"
#include "tests/support/temp_folder.h"

namespace icoforge {
namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

using testing::TempFolder;

// The temporary special folder is made inside the system's temporary folder and kept, as
// a user's is; pointing the system at a private folder for this program leaves nothing
// behind in the shared one.
class PrivateSystemTemp : public ::testing::Environment {
public:
    void SetUp() override {
        folder_.emplace();
        testing::SetSystemTempFolder(Utf8FromPath(folder_->path()));
    }
    void TearDown() override { folder_.reset(); }

private:
    std::optional<TempFolder> folder_;
};
[[maybe_unused]] const auto* const kPrivateTemp = ::testing::AddGlobalTestEnvironment(new PrivateSystemTemp);

TEST(ShellPaths, FolderPathsEndInTheSeparatorAndFitTheBuffer) {
    EXPECT_EQ(FinishFolderPath("C:\\Users\\me\\Desktop", '\\'), "C:\\Users\\me\\Desktop\\");
    EXPECT_EQ(FinishFolderPath("C:\\Temp\\", '\\'), "C:\\Temp\\");
    EXPECT_EQ(FinishFolderPath("", '\\'), "");
    // 259 units leave no room for the separator; 258 do, and 259 that end in it pass.
    EXPECT_EQ(FinishFolderPath(std::string(259, 'a'), '/'), "");
    EXPECT_EQ(FinishFolderPath(std::string(258, 'a'), '/'), std::string(258, 'a') + "/");
    EXPECT_EQ(FinishFolderPath(std::string(258, 'a') + "/", '/'), std::string(258, 'a') + "/");
    // Measured in UTF-16 units, as Windows' buffer holds them: 129 two-byte letters fit.
    std::string wide_letters;
    for (int i = 0; i < 129; ++i) wide_letters += "\xC3\xA9";
    EXPECT_EQ(FinishFolderPath(wide_letters, '/'), wide_letters + "/");
}

TEST(ShellPaths, LoadPathAddsTheExtensionOnlyWithoutADot) {
    EXPECT_EQ(ShortcutLoadPath("C:\\links\\tool.lnk"), "C:\\links\\tool.lnk");
    EXPECT_EQ(ShortcutLoadPath("C:\\v1.2\\tool"), "C:\\v1.2\\tool");
    EXPECT_EQ(ShortcutLoadPath("/home/me/tool"), "/home/me/tool.lnk");
    EXPECT_EQ(ShortcutLoadPath(std::string(255, 'p')), std::string(255, 'p') + ".lnk");
    EXPECT_EQ(ShortcutLoadPath(std::string(256, 'p')), "");
    EXPECT_EQ(CopyToHostText(""), "");
    EXPECT_EQ(CopyToHostText("x\xC3\xA9"), "x\xC3\xA9");
}

TEST(ShellPaths, LinkAttributeFollowsTheExtension) {
    EXPECT_TRUE(HasShortcutExtension("C:\\a\\Tool.LNK"));
    EXPECT_TRUE(HasShortcutExtension("/a/b.lnk"));
    EXPECT_TRUE(HasShortcutExtension(".lnk"));
    EXPECT_FALSE(HasShortcutExtension("/a/b.lnk.txt"));
    EXPECT_FALSE(HasShortcutExtension("/a.lnk/b"));
    EXPECT_FALSE(HasShortcutExtension("lnk"));
}

TEST(SpecialFolders, NumbersOutsideTheTableAreEmpty) {
    for (std::int32_t number : {0, 12, -1, 1000, INT32_MIN}) EXPECT_EQ(GetSpecialFolder(number), "") << number;
}

TEST(SpecialFolders, TemporaryAndDesktopFolders) {
    const std::string temp = GetSpecialFolder(11);
    ASSERT_FALSE(temp.empty());
    EXPECT_EQ(temp.back(), kSeparator);
    EXPECT_TRUE(std::filesystem::is_directory(PathFromUtf8(temp)));
    const std::string desktop = GetSpecialFolder(3);
    if (!desktop.empty()) {
        EXPECT_EQ(desktop.back(), kSeparator);
        EXPECT_NE(desktop.size() >= 2 ? desktop[desktop.size() - 2] : 'x', kSeparator);
    }
}

#ifndef _WIN32
TEST(SpecialFolders, PrivateTemporaryFolderOnPosix) {
    const std::string temp = GetSpecialFolder(11);
    ASSERT_FALSE(temp.empty());
    const auto perms = std::filesystem::status(temp).permissions();
    EXPECT_EQ(perms & (std::filesystem::perms::group_all | std::filesystem::perms::others_all),
              std::filesystem::perms::none);
    EXPECT_EQ(GetSpecialFolder(9), "");
    EXPECT_EQ(GetSpecialFolder(10), "");
    EXPECT_EQ(GetSpecialFolder(2), "");
}
#endif

TEST(XdgFolders, UserDirsAndDefaults) {
    XdgPlaces places;
    places.home = "/home/ann";
    places.user_dirs =
        "# written by xdg-user-dirs-update\n"
        "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
        "XDG_DOCUMENTS_DIR=\"/data/ann docs/\"\n"
        "XDG_MUSIC_DIR=\"$HOME/Musik\"\n";
    EXPECT_EQ(XdgFolder(3, places), "/home/ann/Schreibtisch");
    EXPECT_EQ(XdgFolder(1, places), "/data/ann docs");
    EXPECT_EQ(XdgFolder(4, places), "/home/ann/.local/share/fonts");
    EXPECT_EQ(XdgFolder(5, places), "/home/ann/.local/share/applications");
    EXPECT_EQ(XdgFolder(6, places), "/home/ann/.local/share/applications");
    EXPECT_EQ(XdgFolder(7, places), "/home/ann/.config/autostart");
    EXPECT_EQ(XdgFolder(8, places), "/home/ann/.local/share");
    for (std::int32_t none : {2, 9, 10, 11, 0, 12}) EXPECT_EQ(XdgFolder(none, places), "") << none;
    // Absolute XDG homes are taken; relative ones are ignored, as the XDG rules say.
    places.data_home = "/srv/data";
    places.config_home = "relative/config";
    EXPECT_EQ(XdgFolder(4, places), "/srv/data/fonts");
    EXPECT_EQ(XdgFolder(7, places), "/home/ann/.config/autostart");
    // Unset user dirs: the desktop defaults to ~/Desktop, the others to home.
    places.user_dirs.clear();
    EXPECT_EQ(XdgFolder(3, places), "/home/ann/Desktop");
    EXPECT_EQ(XdgFolder(1, places), "/home/ann");
    // Without a home nothing home-based is guessed.
    EXPECT_EQ(XdgFolder(1, XdgPlaces{}), "");
}

TEST(XdgFolders, UserDirsLinesThatDoNotCount) {
    const std::string text =
        "XDG_DESKTOP_DIR=\"relative/desk\"\n"
        "XDG_DESKTOP_DIR=\"$HOME/unterminated\n"
        "  XDG_DESKTOP_DIR=\"$HOME/with \\\"quote\\\"\"\n"
        "XDG_DESKTOP_DIRX=\"$HOME/other\"\n";
    EXPECT_EQ(UserDirFromConfig(text, "XDG_DESKTOP_DIR", "/h"), "/h/with \"quote\"");
    EXPECT_EQ(UserDirFromConfig("XDG_DESKTOP_DIR=\"$HOME\"", "XDG_DESKTOP_DIR", "/h"), "/h");
    EXPECT_EQ(UserDirFromConfig("XDG_DESKTOP_DIR=\"$HOME/x\"", "XDG_DESKTOP_DIR", ""), "");
}

TEST(ResolveShortcut, StoredTargetWhetherOrNotItExists) {
    ShellSession session;
    ASSERT_TRUE(session.ok());
    TempFolder folder;
    const std::string target = folder.File("target file.txt");
    ASSERT_TRUE(WriteWholeFile(target, ByteView()));
    // The link names the target by its Windows path; on Windows it is the real file.
    const std::string windows_target = "C:\\stored\\target file.txt";
    testing::LinkShape shape;
    shape.drive = "C:\\";
    shape.entries = {{"stored", u""}, {"TARGET~1.TXT", u"target file.txt", 9, false, false}};
    shape.base_path = windows_target;
    const std::string link = folder.File("Target.lnk");
    ASSERT_TRUE(WriteWholeFile(link, testing::BuildLink(shape)));
    EXPECT_EQ(ResolveShortcut(link), windows_target);
    // Upper-case extension, non-ASCII link name.
    const std::string other = folder.File("\xC3\x9C" "bersicht.LNK");
    ASSERT_TRUE(WriteWholeFile(other, testing::BuildLink(shape)));
    EXPECT_EQ(ResolveShortcut(other), windows_target);
}

TEST(ResolveShortcut, LinkToARealFileKeepsItsPathAfterTheFileIsGone) {
    ShellSession session;
    TempFolder folder;
    const std::string target = folder.File("present.txt");
    ASSERT_TRUE(WriteWholeFile(target, ByteView()));
    testing::LinkShape shape;
    shape.base_path = target;  // ASCII, so its ANSI form is the same text
    const std::string link = folder.File("present.lnk");
    ASSERT_TRUE(WriteWholeFile(link, testing::BuildLink(shape)));
    EXPECT_EQ(ResolveShortcut(link), target);
    ASSERT_TRUE(RemoveFile(target));
    EXPECT_EQ(ResolveShortcut(link), target);
}

TEST(ResolveShortcut, WhatIsNotAShellLinkGivesNothing) {
    ShellSession session;
    TempFolder folder;
    testing::LinkShape shape;
    shape.drive = "C:\\";
    shape.base_path = "C:\\x.txt";
    const ByteBuffer link_bytes = testing::BuildLink(shape);
    // A real link under a name without the .lnk extension is not taken for one.
    const std::string named_txt = folder.File("notes.lnk.txt");
    ASSERT_TRUE(WriteWholeFile(named_txt, link_bytes));
    EXPECT_EQ(ResolveShortcut(named_txt), "");
    // A .lnk file that holds something else.
    const std::string fake = folder.File("fake.lnk");
    const std::string text = "just text";
    ASSERT_TRUE(WriteWholeFile(fake, ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())));
    EXPECT_EQ(ResolveShortcut(fake), "");
    EXPECT_EQ(ResolveShortcut(folder.File("missing.lnk")), "");
    EXPECT_EQ(ResolveShortcut(""), "");
    // A folder named like a link.
    std::filesystem::create_directories(PathFromUtf8(folder.File("dir.lnk")));
    EXPECT_EQ(ResolveShortcut(folder.File("dir.lnk")), "");
}

TEST(ResolveShortcut, TargetTooLongForThePathBufferIsRefused) {
    ShellSession session;
    TempFolder folder;
    testing::LinkShape shape;
    shape.drive = "C:\\";
    shape.base_path = "C:\\" + std::string(256, 'd');  // 259 characters: fits
    const std::string fits = folder.File("fits.lnk");
    ASSERT_TRUE(WriteWholeFile(fits, testing::BuildLink(shape)));
    EXPECT_EQ(ResolveShortcut(fits), shape.base_path);
    shape.base_path = "C:\\" + std::string(257, 'd');
    const std::string too_long = folder.File("long.lnk");
    ASSERT_TRUE(WriteWholeFile(too_long, testing::BuildLink(shape)));
    EXPECT_EQ(ResolveShortcut(too_long), "");
}

}  // namespace
}  // namespace icoforge
