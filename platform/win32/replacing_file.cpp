#include "platform/replacing_file.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <string>
#include <system_error>

#include "platform/win32/file_access.h"

namespace icoforge {
namespace {

// Exclusive creation fails only when the name is taken; a few fresh random names make
// that a matter of chance, not of an attacker or a leftover.
constexpr int kNameAttempts = 8;

// The C runtime reports a failed stream write in errno (a short write to a full disk
// sets no Win32 error at all).
tl::unexpected<Failure> StreamFailure(const std::string& path) {
    return Fail("write", path, std::generic_category().message(errno), errno);
}

constexpr const char* kNoStream = "cannot attach a stream to the temporary file";

// Moving over a folder, a console or another device must be refused before it is tried.
bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A temporary is marked for deletion from the moment it is made, so that a program ended
// before Commit (Ctrl+C, a crash, the task manager) leaves none behind: Windows removes it
// with its last handle, as Linux drops a file that never had a name. Commit takes the mark
// off just before the file is closed and moved.
bool MarkForDeletion(HANDLE file, bool remove) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = remove ? TRUE : FALSE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

bool IsRegularOrAbsent(const std::wstring& path) {
    const ScopedHandle existing(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!existing.valid()) return true;  // absent, or a failure the move will name better
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileType(existing.get()) == FILE_TYPE_DISK && GetFileInformationByHandle(existing.get(), &info) != 0 &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

struct ReplacingFile::State {
    std::string destination_utf8;
    std::wstring destination;
    std::wstring temporary;
    std::FILE* stream = nullptr;
    bool committed = false;
    bool replaces_existing = false;
    bool marked_for_deletion = false;
    ~State() {
        if (stream != nullptr) std::fclose(stream);
        if (!committed) DeleteFileW(temporary.c_str());
    }
};

Result<ReplacingFile> ReplacingFile::Create(std::string_view destination_utf8_path) {
    const std::string utf8_path(destination_utf8_path);
    const std::wstring destination = WideFromUtf8(destination_utf8_path);
    if (destination.empty()) return FailWithSystemCode("write", utf8_path, ERROR_INVALID_NAME);
    if (!IsRegularOrAbsent(destination))
        return Fail("write", utf8_path, IsFolder(destination) ? kIsFolderText : kNotRegularFileText);
    ScopedHandle file;
    std::wstring temporary;
    for (int attempt = 0; attempt < kNameAttempts && !file.valid(); ++attempt) {
        temporary = WideFromUtf8(TemporaryPathBeside(destination_utf8_path));
        file = ScopedHandle(CreateFileW(temporary.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid() && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (!file.valid()) return FailFromSystem("write", utf8_path);
    auto state = MakeOpaque<State>();
    state->destination_utf8 = utf8_path;
    state->destination = destination;
    state->temporary = temporary;
    state->replaces_existing = GetFileAttributesW(destination.c_str()) != INVALID_FILE_ATTRIBUTES;
    // Without the mark (a file system that refuses it) the file is written all the same.
    state->marked_for_deletion = MarkForDeletion(file.get(), true);
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file.get()), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        file = ScopedHandle();  // closed first: an open file cannot be deleted
        return Fail("write", utf8_path, kNoStream);
    }
    file.release();  // the descriptor owns the handle now
    state->stream = _fdopen(fd, "wb");
    if (state->stream == nullptr) {
        _close(fd);
        return Fail("write", utf8_path, kNoStream);
    }
    return ReplacingFile(std::move(state));
}

std::FILE* ReplacingFile::stream() const { return state_->stream; }

Result<> ReplacingFile::Write(ByteView bytes) {
    if (state_->stream == nullptr) return Fail("write", state_->destination_utf8, kFileClosedText);
    if (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), state_->stream) == bytes.size()) return {};
    return StreamFailure(state_->destination_utf8);
}

// The stream buffers the pieces, so they still reach the file in few writes.
Result<> ReplacingFile::Write(std::span<const ByteView> pieces) {
    for (const ByteView piece : pieces)
        if (auto written = Write(piece); !written) return written;
    return {};
}

Result<> ReplacingFile::Commit() {
    State& state = *state_;
    const std::string& path = state.destination_utf8;
    if (state.stream == nullptr || state.committed) return Fail("write", path, kFileClosedText);
    const HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(state.stream)));
    Result<> outcome;
    if (std::fflush(state.stream) != 0) {
        outcome = StreamFailure(path);
    } else if (std::ferror(state.stream) != 0) {
        outcome = Fail("write", path, kEarlierWriteFailedText);
    } else if (state.replaces_existing && !FlushFileBuffers(file)) {
        // The data must be on the disk before the name points at it, or a crash could
        // leave an empty file where the old one was. A new name has no old file to lose,
        // and waiting for the disk once per file would make writing many small files (a
        // module's icons) slower than everything else together.
        outcome = FailFromSystem("write", path);
    }
    if (outcome && state.marked_for_deletion && !MarkForDeletion(file, false)) outcome = FailFromSystem("write", path);
    const int closed = std::fclose(state.stream);
    state.stream = nullptr;
    if (outcome && closed != 0) outcome = StreamFailure(path);
    if (outcome && !MoveFileExW(state.temporary.c_str(), state.destination.c_str(),
                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        outcome = FailFromSystem("write", path);
    state.committed = outcome.has_value();
    return outcome;
}

Result<> ReplacingFile::Commit(std::string_view destination_utf8_path) {
    State& state = *state_;
    state.destination_utf8 = destination_utf8_path;
    state.destination = WideFromUtf8(destination_utf8_path);
    if (state.destination.empty()) return FailWithSystemCode("write", state.destination_utf8, ERROR_INVALID_NAME);
    if (!IsRegularOrAbsent(state.destination))
        return Fail("write", state.destination_utf8, IsFolder(state.destination) ? kIsFolderText : kNotRegularFileText);
    state.replaces_existing = GetFileAttributesW(state.destination.c_str()) != INVALID_FILE_ATTRIBUTES;
    return Commit();
}

bool ReplacingFile::LeavesNothingIfEnded() const { return state_->marked_for_deletion; }

std::uint64_t OpenFileLimit() { return static_cast<std::uint64_t>(_getmaxstdio()); }

// Windows has no signal for a file-size limit: a write past any quota simply fails.
void LetFileSizeLimitFailWrites() {}

}  // namespace icoforge
