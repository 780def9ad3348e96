#pragma once
// A regular file opened for reading pieces at given offsets, for a caller that looks at a
// few places of many files and would pay more to map each one than to read those bytes.

#include <cstdint>
#include <span>
#include <string_view>
#include <utility>

#include "common/failure.h"
#include "common/opaque.h"

namespace icoforge {

class FileReader {
public:
    // The same failures to "read" as MappedFile::Open: no regular file, or no opening it.
    static Result<FileReader> Open(std::string_view utf8_path);

    std::uint64_t size() const;
    // Fills `into` from `offset` on, as far as the file goes; how many bytes that was.
    Result<std::size_t> ReadAt(std::uint64_t offset, std::span<std::uint8_t> into) const;

    struct Handle;  // the platform's handle; defined by each implementation

private:
    explicit FileReader(Opaque<Handle> handle) : handle_(std::move(handle)) {}
    Opaque<Handle> handle_;
};

}  // namespace icoforge
