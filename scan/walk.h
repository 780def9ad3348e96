#pragma once
// The walk over the trees a scan is given: every regular file, and every name that
// could not be taken (an unreadable folder, a FIFO, a device, a link loop), each once.
// Symbolic links inside a tree are passed over unless followed; a root is always
// followed. Memory: the names of the folders on the way down, nothing for those done.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/failure.h"
#include "platform/file_walk.h"

namespace icoforge::scan {

struct WalkEntry {
    std::string path;
    Result<FileStatus> status;  // a regular file's, or the problem
};

inline constexpr const char* kLinkLoopText = "symbolic link loop";

// A folder by what it is, not by how a path spells it.
struct FolderIdentity {
    std::uint64_t device = 0;
    std::uint64_t file_number = 0;
    friend bool operator==(const FolderIdentity&, const FolderIdentity&) = default;
};

// Calls `visit` for each entry; stops early when it returns false. The folder `pass_over`
// (the scan's own store, when it lies inside a tree) is not entered.
void WalkTree(const std::string& root, bool follow_links, const std::function<bool(WalkEntry&&)>& visit,
              const std::optional<FolderIdentity>& pass_over = std::nullopt);

std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace icoforge::scan
