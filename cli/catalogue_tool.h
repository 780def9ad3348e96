#pragma once
// `icoforge list` and the options of `icoforge extract` that read a file's catalogue:
// what the options asked for, and the work, apart from how the arguments were parsed.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/subcommand.h"
#include "iconextract/catalogue.h"

namespace icoforge::cli {

// The line (one JSON object) `list --json` prints for one file, without its line end (see
// the README for the fields); `read_from` is the SystemResources .mun read in the
// module's place, if one was.
std::string CatalogueJson(const std::string& path, const catalogue::Catalogue& catalogue,
                          const std::optional<std::string>& read_from);

// The people's table of one file, every line ending in '\n'.
std::string CatalogueTable(const std::string& path, const catalogue::Catalogue& catalogue,
                           const std::optional<std::string>& read_from);

int ListFiles(const Invocation& run, const std::vector<std::string>& files, bool json);

// The group `--group` names: a whole number is its id, anything else its name, letter case
// ignored.
bool GroupIsCalled(const catalogue::CatalogueGroup& group, const std::string& id_or_name);

// What picks the icon group at a shortcut's icon index, as ExtractIcon counts: from 0, the
// icon group of that place in the file's order; below 0, the one whose id is the index's
// magnitude. Nothing for 0, the group Explorer shows for the file anyway.
std::function<bool(const catalogue::CatalogueGroup&)> IconAtIndex(std::int32_t index);

// The file a module's icons are read from: the module itself, or the SystemResources .mun
// that Windows 10 and 11 read when the module holds none (said once, as list and extract say
// it); `path` itself for every other file, and for one that cannot be read.
std::string IconSourceFor(const Invocation& run, const std::string& path);

struct ExtractRequest {
    std::vector<std::string> files;
    std::string folder = ".";
    bool names = false;
    bool icons = true;
    bool cursors = false;     // cursor groups and animated cursors
    bool animated_icons = false;
    bool png = false;
    bool orphans = false;
    std::optional<std::string> group;  // an id, or a name (letter case ignored)
    std::optional<std::uint16_t> language;
};

int ExtractFiles(const Invocation& run, const ExtractRequest& request);

// A name part made safe for Windows and Linux file systems alike: no separators, none of
// < > : " | ? * or control characters, no trailing dot or space, no device name (CON,
// NUL, COM1, ...), at most kMaxNamePartBytes bytes (cut at a character boundary).
constexpr std::size_t kMaxNamePartBytes = 120;
std::string SafeNamePart(const std::string& text);

// The file name (without folder) for a group under --names or not; `module` is the
// source's file name without its extension, `variants` how many language variants its
// name has, and `image` (1-based) the image for --png, 0 for the group's own file.
std::string GroupFileName(const catalogue::CatalogueGroup& group, bool names, const std::string& module,
                          std::size_t variants, std::size_t image);

}  // namespace icoforge::cli
