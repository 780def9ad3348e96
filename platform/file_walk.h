#pragma once
// What a tree walk asks of the system: the names in a folder, what a name is (without
// following a final link, or following it), and whether standard error is a terminal.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/failure.h"

namespace icoforge {

enum class EntryKind : std::uint8_t { Regular, Directory, Symlink, Other };

struct FileStatus {
    EntryKind kind = EntryKind::Other;
    std::uint64_t size = 0;
    std::int64_t mtime_ns = 0;  // nanoseconds since 1970-01-01 UTC
    // Together they name one file however it is reached, for telling a folder met twice
    // through links from a new one.
    std::uint64_t device = 0;
    std::uint64_t file_number = 0;
};

// lstat (follow_link false) or stat (true). The failure's reason is the system's.
Result<FileStatus> StatusOf(std::string_view utf8_path, bool follow_link);

// Every name in the folder but "." and "..", in the order the system gives them.
Result<std::vector<std::string>> FolderNames(std::string_view utf8_path);

struct FolderEntry {
    std::string name;
    Result<FileStatus> status;  // what StatusOf(the folder's path and the name, false) says
};

// Every name in the folder, as FolderNames gives them, each with what it is: a walk asks
// it of every name, and asked of the open folder the system looks up the one name
// rather than the whole path again.
Result<std::vector<FolderEntry>> FolderEntries(std::string_view utf8_path);

// The character that joins a folder and a name in paths this system gives back.
char PathSeparator();

bool StandardErrorIsTerminal();

// Makes the folder and its missing parents; nothing to do when it is there.
Result<> MakeFolders(std::string_view utf8_path);

}  // namespace icoforge
