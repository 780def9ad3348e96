#include "platform/replacing_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string>

#include "platform/posix/file_descriptor.h"
#include "platform/system_failure.h"

namespace icoforge {
namespace {

// Exclusive creation fails only when the name is taken; a few fresh random names make
// that a matter of chance, not of an attacker or a leftover.
constexpr int kNameAttempts = 8;

}  // namespace

struct ReplacingFile::State {
    std::string destination;
    std::string temporary;
    std::FILE* stream = nullptr;
    bool committed = false;
    bool replaces_existing = false;
    ~State() {
        if (stream != nullptr) std::fclose(stream);
        if (!committed) ::unlink(temporary.c_str());
    }
};

Result<ReplacingFile> ReplacingFile::Create(std::string_view destination_utf8_path) {
    const std::string destination(destination_utf8_path);
    struct stat existing {};
    const bool exists = ::stat(destination.c_str(), &existing) == 0;
    // Renaming over a device or FIFO would replace the node itself (as root, /dev/null).
    if (exists && !S_ISREG(existing.st_mode))
        return Fail("write", destination, S_ISDIR(existing.st_mode) ? kIsFolderText : kNotRegularFileText);
    FileDescriptor fd;
    std::string temporary;
    for (int attempt = 0; attempt < kNameAttempts && !fd.valid(); ++attempt) {
        temporary = TemporaryPathBeside(destination);
        fd = FileDescriptor(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!fd.valid() && errno != EEXIST) break;
    }
    if (!fd.valid()) return FailFromSystem("write", destination);
    auto state = std::make_unique<State>();
    state->destination = destination;
    state->temporary = temporary;
    state->replaces_existing = exists;
    // A replaced file keeps who may read it; failing to copy that is no reason to stop.
    if (exists) (void)::fchmod(fd.get(), existing.st_mode & 07777);
    state->stream = ::fdopen(fd.get(), "wb");
    // On failure the descriptor closes and the state removes the name.
    if (state->stream == nullptr) return FailFromSystem("write", destination);
    fd.release();
    return ReplacingFile(std::move(state));
}

std::FILE* ReplacingFile::stream() const { return state_->stream; }

Result<> ReplacingFile::Write(ByteView bytes) {
    if (state_->stream == nullptr) return Fail("write", state_->destination, kFileClosedText);
    if (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), state_->stream) == bytes.size()) return {};
    return FailFromSystem("write", state_->destination);
}

Result<> ReplacingFile::Commit() {
    State& state = *state_;
    if (state.stream == nullptr || state.committed) return Fail("write", state.destination, kFileClosedText);
    Result<> outcome;
    if (std::fflush(state.stream) != 0) {
        outcome = FailFromSystem("write", state.destination);
    } else if (std::ferror(state.stream) != 0) {
        outcome = Fail("write", state.destination, kEarlierWriteFailedText);
    } else if (state.replaces_existing && ::fsync(::fileno(state.stream)) != 0 && errno != EINVAL) {
        // The data must be on the disk before the name points at it, or a crash could
        // leave an empty file where the old one was. A new name has no old file to lose,
        // and waiting for the disk once per file would make writing many small files (a
        // module's icons) slower than everything else together. EINVAL: this file cannot
        // be synced.
        outcome = FailFromSystem("write", state.destination);
    }
    const int closed = std::fclose(state.stream);
    state.stream = nullptr;
    if (outcome && closed != 0) outcome = FailFromSystem("write", state.destination);
    if (outcome && ::rename(state.temporary.c_str(), state.destination.c_str()) != 0)
        outcome = FailFromSystem("write", state.destination);
    state.committed = outcome.has_value();
    return outcome;
}

ReplacingFile::ReplacingFile(std::unique_ptr<State> state) : state_(std::move(state)) {}
ReplacingFile::ReplacingFile(ReplacingFile&&) noexcept = default;
ReplacingFile& ReplacingFile::operator=(ReplacingFile&&) noexcept = default;
ReplacingFile::~ReplacingFile() = default;

void LetFileSizeLimitFailWrites() { std::signal(SIGXFSZ, SIG_IGN); }

}  // namespace icoforge
