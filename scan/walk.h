#pragma once
// The walk over the trees a scan is given: every regular file, and every name that
// could not be taken (an unreadable folder, a FIFO, a device, a link loop), each once.
// Symbolic links inside a tree are passed over unless followed; a root is always
// followed. Memory: the names of the folders on the way down, nothing for those done.

#include <functional>
#include <string>

#include "common/failure.h"
#include "platform/file_walk.h"

namespace icoforge::scan {

struct WalkEntry {
    std::string path;
    Result<FileStatus> status;  // a regular file's, or the problem
};

inline constexpr const char* kLinkLoopText = "symbolic link loop";

// Calls `visit` for each entry; stops early when it returns false.
void WalkTree(const std::string& root, bool follow_links, const std::function<bool(WalkEntry&&)>& visit);

std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace icoforge::scan
