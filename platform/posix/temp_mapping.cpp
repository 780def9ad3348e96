#include "platform/temp_mapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <limits>

namespace icoforge {

struct TempFileMapping::State {
    void* address = nullptr;
    std::uint64_t size = 0;
    ~State() {
        if (address != nullptr) munmap(address, static_cast<std::size_t>(size));
    }
};

std::optional<std::string> TempFolderPath() {
    const char* base = std::getenv("TMPDIR");
    std::string folder = (base != nullptr && base[0] == '/') ? base : "/tmp";
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    folder += "/icoforge-" + std::to_string(static_cast<unsigned long>(geteuid()));
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return std::nullopt;
    // A folder someone else made (or a link placed at the name) could let them swap or
    // read our files: accept only our own private directory.
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0) return std::nullopt;
    if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid() || (info.st_mode & 077) != 0) return std::nullopt;
    return folder + "/";
}

std::optional<TempFileMapping> TempFileMapping::Create(std::string_view utf8_path, std::uint64_t size) {
    if (size == 0 || size > std::numeric_limits<std::size_t>::max() ||
        size > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()))
        return std::nullopt;
    const std::string path(utf8_path);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return std::nullopt;
    // Reserving the blocks now turns a full disk into a failed allocation instead of a
    // SIGBUS on the first write into the view.
    bool ok = posix_fallocate(fd, 0, static_cast<off_t>(size)) == 0;
    void* address = MAP_FAILED;
    if (ok) address = mmap(nullptr, static_cast<std::size_t>(size), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    if (!ok || address == MAP_FAILED) {
        ::unlink(path.c_str());
        return std::nullopt;
    }
    auto state = std::make_unique<State>();
    state->address = address;
    state->size = size;
    return TempFileMapping(std::move(state));
}

std::uint8_t* TempFileMapping::data() const { return static_cast<std::uint8_t*>(state_->address); }
std::uint64_t TempFileMapping::size() const { return state_->size; }
void TempFileMapping::Flush() const { msync(state_->address, static_cast<std::size_t>(state_->size), MS_ASYNC); }

TempFileMapping::TempFileMapping(std::unique_ptr<State> state) : state_(std::move(state)) {}
TempFileMapping::TempFileMapping(TempFileMapping&&) noexcept = default;
TempFileMapping& TempFileMapping::operator=(TempFileMapping&&) noexcept = default;
TempFileMapping::~TempFileMapping() = default;

}  // namespace icoforge
