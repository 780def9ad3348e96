#pragma once
// The extractor's two operations: one icon group of a source written out (or copied to
// the clipboard), and the number of icons in a file.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/failure.h"

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

// Why an extraction wrote nothing, besides the failures of reading the source and
// writing the output.
inline constexpr const char* kNoOutputPathText = "no output path";
inline constexpr const char* kUnsupportedSourceText = "not a module, and its name does not end in exe, dll, icl or ico";
inline constexpr const char* kNoGroupsText = "it holds no icon groups";
inline constexpr const char* kIndexBeyondGroupsText = "the index lies beyond its icon groups";
inline constexpr const char* kUnsupportedOutputText = "its name does not end in ico or bmp";
inline constexpr const char* kNoImagesText = "the icon group has no images";

struct ExtractOutcome {
    std::int32_t groups = 0;  // what ExtractIconGroup returns
    // The file written whole or the image placed; else what failed: reading the source
    // ("read" on its path), or writing the output ("write" on its path, "copy to the
    // clipboard").
    Result<> written;
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
