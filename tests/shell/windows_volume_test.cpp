#include "shell/windows_volume.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string>

#include "common/path.h"
#include "tests/support/temp_folder.h"

namespace icoforge {
namespace {

namespace fs = std::filesystem;

// A Windows system volume as Linux mounts it, letter case as an installer left it: the
// paths its shortcuts store are found on it, with Windows's folders for its variables and
// letter case ignored; nothing else is.
TEST(WindowsVolume, FindsWhatItsShortcutsName) {
    // There the temporary folder lies on the system volume itself, whose names match in any case.
    if (fs::path::preferred_separator == '\\')
        GTEST_SKIP() << "Windows reads the paths its shortcuts name as they stand";
    const testing::TempFolder temp;
    const fs::path root = temp.path() / "c";
    const auto put = [&](const char* relative) {
        const fs::path file = root / PathFromUtf8(relative);
        fs::create_directories(file.parent_path());
        std::ofstream(file) << "x";
        return Utf8FromPath(file);
    };
    const std::string shell32 = put("WINDOWS/system32/Shell32.dll");
    const std::string app = put("Program Files/App/app.exe");
    const std::string local = put("Users/Me/AppData/Local/Disc/disc.exe");
    const std::string desktop = put("Users/Me/Desktop/app.lnk");
    const std::string menu = put("ProgramData/Microsoft/Windows/Start Menu/Programs/App/app.lnk");
    put("Users/Public/Desktop/public.lnk");

    const auto volume = WindowsVolumeOf(PathFromUtf8(desktop));
    ASSERT_TRUE(volume);
    EXPECT_EQ(volume->root, root);
    EXPECT_EQ(volume->user, "Me");
    // ProgramData\Microsoft\Windows holds no System32: the volume is the one above it.
    const auto menu_volume = WindowsVolumeOf(PathFromUtf8(menu));
    ASSERT_TRUE(menu_volume);
    EXPECT_EQ(menu_volume->root, root);
    EXPECT_EQ(menu_volume->user, "");
    EXPECT_FALSE(WindowsVolumeOf(temp.path() / "elsewhere.lnk"));

    const struct {
        const char* stored;
        std::optional<std::string> found;
    } cases[] = {
        {"%SystemRoot%\\System32\\shell32.dll", shell32},
        {"%WINDIR%/SYSTEM32/SHELL32.DLL", shell32},
        {"C:\\Program Files\\App\\app.exe", app},
        {"c:\\PROGRAM FILES\\app\\APP.EXE", app},
        {"%SystemDrive%\\Program Files\\App\\app.exe", app},
        {"%ProgramFiles%\\App\\app.exe", app},
        {"C:\\..\\..\\Program Files\\.\\App\\app.exe", app},  // a drive's root has no parent
        {"%LOCALAPPDATA%\\Disc\\disc.exe", local},
        {"%UserProfile%\\AppData\\Local\\Disc\\disc.exe", local},
        {"D:\\Program Files\\App\\app.exe", std::nullopt},  // another volume
        {"\\\\server\\share\\app.exe", std::nullopt},
        {"app.exe", std::nullopt},
        {"%NoSuchFolder%\\app.exe", std::nullopt},
        {"%SystemRoot\\System32\\shell32.dll", std::nullopt},
        {"C:\\Program Files\\App", std::nullopt},  // a folder
        {"C:\\", std::nullopt},
        {"C:\\Program Files\\App\\none.exe", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(PathOnWindowsVolume(*volume, c.stored), c.found) << c.stored;
    // Without a user, the profile's folders are unknown.
    EXPECT_EQ(PathOnWindowsVolume(*menu_volume, "%LOCALAPPDATA%\\Disc\\disc.exe"), std::nullopt);
    EXPECT_EQ(PathOnWindowsVolume(*menu_volume, "%ProgramFiles%\\App\\app.exe"), app);
}

}  // namespace
}  // namespace icoforge
