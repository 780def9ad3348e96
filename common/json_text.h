#pragma once
// JSON values written straight into a line of text: `list --json` and the scan's index
// write a line for every file or group they meet, and building a JSON object first cost
// more than the rest of the line's work.

#include <cstdint>
#include <string>
#include <string_view>

namespace icoforge {

// `text` as a JSON string: plain printable ASCII as it stands, anything else escaped as
// the JSON library escapes it, with U+FFFD for every byte that is not UTF-8.
void AppendJsonText(std::string& out, std::string_view text);

void AppendJsonNumber(std::string& out, std::uint64_t number);

}  // namespace icoforge
