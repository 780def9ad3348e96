#pragma once
// A POSIX file descriptor owned for its lifetime, and the one way this program opens a
// file for reading.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "common/failure.h"

namespace icoforge {

class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = other.release();
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { reset(); }

    bool valid() const { return fd_ >= 0; }
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

// A regular file opened read-only, its status in `info`; a failure to "read" anything
// else. The open does not wait: a FIFO without a writer or a device would otherwise stall
// here before its type could be checked. With kBlockingReads, reads then block as usual;
// a file that is only mapped or read with pread, which the flag does not touch for a
// regular file, skips the two calls that takes (a scan opens thousands).
enum class ReadMode : std::uint8_t { kBlockingReads, kMappedOrPositioned };
Result<FileDescriptor> OpenRegularFileForReading(const std::string& path, struct stat& info,
                                                 ReadMode mode = ReadMode::kBlockingReads);

}  // namespace icoforge
