#pragma once
// A whole file mapped read-only into memory for the life of the object. Mapping rather
// than reading keeps the per-call cost of a large module at the pages actually touched.

#include <memory>
#include <optional>
#include <string_view>

#include "common/bytes.h"
#include "platform/file_error.h"

namespace icoforge {

class MappedFile {
public:
    // Nothing, with the reason, when the path names no regular file (it is opened so that
    // a FIFO cannot block) or it cannot be opened or mapped. An empty file maps to an
    // empty view.
    static std::optional<MappedFile> Open(std::string_view utf8_path, FileError* error = nullptr);

    MappedFile(MappedFile&&) noexcept;
    MappedFile& operator=(MappedFile&&) noexcept;
    ~MappedFile();

    ByteView bytes() const;

    struct Mapping;  // the platform's handles; defined by each implementation

private:
    explicit MappedFile(std::unique_ptr<Mapping> mapping);
    std::unique_ptr<Mapping> mapping_;
};

}  // namespace icoforge
