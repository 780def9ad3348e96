#include "platform/shell_services.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "common/text_encoding.h"
#include "platform/file_io.h"
#include "platform/mapped_file.h"
#include "shell/shell_link.h"
#include "platform/temp_mapping.h"
#include "shell/xdg_folders.h"

namespace icoforge {
namespace {

constexpr char kSeparator = '/';
// user-dirs.dirs is a few hundred bytes; anything far larger is not one.
constexpr std::size_t kMaxUserDirsSize = 64 * 1024;

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string HomeFolder() {
    std::string home = Environment("HOME");
    if (!home.empty()) return home;
    struct passwd entry {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr && found->pw_dir != nullptr)
        return found->pw_dir;
    return {};
}

XdgPlaces GatherXdgPlaces() {
    XdgPlaces places;
    places.home = HomeFolder();
    places.config_home = Environment("XDG_CONFIG_HOME");
    places.data_home = Environment("XDG_DATA_HOME");
    const std::string config = XdgConfigHome(places);
    if (!config.empty()) {
        if (auto file = MappedFile::Open(config + "/user-dirs.dirs"); file && file->bytes().size() <= kMaxUserDirsSize)
            places.user_dirs.assign(file->bytes().begin(), file->bytes().end());
    }
    return places;
}

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

std::string GetSpecialFolder(std::int32_t number) {
    if (number == static_cast<std::int32_t>(SpecialFolder::kTemporary)) {
        const auto temp = TempFolderPath();
        return temp ? FinishFolderPath(*temp, kSeparator) : std::string();
    }
    return FinishFolderPath(XdgFolder(number, GatherXdgPlaces()), kSeparator);
}

std::string ResolveShortcut(std::string_view path) {
    // The shell grants the link attribute to existing files of the shortcut class only.
    if (!HasShortcutExtension(path) || !IsRegularFile(std::string(path))) return {};
    const std::string load_path = ShortcutLoadPath(path);
    if (load_path.empty()) return {};
    const auto file = MappedFile::Open(load_path);
    if (!file) return {};
    const std::string target = ShellLinkTargetPath(file->bytes());
    return FitsPathBuffer(target) ? CopyToHostText(target) : std::string();
}

ShellSession::ShellSession(ComUse use) : use_(use), ok_(true) {}
ShellSession::~ShellSession() = default;

std::string Utf8FromAnsiCodePage(ByteView ansi) { return Utf8FromWindows1252(ansi); }

std::string WithEnvironmentExpanded(std::string_view text) {
    std::string expanded;
    while (true) {
        const auto open = text.find('%');
        const auto close = open == std::string_view::npos ? open : text.find('%', open + 1);
        if (close == std::string_view::npos) return expanded.append(text);
        const std::string name(text.substr(open + 1, close - open - 1));
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
        // An unknown name stays with both its %, and the text goes on behind them.
        expanded.append(text.substr(0, value != nullptr ? open : close + 1));
        if (value != nullptr) expanded.append(value);
        text.remove_prefix(close + 1);
    }
}

}  // namespace icoforge
