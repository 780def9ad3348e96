#pragma once
// A block of memory backed by a hidden file of the temporary folder. Every large buffer
// of the picture conversion lives in one, so big pictures are paged by the system rather
// than held in the heap.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/bytes.h"
#include "platform/temp_mapping.h"

namespace icoforge {

// The file-name prefix of every block of the picture conversion.
inline constexpr std::string_view kPixelStorePrefix = "PIXSTORE";

// The first free name "<temp folder><prefix><n>.tmp", n counting from 0; nothing when the
// temporary folder is missing or every number is taken.
std::optional<std::string> MakeTempFileName(std::string_view prefix);

class MappedBuffer {
public:
    MappedBuffer() = default;
    MappedBuffer(const MappedBuffer&) = delete;
    MappedBuffer& operator=(const MappedBuffer&) = delete;
    MappedBuffer(MappedBuffer&& other) noexcept;
    MappedBuffer& operator=(MappedBuffer&& other) noexcept;
    // A block that goes out of scope takes its file with it.
    ~MappedBuffer() { Release(true); }

    // A zero-filled block of `size` bytes in a new file at `path`, or at a fresh temporary
    // name made from `prefix` when no path is given. False for a size of 0, an empty prefix
    // or any failure of the platform; the buffer is then empty.
    bool Allocate(std::uint64_t size, std::string_view prefix, std::optional<std::string_view> path = std::nullopt);
    // Unmaps the block; deletes its file when asked to.
    void Release(bool delete_file);
    void Flush();

    bool empty() const { return !mapping_; }
    std::uint64_t size() const { return mapping_ ? mapping_->size() : 0; }
    const std::string& path() const { return path_; }
    std::span<std::uint8_t> bytes();
    ByteView view() const;

private:
    std::optional<TempFileMapping> mapping_;
    std::string path_;
};

}  // namespace icoforge
