#pragma once
// Read-write memory backed by a file of the temporary folder, so that large pixel blocks
// are paged by the system instead of living in the process heap.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace icoforge {

// The folder for the program's temporary files, ending in the platform's separator, or
// nothing when there is none. On POSIX it is a folder of its own under $TMPDIR (or /tmp),
// made with mode 0700 and accepted only when it is a real directory owned by this user
// that nobody else can enter; on Windows it is GetTempPath's folder.
std::optional<std::string> TempFolderPath();

// Why TempFolderPath finds no folder: the folder at fault and the system's words.
struct TempFolderFailure {
    std::string folder;
    std::string reason;
};
// Nothing when the temporary folder can be used.
std::optional<TempFolderFailure> DiagnoseTempFolder();

// A file created for this mapping and mapped for reading and writing over its whole size.
// Creation differs by platform on purpose: POSIX creates the file exclusively with mode
// 0600 and refuses an existing entry or link at the path; Windows deletes what is there
// and creates a hidden file. New contents read as zeros.
class TempFileMapping {
public:
    // Nothing when the file cannot be created, sized or mapped; a file that this call
    // created is removed again in that case.
    static std::optional<TempFileMapping> Create(std::string_view utf8_path, std::uint64_t size);

    TempFileMapping(TempFileMapping&&) noexcept;
    TempFileMapping& operator=(TempFileMapping&&) noexcept;
    // Unmaps the view and closes the file; the file itself stays.
    ~TempFileMapping();

    std::uint8_t* data() const;
    std::uint64_t size() const;
    // Writes dirty pages back to the file.
    void Flush() const;

    struct State;  // the platform's handles; defined by each implementation

private:
    explicit TempFileMapping(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace icoforge
