#pragma once
// Files the fault table needs that only some systems can make; each says false where
// this system (or this user) cannot, and the row that needs it is skipped.

#include <cstdint>
#include <string>

namespace icoforge::testing {

bool MakeFifo(const std::string& path);
bool MakeDeviceNode(const std::string& path);
// True when the file could be made unreadable for this process (root reads anything).
bool MakeUnreadable(const std::string& path);
// A file system of `bytes` mounted on the folder, until UnmountSmallDisk.
bool MountSmallDisk(const std::string& folder, std::uint64_t bytes);
void UnmountSmallDisk(const std::string& folder);
// A name whose bytes are not UTF-8, made where names are bytes; empty where they are not.
std::string MakeFileWithBytesName(const std::string& folder, const std::string& raw_name, const std::string& content);

}  // namespace icoforge::testing
