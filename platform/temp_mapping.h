#pragma once
// Read-write memory backed by a file of the temporary folder, so that large pixel blocks
// are paged by the system instead of living in the process heap.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "common/failure.h"
#include "common/opaque.h"

namespace icoforge {

// The step a failure of the temporary folder names, with the folder at fault as its path.
inline constexpr const char* kUseTempFolderStep = "use the temporary folder";

// The folder for the program's temporary files, ending in the platform's separator, or
// why there is none. On POSIX it is a folder of its own under $TMPDIR (or /tmp), made
// with mode 0700 and accepted only when it is a real directory owned by this user that
// nobody else can enter; on Windows it is GetTempPath's folder, when it is a folder.
Result<std::string> TempFolderPath();

// A file created for this mapping and mapped for reading and writing over its whole size.
// Creation differs by platform on purpose: POSIX creates the file exclusively with mode
// 0600 and refuses an existing entry or link at the path; Windows deletes a leftover there
// and creates a new hidden file. On both, a file in use by another mapping is refused,
// never shared. New contents read as zeros.
class TempFileMapping {
public:
    // A failure to "map" the file when it cannot be created, sized or mapped; a file that
    // this call created is removed again in that case.
    static Result<TempFileMapping> Create(std::string_view utf8_path, std::uint64_t size);
    // Dropped, the view is unmapped and the file closed; the file itself stays.

    std::uint8_t* data() const;
    std::uint64_t size() const;
    // Writes dirty pages back to the file.
    void Flush() const;

    struct State;  // the platform's handles; defined by each implementation

private:
    explicit TempFileMapping(Opaque<State> state) : state_(std::move(state)) {}
    Opaque<State> state_;
};

}  // namespace icoforge
