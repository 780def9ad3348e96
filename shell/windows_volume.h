#pragma once
// Paths that shortcuts on a Windows volume name, found on that volume where another system
// has it mounted (a Linux machine that also boots Windows, or reads its disk). A shortcut
// on it says "C:\Program Files\App\app.exe" or "%SystemRoot%\System32\shell32.dll"; the
// file is /mnt/c/Program Files/App/app.exe.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace icoforge {

// Folders above a file that are looked at for the volume's root: a shortcut of the Start
// menu lies seven folders down (ProgramData\Microsoft\Windows\Start Menu\Programs\App).
constexpr int kVolumeRootLevelsUp = 12;

// The Windows system volume a file lies on: the folder it is mounted at, and the user whose
// profile (Users\NAME) holds the file, if one does.
struct WindowsVolume {
    std::filesystem::path root;
    std::string user;
};

// The nearest folder above `file` that holds Windows\System32, letter case ignored as
// Windows ignores it. Nothing where no such folder is within kVolumeRootLevelsUp.
std::optional<WindowsVolume> WindowsVolumeOf(const std::filesystem::path& file);

// `stored`, a path as a shortcut stores it, on `volume`: %SystemRoot% (%windir%),
// %SystemDrive%, %ProgramFiles%, %ProgramFiles(x86)%, %ProgramW6432%, %CommonProgramFiles%,
// %CommonProgramFiles(x86)%, %ProgramData% (%ALLUSERSPROFILE%) and %PUBLIC% stand for the
// folders Windows gives them; %USERPROFILE%, %APPDATA%, %LOCALAPPDATA% and %HOMEPATH% for
// the volume's user's. A path on drive C: is then found under the root, each name matched
// with letter case ignored. Nothing where the path names another drive, a network share or
// a variable it cannot know, or no existing file.
std::optional<std::string> PathOnWindowsVolume(const WindowsVolume& volume, std::string_view stored);

}  // namespace icoforge
