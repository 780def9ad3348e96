#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "tests/scan/unusual_files.h"

namespace icoforge::testing {

bool MakeFifo(const std::string& path) { return ::mkfifo(path.c_str(), 0644) == 0; }

bool MakeDeviceNode(const std::string& path) { return ::mknod(path.c_str(), S_IFCHR | 0644, makedev(1, 3)) == 0; }

bool MakeUnreadable(const std::string& path) {
    if (::chmod(path.c_str(), 0) != 0) return false;
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd >= 0) ::close(fd);
    return fd < 0;
}

bool MountSmallDisk(const std::string& folder, std::uint64_t bytes) {
    const std::string options = "size=" + std::to_string(bytes);
    return ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
}

void UnmountSmallDisk(const std::string& folder) { ::umount2(folder.c_str(), MNT_DETACH); }

std::string MakeFileWithBytesName(const std::string& folder, const std::string& raw_name, const std::string& content) {
    const std::string path = folder + "/" + raw_name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return {};
    std::fwrite(content.data(), 1, content.size(), file);
    std::fclose(file);
    return path;
}

}  // namespace icoforge::testing
