#pragma once
// A whole file mapped read-only into memory for the life of the object. Mapping rather
// than reading keeps the per-call cost of a large module at the pages actually touched.

#include <string_view>
#include <utility>

#include "common/bytes.h"
#include "common/failure.h"
#include "common/opaque.h"

namespace icoforge {

class MappedFile {
public:
    // A failure to "read" when the path names no regular file (it is opened so that a FIFO
    // cannot block) or it cannot be opened or mapped. An empty file maps to an empty view.
    static Result<MappedFile> Open(std::string_view utf8_path);

    ByteView bytes() const;

    struct Mapping;  // the platform's handles; defined by each implementation

private:
    explicit MappedFile(Opaque<Mapping> mapping) : mapping_(std::move(mapping)) {}
    Opaque<Mapping> mapping_;
};

}  // namespace icoforge
