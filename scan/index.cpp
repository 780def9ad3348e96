#include "scan/index.h"

#include <algorithm>
#include <vector>

#include "common/json_text.h"


namespace icoforge::scan {
namespace {

bool IsHex(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

bool IsStoreOutput(std::string_view output) {
    if (output.size() != 2 + 1 + 64 + 4 || output[2] != '/' || output[67] != '.') return false;
    const std::string_view extension = output.substr(68);
    return IsHex(output.substr(0, 2)) && IsHex(output.substr(3, 64)) && output.substr(0, 2) == output.substr(3, 2) &&
           (extension == "ico" || extension == "cur" || extension == "ani");
}

// Fields by the type the index gives them; a field may also be null (not known).
enum class FieldType { Text, Count, Images };
struct FieldRule {
    const char* name;
    FieldType type;
};
constexpr FieldRule kFields[] = {
    {"path", FieldType::Text},     {"size", FieldType::Count},      {"mtime", FieldType::Text},
    {"module_sha256", FieldType::Text}, {"kind", FieldType::Text},  {"type", FieldType::Text},
    {"id", FieldType::Count},      {"name", FieldType::Text},       {"language", FieldType::Count},
    {"images", FieldType::Images}, {"sha256", FieldType::Text},     {"dhash", FieldType::Text},
    {"output", FieldType::Text},   {"groups", FieldType::Count},    {"error", FieldType::Text},
    {"path_hex", FieldType::Text}, {"index", FieldType::Count},
};

bool FieldFits(const nlohmann::json& value, FieldType type) {
    if (value.is_null()) return true;
    switch (type) {
    case FieldType::Text: return value.is_string();
    case FieldType::Count: return value.is_number_unsigned();
    case FieldType::Images: return value.is_array();
    }
    return false;
}

// CSV: one record's cells, and where it ends. Quoted cells may hold commas, quotes
// ("" for one) and line ends. Nothing when the record does not end before the text does.
struct CsvRecord {
    std::vector<std::string> cells;
    std::vector<bool> quoted;  // per cell: an empty quoted cell is an empty text, not a missing one
    std::size_t end = 0;  // just past the record's line end
};
std::optional<CsvRecord> NextCsvRecord(std::string_view text, std::size_t at) {
    CsvRecord record;
    std::string cell;
    bool quoted = false;
    bool was_quoted = false;
    for (std::size_t i = at; i < text.size(); ++i) {
        const char c = text[i];
        if (i - at > kMaxIndexLineBytes) return std::nullopt;
        if (quoted) {
            if (c != '"') cell += c;
            else if (i + 1 < text.size() && text[i + 1] == '"') cell += text[++i];
            else quoted = false;
        } else if (c == '"' && cell.empty() && !was_quoted) {
            quoted = was_quoted = true;
        } else if (c == ',') {
            record.cells.push_back(std::move(cell));
            record.quoted.push_back(was_quoted);
            cell.clear();
            was_quoted = false;
        } else if (c == '\n') {
            if (!was_quoted && !cell.empty() && cell.back() == '\r') cell.pop_back();
            record.cells.push_back(std::move(cell));
            record.quoted.push_back(was_quoted);
            record.end = i + 1;
            return record;
        } else {
            cell += c;
        }
    }
    return std::nullopt;
}

// A cell as it stands unless it is empty or holds what CSV quotes for.
std::string CsvCell(std::string text) {
    if (!text.empty() && text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::optional<std::uint64_t> CountOf(const std::string& cell) {
    if (cell.empty() || cell.size() > 20 || !std::all_of(cell.begin(), cell.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : cell) {
        const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

// A CSV record as the JSON line it stands for; cells that are not of their column's
// type make the line invalid, as a JSON line with such a field would be.
std::optional<nlohmann::json> LineOfRecord(const CsvRecord& record, const std::vector<int>& columns) {
    const auto& cells = record.cells;
    if (cells.size() != columns.size()) return std::nullopt;
    nlohmann::json line = nlohmann::json::object();
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const std::string& cell = cells[i];
        if (columns[i] < 0 || (cell.empty() && !record.quoted[i])) continue;
        const FieldRule& rule = kFields[columns[i]];
        switch (rule.type) {
        case FieldType::Text:
            if (!IsUtf8(cell)) return std::nullopt;  // as JSON text must be
            line[rule.name] = cell;
            break;
        case FieldType::Count: {
            const auto count = CountOf(cell);
            if (!count) return std::nullopt;
            line[rule.name] = *count;
            break;
        }
        case FieldType::Images: {
            auto images = nlohmann::json::parse(cell, nullptr, false);
            if (images.is_discarded()) return std::nullopt;
            line[rule.name] = std::move(images);
            break;
        }
        }
    }
    return line;
}

}  // namespace

bool IsUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<std::uint8_t>(text[i]);
        std::size_t length = 0;
        char32_t value = 0;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if (c >= 0xC2 && c <= 0xDF) length = 2, value = c & 0x1F;
        else if (c >= 0xE0 && c <= 0xEF) length = 3, value = c & 0x0F;
        else if (c >= 0xF0 && c <= 0xF4) length = 4, value = c & 0x07;
        else return false;
        if (i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<std::uint8_t>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            value = (value << 6) | (next & 0x3F);
        }
        if ((length == 3 && value < 0x800) || (length == 4 && (value < 0x10000 || value > 0x10FFFF)) ||
            (value >= 0xD800 && value <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

const char* const kIndexColumns[] = {"path", "size", "mtime", "module_sha256", "kind", "type", "id", "name",
                                     "language", "images", "sha256", "dhash", "output", "groups", "error", "path_hex", "index"};
const std::size_t kIndexColumnCount = std::size(kIndexColumns);

IndexFormat IndexFormatOf(std::string_view index_path) {
    if (index_path.size() < 4) return IndexFormat::JsonLines;
    std::string ending(index_path.substr(index_path.size() - 4));
    for (char& c : ending)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ending == ".csv" ? IndexFormat::Csv : IndexFormat::JsonLines;
}

std::string IndexHeader(IndexFormat format) {
    if (format != IndexFormat::Csv) return {};
    std::string header;
    for (std::size_t i = 0; i < kIndexColumnCount; ++i) {
        if (i > 0) header += ',';
        header += kIndexColumns[i];
    }
    return header + '\n';
}

IndexLine::Field& IndexLine::Set(std::string_view key, Kind kind) {
    auto field = std::find_if(fields_.begin(), fields_.end(), [&](const Field& f) { return f.key == key; });
    if (field == fields_.end()) field = fields_.insert(fields_.end(), Field{std::string(key)});
    field->kind = kind;
    return *field;
}

IndexLine& IndexLine::Text(std::string_view key, std::string_view value) {
    Set(key, Kind::Text).text = value;
    return *this;
}

IndexLine& IndexLine::Count(std::string_view key, std::uint64_t value) {
    Set(key, Kind::Count).count = value;
    return *this;
}

IndexLine& IndexLine::Null(std::string_view key) {
    Set(key, Kind::Null);
    return *this;
}

IndexLine& IndexLine::TextOrNull(std::string_view key, const std::optional<std::string>& value) {
    return value ? Text(key, *value) : Null(key);
}

IndexLine& IndexLine::CountOrNull(std::string_view key, std::optional<std::uint64_t> value) {
    return value ? Count(key, *value) : Null(key);
}

IndexLine& IndexLine::Json(std::string_view key, std::string json) {
    Set(key, Kind::Json).text = std::move(json);
    return *this;
}

std::string IndexLine::Format(IndexFormat format) const {
    std::string text;
    if (format == IndexFormat::JsonLines) {
        std::vector<const Field*> sorted;
        for (const Field& field : fields_) sorted.push_back(&field);
        std::sort(sorted.begin(), sorted.end(), [](const Field* a, const Field* b) { return a->key < b->key; });
        text += '{';
        for (const Field* field : sorted) {
            if (text.size() > 1) text += ',';
            AppendJsonText(text, field->key);
            text += ':';
            switch (field->kind) {
            case Kind::Text: AppendJsonText(text, field->text); break;
            case Kind::Count: AppendJsonNumber(text, field->count); break;
            case Kind::Null: text += "null"; break;
            case Kind::Json: text += field->text; break;
            }
        }
        return text + "}\n";
    }
    for (std::size_t i = 0; i < kIndexColumnCount; ++i) {
        if (i > 0) text += ',';
        const auto field = std::find_if(fields_.begin(), fields_.end(), [&](const Field& f) { return f.key == kIndexColumns[i]; });
        if (field == fields_.end() || field->kind == Kind::Null) continue;
        text += CsvCell(field->kind == Kind::Count ? std::to_string(field->count) : field->text);
    }
    return text + '\n';
}

std::string FormatIndexLine(const nlohmann::json& line, IndexFormat format) {
    IndexLine fields;
    for (const auto& [key, value] : line.items()) {
        if (value.is_null()) fields.Null(key);
        else if (value.is_string()) fields.Text(key, value.get_ref<const std::string&>());
        else if (value.is_number_unsigned()) fields.Count(key, value.get<std::uint64_t>());
        else fields.Json(key, value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    }
    return fields.Format(format);
}

std::string LinePath(const nlohmann::json& line) {
    const auto hex = line.find("path_hex");
    if (hex != line.end() && hex->is_string()) {
        const std::string& digits = hex->get_ref<const std::string&>();
        std::string bytes;
        for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
            const auto nibble = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
            bytes += static_cast<char>(nibble(digits[i]) * 16 + nibble(digits[i + 1]));
        }
        return bytes;
    }
    const auto path = line.find("path");
    return path != line.end() && path->is_string() ? path->get<std::string>() : std::string();
}

bool IsValidIndexLine(const nlohmann::json& line) {
    if (!line.is_object()) return false;
    const auto path = line.find("path");
    if (path == line.end() || !path->is_string()) return false;
    for (const auto& rule : kFields) {
        const auto field = line.find(rule.name);
        if (field != line.end() && !FieldFits(*field, rule.type)) return false;
    }
    const auto hex = line.find("path_hex");
    if (hex != line.end() && hex->is_string()) {
        const auto& digits = hex->get_ref<const std::string&>();
        if (digits.size() % 2 != 0 || !IsHex(digits)) return false;
    }
    const auto output = line.find("output");
    if (output != line.end() && output->is_string() && !IsStoreOutput(output->get_ref<const std::string&>())) return false;
    return true;
}

Result<IndexReadReport> ReadIndexText(std::string_view text, IndexFormat format,
                                      const std::function<void(nlohmann::json&&)>& take) {
    IndexReadReport report;
    std::size_t at = 0;
    if (format == IndexFormat::Csv) {
        if (text.empty()) return report;
        const auto header = NextCsvRecord(text, 0);
        if (!header) {
            report.cut_short = true;
            return report;
        }
        std::vector<int> columns;
        for (const auto& cell : header->cells) {
            int column = -1;
            for (std::size_t i = 0; i < std::size(kFields); ++i)
                if (cell == kFields[i].name) column = static_cast<int>(i);
            if (column < 0 || std::count(columns.begin(), columns.end(), column) > 0)
                return Fail("read", "", "not an index: its CSV header names '" + cell + "'");
            columns.push_back(column);
        }
        at = report.whole_bytes = header->end;
        while (at < text.size()) {
            const auto record = NextCsvRecord(text, at);
            if (!record) break;
            auto line = LineOfRecord(*record, columns);
            if (line && IsValidIndexLine(*line)) {
                ++report.lines;
                take(std::move(*line));
            } else {
                ++report.refused;
            }
            at = report.whole_bytes = record->end;
        }
        report.cut_short = at < text.size();
        return report;
    }
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) break;
        const std::string_view raw = text.substr(at, end - at);
        nlohmann::json line;
        if (raw.size() <= kMaxIndexLineBytes) line = nlohmann::json::parse(raw.begin(), raw.end(), nullptr, false);
        if (!line.is_discarded() && IsValidIndexLine(line)) {
            ++report.lines;
            take(std::move(line));
        } else {
            ++report.refused;
        }
        at = report.whole_bytes = end + 1;
    }
    report.cut_short = at < text.size();
    return report;
}

}  // namespace icoforge::scan
