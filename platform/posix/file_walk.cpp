#include "platform/file_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>

#include "platform/system_failure.h"

namespace icoforge {

namespace {

FileStatus StatusFrom(const struct stat& info) {
    FileStatus status;
    if (S_ISREG(info.st_mode)) status.kind = EntryKind::Regular;
    else if (S_ISDIR(info.st_mode)) status.kind = EntryKind::Directory;
    else if (S_ISLNK(info.st_mode)) status.kind = EntryKind::Symlink;
    status.size = info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
    status.mtime_ns = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    status.device = static_cast<std::uint64_t>(info.st_dev);
    status.file_number = static_cast<std::uint64_t>(info.st_ino);
    return status;
}

}  // namespace

Result<FileStatus> StatusOf(std::string_view utf8_path, bool follow_link) {
    const std::string path(utf8_path);
    struct stat info {};
    const int rc = follow_link ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info);
    if (rc != 0) return FailFromSystem("stat", path);
    return StatusFrom(info);
}

Result<std::vector<std::string>> FolderNames(std::string_view utf8_path) {
    const std::string path(utf8_path);
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(path.c_str()), ::closedir);
    if (!folder) return FailFromSystem("open folder", path);
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(folder.get());
        if (entry == nullptr) {
            if (errno != 0) return FailFromSystem("read folder", path);
            break;
        }
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        names.emplace_back(name);
    }
    return names;
}

Result<std::vector<FolderEntry>> FolderEntries(std::string_view utf8_path) {
    const std::string path(utf8_path);
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(path.c_str()), ::closedir);
    if (!folder) return FailFromSystem("open folder", path);
    std::vector<FolderEntry> entries;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(folder.get());
        if (entry == nullptr) {
            if (errno != 0) return FailFromSystem("read folder", path);
            break;
        }
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        entries.push_back({std::string(name), FileStatus{}});
    }
    const std::string prefix = !path.empty() && path.back() != '/' ? path + '/' : path;
    for (FolderEntry& entry : entries) {
        struct stat info {};
        if (::fstatat(::dirfd(folder.get()), entry.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0)
            entry.status = StatusFrom(info);
        else
            entry.status = FailFromSystem("stat", prefix + entry.name);
    }
    return entries;
}

char PathSeparator() { return '/'; }

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

Result<> MakeFolders(std::string_view utf8_path) {
    std::string path(utf8_path);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) == 0) {
        if (!path.empty() && !S_ISDIR(info.st_mode)) return Fail("make folder", path, "not a folder");
        return {};
    }
    const auto slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        auto parent = MakeFolders(path.substr(0, slash));
        if (!parent) return parent;
    }
    if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) return FailFromSystem("make folder", path);
    return {};
}

}  // namespace icoforge
