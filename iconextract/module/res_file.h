#pragma once
// Compiled resource files (.res), as rc.exe and windres -O res write them: a run of
// entries, each a header (data size, header size, type, name, language, ...) and its
// data, every one starting on a 4-byte boundary, after an empty first entry that marks
// the file as 32-bit.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/failure.h"
#include "iconextract/module/resource_module.h"

namespace icoforge::module {

struct ResFileEntry {
    ResourceName type;  // an integer type, or a string one (custom types)
    ResourceName name;
    std::uint16_t language = 0;
    ByteView data;
};

struct ResFile {
    std::vector<ResFileEntry> entries;  // in file order
    // Why reading stopped before the end of the file, when it did: the entries before the
    // damage are kept.
    std::optional<std::string> damage;
};

// True when the bytes start with the empty entry that opens every 32-bit .res file.
bool LooksLikeResFile(ByteView file);

// Refused only when the file does not start as a 32-bit .res file does.
Result<ResFile> ReadResFile(ByteView file);

}  // namespace icoforge::module
