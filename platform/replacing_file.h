#pragma once
// A file written beside its destination as a temporary (on Linux one with no name) and
// given the destination's name only when complete, so that a full disk, a file-size limit
// or a crash never leaves a truncated file where a good one was.

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "common/bytes.h"
#include "common/failure.h"
#include "common/opaque.h"

namespace icoforge {

class ReplacingFile {
public:
    // Creates the temporary file (exclusively, never opening one that is there) in the
    // destination's folder. A failure to "write" the destination when the temporary cannot
    // be made, or (here, or at Commit where the system can move a file to a new name only
    // if it is new) when the destination exists and is not a regular file (a folder, a
    // FIFO, a device).
    static Result<ReplacingFile> Create(std::string_view destination_utf8_path);
    // Dropped without a successful Commit, the temporary is removed and the destination
    // is untouched.

    // The temporary file's stream, for writers that produce their output piece by piece.
    std::FILE* stream() const;
    Result<> Write(ByteView bytes);
    // The pieces one after another, as one gathered write where the system has one: no
    // joined copy of a file made of a header, a directory and its images.
    Result<> Write(std::span<const ByteView> pieces);
    // Flushes the temporary to the disk, closes it and moves it over the destination. When
    // any step fails, the temporary is removed and the destination is as it was.
    Result<> Commit();
    // The same under another name in the folder it was created for: a file whose name
    // depends on the files before it can be written first and named when its turn comes.
    Result<> Commit(std::string_view destination_utf8_path);
    // Whether a program ended before Commit (Ctrl+C, a crash) leaves nothing behind: true
    // for a temporary with no name (Linux) or one marked for deletion (Windows), false for
    // a named one on a file system that has neither (NFS, FAT, an NTFS mount on Linux).
    bool LeavesNothingIfEnded() const;

    struct State;  // the platform's handles; defined by each implementation

private:
    explicit ReplacingFile(Opaque<State> state) : state_(std::move(state)) {}
    Opaque<State> state_;
};

// How many files the process may hold open at once (its descriptors on POSIX, the C
// runtime's streams on Windows), which bounds how many ReplacingFiles a caller may keep.
std::uint64_t OpenFileLimit();

// A name for the temporary beside `destination`, unlikely to be taken: the destination's
// own name with a random suffix, so that it lands in the same folder and file system.
std::string TemporaryPathBeside(std::string_view destination_utf8_path);

// A write past the process's file-size limit then fails with an error the writer can
// report and clean up after, instead of a signal that ends the program. Called once, at
// the start of the command line; nothing to do where the system sends no such signal.
void LetFileSizeLimitFailWrites();

}  // namespace icoforge
