// The command line as its users meet it: hostile inputs made here, the built program run
// through the shell, and then its exit status, both streams and what is left on disk.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "common/path.h"

namespace icoforge {
namespace {

namespace fs = std::filesystem;

constexpr bool kWindows = fs::path::preferred_separator == '\\';

// Build paths are POSIX paths; under Wine the same files are seen through drive Z:.
std::string HostPath(std::string path) {
    if (kWindows && !path.empty() && path[0] == '/') {
        for (char& c : path)
            if (c == '/') c = '\\';
        path = "Z:" + path;
    }
    return path;
}

std::string ShellQuoted(const std::string& text) { return kWindows ? "\"" + text + "\"" : "'" + text + "'"; }

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::string s = text.str();
    std::erase(s, '\r');  // the Windows C runtime writes its text streams with CR LF
    return s;
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string Bmp(std::int32_t width, std::int32_t height, std::size_t pixel_bytes) {
    std::string file;
    const auto put = [&](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) file += static_cast<char>(i < 4 ? value >> (8 * i) : 0);  // wider fields are zeros
    };
    file += "BM";
    put(static_cast<std::uint32_t>(54 + pixel_bytes), 4);
    put(0, 4);
    put(54, 4);
    put(40, 4);
    put(static_cast<std::uint32_t>(width), 4);
    put(static_cast<std::uint32_t>(height), 4);
    put(1, 2);
    put(24, 2);
    put(0, 24);
    file.append(pixel_bytes, '\x7F');
    return file;
}

// A folder of its own for each case, under a name nobody else can have guessed.
class PrivateFolder {
public:
    PrivateFolder() {
        std::random_device random;
        for (int attempt = 0; attempt < 8 && root_.empty(); ++attempt) {
            const fs::path candidate = fs::temp_directory_path() / ("icoforge-cli-" + std::to_string(random()));
            if (fs::create_directory(candidate)) root_ = candidate;
        }
        fs::create_directory(work());
    }
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;
    ~PrivateFolder() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    // The folder the program works in; the streams are kept outside it.
    fs::path work() const { return root_ / "work"; }
    fs::path root() const { return root_; }

private:
    fs::path root_;
};

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

Outcome RunIcoforge(const std::vector<std::string>& args, const PrivateFolder& folder, const std::string& posix_prefix) {
    std::string command = (kWindows ? "" : posix_prefix) + ShellQuoted(HostPath(ICOFORGE_PROGRAM));
    // Appended piece by piece: GCC 12 warns falsely about `" " + text`.
    for (const auto& arg : args) command.append(" ").append(ShellQuoted(arg));
    const fs::path out = folder.root() / "stdout";
    const fs::path err = folder.root() / "stderr";
    command.append(" > ").append(ShellQuoted(Utf8FromPath(out)));
    command.append(" 2> ").append(ShellQuoted(Utf8FromPath(err)));
    // cmd.exe drops the outermost quotes of its command; the shell keeps them.
    if (kWindows) {
        command.insert(0, 1, '"');
        command += '"';
    }
    const int status = std::system(command.c_str());
    // The shell's wait status on POSIX, the exit code itself on Windows.
    return {kWindows ? status : (status >> 8) & 0xFF, ReadText(out), ReadText(err)};
}

struct Case {
    const char* name;
    std::function<void(const fs::path& work)> prepare;
    std::vector<std::string> args;  // "@name" stands for that file in the work folder
    int status;
    std::vector<std::string> written;  // names expected on standard output, in order
    std::string named;                 // what the one failure line must name ("@name" as above)
    std::map<std::string, std::optional<std::string>> left;  // the whole folder afterwards
    const char* posix_only = nullptr;   // why the case cannot run elsewhere
    const char* posix_prefix = "";      // shell words before the program
};

std::string InWork(const fs::path& work, const std::string& name) { return Utf8FromPath(work / name); }
std::string Expand(const fs::path& work, const std::string& arg) {
    return arg.starts_with("@") ? InWork(work, arg.substr(1)) : arg;
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

void MakeFifo(const fs::path& work, const char* name) {
    ASSERT_EQ(std::system(("mkfifo " + ShellQuoted(InWork(work, name))).c_str()), 0);
}

const std::string kOld = "the old file";
const std::string kSmallBmp = Bmp(2, 2, 16);

const Case kCases[] = {
    {"MissingFile", [](const fs::path&) {}, {"count", "@missing.dll"}, 1, {}, "@missing.dll", {}},
    {"Folder",
     [](const fs::path& w) { fs::create_directory(w / "folder.bmp"); },
     {"icon", "@folder.bmp", "@out.ico"}, 1, {}, "@folder.bmp", {{"folder.bmp", std::nullopt}}},
    // Without the regular-file check before reading, these would wait for a writer forever.
    {"FifoAsModule", [](const fs::path& w) { MakeFifo(w, "pipe.dll"); }, {"group", "@pipe.dll", "1", "@out.ico"}, 1,
     {}, "@pipe.dll", {{"pipe.dll", std::nullopt}}, "no FIFOs", "timeout 10 "},
    {"FifoAsPicture", [](const fs::path& w) { MakeFifo(w, "pipe.jpg"); }, {"convert", "@pipe.jpg", "@out.bmp"}, 1,
     {}, "@pipe.jpg", {{"pipe.jpg", std::nullopt}}, "no FIFOs", "timeout 10 "},
    {"HugeDeclaredBmp", [](const fs::path& w) { WriteText(w / "huge.bmp", Bmp(30000, 30000, 4)); },
     {"convert", "@huge.bmp", "@out.bmp"}, 1, {}, "@huge.bmp", {{"huge.bmp", Bmp(30000, 30000, 4)}}},
    {"OutputIsTheSource", [](const fs::path& w) { WriteText(w / "same.bmp", kSmallBmp); },
     {"convert", "@same.bmp", "@./same.bmp"}, 1, {}, "@./same.bmp", {{"same.bmp", kSmallBmp}}},
    {"UnknownOption", [](const fs::path&) {}, {"count", "--bogus"}, 2, {}, "", {}},
    // After "--" even "--help" is a file name.
    {"DoubleDashEndsOptions", [](const fs::path&) {}, {"count", "--", "--help"}, 1, {}, "--help", {}},
    // A file-size limit stops the write midway: the old file must survive it whole.
    {"FileSizeLimit",
     [](const fs::path& w) {
         WriteText(w / "big.bin", std::string(64 * 1024, 'x'));
         WriteText(w / "old.bin", kOld);
     },
     {"decrypt", "-a", "2", "-k", "key", "@big.bin", "@old.bin"}, 1, {}, "@old.bin",
     {{"big.bin", std::string(64 * 1024, 'x')}, {"old.bin", kOld}}, "no file-size limit", "ulimit -f 1; "},
    {"ConvertPrintsOnlyItsOutput", [](const fs::path& w) { WriteText(w / "small.bmp", kSmallBmp); },
     {"convert", "@small.bmp", "@out.bmp"}, 0, {"out.bmp"}, "", {{"small.bmp", kSmallBmp}, {"out.bmp", std::nullopt}}},
    // The snapshot of the bare background is written even when the picture cannot be drawn.
    {"RenderUndecodablePicture", [](const fs::path& w) { WriteText(w / "notes.txt", kOld); },
     {"render", "@notes.txt", "@out.bmp"}, 1, {"out.bmp"}, "@notes.txt", {{"notes.txt", kOld}, {"out.bmp", std::nullopt}}},
    {"RenderPrintsOnlyItsOutput", [](const fs::path& w) { WriteText(w / "small.bmp", kSmallBmp); },
     {"render", "-s", "16", "@small.bmp", "@out.bmp"}, 0, {"out.bmp"}, "",
     {{"small.bmp", kSmallBmp}, {"out.bmp", std::nullopt}}},
    {"GroupPrintsOnlyItsOutput", [](const fs::path&) {},
     {"group", HostPath(ICOFORGE_TEST_DATA_DIR "/sample/sample.dll"), "2", "@g.ico"}, 0, {"g.ico"}, "",
     {{"g.ico", std::nullopt}}},
};

class CommandLineRun : public ::testing::TestWithParam<Case> {};

TEST_P(CommandLineRun, StatusStreamsAndFilesLeft) {
    const Case& c = GetParam();
    if (kWindows && c.posix_only != nullptr) GTEST_SKIP() << "Windows has " << c.posix_only;
    const PrivateFolder folder;
    const fs::path work = folder.work();
    c.prepare(work);
    std::vector<std::string> args;
    for (const auto& arg : c.args) args.push_back(Expand(work, arg));

    const Outcome run = RunIcoforge(args, folder, c.posix_prefix);
    EXPECT_EQ(run.status, c.status) << run.err;
    std::string expected_out;
    for (const auto& name : c.written) expected_out += InWork(work, name) + "\n";
    EXPECT_EQ(run.out, expected_out);
    if (c.status == 0) {
        EXPECT_EQ(run.err, "");
    } else if (c.status == 1) {
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        const std::string quoted = std::string("'").append(Expand(work, c.named)).append("'");
        EXPECT_NE(run.err.find(quoted), std::string::npos) << run.err;
    } else {
        EXPECT_TRUE(run.err.starts_with("icoforge: unknown option")) << run.err;
    }

    // Exactly the expected files, with nothing partial or temporary beside them.
    std::map<std::string, std::optional<std::string>> left;
    for (const auto& entry : fs::directory_iterator(work)) {
        const std::string name = Utf8FromPath(entry.path().filename());
        const auto expected = c.left.find(name);
        const bool compare = expected != c.left.end() && expected->second.has_value();
        left[name] = compare ? std::optional(ReadText(entry.path())) : std::nullopt;
    }
    EXPECT_EQ(left, c.left);
}

INSTANTIATE_TEST_SUITE_P(HostileAndPlainInputs, CommandLineRun, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });

// extract is the window's button: the caption and balloons go to standard error, the icons
// written to standard output, and the status follows the balloon.
TEST(Extract, WritesWhatTheButtonWouldAndFollowsItsOutcome) {
    const PrivateFolder folder;
    const fs::path work = folder.work();
    const std::string sample = HostPath(ICOFORGE_TEST_DATA_DIR "/sample/sample.dll");
    const std::string out = InWork(work, "out");
    const Outcome module = RunIcoforge({"extract", "-o", out, sample}, folder, "");
    EXPECT_EQ(module.status, 0) << module.err;
    EXPECT_EQ(module.err, "发现图标数为：3个\n图标提取成功。\n");
    std::string expected;
    for (int n = 1; n <= 3; ++n) {
        const std::string icon = Utf8FromPath(work / "out" / (std::to_string(n) + ".ico"));
        expected += icon + "\n";
        const std::string reference = InWork(work, "group.ico");
        ASSERT_EQ(RunIcoforge({"group", sample, std::to_string(n), reference}, folder, "").status, 0);
        EXPECT_EQ(ReadText(icon), ReadText(reference)) << n;
    }
    EXPECT_EQ(module.out, expected);

    WriteText(work / "small.bmp", kSmallBmp);
    const Outcome picture = RunIcoforge({"extract", "-s", "16", "-o", out, InWork(work, "small.bmp")}, folder, "");
    EXPECT_EQ(picture.status, 0) << picture.err;
    EXPECT_EQ(picture.out, Utf8FromPath(work / "out" / "1.ico") + "\n");
    EXPECT_EQ(ReadText(work / "out" / "1.ico").substr(0, 7), std::string("\0\0\1\0\1\0\x10", 7));

    WriteText(work / "nodot", kSmallBmp);
    const Outcome no_dot = RunIcoforge({"extract", "-o", out, InWork(work, "nodot")}, folder, "");
    EXPECT_EQ(no_dot.status, 1);
    EXPECT_EQ(no_dot.out, "");
    EXPECT_NE(no_dot.err.find("文件路径不正确"), std::string::npos) << no_dot.err;
    EXPECT_EQ(RunIcoforge({"extract", "-s", "20", sample}, folder, "").status, 2);
}

}  // namespace
}  // namespace icoforge
