// The scan's pure pieces against independent references: published SHA-256 vectors, a
// floating-point area average for the perceptual hash, hand-made index lines, the civil
// calendar, and the shard partition.

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "scan/dhash.h"
#include "scan/index.h"
#include "scan/progress.h"
#include "scan/resume.h"
#include "scan/scan.h"
#include "scan/sha256.h"
#include "scan/shard.h"

namespace icoforge::scan {
namespace {

ByteView Bytes(const std::string& text) { return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}; }

TEST(Sha256, PublishedVectors) {
    struct Case {
        std::string message;
        const char* digest;
    };
    const Case cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1'000'000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        {std::string(64, 'x'), "7ce100971f64e7001e8fe5a51973ecdfe1ced42befe7ee8d5fd6219506b5393c"},
    };
    if (!Sha256::ProcessorEngineAvailable()) std::printf("[  INFO    ] this processor has no SHA instructions\n");
    for (const auto& c : cases)
        for (const Sha256Engine engine : {Sha256Engine::Portable, Sha256Engine::Processor}) {
        Sha256 whole(engine);
        whole.Update(Bytes(c.message));
        EXPECT_EQ(HexOf(whole.Finish()), c.digest) << c.message.size() << " bytes";
        // Fed in uneven pieces, the hash is the same.
        Sha256 pieces(engine);
        for (std::size_t at = 0, step = 1; at < c.message.size(); at += step, step = step * 3 % 127 + 1)
            pieces.Update(Bytes(c.message.substr(at, step)));
        EXPECT_EQ(HexOf(pieces.Finish()), c.digest) << c.message.size() << " bytes in pieces";
    }
}

RgbaImage Picture(std::uint32_t w, std::uint32_t h, const std::function<std::array<std::uint8_t, 4>(std::uint32_t, std::uint32_t)>& at) {
    RgbaImage picture{w, h, std::vector<std::uint8_t>(std::size_t{w} * h * 4)};
    for (std::uint32_t y = 0; y < h; ++y)
        for (std::uint32_t x = 0; x < w; ++x) {
            const auto p = at(x, y);
            std::copy(p.begin(), p.end(), picture.pixels.begin() + (std::size_t{y} * w + x) * 4);
        }
    return picture;
}

// The hash as the README words it, in floating point: grey of the pixel over white,
// the mean over each of 9 x 8 equal cells weighted by covered area, one bit per
// neighbour pair where the right one is brighter.
std::uint64_t ReferenceDHash(const RgbaImage& p) {
    double cells[8][9] = {};
    for (int j = 0; j < 8; ++j)
        for (int i = 0; i < 9; ++i) {
            const double x0 = i * p.width / 9.0, x1 = (i + 1) * p.width / 9.0;
            const double y0 = j * p.height / 8.0, y1 = (j + 1) * p.height / 8.0;
            for (std::uint32_t y = 0; y < p.height; ++y)
                for (std::uint32_t x = 0; x < p.width; ++x) {
                    const double wx = std::max(0.0, std::min(x1, x + 1.0) - std::max(x0, double(x)));
                    const double wy = std::max(0.0, std::min(y1, y + 1.0) - std::max(y0, double(y)));
                    if (wx == 0 || wy == 0) continue;
                    const std::uint8_t* px = &p.pixels[(std::size_t{y} * p.width + x) * 4];
                    double grey = 0;
                    const double weight[3] = {0.299, 0.587, 0.114};
                    for (int c = 0; c < 3; ++c) grey += weight[c] * std::round((px[c] * px[3] + 255.0 * (255 - px[3])) / 255.0);
                    cells[j][i] += grey * wx * wy;
                }
        }
    std::uint64_t hash = 0;
    for (int j = 0; j < 8; ++j)
        for (int i = 0; i < 8; ++i) hash = hash << 1 | (cells[j][i + 1] > cells[j][i] + 1e-6 ? 1 : 0);
    return hash;
}

TEST(DHash, AgreesWithTheAreaAverageOfTheReadme) {
    struct Case {
        const char* what;
        RgbaImage picture;
        std::optional<std::uint64_t> expected;  // when it is known without the reference
    };
    const auto grey = [](std::uint8_t v, std::uint8_t a = 255) { return std::array<std::uint8_t, 4>{v, v, v, a}; };
    const Case cases[] = {
        {"flat", Picture(16, 16, [&](auto, auto) { return grey(90); }), 0},
        {"brighter to the right", Picture(9, 8, [&](auto x, auto) { return grey(std::uint8_t(20 * x)); }), ~0ull},
        {"darker to the right", Picture(18, 16, [&](auto x, auto) { return grey(std::uint8_t(250 - 10 * x)); }), 0},
        {"transparent is white", Picture(9, 8, [&](auto x, auto) { return x == 8 ? grey(0, 0) : grey(128); }), 0x0101010101010101ull},
        {"one pixel", Picture(1, 1, [&](auto, auto) { return grey(7); }), 0},
        {"odd size, stripes", Picture(13, 11, [&](auto x, auto y) { return grey(std::uint8_t((x * 37 + y * 91) % 256)); }), {}},
        {"large, diagonal", Picture(256, 256, [&](auto x, auto y) { return grey(std::uint8_t((x ^ y) & 0xFF), std::uint8_t(x)); }), {}},
        {"colour", Picture(32, 32, [&](auto x, auto y) { return std::array<std::uint8_t, 4>{std::uint8_t(x * 8), std::uint8_t(y * 8), 99, 200}; }), {}},
    };
    for (const auto& c : cases) {
        const std::uint64_t hash = DHashOf(c.picture);
        EXPECT_EQ(hash, ReferenceDHash(c.picture)) << c.what;
        if (c.expected) {
            EXPECT_EQ(hash, *c.expected) << c.what;
        }
    }
}

TEST(IndexReader, TakesIndexLinesAndRefusesEverythingElse) {
    const std::string sha(64, 'a');
    const std::string output = "aa/" + sha + ".ico";
    struct Case {
        std::string line;
        bool taken;
    };
    const Case cases[] = {
        {R"({"path":"/a.dll","size":1,"mtime":"t","groups":1,"output":")" + output + R"(","id":3,"name":null})", true},
        {R"({"path":"/a","error":"Permission denied"})", true},
        {R"({"path":"/\u00e4 b\nc","path_hex":"2fff"})", true},
        {R"({"path":"/a","output":"../../etc/passwd"})", false},
        {R"({"path":"/a","output":"ab/)" + sha + R"(.ico"})", false},  // not under its own first digits
        {R"({"path":"/a","output":"aa/)" + sha + R"(.exe"})", false},
        {R"({"path":"/a","size":-1})", false},
        {R"({"path":"/a","size":1.5})", false},
        {R"({"path":"/a","images":{}})", false},
        {R"({"path":"/a","path_hex":"2"})", false},
        {R"({"path":"/a","path_hex":"zz"})", false},
        {R"({"size":1})", false},
        {R"(["path"])", false},
        {R"({"path":"/a")", false},
        {"", false},
    };
    for (const auto& c : cases) {
        int taken = 0;
        const auto report = ReadIndexText(c.line + "\n", IndexFormat::JsonLines, [&](nlohmann::json&&) { ++taken; });
        ASSERT_TRUE(report);
        EXPECT_EQ(taken, c.taken ? 1 : 0) << c.line;
        EXPECT_EQ(report->refused, c.taken ? 0u : 1u) << c.line;
    }
}

TEST(IndexReader, CsvKeepsWhatJsonKeepsAndACrashCutsOnlyTheLastLine) {
    const nlohmann::json lines[] = {
        {{"path", "/odd, \"quoted\"\nname.dll"}, {"size", 12u}, {"mtime", "m"}, {"id", 7u}, {"groups", 2u},
         {"images", nlohmann::json::array({{{"width", 16}}})}},
        {{"path", "/b"}, {"error", "not a regular file"}},
    };
    for (const IndexFormat format : {IndexFormat::JsonLines, IndexFormat::Csv}) {
        std::string text = IndexHeader(format);
        for (const auto& line : lines) text += FormatIndexLine(line, format);
        std::vector<nlohmann::json> read;
        auto report = ReadIndexText(text + "{\"path\":\"/cut", format, [&](nlohmann::json&& l) { read.push_back(l); });
        ASSERT_TRUE(report);
        EXPECT_TRUE(report->cut_short);
        EXPECT_EQ(report->whole_bytes, text.size());
        ASSERT_EQ(read.size(), 2u);
        for (std::size_t i = 0; i < 2; ++i)
            for (const auto& [key, value] : lines[i].items()) EXPECT_EQ(read[i][key], value) << key;
    }
    const auto foreign = ReadIndexText("name,colour\n", IndexFormat::Csv, [](nlohmann::json&&) {});
    ASSERT_FALSE(foreign);
    EXPECT_NE(foreign.error().reason.find("not an index"), std::string::npos);
}

// The scan writes its lines without the JSON library; what it writes must be what the
// library writes for the same object, whatever the text holds.
TEST(IndexLine, WritesWhatTheJsonLibraryWrites) {
    const std::string texts[] = {"plain", "", "quote \" and \\ back", "tab\there\x01\x1f", "中文名.dll",
                                 std::string("bad \xff\xc3 utf-8"), "new\nline,comma"};
    for (const std::string& text : texts) {
        IndexLine line;
        line.Text("path", text).Count("size", 18446744073709551615u).Null("name").Text("error", text);
        line.Json("images", R"([{"bits":32,"id":null}])").Count("size", 7);
        const nlohmann::json object = {{"path", text}, {"size", 7u}, {"name", nullptr}, {"error", text},
                                       {"images", nlohmann::json::parse(R"([{"bits":32,"id":null}])")}};
        EXPECT_EQ(line.Format(IndexFormat::JsonLines),
                  object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n") << text;
    }
}

TEST(IndexReader, BlocksAreCompleteOnlyWithEveryLine) {
    const auto line = [](const char* path, std::uint64_t groups) {
        return nlohmann::json{{"path", path}, {"size", 1u}, {"mtime", "m"}, {"groups", groups}};
    };
    const std::string text = FormatIndexLine(line("/a", 2), IndexFormat::JsonLines) +
                             FormatIndexLine(line("/a", 2), IndexFormat::JsonLines) +
                             FormatIndexLine(line("/b", 3), IndexFormat::JsonLines) +
                             FormatIndexLine({{"path", "/c"}, {"error", "x"}}, IndexFormat::JsonLines);
    std::vector<std::pair<std::string, bool>> blocks;
    ASSERT_TRUE(ReadIndexBlocks(text, IndexFormat::JsonLines, [&](IndexBlock&& block) {
        blocks.emplace_back(block.front()["path"], IsCompleteBlock(block));
    }));
    const std::vector<std::pair<std::string, bool>> expected = {{"/a", true}, {"/b", false}, {"/c", true}};
    EXPECT_EQ(blocks, expected);
}

TEST(Shard, ParsesKOfNAndPartitionsEveryPath) {
    const std::pair<const char*, bool> texts[] = {{"1/1", true},  {"3/4", true},  {"1000000/1000000", true},
                                                  {"0/4", false}, {"5/4", false}, {"1/0", false},
                                                  {"1/2000000", false}, {"-1/4", false}, {"1/4x", false},
                                                  {"14", false},  {"/4", false},  {"", false}};
    for (const auto& [text, ok] : texts) EXPECT_EQ(ParseShard(text).has_value(), ok) << text;
    std::vector<int> sizes(5);
    for (int i = 0; i < 2000; ++i) {
        const std::string path = "/tree/" + std::to_string(i) + ".dll";
        int owners = 0;
        for (std::uint32_t k = 1; k <= 5; ++k)
            if (InShard(path, {k, 5})) ++owners, ++sizes[k - 1];
        EXPECT_EQ(owners, 1) << path;
    }
    for (const int size : sizes) EXPECT_GT(size, 300);  // an even spread, not one shard taking all
    // Fixed across machines and builds: the first 8 bytes of SHA-256("abc").
    EXPECT_EQ(StablePathHash("abc"), 0xba7816bf8f01cfeaull);
}

TEST(Text, MtimesAreCivilUtcAndNamesAreUtf8OrBytes) {
    const std::pair<std::int64_t, const char*> times[] = {
        {0, "1970-01-01T00:00:00.000000000Z"},
        {1'709'164'800'000'000'001, "2024-02-29T00:00:00.000000001Z"},
        {-1, "1969-12-31T23:59:59.999999999Z"},
        {951'782'400'000'000'000, "2000-02-29T00:00:00.000000000Z"},
        {4'102'444'799'500'000'000, "2099-12-31T23:59:59.500000000Z"},
    };
    for (const auto& [ns, text] : times) EXPECT_EQ(MtimeText(ns), text) << ns;
    const std::pair<std::string, bool> names[] = {
        {"plain", true},        {"中文 名", true},           {"\xF0\x9F\x98\x80", true}, {"\xFF", false},
        {"\xC0\xAF", false},    {"\xED\xA0\x80", false},     {"\xE4\xB8", false},        {"\xF4\x90\x80\x80", false},
    };
    for (const auto& [name, ok] : names) EXPECT_EQ(IsUtf8(name), ok) << name;
    const std::pair<std::uint64_t, const char*> numbers[] = {{0, "0"}, {999, "999"}, {1000, "1,000"}, {1234567, "1,234,567"}};
    for (const auto& [n, text] : numbers) EXPECT_EQ(Grouped(n), text);
    ProgressCounts half{.files_done = 500, .bytes_done = 50'000'000, .files_total = 1000, .bytes_total = 100'000'000,
                        .total_known = true, .groups = 12, .new_outputs = 3};
    EXPECT_EQ(ProgressLine(half, 30), "500/1,000 files, 50/100 MB, 12 groups (3 new), 17 files/s, 0:30 left");
    half.total_known = false;
    EXPECT_EQ(ProgressLine(half, 30), "500 files, 50 MB, 12 groups (3 new), 17 files/s");
    const ProgressCounts one{.files_done = 1, .bytes_done = 1'000'000, .files_total = 1, .bytes_total = 1'000'000,
                             .total_known = true, .groups = 1, .new_outputs = 1, .problems = 1};
    EXPECT_EQ(ProgressLine(one, 0), "1/1 file, 1/1 MB, 1 group (1 new)");
    const ProgressWords chinese{"{1} 个文件", "{1} 个文件", "{1} 个组", "{1} 个组", "（新 {1} 个）", "每秒 {1} 个文件", "还剩 {1}", "，"};
    half.total_known = true;
    EXPECT_EQ(ProgressLine(half, 30, chinese),
              "500/1,000 个文件，50/100 MB，12 个组（新 3 个），每秒 17 个文件，还剩 0:30");
}

}  // namespace
}  // namespace icoforge::scan
