#pragma once
// What the scan takes from a file: every group the catalogue lists (icons, cursors,
// animations), each with the bytes written for it and what the index says about it. One
// group at a time is handed over, so a worker never holds more than one group's bytes.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "common/bytes.h"
#include "common/failure.h"
#include "iconextract/catalogue.h"
#include "platform/file_reader.h"

namespace icoforge::scan {

// True when the first bytes say the file may hold groups: a module, a resource file, an
// icon, cursor or animation file. Everything else is passed over without more reading.
bool MayHoldGroups(ByteView file);

// The same question asked with a few small reads rather than a mapping: a module's
// headers and its resource root say whether any type a group is made of is there at all,
// which passes over most of a system folder's libraries. True wherever those bytes cannot
// tell, so that the whole file decides.
Result<bool> MayHoldGroups(const FileReader& file);

struct FoundGroup {
    std::string kind;                     // the file's: "pe32", "pe32+", "ne", "ico", "cur", "ani", "res"
    std::string type;                     // "icon", "cursor", "animated-icon", "animated-cursor"
    std::optional<std::uint32_t> id;      // an integer name
    std::optional<std::string> name;      // a string name
    std::optional<std::uint16_t> language;
    std::uint32_t index = 1;              // as `group` and `extract` count, from 1 per type
    std::string images = "[]";           // in the index's JSON, as `list --json` gives them
    std::string extension;                // "ico", "cur", "ani"
    ByteBuffer bytes;                     // the group as written; empty when `problem` is set
    // The perceptual hash, computed only when asked: a group met again has it already.
    std::function<std::optional<std::uint64_t>()> dhash;
    std::optional<std::string> problem;   // why this group could not be written
};

// A fault of the file that the catalogue found on its way ("icon group 3: ...").
struct FileProblem {
    std::string text;
};

// Calls `take` for every group of the file in the catalogue's order, then `fault` for
// every problem the catalogue found. Fails only when the file cannot be read as any
// supported kind.
Result<> ForEachGroup(ByteView file, const std::function<void(FoundGroup&&)>& take,
                      const std::function<void(FileProblem&&)>& fault);

}  // namespace icoforge::scan
