#include "app/qt/file_filter.h"

namespace icoforge {
namespace {

std::string_view NextField(std::string_view& rest) {
    const std::size_t bar = rest.find('|');
    const std::string_view field = rest.substr(0, bar);
    rest = bar == std::string_view::npos ? std::string_view() : rest.substr(bar + 1);
    return field;
}

}  // namespace

std::vector<std::string> NameFiltersOf(std::string_view filter) {
    std::vector<std::string> filters;
    std::string_view rest = filter;
    while (!rest.empty()) {
        const std::string_view description = NextField(rest);
        const std::string_view patterns = NextField(rest);
        // An empty field ends the list, as the "||" at its end does.
        if (description.empty() || patterns.empty()) break;
        std::string spaced;
        for (std::size_t start = 0; start <= patterns.size();) {
            std::size_t end = patterns.find(';', start);
            if (end == std::string_view::npos) end = patterns.size();
            const std::string_view pattern = patterns.substr(start, end - start);
            if (!pattern.empty()) {
                if (!spaced.empty()) spaced += ' ';
                spaced += pattern;
            }
            start = end + 1;
        }
        if (spaced.empty()) continue;
        // Qt takes the patterns from the last parenthesised group, so the description may
        // hold parentheses of its own (as "(*.exe)" in a Windows filter does).
        filters.push_back(std::string(description) + " (" + spaced + ")");
    }
    return filters;
}

std::size_t SelectedNameFilter(std::int32_t filter_index, std::size_t filter_count) {
    if (filter_index < 1 || static_cast<std::size_t>(filter_index) > filter_count) return 0;
    return static_cast<std::size_t>(filter_index) - 1;
}

}  // namespace icoforge
