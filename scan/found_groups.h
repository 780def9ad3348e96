#pragma once
// What the scan takes from a file: every group it holds (icons, cursors, animations),
// each with the bytes written for it and what the index says about it. One group at a
// time is handed over, so a worker never holds more than one group's bytes.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "common/bytes.h"
#include "common/failure.h"

namespace icoforge::scan {

// Files the scan reads, told apart by their first bytes whatever their names.
enum class FileKind : std::uint8_t { Module, IconFile, CursorFile, AnimatedCursor, ResourceFile, Other };

FileKind KindByContent(ByteView file);

struct FoundGroup {
    std::string kind;                     // "icon", "cursor", "animation"
    std::string type;                     // the resource type, or the file's for a lone file
    std::optional<std::uint32_t> id;      // an integer name
    std::optional<std::string> name;      // a string name
    std::optional<std::uint16_t> language;
    nlohmann::json images = nlohmann::json::array();
    std::string extension;                // "ico", "cur", "ani"
    ByteBuffer bytes;                     // the group as written; empty when `problem` is set
    std::optional<std::uint64_t> dhash;
    std::optional<std::string> problem;   // why this group could not be taken
};

// Calls `take` for every group of the file, in the file's order. A group that cannot be
// read comes with its problem and no bytes. Fails only when the file's own structure
// cannot be read at all (a module whose tables are damaged).
Result<> ForEachGroup(ByteView file, FileKind kind, const std::function<void(FoundGroup&&)>& take);

}  // namespace icoforge::scan
