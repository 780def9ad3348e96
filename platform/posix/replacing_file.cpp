#include "platform/replacing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string>

#include "platform/posix/file_descriptor.h"

namespace icoforge {
namespace {

// Exclusive creation fails only when the name is taken; a few fresh random names make
// that a matter of chance, not of an attacker or a leftover.
constexpr int kNameAttempts = 8;

}  // namespace

// Whole buffers go to the descriptor in one write each; a stdio stream is opened over it
// only for the writers that ask for one, so that writing a file of a few pieces costs no
// buffer, no fstat and no copy.
struct ReplacingFile::State {
    std::string destination;
    std::string temporary;
    FileDescriptor fd;
    std::FILE* stream = nullptr;  // owns the descriptor once opened
    bool committed = false;
    bool replaces_existing = false;
    bool failed = false;
    ~State() {
        if (stream != nullptr) std::fclose(stream);
        fd.reset();
        if (!committed) ::unlink(temporary.c_str());
    }
};

std::optional<ReplacingFile> ReplacingFile::Create(std::string_view destination_utf8_path, FileError* error) {
    const std::string destination(destination_utf8_path);
    struct stat existing {};
    const bool exists = ::stat(destination.c_str(), &existing) == 0;
    // Renaming over a device or FIFO would replace the node itself (as root, /dev/null).
    if (exists && !S_ISREG(existing.st_mode)) {
        SetFileError(error, S_ISDIR(existing.st_mode) ? kIsFolderText : kNotRegularFileText);
        return std::nullopt;
    }
    FileDescriptor fd;
    std::string temporary;
    for (int attempt = 0; attempt < kNameAttempts && !fd.valid(); ++attempt) {
        temporary = TemporaryPathBeside(destination);
        fd = FileDescriptor(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!fd.valid() && errno != EEXIST) break;
    }
    if (!fd.valid()) {
        SetFileError(error, LastSystemErrorText());
        return std::nullopt;
    }
    auto state = std::make_unique<State>();
    state->destination = destination;
    state->temporary = temporary;
    state->replaces_existing = exists;
    // A replaced file keeps who may read it; failing to copy that is no reason to stop.
    if (exists) (void)::fchmod(fd.get(), existing.st_mode & 07777);
    state->fd = std::move(fd);
    return ReplacingFile(std::move(state));
}

std::FILE* ReplacingFile::stream() const {
    State& state = *state_;
    if (state.stream == nullptr && state.fd.valid() && !state.failed) {
        state.stream = ::fdopen(state.fd.get(), "wb");
        if (state.stream != nullptr) state.fd.release();
        else state.failed = true;
    }
    return state.stream;
}

bool ReplacingFile::Write(ByteView bytes, FileError* error) {
    State& state = *state_;
    if (state.stream != nullptr) {
        if (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), state.stream) == bytes.size()) return true;
        SetFileError(error, LastSystemErrorText());
        return false;
    }
    if (!state.fd.valid() || state.failed) return false;
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t wrote = ::write(state.fd.get(), bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            SetFileError(error, LastSystemErrorText());
            state.failed = true;
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

bool ReplacingFile::Commit(FileError* error) {
    State& state = *state_;
    if (state.committed) return false;
    if (state.stream == nullptr) {
        if (!state.fd.valid()) return false;
        bool ok = !state.failed;
        if (!ok) SetFileError(error, "an earlier write failed");
        // See below: only a file that replaces another is synced before it is renamed.
        if (ok && state.replaces_existing && ::fsync(state.fd.get()) != 0 && errno != EINVAL) {
            SetFileError(error, LastSystemErrorText());
            ok = false;
        }
        const int closed = ::close(state.fd.release());
        if (ok && closed != 0) {
            SetFileError(error, LastSystemErrorText());
            ok = false;
        }
        if (ok && ::rename(state.temporary.c_str(), state.destination.c_str()) != 0) {
            SetFileError(error, LastSystemErrorText());
            ok = false;
        }
        state.committed = ok;
        return ok;
    }
    bool ok = true;
    if (std::fflush(state.stream) != 0) {
        SetFileError(error, LastSystemErrorText());
        ok = false;
    } else if (std::ferror(state.stream) != 0) {
        SetFileError(error, "an earlier write failed");
        ok = false;
    } else if (state.replaces_existing && ::fsync(::fileno(state.stream)) != 0 && errno != EINVAL) {
        // The data must be on the disk before the name points at it, or a crash could
        // leave an empty file where the old one was. A new name has no old file to lose,
        // and waiting for the disk once per file would make writing many small files (a
        // module's icons) slower than everything else together. EINVAL: this file cannot
        // be synced.
        SetFileError(error, LastSystemErrorText());
        ok = false;
    }
    const int closed = std::fclose(state.stream);
    state.stream = nullptr;
    if (ok && closed != 0) {
        SetFileError(error, LastSystemErrorText());
        ok = false;
    }
    if (ok && ::rename(state.temporary.c_str(), state.destination.c_str()) != 0) {
        SetFileError(error, LastSystemErrorText());
        ok = false;
    }
    state.committed = ok;
    return ok;
}

ReplacingFile::ReplacingFile(std::unique_ptr<State> state) : state_(std::move(state)) {}
ReplacingFile::ReplacingFile(ReplacingFile&&) noexcept = default;
ReplacingFile& ReplacingFile::operator=(ReplacingFile&&) noexcept = default;
ReplacingFile::~ReplacingFile() = default;

void LetFileSizeLimitFailWrites() { std::signal(SIGXFSZ, SIG_IGN); }

}  // namespace icoforge
