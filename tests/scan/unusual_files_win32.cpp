#include "tests/scan/unusual_files.h"

namespace icoforge::testing {

// Windows has no FIFOs or device nodes in its file system, mounts nothing for a user,
// and keeps names in UTF-16, which every UTF-8 text can spell.
bool MakeFifo(const std::string&) { return false; }
bool MakeDeviceNode(const std::string&) { return false; }
bool MakeUnreadable(const std::string&) { return false; }
bool MountSmallDisk(const std::string&, std::uint64_t) { return false; }
void UnmountSmallDisk(const std::string&) {}
std::string MakeFileWithBytesName(const std::string&, const std::string&, const std::string&) { return {}; }

}  // namespace icoforge::testing
