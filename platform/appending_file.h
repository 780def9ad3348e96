#pragma once
// A file that only grows: every Append lands whole at its end, in one system call where
// the system allows, so that an index written as it goes holds whole records up to the
// last one a crash may have cut.

#include <string_view>
#include <utility>

#include "common/bytes.h"
#include "common/failure.h"
#include "common/opaque.h"

namespace icoforge {

class AppendingFile {
public:
    // Opens or creates the file for appending. Refuses what is not a regular file.
    static Result<AppendingFile> Open(std::string_view utf8_path);

    Result<> Append(ByteView bytes);
    // Waits until what was appended is on the disk.
    Result<> Sync();

    struct Handle;  // the platform's; defined by each implementation

private:
    explicit AppendingFile(Opaque<Handle> handle) : handle_(std::move(handle)) {}
    Opaque<Handle> handle_;
};

}  // namespace icoforge
