#include "platform/temp_mapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/system_failure.h"

namespace icoforge {

struct TempFileMapping::State {
    void* address = nullptr;
    std::uint64_t size = 0;
    ~State() {
        if (address != nullptr) munmap(address, static_cast<std::size_t>(size));
    }
};

namespace {

constexpr const char* kNotPrivate = "not a private folder of this user";

}  // namespace

// The private folder, made when missing; on failure, which folder is at fault and why.
Result<std::string> TempFolderPath() {
    const char* base = std::getenv("TMPDIR");
    std::string parent = (base != nullptr && base[0] == '/') ? base : "/tmp";
    while (parent.size() > 1 && parent.back() == '/') parent.pop_back();
    const std::string folder = parent + "/icoforge-" + std::to_string(static_cast<unsigned long>(geteuid()));
    const auto fail = [](const std::string& at, const char* reason, int code = 0) -> Result<std::string> {
        return Fail(kUseTempFolderStep, at, reason, code);
    };
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        // A missing or unusable TMPDIR is what the user can fix, so name it rather than our folder.
        const int why = errno;
        struct stat parent_info {};
        if (stat(parent.c_str(), &parent_info) != 0) return fail(parent, std::strerror(errno), errno);
        return fail(folder, std::strerror(why), why);
    }
    // A folder someone else made (or a link placed at the name) could let them swap or
    // read our files: accept only our own private directory.
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0) return fail(folder, std::strerror(errno), errno);
    if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid() || (info.st_mode & 077) != 0)
        return fail(folder, kNotPrivate);
    return folder + "/";
}

Result<TempFileMapping> TempFileMapping::Create(std::string_view utf8_path, std::uint64_t size) {
    const std::string path(utf8_path);
    if (size == 0 || size > std::numeric_limits<std::size_t>::max() ||
        size > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()))
        return Fail("map", path, "no block of " + std::to_string(size) + " bytes can be mapped");
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return FailFromSystem("map", path);
    // Reserving the blocks now turns a full disk into a failed allocation instead of a
    // SIGBUS on the first write into the view.
    const int reserved = posix_fallocate(fd, 0, static_cast<off_t>(size));
    void* address = MAP_FAILED;
    if (reserved == 0) address = mmap(nullptr, static_cast<std::size_t>(size), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    const int why = reserved != 0 ? reserved : errno;
    ::close(fd);
    if (address == MAP_FAILED) {
        ::unlink(path.c_str());
        return Fail("map", path, std::strerror(why), why);
    }
    auto state = MakeOpaque<State>();
    state->address = address;
    state->size = size;
    return TempFileMapping(std::move(state));
}

std::uint8_t* TempFileMapping::data() const { return static_cast<std::uint8_t*>(state_->address); }
std::uint64_t TempFileMapping::size() const { return state_->size; }
void TempFileMapping::Flush() const { msync(state_->address, static_cast<std::size_t>(state_->size), MS_ASYNC); }

}  // namespace icoforge
