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

namespace {

// The names of an open folder but "." and "..".
Result<std::vector<std::string>> NamesIn(DIR* folder, const std::string& path) {
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(folder);
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

using OpenFolder = std::unique_ptr<DIR, int (*)(DIR*)>;

}  // namespace

Result<std::vector<std::string>> FolderNames(std::string_view utf8_path) {
    const std::string path(utf8_path);
    const OpenFolder folder(::opendir(path.c_str()), ::closedir);
    if (!folder) return FailFromSystem("open folder", path);
    return NamesIn(folder.get(), path);
}

Result<std::vector<FolderEntry>> FolderEntries(std::string_view utf8_path) {
    const std::string path(utf8_path);
    const OpenFolder folder(::opendir(path.c_str()), ::closedir);
    if (!folder) return FailFromSystem("open folder", path);
    auto names = NamesIn(folder.get(), path);
    if (!names) return Fail(names.error());
    const std::string prefix = !path.empty() && path.back() != '/' ? path + '/' : path;
    std::vector<FolderEntry> entries;
    entries.reserve(names->size());
    for (std::string& name : *names) {
        struct stat info {};
        Result<FileStatus> status = ::fstatat(::dirfd(folder.get()), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0
                                        ? Result<FileStatus>(StatusFrom(info))
                                        : Result<FileStatus>(FailFromSystem("stat", prefix + name));
        entries.push_back({std::move(name), std::move(status)});
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
