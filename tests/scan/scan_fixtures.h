#pragma once
// What the scan's tests share: modules made from seeds (one icon group per seed, the same
// seed giving the same group in every module), reading an index back, and the check that
// every output an index names is on disk with the bytes its name promises.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/path.h"
#include "scan/index.h"
#include "scan/sha256.h"
#include "tests/support/ico_builder.h"
#include "tests/support/module_builder.h"

namespace icoforge::testing {

namespace fs = std::filesystem;

inline ByteBuffer ModuleWithGroups(const std::vector<std::uint8_t>& seeds, std::int32_t edge = 16) {
    std::vector<ModuleResource> resources;
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        const auto icon = static_cast<std::uint16_t>(100 + i);
        resources.push_back({Type(ResourceType::Icon), ResourceName::Id(icon),
                             MakeDibImage({.width = edge, .height = edge, .bit_count = 8, .seed = seeds[i]})});
        resources.push_back({Type(ResourceType::GroupIcon), ResourceName::Id(static_cast<std::uint16_t>(1 + i)),
                             MakeGroupResource({icon})});
    }
    return BuildModule(ModuleFormat::Pe32, resources);
}

inline void WriteBytes(const fs::path& path, const ByteBuffer& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::vector<nlohmann::json> ReadIndexLines(const fs::path& path) {
    std::vector<nlohmann::json> lines;
    const std::string text = ReadText(path);
    const auto report = scan::ReadIndexText(text, scan::IndexFormatOf(Utf8FromPath(path)),
                                            [&](nlohmann::json&& line) { lines.push_back(std::move(line)); });
    EXPECT_TRUE(report && report->refused == 0 && !report->cut_short) << Utf8FromPath(path);
    return lines;
}

// The index as a sorted list of its lines, for comparing runs whose order differs.
inline std::vector<std::string> SortedLines(const std::vector<nlohmann::json>& lines) {
    std::vector<std::string> texts;
    for (const auto& line : lines) texts.push_back(line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    std::sort(texts.begin(), texts.end());
    return texts;
}

// Every output named is there, whole: its bytes hash to its name and its sha256 field.
inline void ExpectOutputsWhole(const fs::path& store, const std::vector<nlohmann::json>& lines) {
    for (const auto& line : lines) {
        if (!line.contains("output")) continue;
        const std::string output = line["output"];
        const std::string bytes = ReadText(store / PathFromUtf8(output));
        const std::string sha = scan::HexOf(scan::Sha256Of({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}));
        EXPECT_EQ(sha, line["sha256"]) << output;
        EXPECT_EQ(output.substr(3, 64), sha) << output;
    }
}

// Files whose names say they are the store's temporaries.
inline int Temporaries(const fs::path& folder) {
    int count = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        if (Utf8FromPath(it->path().filename()).find(".icoforge-") != std::string::npos) ++count;
    return count;
}

inline int StoredOutputs(const fs::path& folder) {
    int count = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        if (it->is_regular_file() && it->path().extension() != ".jsonl" && it->path().extension() != ".csv") ++count;
    return count;
}

}  // namespace icoforge::testing
