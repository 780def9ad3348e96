#include "platform/shell_services.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <filesystem>
#include <optional>

#include "common/path.h"
#include "platform/file_io.h"
#include "tests/shell/link_builder.h"
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

// As Windows expands the paths shortcuts store: a name the environment holds gives its
// value, any other text (a lone %, an unknown name with both its %) stays as written.
TEST(ShellServices, ExpandsTheEnvironmentsNamesAndKeepsTheRest) {
#ifdef _WIN32
    _putenv_s("ICOFORGE_TEST_ROOT", "R:\\w");
#else
    setenv("ICOFORGE_TEST_ROOT", "R:\\w", 1);
#endif
    const std::pair<const char*, const char*> cases[] = {
        {"%ICOFORGE_TEST_ROOT%\\shell32.dll", "R:\\w\\shell32.dll"},
        {"%ICOFORGE_TEST_ROOT%%ICOFORGE_TEST_ROOT%", "R:\\wR:\\w"},
        {"%ICOFORGE_NOT_SET%\\a.ico", "%ICOFORGE_NOT_SET%\\a.ico"},
        {"%ICOFORGE_NOT_SET%ICOFORGE_TEST_ROOT%", "%ICOFORGE_NOT_SET%ICOFORGE_TEST_ROOT%"},
        {"100% of C:\\a.ico", "100% of C:\\a.ico"},
        {"%%", "%%"},
        {"", ""},
    };
    for (const auto& [text, expanded] : cases) EXPECT_EQ(WithEnvironmentExpanded(text), expanded) << text;
}

// Windows reads ANSI text in its own code page (this Wine prefix's is Chinese, 936, where
// D6 D0 is 中); elsewhere the Western one stands in, where E9 is é and 80 the euro sign.
TEST(ShellServices, AnsiTextInTheSystemsCodePage) {
    EXPECT_EQ(Utf8FromAnsiCodePage(ByteBuffer{'C', ':', '\\'}), "C:\\");
    EXPECT_EQ(Utf8FromAnsiCodePage({}), "");
#ifdef _WIN32
    if (GetACP() == 936) EXPECT_EQ(Utf8FromAnsiCodePage(ByteBuffer{0xD6, 0xD0}), "\xE4\xB8\xAD");
    if (GetACP() != 1252) return;
#endif
    EXPECT_EQ(Utf8FromAnsiCodePage(ByteBuffer{'C', 'a', 'f', 0xE9, ' ', 0x80}), "Caf\xC3\xA9 \xE2\x82\xAC");
}

}  // namespace
}  // namespace icoforge
