#pragma once
// The extractor's two operations: one icon group of a source written out (or copied to
// the clipboard), and the number of icons in a file.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_error.h"

namespace icoforge {

// Modes of ExtractIconGroup. Any other value counts as kModeClipboard.
constexpr std::int32_t kModeWriteFile = 0;
constexpr std::int32_t kModeClipboard = 1;

// What a path names, by its last three bytes with ASCII letters lowered (the whole path
// when shorter); no dot is needed, so "myico" is an icon file.
enum class SourceKind : std::uint8_t { IconFile, Module, Other };
enum class OutputKind : std::uint8_t { IconFile, Bitmap, Other };
std::string LastThreeLowered(std::string_view path);
SourceKind SourceKindOf(std::string_view path);
OutputKind OutputKindOf(std::string_view path);

// Why an extraction wrote nothing, for callers that tell the user.
enum class ExtractFailure : std::uint8_t {
    None,
    NoOutputPath,      // mode 0 without an output path; the source is not opened
    UnsupportedSource, // source kind not ico, exe, dll or icl
    ModuleNotMapped,   // not a module that can be mapped as a data file
    NoGroups,          // a module without icon groups
    IndexOutOfRange,   // index beyond the groups of the source
    IconFileNotRead,   // .ico missing, unreadable, not an icon file, or an image outside it
    GroupNotLoaded,    // the module's group or one of its images is missing or damaged
    UnsupportedOutput, // output kind neither ico nor bmp
    NoImages,          // bitmap or clipboard output of a group without images
    ImageRefused,      // a PNG or incomplete first image for the bitmap or clipboard output
    WriteFailed,       // the file could not be written, or the clipboard would not take it
};

struct ExtractOutcome {
    std::int32_t groups = 0;  // what ExtractIconGroup returns
    bool written = false;     // the file was written whole, or the image placed
    ExtractFailure failure = ExtractFailure::None;
    FileError write_error;    // why, for WriteFailed to a file
};

// ExtractIconGroup with what happened to the output. The result alone does not say
// whether anything was written.
ExtractOutcome ExtractIconGroupOutcome(std::string_view source, std::int32_t mode, std::string_view output,
                                       std::int32_t index);

// Picks the group at the 1-based `index` (below 1 counts as 1) of `source` (a module by
// its content, else an icon file or module by its name), and writes it
// to `output` (mode 0: the whole group for an output ending in ico, its first image for
// one ending in bmp) or copies its first image to the clipboard (mode 1; any mode other
// than 0). Returns the number of groups in the source (1 for an .ico file) when the
// index lies within them, else 0; mode 0 with an empty output returns 0 at once.
std::int32_t ExtractIconGroup(std::string_view source, std::int32_t mode = kModeClipboard,
                              std::string_view output = {}, std::int32_t index = 1);

// The same as ExtractIconGroupOutcome(source, kModeWriteFile, output_for(n), n) for n = 1
// to `count`, one outcome each, the files byte for byte the same; the source is opened and
// its tables read once for all of them, so the time grows with the groups, not their square.
std::vector<ExtractOutcome> ExtractEveryIconGroup(std::string_view source, std::int32_t count,
                                                  const std::function<std::string(std::int32_t)>& output_for);

// True when the file's content is a Windows module (MZ with a PE or NE header), whatever
// its name.
bool IsModuleFile(std::string_view path);

// The number of icons in the file by its content: a module's number of icon groups, 1
// for an icon or cursor file with at least one entry, 0 for anything else or a file that
// cannot be read.
std::int32_t GetIconCount(std::string_view path);

}  // namespace icoforge
