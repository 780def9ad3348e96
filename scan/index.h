#pragma once
// The index of a scan: one line per group found in a file, one per file that could not be
// read. JSON Lines, or CSV with a header row when the index's name ends in ".csv". The
// reader takes text that may come from anywhere (a crashed run, another machine, a hostile
// file) and hands over only lines it has checked.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "common/failure.h"

namespace icoforge::scan {

// True when the text is well-formed UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF). Every text of the index is; a path that is not is named by its bytes too.
bool IsUtf8(std::string_view text);

enum class IndexFormat : std::uint8_t { JsonLines, Csv };

IndexFormat IndexFormatOf(std::string_view index_path);

// The longest line the reader takes: a group of many images makes a long "images" list,
// but even 65,535 images stay below it; longer lines are refused rather than parsed.
inline constexpr std::size_t kMaxIndexLineBytes = 16u << 20;

// The columns of the CSV form, in order; the JSON form has the same names.
extern const char* const kIndexColumns[];
extern const std::size_t kIndexColumnCount;

// What the CSV form opens with: its header row.
std::string IndexHeader(IndexFormat format);

// One line's fields, written as the JSON object of the same fields would be (keys in
// sorted order, text escaped alike) without building that object: a scan writes a line
// for every group it meets. Setting a field again replaces it.
class IndexLine {
public:
    IndexLine& Text(std::string_view key, std::string_view value);
    IndexLine& Count(std::string_view key, std::uint64_t value);
    IndexLine& Null(std::string_view key);
    // The value, or null when there is none.
    IndexLine& TextOrNull(std::string_view key, const std::optional<std::string>& value);
    IndexLine& CountOrNull(std::string_view key, std::optional<std::uint64_t> value);
    // A value in JSON already (the images of a group).
    IndexLine& Json(std::string_view key, std::string json);

    // The line, ending in '\n'.
    std::string Format(IndexFormat format) const;

private:
    enum class Kind : std::uint8_t { Text, Count, Null, Json };
    struct Field {
        std::string key;
        Kind kind = Kind::Null;
        std::string text;  // a Text's value, or a Json's
        std::uint64_t count = 0;
    };
    Field& Set(std::string_view key, Kind kind);
    std::vector<Field> fields_;
};

// One line, ending in '\n'.
std::string FormatIndexLine(const nlohmann::json& line, IndexFormat format);

// The path a line names, as bytes: "path_hex" when the name is not UTF-8, else "path".
std::string LinePath(const nlohmann::json& line);

// A checked line: an object with a path, and every field the index defines of its type;
// an "output" only in the store's own shape (two hex digits, '/', 64 hex digits, '.',
// ico|cur|ani), so that nothing read can point outside the store.
bool IsValidIndexLine(const nlohmann::json& line);

struct IndexReadReport {
    std::uint64_t lines = 0;          // handed over
    std::uint64_t refused = 0;        // complete lines that were not index lines
    std::uint64_t whole_bytes = 0;    // where the last complete line ends
    bool cut_short = false;           // text after the last line end (a crash cut it)
};

// Hands every valid line of `text` to `take`, in order. The last line counts only when
// it ends in a line end. Fails on a CSV text whose header is not the index's.
Result<IndexReadReport> ReadIndexText(std::string_view text, IndexFormat format,
                                      const std::function<void(nlohmann::json&&)>& take);

}  // namespace icoforge::scan
