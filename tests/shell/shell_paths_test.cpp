#include "shell/shell_paths.h"

#include <gtest/gtest.h>

#include "shell/xdg_folders.h"

namespace icoforge {
namespace {

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

}  // namespace
}  // namespace icoforge
