// The index reader on arbitrary text, read as JSON Lines and as CSV, line by line and in
// blocks. Every line it hands over must be one the index accepts, and must come back the
// same when written and read again in either form.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "scan/index.h"
#include "scan/resume.h"

namespace {

using namespace icoforge::scan;

bool IsColumn(const std::string& key) {
    for (std::size_t i = 0; i < kIndexColumnCount; ++i)
        if (key == kIndexColumns[i]) return true;
    return false;
}

void RoundTrip(const nlohmann::json& line) {
    if (!IsValidIndexLine(line)) std::abort();
    for (const IndexFormat format : {IndexFormat::JsonLines, IndexFormat::Csv}) {
        const std::string text = IndexHeader(format) + FormatIndexLine(line, format);
        int seen = 0;
        const auto report = ReadIndexText(text, format, [&](nlohmann::json&& again) {
            ++seen;
            // CSV leaves out what is null and what it has no column for; JSON keeps both.
            // What has a value must survive.
            for (const auto& [key, value] : line.items())
                if (!value.is_null() && (format == IndexFormat::JsonLines || IsColumn(key)) &&
                    again.value(key, nlohmann::json()) != value)
                    std::abort();
        });
        if (!report || seen != 1 || report->cut_short) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const IndexFormat format : {IndexFormat::JsonLines, IndexFormat::Csv}) {
        std::uint64_t lines = 0;
        const auto report = ReadIndexText(text, format, [&](nlohmann::json&& line) {
            ++lines;
            RoundTrip(line);
            (void)LinePath(line);
        });
        if (report && (report->lines != lines || report->whole_bytes > size)) std::abort();
        std::uint64_t blocked = 0;
        (void)ReadIndexBlocks(text, format, [&](IndexBlock&& block) {
            if (block.empty()) std::abort();
            blocked += block.size();
            (void)IsCompleteBlock(block);
        });
        if (report && blocked != lines) std::abort();
    }
    return 0;
}
