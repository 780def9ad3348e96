#include "platform/replacing_file.h"

#include <fcntl.h>
#include <stdio.h>  // renameat2
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <climits>
#include <cerrno>
#include <csignal>
#include <algorithm>
#include <array>
#include <atomic>
#include <string>

#include "platform/posix/file_descriptor.h"
#include "platform/system_failure.h"

namespace icoforge {
namespace {

// Exclusive creation fails only when the name is taken; a few fresh random names make
// that a matter of chance, not of an attacker or a leftover.
constexpr int kNameAttempts = 8;
// At most this many pieces go to one writev: an icon file of up to 63 images (header,
// directory, images) in one call, where the system takes that many (Linux and the BSDs
// take 1,024; POSIX promises 16).
constexpr std::size_t kMaxGatheredPieces = std::min<std::size_t>(IOV_MAX, 64);

// The folder a destination lies in, as open(2) takes it.
std::string FolderOf(const std::string& destination) {
    const auto slash = destination.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : destination.substr(0, slash);
}

// Before Linux 6.10 a file that has no name yet can be given one without a privilege only
// through its /proc entry (see NameUnnamed); unnamed files are used only where that works.
bool CanNameUnnamedFiles() {
    static const bool can = ::access("/proc/self/fd", X_OK) == 0;
    return can;
}

// The unnamed file's /proc entry, for linkat.
std::string ProcPathOf(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// Gives the unnamed file `fd` the name `path`, as linkat(2) does (false and errno on
// failure). Linux 6.10 lets the process that opened a file name it by its descriptor;
// before that doing so takes a privilege and fails with ENOENT, and the file's /proc
// entry does the same job at the cost of four more names to look up per file. Which of
// the two this system takes is learnt at the first file and kept.
bool NameUnnamed(int fd, const std::string& path) {
    static std::atomic<bool> by_descriptor{true};
    if (by_descriptor.load(std::memory_order_relaxed)) {
        if (::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0) return true;
        if (errno != ENOENT && errno != EPERM && errno != EINVAL) return false;
    }
    const bool named = ::linkat(AT_FDCWD, ProcPathOf(fd).c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
    // Only a system that names the file the long way after refusing the short one has
    // shown it does not take the short one (a missing folder fails both alike).
    if (named) by_descriptor.store(false, std::memory_order_relaxed);
    return named;
}

}  // namespace

// Whole buffers go to the descriptor in one write each; a stdio stream is opened over it
// only for the writers that ask for one, so that writing a file of a few pieces costs no
// buffer, no fstat and no copy.
struct ReplacingFile::State {
    std::string destination;
    std::string temporary;  // empty while the file has no name
    FileDescriptor fd;
    std::FILE* stream = nullptr;  // owns the descriptor once opened
    bool committed = false;
    bool failed = false;
    ~State() {
        if (stream != nullptr) std::fclose(stream);
        fd.reset();
        if (!committed && !temporary.empty()) ::unlink(temporary.c_str());
    }
};

// Where the system has them (Linux's O_TMPFILE), the file has no name at all until Commit
// gives it the destination's: a crash leaves nothing behind, and making a new file looks
// through the folder twice, not five times (create a temporary, then move it). On ext4
// that search is linear in a folder without an index: writing the 1,840 PNGs of one
// module spent a sixth of its time there. Elsewhere, or on a file system without unnamed files (NFS), the
// temporary has a name beside the destination.
Result<ReplacingFile> ReplacingFile::Create(std::string_view destination_utf8_path) {
    const std::string destination(destination_utf8_path);
#ifdef O_TMPFILE
    if (CanNameUnnamedFiles()) {
        FileDescriptor unnamed(::open(FolderOf(destination).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
        if (unnamed.valid()) {
            auto state = MakeOpaque<State>();
            state->destination = destination;
            state->fd = std::move(unnamed);
            return ReplacingFile(std::move(state));
        }
    }
#endif
    FileDescriptor fd;
    std::string temporary;
    for (int attempt = 0; attempt < kNameAttempts && !fd.valid(); ++attempt) {
        temporary = TemporaryPathBeside(destination);
        fd = FileDescriptor(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!fd.valid() && errno != EEXIST) break;
    }
    if (!fd.valid()) return FailFromSystem("write", destination);
    auto state = MakeOpaque<State>();
    state->destination = destination;
    state->temporary = temporary;
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

Result<> ReplacingFile::Write(ByteView bytes) {
    State& state = *state_;
    if (state.stream != nullptr) {
        if (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), state.stream) == bytes.size()) return {};
        return FailFromSystem("write", state.destination);
    }
    if (!state.fd.valid() || state.committed) return Fail("write", state.destination, kFileClosedText);
    if (state.failed) return Fail("write", state.destination, kEarlierWriteFailedText);
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t wrote = ::write(state.fd.get(), bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            state.failed = true;
            // A write of nothing at all sets no errno: the disk is full.
            if (wrote == 0) errno = ENOSPC;
            return FailFromSystem("write", state.destination);
        }
        done += static_cast<std::size_t>(wrote);
    }
    return {};
}

Result<> ReplacingFile::Write(std::span<const ByteView> pieces) {
    State& state = *state_;
    if (state.stream != nullptr || !state.fd.valid() || state.committed || state.failed) {
        for (const ByteView piece : pieces)
            if (auto written = Write(piece); !written) return written;
        return {};
    }
    std::array<iovec, kMaxGatheredPieces> vectors{};
    std::size_t next = 0;
    while (next < pieces.size()) {
        const std::size_t taken = std::min(pieces.size() - next, kMaxGatheredPieces);
        int count = 0;
        std::size_t total = 0;
        for (std::size_t i = next; i < next + taken; ++i) {
            if (pieces[i].empty()) continue;
            vectors[static_cast<std::size_t>(count++)] = {const_cast<std::uint8_t*>(pieces[i].data()), pieces[i].size()};
            total += pieces[i].size();
        }
        if (total == 0) {
            next += taken;
            continue;
        }
        const ssize_t wrote = ::writev(state.fd.get(), vectors.data(), count);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            state.failed = true;
            if (wrote == 0) errno = ENOSPC;  // as in Write: nothing written and no errno means a full disk
            return FailFromSystem("write", state.destination);
        }
        if (static_cast<std::size_t>(wrote) == total) {
            next += taken;
            continue;
        }
        // A short write (a signal, a nearly full disk): the piece it stopped in is finished
        // by Write, which says why if it cannot be, and gathering goes on after it.
        std::size_t left = static_cast<std::size_t>(wrote);
        while (left >= pieces[next].size()) left -= pieces[next++].size();
        if (auto rest = Write(pieces[next].subspan(left)); !rest) return rest;
        ++next;
    }
    return {};
}

Result<> ReplacingFile::Commit() {
    State& state = *state_;
    if (state.committed || (state.stream == nullptr && !state.fd.valid())) return Fail("write", state.destination, kFileClosedText);
    Result<> outcome;
    if (state.stream != nullptr && std::fflush(state.stream) != 0) outcome = FailFromSystem("write", state.destination);
    else if (state.failed || (state.stream != nullptr && std::ferror(state.stream) != 0))
        outcome = Fail("write", state.destination, kEarlierWriteFailedText);
    const int fd = state.stream != nullptr ? ::fileno(state.stream) : state.fd.get();
    const auto close = [&] {
        const int closed = state.stream != nullptr ? std::fclose(state.stream) : ::close(state.fd.release());
        state.stream = nullptr;
        return closed == 0;
    };
    if (!outcome) {
        close();
        return outcome;
    }
    // A new name, the common case, is taken without a look at it first: when there was
    // nothing there, nothing can be lost and nothing is waited for. A system that cannot
    // refuse to replace (EINVAL) is asked the long way.
    const bool named = state.temporary.empty()
                           ? NameUnnamed(fd, state.destination)
                           : ::renameat2(AT_FDCWD, state.temporary.c_str(), AT_FDCWD, state.destination.c_str(),
                                         RENAME_NOREPLACE) == 0;
    if (named) {
        state.committed = true;
        if (close()) return {};
        // The file's last bytes did not reach the disk after all: the name was new, so it
        // goes again rather than stand for a file cut short.
        Result<> failed = FailFromSystem("write", state.destination);
        ::unlink(state.destination.c_str());
        return failed;
    }
    if (errno != EEXIST && errno != EINVAL && errno != ENOSYS) {
        outcome = FailFromSystem("write", state.destination);
        close();
        return outcome;
    }
    // The name is taken: an unnamed file gets a temporary name beside it, to be moved over
    // the old file as a named temporary is.
    for (int attempt = 0; attempt < kNameAttempts && state.temporary.empty(); ++attempt) {
        std::string temporary = TemporaryPathBeside(state.destination);
        if (NameUnnamed(fd, temporary))
            state.temporary = std::move(temporary);
        else if (errno != EEXIST)
            break;
    }
    if (state.temporary.empty()) {
        outcome = FailFromSystem("write", state.destination);
        close();
        return outcome;
    }
    struct stat existing {};
    const bool exists = ::stat(state.destination.c_str(), &existing) == 0;
    // Renaming over a device or FIFO would replace the node itself (as root, /dev/null).
    if (exists && !S_ISREG(existing.st_mode)) {
        close();
        return Fail("write", state.destination, S_ISDIR(existing.st_mode) ? kIsFolderText : kNotRegularFileText);
    }
    if (exists) {
        // A replaced file keeps who may read it; failing to copy that is no reason to stop.
        (void)::fchmod(fd, existing.st_mode & 07777);
        // The data must be on the disk before the name points at it, or a crash could
        // leave an empty file where the old one was. EINVAL: this file cannot be synced.
        if (::fsync(fd) != 0 && errno != EINVAL) outcome = FailFromSystem("write", state.destination);
    }
    if (!close() && outcome) outcome = FailFromSystem("write", state.destination);
    if (outcome && ::rename(state.temporary.c_str(), state.destination.c_str()) != 0)
        outcome = FailFromSystem("write", state.destination);
    state.committed = outcome.has_value();
    return outcome;
}

Result<> ReplacingFile::Commit(std::string_view destination_utf8_path) {
    state_->destination = destination_utf8_path;
    return Commit();
}

bool ReplacingFile::LeavesNothingIfEnded() const { return state_->temporary.empty(); }

std::uint64_t OpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 1024;
    return limit.rlim_cur;
}

void LetFileSizeLimitFailWrites() { std::signal(SIGXFSZ, SIG_IGN); }

}  // namespace icoforge
