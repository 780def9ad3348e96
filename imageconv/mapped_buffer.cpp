#include "imageconv/mapped_buffer.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "common/path.h"
#include "platform/file_io.h"

namespace icoforge {
namespace {

// Names are numbered from 0 up to this bound and no further.
constexpr std::uint64_t kLastTempNumber = 2'047'483'647;
// Another process may take a name between the test for it and the exclusive creation;
// the next free name is tried a few times before giving up.
constexpr int kCreateAttempts = 16;

bool NameTaken(const std::string& utf8_path) {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(PathFromUtf8(utf8_path), ec);
    return std::filesystem::exists(status);
}

}  // namespace

std::optional<std::string> MakeTempFileName(std::string_view prefix) {
    auto folder = TempFolderPath();
    if (!folder || folder->empty()) return std::nullopt;
    std::string bare = *folder;
    while (bare.size() > 1 && (bare.back() == '/' || bare.back() == '\\')) bare.pop_back();
    std::error_code ec;
    if (!std::filesystem::is_directory(PathFromUtf8(bare), ec)) return std::nullopt;
    const char separator = folder->back() == '/' || folder->back() == '\\' ? folder->back() : '/';
    const std::string base = bare + separator + std::string(prefix);
    for (std::uint64_t n = 0; n <= kLastTempNumber; ++n) {
        std::string candidate = base + std::to_string(n) + ".tmp";
        if (!NameTaken(candidate)) return candidate;
    }
    return std::nullopt;
}

MappedBuffer::MappedBuffer(MappedBuffer&& other) noexcept
    : mapping_(std::exchange(other.mapping_, std::nullopt)), path_(std::exchange(other.path_, {})) {}

MappedBuffer& MappedBuffer::operator=(MappedBuffer&& other) noexcept {
    if (this != &other) {
        Release(true);
        mapping_ = std::exchange(other.mapping_, std::nullopt);
        path_ = std::exchange(other.path_, {});
    }
    return *this;
}

bool MappedBuffer::Allocate(std::uint64_t size, std::string_view prefix, std::optional<std::string_view> path) {
    // A block replaced here would otherwise leave its file behind.
    Release(true);
    if (size == 0 || prefix.empty()) return false;
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        std::string target;
        if (path) {
            target = std::string(*path);
        } else {
            auto name = MakeTempFileName(prefix);
            if (!name) return false;
            target = std::move(*name);
        }
        auto mapping = TempFileMapping::Create(target, size);
        if (mapping) {
            mapping_ = std::move(*mapping);
            path_ = std::move(target);
            return true;
        }
        // An explicit path gets one try; a generated one may have been taken meanwhile.
        if (path || !NameTaken(target)) return false;
    }
    return false;
}

void MappedBuffer::Release(bool delete_file) {
    mapping_.reset();  // unmapped and closed before the file can be deleted
    if (delete_file && !path_.empty()) RemoveFile(path_);
    path_.clear();
}

void MappedBuffer::Flush() {
    if (mapping_) mapping_->Flush();
}

std::span<std::uint8_t> MappedBuffer::bytes() {
    if (!mapping_) return {};
    return {mapping_->data(), static_cast<std::size_t>(mapping_->size())};
}

ByteView MappedBuffer::view() const {
    if (!mapping_) return {};
    return {mapping_->data(), static_cast<std::size_t>(mapping_->size())};
}

}  // namespace icoforge
