// Dedup, resume and shards: whatever state a crash leaves (an index cut anywhere, outputs
// written ahead of their lines, temporaries), a resumed run ends with the lines of one
// clean run; shards merged equal one scan; a second copy of a tree adds no output.

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <set>

#include "scan/merge.h"
#include "scan/scan.h"
#include "tests/scan/scan_fixtures.h"
#include "tests/support/temp_folder.h"

namespace icoforge::testing {
namespace {

constexpr bool kWindows = fs::path::preferred_separator == '\\';

std::string U8(const fs::path& path) { return Utf8FromPath(path); }

// Modules that share most of their groups, in two levels of folders.
void MakeTree(const fs::path& tree, int modules) {
    for (int i = 0; i < modules; ++i) {
        std::vector<std::uint8_t> seeds;
        for (int g = 0; g < 1 + i % 4; ++g) seeds.push_back(static_cast<std::uint8_t>((i * 3 + g) % 11 + 1));
        WriteBytes(tree / ("d" + std::to_string(i % 5)) / ("m" + std::to_string(i) + ".dll"), ModuleWithGroups(seeds, 32));
    }
    WriteBytes(tree / "lone.ico", MakeIcoFile({MakeDibImage({.width = 16, .height = 16, .seed = 40})}));
    WriteBytes(tree / "text.txt", {'h', 'i'});
}

scan::ScanOptions Options(const fs::path& tree, const fs::path& store, const fs::path& index) {
    scan::ScanOptions options;
    options.roots = {U8(tree)};
    options.output_folder = U8(store);
    options.index_path = U8(index);
    options.jobs = 2;
    return options;
}

std::set<std::string> StoreFiles(const fs::path& store) {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(store))
        if (entry.is_regular_file() && entry.path().extension() != ".jsonl" && entry.path().extension() != ".csv")
            names.insert(U8(entry.path().filename()));
    return names;
}

class ScanResume : public ::testing::Test {
protected:
    void SetUp() override {
        MakeTree(tree_, 40);
        const auto clean = scan::RunScan(Options(tree_, clean_store_, clean_index_));
        ASSERT_TRUE(clean);
        clean_lines_ = SortedLines(ReadIndexLines(clean_index_));
        ASSERT_GT(clean_lines_.size(), 80u);
    }
    TempFolder temp_;
    fs::path tree_ = temp_.path() / "tree";
    fs::path clean_store_ = temp_.path() / "clean";
    fs::path clean_index_ = clean_store_ / "index.jsonl";
    std::vector<std::string> clean_lines_;
};

TEST_F(ScanResume, ResumeAfterAnyCutEqualsOneCleanRun) {
    const std::string index_text = ReadText(clean_index_);
    std::mt19937 random(21);
    for (int round = 0; round < 12; ++round) {
        const fs::path store = temp_.path() / ("crashed" + std::to_string(round));
        fs::remove_all(store);
        fs::copy(clean_store_, store, fs::copy_options::recursive);
        // The crash: the index ends anywhere, even inside a line or a file's block; a
        // temporary is left beside the outputs; the outputs written ahead of the index
        // stay (their lines are lost), and some a crash never got to write are gone.
        const std::size_t cut = round == 0 ? 0 : random() % index_text.size();
        WriteBytes(store / "index.jsonl", ByteBuffer(index_text.begin(), index_text.begin() + cut));
        const auto lines_after = ReadIndexLines(clean_index_);
        WriteBytes(store / "ab" / "abab.ico.icoforge-0123456789ab.tmp", {1, 2, 3});
        for (const auto& entry : fs::recursive_directory_iterator(store))
            if (entry.is_regular_file() && entry.path().extension() == ".ico" && random() % 4 == 0 &&
                index_text.substr(0, cut).find(U8(entry.path().filename())) == std::string::npos)
                fs::remove(entry.path());

        auto options = Options(tree_, store, store / "index.jsonl");
        options.resume = true;
        const auto resumed = scan::RunScan(options);
        ASSERT_TRUE(resumed) << resumed.error().Describe();
        const auto lines = ReadIndexLines(store / "index.jsonl");
        EXPECT_EQ(SortedLines(lines), clean_lines_) << "cut at " << cut;
        ExpectOutputsWhole(store, lines);
        EXPECT_EQ(Temporaries(store), 0) << "cut at " << cut;
        EXPECT_EQ(StoreFiles(store), StoreFiles(clean_store_));
    }
}

TEST_F(ScanResume, ResumeOfAWholeIndexReadsNothingAgain) {
    auto options = Options(tree_, clean_store_, clean_index_);
    options.resume = true;
    const auto again = scan::RunScan(options);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->counts.files_done, 1u);  // text.txt: a file without groups has no line to be known by
    EXPECT_EQ(SortedLines(ReadIndexLines(clean_index_)), clean_lines_);
}

TEST_F(ScanResume, ShardsMergedEqualOneScanAndACopyAddsNoOutput) {
    constexpr std::uint32_t kShards = 3;
    std::vector<std::string> indexes;
    std::set<std::string> outputs;
    for (std::uint32_t k = 1; k <= kShards; ++k) {
        const fs::path store = temp_.path() / ("shard" + std::to_string(k));
        auto options = Options(tree_, store, store / "index.csv");  // shards may write either form
        options.shard = scan::Shard{k, kShards};
        ASSERT_TRUE(scan::RunScan(options));
        indexes.push_back(U8(store / "index.csv"));
        const auto files = StoreFiles(store);
        outputs.insert(files.begin(), files.end());
    }
    indexes.push_back(indexes.front());  // a shard named twice adds nothing
    std::string merged;
    const auto outcome = scan::MergeIndexes(indexes, scan::IndexFormat::JsonLines, [&](std::string_view text) -> Result<> {
        merged += text;
        return {};
    });
    ASSERT_TRUE(outcome);
    WriteBytes(temp_.path() / "merged.jsonl", ByteBuffer(merged.begin(), merged.end()));
    // CSV leaves out the nulls that JSON keeps; compared without them.
    const auto without_nulls = [](std::vector<nlohmann::json> lines) {
        for (auto& line : lines)
            for (auto it = line.begin(); it != line.end();) it = it->is_null() ? line.erase(it) : std::next(it);
        return SortedLines(lines);
    };
    EXPECT_EQ(without_nulls(ReadIndexLines(temp_.path() / "merged.jsonl")), without_nulls(ReadIndexLines(clean_index_)));
    EXPECT_EQ(outputs, StoreFiles(clean_store_));
    EXPECT_EQ(outcome->distinct, StoreFiles(clean_store_).size());

    // Ten copies of the tree: ten times the lines, not one output more.
    fs::create_directories(temp_.path() / "copies");
    for (int copy = 1; copy < 10; ++copy) fs::copy(tree_, temp_.path() / "copies" / std::to_string(copy), fs::copy_options::recursive);
    auto options = Options(tree_, clean_store_, temp_.path() / "copies.jsonl");
    options.roots.push_back(U8(temp_.path() / "copies"));
    const auto copies = scan::RunScan(options);
    ASSERT_TRUE(copies);
    EXPECT_EQ(copies->counts.new_outputs, 0u);
    EXPECT_EQ(ReadIndexLines(temp_.path() / "copies.jsonl").size(), 10 * clean_lines_.size());
}

TEST_F(ScanResume, AStoreInsideItsTreeIsNotReadBack) {
    // As a folder of the tree, and as the tree itself, whose folders d0 ... d4 are named
    // as the store's are.
    for (const std::string inside : {"icons", ""}) {
        const fs::path tree = temp_.path() / ("inside" + inside);
        fs::copy(tree_, tree, fs::copy_options::recursive);
        const fs::path store = inside.empty() ? tree : tree / inside;
        auto options = Options(tree, store, temp_.path() / "inside.jsonl");
        ASSERT_TRUE(scan::RunScan(options));
        ASSERT_TRUE(scan::RunScan(options));  // the second run meets the first one's outputs
        EXPECT_EQ(ReadIndexLines(temp_.path() / "inside.jsonl").size(), clean_lines_.size()) << U8(store);
    }
}

// The real crash: the program killed with SIGKILL at random moments, then resumed.
TEST_F(ScanResume, KilledAtRandomMomentsThenResumedEqualsOneCleanRun) {
    if (kWindows) GTEST_SKIP() << "kill -9 is a POSIX test; the cut indexes above stand in for it here";
    if (std::system("command -v timeout >/dev/null 2>&1") != 0) GTEST_SKIP() << "timeout(1) is missing";
    // A heavier tree, so that a kill lands in the middle of the work.
    fs::create_directories(temp_.path() / "big");
    for (int copy = 0; copy < 6; ++copy) fs::copy(tree_, temp_.path() / "big" / std::to_string(copy), fs::copy_options::recursive);
    const fs::path big = temp_.path() / "big";
    const fs::path clean = temp_.path() / "bigclean";
    ASSERT_TRUE(scan::RunScan(Options(big, clean, clean / "index.jsonl")));
    const auto expected = SortedLines(ReadIndexLines(clean / "index.jsonl"));
    std::mt19937 random(9);
    const fs::path store = temp_.path() / "killed";
    const std::string command = std::string("'") + ICOFORGE_PROGRAM + "' scan -q --resume -j 2 -o '" + U8(store) + "' '" +
                                U8(big) + "' >/dev/null 2>&1";
    int kills = 0;
    for (int round = 0; round < 8; ++round) {
        const double seconds = 0.005 + (random() % 60) / 1000.0;
        const int status = std::system(("timeout -s KILL " + std::to_string(seconds) + " " + command).c_str());
        if (((status >> 8) & 0xFF) == 137) ++kills;
    }
    ASSERT_EQ(std::system(command.c_str()), 0);
    const auto lines = ReadIndexLines(store / "index.jsonl");
    EXPECT_EQ(SortedLines(lines), expected);
    ExpectOutputsWhole(store, lines);
    EXPECT_EQ(Temporaries(store), 0);
    std::printf("[  INFO    ] %d of 8 runs were killed before they ended\n", kills);
}

}  // namespace
}  // namespace icoforge::testing
