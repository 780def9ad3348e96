#pragma once
// Windows 10 and later keep the icons of shell32.dll, imageres.dll and other system
// modules in Windows\SystemResources\NAME.mun, leaving the module itself without icons;
// Windows reads them from there. This finds that file for a module path, looking in the
// SystemResources folder of the Windows folder the module lies in (the module's own folder
// or one above it), with letter case ignored, as a Windows volume mounted on Linux keeps
// whatever case it was given.

#include <optional>
#include <string>
#include <string_view>

namespace icoforge {

// How many folders up from the module the Windows folder may be: the module itself
// sits in Windows (explorer.exe), System32 or SysWOW64 (libraries), or one below
// (System32\\drivers and the like).
constexpr int kSystemResourcesLevelsUp = 3;

// The UTF-8 path of NAME.mun for the module at `module_path`, or nothing when none exists.
std::optional<std::string> FindSystemResourcesFile(std::string_view module_path);

}  // namespace icoforge
