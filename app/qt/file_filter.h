#pragma once
// The open-file dialog's filter text ("description|patterns|...||", patterns separated by
// ";") as the name filters Qt's file dialog takes: "description (pattern pattern)". Kept
// free of Qt so that the rule is tested on its own.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace icoforge {

// One name filter per description/patterns pair, in order. An empty field ends the list,
// as the trailing "||" does; a pair whose patterns are only separators is dropped, since
// Qt would read its description as a pattern.
std::vector<std::string> NameFiltersOf(std::string_view filter);

// The 0-based filter that a 1-based filter index selects; 0 when out of range, which
// is what a dialog does with an index it cannot use.
std::size_t SelectedNameFilter(std::int32_t filter_index, std::size_t filter_count);

}  // namespace icoforge
