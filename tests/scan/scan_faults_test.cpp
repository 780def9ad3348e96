// The faults a scan must survive, in one tree the test builds: every problem ends in the
// index with its reason, nothing is claimed that is not on disk, and the exit status is
// 1 only when something could not be done.

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <set>

#include "scan/scan.h"
#include "scan/walk.h"
#include "tests/scan/scan_fixtures.h"
#include "tests/scan/unusual_files.h"
#include "tests/support/temp_folder.h"

namespace icoforge::testing {
namespace {

constexpr bool kWindows = fs::path::preferred_separator == '\\';
constexpr const char* kAnyError = "*";

std::string U8(const fs::path& path) { return Utf8FromPath(path); }

bool MakeLink(const fs::path& target, const fs::path& link, bool folder) {
    std::error_code ec;
    if (folder) fs::create_directory_symlink(target, link, ec);
    else fs::create_symlink(target, link, ec);
    return !ec;
}

std::map<std::string, std::vector<nlohmann::json>> ByPath(const std::vector<nlohmann::json>& lines) {
    std::map<std::string, std::vector<nlohmann::json>> by_path;
    for (const auto& line : lines) by_path[scan::LinePath(line)].push_back(line);
    return by_path;
}

int RunProgram(const std::string& arguments) {
    const std::string quote = kWindows ? "\"" : "'";
    std::string command = quote + ICOFORGE_PROGRAM + quote + " " + arguments;
    if (kWindows) command = "\"" + command + " >NUL 2>NUL\"";
    else command += " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return kWindows ? status : (status >> 8) & 0xFF;
}

struct Row {
    const char* what;
    // Makes the entry in the tree; its UTF-8 path as the walk will spell it, or empty
    // when this system cannot make it.
    std::function<std::string(const fs::path& tree)> make;
    const char* error;   // a part of the reason the index must give; kAnyError; or null
    int group_lines;     // lines without a problem the path must have
};

TEST(ScanFaults, EveryProblemIsIndexedWithItsReason) {
    TempFolder temp;
    const fs::path tree = temp.path() / "tree";
    const fs::path store = temp.path() / "store";
    fs::create_directories(tree);
    const auto module = [&](const std::string& name, std::vector<std::uint8_t> seeds) {
        const fs::path path = (tree / PathFromUtf8(name)).make_preferred();  // as the walk spells it
        WriteBytes(path, ModuleWithGroups(seeds));
        return U8(path);
    };
    const std::vector<Row> rows = {
        {"modules sharing groups", [&](auto&) { return module("shared/a.dll", {1, 2}); }, nullptr, 2},
        {"a module sharing one of them", [&](auto&) { return module("shared/b.dll", {2, 3}); }, nullptr, 2},
        {"an icon file named like a text",
         [&](auto& t) {
             WriteBytes(t / "notes.txt", MakeIcoFile({MakeDibImage({.width = 16, .height = 16, .seed = 9})}));
             return U8(t / "notes.txt");
         },
         nullptr, 1},
        {"a symbolic link loop",
         [&](auto& t) {
             fs::create_directories(t / "loop");
             return MakeLink(t / "loop", t / "loop" / "again", true) ? U8(t / "loop" / "again") : "";
         },
         scan::kLinkLoopText, 0},
        {"a link to nothing",
         [&](auto& t) { return MakeLink(t / "missing.dll", t / "dangling.dll", false) ? U8(t / "dangling.dll") : ""; },
         kAnyError, 0},
        {"an unreadable file",
         [&](auto&) {
             const std::string path = module("locked.dll", {4});
             return MakeUnreadable(path) ? path : "";
         },
         "Permission denied", 0},
        {"a FIFO", [&](auto& t) { return MakeFifo(U8(t / "pipe.dll")) ? U8(t / "pipe.dll") : ""; }, "not a regular file", 0},
        {"a device node", [&](auto& t) { return MakeDeviceNode(U8(t / "null.dll")) ? U8(t / "null.dll") : ""; },
         "not a regular file", 0},
        {"a module cut short inside a resource",
         [&](auto& t) {
             const auto built = BuildModuleWithLayout(
                 ModuleFormat::Pe32, {{Type(ResourceType::Icon), ResourceName::Id(7), MakeDibImage({.width = 32, .height = 32, .seed = 5})},
                                      {Type(ResourceType::GroupIcon), ResourceName::Id(1), MakeGroupResource({7})}});
             ByteBuffer cut(built.bytes.begin(), built.bytes.begin() + built.data_offsets[0] + 100);
             WriteBytes(t / "cut.dll", cut);
             return U8(t / "cut.dll");
         },
         kAnyError, 0},
        {"an empty file", [&](auto& t) { WriteBytes(t / "empty.dll", {}); return U8(t / "empty.dll"); }, nullptr, 0},
        {"spaces in the name", [&](auto&) { return module("with spaces.dll", {1}); }, nullptr, 1},
        {"a newline in the name", [&](auto&) { return kWindows ? std::string() : module("new\nline.dll", {3}); }, nullptr, 1},
        {"a Chinese name", [&](auto&) { return module("图标/图标库.dll", {6}); }, nullptr, 1},
        {"a name that is not UTF-8",
         [&](auto& t) {
             const auto bytes = ModuleWithGroups({7});
             return MakeFileWithBytesName(U8(t), "bad\xFF.dll", std::string(bytes.begin(), bytes.end()));
         },
         nullptr, 1},
    };
    std::vector<std::pair<const Row*, std::string>> made;
    for (const auto& row : rows) {
        const std::string path = row.make(tree);
        if (path.empty()) std::printf("[  SKIP    ] %s: this system cannot make it\n", row.what);
        else made.emplace_back(&row, path);
    }

    scan::ScanOptions options;
    options.roots = {U8(tree)};
    options.output_folder = U8(store);
    options.follow_links = true;
    options.jobs = 2;
    const auto outcome = scan::RunScan(options);
    ASSERT_TRUE(outcome) << outcome.error().Describe();
    EXPECT_FALSE(outcome->stopped);
    const auto lines = ReadIndexLines(store / "index.jsonl");
    const auto by_path = ByPath(lines);

    std::uint64_t problems = 0;
    for (const auto& [row, path] : made) {
        const auto found = by_path.find(path);
        const std::vector<nlohmann::json> none;
        const auto& its = found == by_path.end() ? none : found->second;
        int good = 0;
        std::string errors;
        for (const auto& line : its) {
            if (line.contains("error")) errors += std::string(line["error"]) + "; ";
            else ++good;
        }
        EXPECT_EQ(good, row->group_lines) << row->what;
        if (row->error == nullptr) {
            EXPECT_EQ(errors, "") << row->what;
        } else {
            ++problems;
            EXPECT_FALSE(errors.empty()) << row->what;
            if (row->error != std::string(kAnyError)) {
                EXPECT_NE(errors.find(row->error), std::string::npos) << row->what << ": " << errors;
            }
        }
        if (!its.empty() && !scan::IsUtf8(path)) {
            EXPECT_TRUE(its.front().contains("path_hex")) << row->what;
        }
    }
    EXPECT_GE(outcome->counts.problems, problems);
    ExpectOutputsWhole(store, lines);
    std::set<std::string> distinct;
    for (const auto& line : lines)
        if (line.contains("output")) distinct.insert(line["output"]);
    EXPECT_EQ(StoredOutputs(store), static_cast<int>(distinct.size()));
    EXPECT_EQ(outcome->counts.new_outputs, distinct.size());
    EXPECT_EQ(Temporaries(store), 0);

    // As the user meets it: status 1 for this tree, 0 for its sound part.
    const std::string q = kWindows ? "\"" : "'";
    EXPECT_EQ(RunProgram("scan -q --follow -o " + q + U8(temp.path() / "again") + q + " " + q + U8(tree) + q), problems ? 1 : 0);
    EXPECT_EQ(RunProgram("scan -q -o " + q + U8(temp.path() / "sound") + q + " " + q + U8(tree / "shared") + q), 0);
}

TEST(ScanFaults, AFileThatIsGoneByItsTurnIsAProblemNotAStop) {
    TempFolder temp;
    WriteBytes(temp.path() / "here.dll", ModuleWithGroups({1}));
    WriteBytes(temp.path() / "list.txt", {});
    {
        std::ofstream list(temp.path() / "list.txt", std::ios::binary);
        list << U8(temp.path() / "gone.dll") << "\n" << U8(temp.path() / "here.dll") << "\r\n\n";
    }
    scan::ScanOptions options;
    options.files_from = U8(temp.path() / "list.txt");
    options.output_folder = U8(temp.path() / "store");
    const auto outcome = scan::RunScan(options);
    ASSERT_TRUE(outcome);
    const auto by_path = ByPath(ReadIndexLines(temp.path() / "store" / "index.jsonl"));
    ASSERT_EQ(by_path.count(U8(temp.path() / "gone.dll")), 1u);
    EXPECT_FALSE(by_path.at(U8(temp.path() / "gone.dll")).front().value("error", "").empty());
    EXPECT_EQ(by_path.at(U8(temp.path() / "here.dll")).size(), 1u);
    EXPECT_EQ(outcome->counts.problems, 1u);
}

TEST(ScanFaults, AFullDiskLosesOutputsButNeverClaimsThem) {
    TempFolder temp;
    const fs::path store = temp.path() / "small";
    fs::create_directories(store);
    if (!MountSmallDisk(U8(store), 96 * 1024)) GTEST_SKIP() << "no small file system can be mounted here";
    for (int i = 0; i < 8; ++i) {
        std::vector<std::uint8_t> seeds;
        for (int g = 0; g < 8; ++g) seeds.push_back(static_cast<std::uint8_t>(i * 8 + g + 1));
        WriteBytes(temp.path() / "tree" / (std::to_string(i) + ".dll"), ModuleWithGroups(seeds, 48));
    }
    scan::ScanOptions options;
    options.roots = {U8(temp.path() / "tree")};
    options.output_folder = U8(store);
    options.index_path = U8(temp.path() / "index.jsonl");
    const auto outcome = scan::RunScan(options);
    const auto lines = ReadIndexLines(temp.path() / "index.jsonl");
    int lost = 0;
    for (const auto& line : lines)
        if (line.value("error", "").find("No space left on device") != std::string::npos) ++lost;
    ExpectOutputsWhole(store, lines);
    EXPECT_EQ(Temporaries(store), 0);
    UnmountSmallDisk(U8(store));
    ASSERT_TRUE(outcome);
    EXPECT_GT(lost, 0);
    EXPECT_EQ(lines.size(), 64u);
    EXPECT_EQ(outcome->counts.problems, static_cast<std::uint64_t>(lost));
}

}  // namespace
}  // namespace icoforge::testing
