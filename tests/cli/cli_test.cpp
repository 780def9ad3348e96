// The command line as its users meet it: hostile inputs made here, the built program run
// through the shell in an English or a Chinese locale, and then its exit status, both
// streams and what is left on disk.

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

#include "common/byte_writer.h"
#include "common/path.h"
#include "crypto/decrypt.h"
#include "tests/cli/cli_support.h"
#include "tests/shell/link_builder.h"

namespace icoforge {
namespace {

namespace fs = std::filesystem;

using cli_test::HostPath;
using cli_test::kWindows;
using cli_test::ReadText;
using cli_test::ShellQuoted;
using cli_test::ShellStatus;

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

// The locale variables are read by the program's own start-up, so the run's locale is
// set in this process's environment, which the shell hands on.
// An empty value leaves the variable unset as far as the program is concerned.
void SetVariable(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value);
#else
    setenv(name, value, 1);
#endif
}

struct Call {
    std::vector<std::string> args;
    const char* locale = "C";         // LC_ALL
    const char* posix_prefix = "";    // shell words before the program
    const char* stdout_to = nullptr;  // instead of a file of the test's
    const char* lc_messages = "";
    const char* lang = "";
};

Outcome RunIcoforge(const Call& run, const PrivateFolder& folder) {
    SetVariable("LC_ALL", run.locale);
    SetVariable("LC_MESSAGES", run.lc_messages);
    SetVariable("LANG", run.lang);
    std::string command = (kWindows ? "" : run.posix_prefix) + ShellQuoted(HostPath(ICOFORGE_PROGRAM));
    // Appended piece by piece: GCC 12 warns falsely about `" " + text`.
    for (const auto& arg : run.args) command.append(" ").append(ShellQuoted(arg));
    const fs::path out = folder.root() / "stdout";
    const fs::path err = folder.root() / "stderr";
    command.append(" > ").append(run.stdout_to ? std::string(run.stdout_to) : ShellQuoted(Utf8FromPath(out)));
    command.append(" 2> ").append(ShellQuoted(Utf8FromPath(err)));
    // cmd.exe drops the outermost quotes of its command; the shell keeps them.
    if (kWindows) {
        command.insert(0, 1, '"');
        command += '"';
    }
    return {ShellStatus(command), run.stdout_to ? "" : ReadText(out), ReadText(err)};
}

std::string InWork(const fs::path& work, const std::string& name) {
    return Utf8FromPath((work / PathFromUtf8(name)).make_preferred());
}
std::string Expand(const fs::path& work, const std::string& arg) {
    return arg.starts_with("@") ? InWork(work, arg.substr(1)) : arg;
}

// The expected text with each <name> replaced by that file of the work folder as messages
// quote it, and `*` standing for any text (a system's own words differ between systems).
std::string ExpandQuoted(const fs::path& work, const std::string& text) {
    std::string result;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const std::size_t close = text[at] == '<' ? text.find('>', at) : std::string::npos;
        if (close == std::string::npos) {
            result += text[at];
            continue;
        }
        result.append("'").append(InWork(work, text.substr(at + 1, close - at - 1))).append("'");
        at = close;
    }
    return result;
}

bool Matches(std::string_view pattern, std::string_view text) {
    const std::size_t star = pattern.find('*');
    if (star == std::string_view::npos) return pattern == text;
    if (!text.starts_with(pattern.substr(0, star))) return false;
    const std::string_view rest = pattern.substr(star + 1);
    for (std::size_t skip = star; skip <= text.size(); ++skip)
        if (Matches(rest, text.substr(skip))) return true;
    return false;
}

std::string Copy(const std::string& from, const fs::path& to) {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    return Utf8FromPath(to);
}

// A one-image icon file: 1 x 1 pixel, 32 bits, its mask; the image header's size field as
// given (written icons carry 0 there).
std::string TinyIcon(std::uint32_t size_image = 8) {
    ByteWriter w;
    w.U16(0);
    w.U16(1);
    w.U16(1);
    w.U8(1), w.U8(1), w.U8(0), w.U8(0), w.U16(1), w.U16(32), w.U32(48), w.U32(22);
    w.U32(40), w.U32(1), w.U32(2), w.U16(1), w.U16(32), w.U32(0), w.U32(size_image), w.U32(0), w.U32(0), w.U32(0), w.U32(0);
    w.U32(0xFF336699);
    w.U32(0);
    const ByteBuffer bytes = w.Take();
    return std::string(bytes.begin(), bytes.end());
}

std::string LinkTo(const std::string& target) {
    testing::LinkShape shape;
    shape.base_path = target;
    const ByteBuffer link = testing::BuildLink(shape);
    return std::string(link.begin(), link.end());
}

// A shortcut whose only target is a URL item of its ID list.
std::string LinkToUrl(const std::u16string& url) {
    ByteWriter w;
    w.U32(0x4C);
    for (const std::uint8_t b : {0x01, 0x14, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46}) w.U8(b);
    w.U32(0x1);  // HasLinkTargetIdList
    for (int i = 0; i < 0x4C - 24; ++i) w.U8(0);
    const auto item_size = static_cast<std::uint16_t>(8 + 2 * (url.size() + 1));
    w.U16(static_cast<std::uint16_t>(item_size + 2));
    w.U16(item_size), w.U8(0x61), w.U8(0x80), w.U32(0);
    testing::Utf16(w, url);
    w.U16(0);
    const ByteBuffer bytes = w.Take();
    return std::string(bytes.begin(), bytes.end());
}

std::string Encrypted(const std::string& plain, const std::string& key) {
    const ByteBuffer data = EncryptData(ByteView(reinterpret_cast<const std::uint8_t*>(plain.data()), plain.size()), key, 2);
    return std::string(data.begin(), data.end());
}

struct Case {
    const char* name;
    std::function<void(const fs::path& work)> prepare;
    Call run;  // "@name" in the arguments stands for that file in the work folder
    int status;
    std::vector<std::string> written;  // names expected on standard output, in order
    std::string err;                   // standard error exactly, <name> and * as ExpandQuoted says
    std::map<std::string, std::optional<std::string>> left;  // the whole folder afterwards
    const char* posix_only = nullptr;  // why the case cannot run elsewhere
    std::string out = {};              // standard output when it is no list of paths (* as above)
    bool null_ends = false;            // the paths end in NUL
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

void MakeFifo(const fs::path& work, const char* name) {
    ASSERT_EQ(std::system(("mkfifo " + ShellQuoted(InWork(work, name))).c_str()), 0);
}

const std::string kOld = "the old file";
const std::string kSmallBmp = Bmp(2, 2, 16);
const std::string kSample = ICOFORGE_TEST_DATA_DIR "/sample/sample.dll";
const auto kNothing = [](const fs::path&) {};
const auto kSampleDll = [](const fs::path& w) { Copy(HostPath(kSample), w / "sample.dll"); };
const auto kNotes = [](const fs::path& w) { WriteText(w / "notes.txt", kOld); };
const auto kSmall = [](const fs::path& w) { WriteText(w / "small.bmp", kSmallBmp); };
const auto kTreeWithSample = [](const fs::path& w) {
    fs::create_directory(w / "tree");
    kSampleDll(w / "tree");
};
constexpr const char* kZh = "zh_CN.UTF-8";
const std::optional<std::string> kAny;
const std::string kTryGroup = "Try 'icoforge group --help' for more information.\n";

const Case kCases[] = {
    // Files that are not what they seem, and outputs that must not be harmed.
    {"MissingFile", kNothing, {{"count", "@missing.dll"}}, 1, {}, "icoforge: cannot read <missing.dll>: *\n", {}},
    {"Folder", [](const fs::path& w) { fs::create_directory(w / "folder.bmp"); },
     {{"icon", "@folder.bmp", "@out.ico"}}, 1, {}, "icoforge: cannot read <folder.bmp>: not a regular file\n",
     {{"folder.bmp", kAny}}},
    // Without the regular-file check before reading, these would wait for a writer forever.
    {"FifoAsModule", [](const fs::path& w) { MakeFifo(w, "pipe.dll"); },
     {{"group", "@pipe.dll", "1", "@out.ico"}, "C", "timeout 10 "}, 1, {},
     "icoforge: cannot read <pipe.dll>: not a regular file\n", {{"pipe.dll", kAny}}, "no FIFOs"},
    {"FifoAsPicture", [](const fs::path& w) { MakeFifo(w, "pipe.jpg"); },
     {{"convert", "@pipe.jpg", "@out.bmp"}, "C", "timeout 10 "}, 1, {},
     "icoforge: cannot read <pipe.jpg>: not a regular file\n", {{"pipe.jpg", kAny}}, "no FIFOs"},
    {"HugeDeclaredBmp", [](const fs::path& w) { WriteText(w / "huge.bmp", Bmp(30000, 30000, 4)); },
     {{"convert", "@huge.bmp", "@out.bmp"}}, 1, {}, "icoforge: cannot convert <huge.bmp>: the picture has more than *\n",
     {{"huge.bmp", Bmp(30000, 30000, 4)}}},
    {"OutputIsTheSource", [](const fs::path& w) { WriteText(w / "same.bmp", kSmallBmp); },
     {{"convert", "@same.bmp", "@./same.bmp"}}, 1, {}, "icoforge: cannot write <./same.bmp>: *\n",
     {{"same.bmp", kSmallBmp}}},
    // A file-size limit stops the write midway: the old file must survive it whole.
    {"FileSizeLimit",
     [](const fs::path& w) {
         WriteText(w / "big.bin", std::string(64 * 1024, 'x'));
         WriteText(w / "old.bin", kOld);
     },
     {{"decrypt", "-a", "2", "-k", "key", "@big.bin", "@old.bin"}, "C", "ulimit -f 1; "}, 1, {},
     "icoforge: cannot write <old.bin>: *\n", {{"big.bin", std::string(64 * 1024, 'x')}, {"old.bin", kOld}},
     "no file-size limit"},
    {"ConvertPrintsOnlyItsOutput", kSmall, {{"convert", "@small.bmp", "@out.bmp"}}, 0, {"out.bmp"}, "",
     {{"small.bmp", kSmallBmp}, {"out.bmp", kAny}}},
    {"RenderPrintsOnlyItsOutput", kSmall, {{"render", "-s", "16", "@small.bmp", "@out.bmp"}}, 0, {"out.bmp"}, "",
     {{"small.bmp", kSmallBmp}, {"out.bmp", kAny}}},
    {"GroupPrintsOnlyItsOutput", kSampleDll, {{"group", "@sample.dll", "2", "@g.ico"}}, 0, {"g.ico"}, "",
     {{"sample.dll", kAny}, {"g.ico", kAny}}},

    // Progress in the user's language, once, and nothing but errors with -q.
    {"ExtractSaysWhatItDid", kSampleDll, {{"extract", "-o", "@out", "@sample.dll"}}, 0,
     {"out/1.ico", "out/2.ico", "out/3.ico"},
     "icoforge: <sample.dll> holds 3 icons\nicoforge: wrote 3 of 3 icons to <out>\n",
     {{"sample.dll", kAny}, {"out", kAny}}},
    {"ExtractInChinese", kSampleDll, {{"extract", "--output", "@out", "@sample.dll"}, kZh}, 0,
     {"out/1.ico", "out/2.ico", "out/3.ico"},
     "icoforge: <sample.dll> 含有 3 个图标\nicoforge: 已把 3 个图标中的 3 个写入 <out>\n",
     {{"sample.dll", kAny}, {"out", kAny}}},
    {"ScanCountsInWords", kTreeWithSample,
     {{"scan", "-o", "@store", "@tree"}}, 0, {}, "icoforge: 1 file, 0 MB in * s: 3 groups, 3 new outputs, 0 problems\n",
     {{"tree", kAny}, {"store", kAny}}, nullptr, "*"},
    {"ScanCountsInChinese", kTreeWithSample,
     {{"scan", "-o", "@store", "@tree"}, kZh}, 0, {}, "icoforge: 1 个文件，0 MB，用时 * 秒：3 个组，新写入 3 个，0 个问题\n",
     {{"tree", kAny}, {"store", kAny}}, nullptr, "*"},
    // The first of LC_ALL, LC_MESSAGES and LANG that is set decides.
    {"LangAloneAsksForChinese", kNotes, {{"count", "@notes.txt", "x"}, "", "", nullptr, "", kZh}, 2, {},
     "icoforge: 多余的参数 'x'\n请执行“icoforge count --help”查看用法。\n", {{"notes.txt", kOld}}},
    {"MessagesBeforeLang", kNotes, {{"count", "@notes.txt", "x"}, "", "", nullptr, "en_GB.UTF-8", kZh}, 2, {},
     "icoforge: unexpected operand 'x'\nTry 'icoforge count --help' for more information.\n", {{"notes.txt", kOld}}},
    {"ExtractQuiet", kSampleDll, {{"-q", "extract", "--output=@out", "@sample.dll"}}, 0,
     {"out/1.ico", "out/2.ico", "out/3.ico"}, "", {{"sample.dll", kAny}, {"out", kAny}}},
    {"ExtractThroughShortcutCountsOnce",
     [](const fs::path& w) {
         kSampleDll(w);
         WriteText(w / "s.lnk", LinkTo(InWork(w, "sample.dll")));
     },
     {{"extract", "-q", "-o", "@out", "@s.lnk"}}, 0, {"out/1.ico", "out/2.ico", "out/3.ico"}, "",
     {{"sample.dll", kAny}, {"s.lnk", kAny}, {"out", kAny}}},
    {"ExtractNullEnds", kSmall, {{"extract", "-0", "-q", "-s16", "-o", "@o", "@small.bmp"}}, 0, {"o/1.ico"}, "",
     {{"small.bmp", kSmallBmp}, {"o", kAny}}, nullptr, {}, true},

    // Every failure says why; nothing is left that the run made for nothing.
    {"ExtractNamesTheFileItCouldNotWrite",
     [](const fs::path& w) {
         kSampleDll(w);
         fs::create_directories(w / "dd" / "2.ico");
     },
     {{"extract", "-o", "@dd", "@sample.dll"}}, 1, {"dd/1.ico", "dd/3.ico"},
     "icoforge: <sample.dll> holds 3 icons\nicoforge: cannot write <dd/2.ico>: is a folder\n",
     {{"sample.dll", kAny}, {"dd", kAny}}},
    {"ExtractSaysWhyInChinese",
     [](const fs::path& w) {
         kSampleDll(w);
         fs::create_directories(w / "dd" / "1.ico");
     },
     {{"extract", "-q", "-o", "@dd", "@sample.dll"}, kZh}, 1, {"dd/2.ico", "dd/3.ico"},
     "icoforge: 无法写入 <dd/1.ico>：是文件夹\n", {{"sample.dll", kAny}, {"dd", kAny}}},
    {"ExtractIntoAFile", [](const fs::path& w) { kSampleDll(w), kNotes(w); },
     {{"extract", "-o", "@notes.txt/sub", "@sample.dll"}}, 1, {}, "icoforge: cannot create the folder <notes.txt/sub>: *\n",
     {{"sample.dll", kAny}, {"notes.txt", kOld}}},
    {"ExtractKeepsNoBareBackground", kNotes, {{"extract", "-o", "@t4", "@notes.txt"}}, 1, {},
     "icoforge: cannot draw <notes.txt>: not a picture that can be read, or damaged; no icon was kept\n",
     {{"notes.txt", kOld}}},
    {"ExtractOfAnEmptyModuleLeavesNoFolder", [](const fs::path& w) { WriteText(w / "empty.dll", ""); },
     {{"extract", "-o", "@DIR/sub", "@empty.dll"}, kZh}, 1, {}, "icoforge: <empty.dll> 不含图标\n", {{"empty.dll", ""}}},
    {"RenderWritesNoBareBackground", kNotes, {{"render", "@notes.txt", "@r.bmp"}}, 1, {},
     "icoforge: cannot draw <notes.txt>: not a picture the board knows, damaged, or too large\n", {{"notes.txt", kOld}}},

    // The conventions: one line and a hint for a usage error, before anything is read.
    {"UnknownOption", kNothing, {{"count", "--bogus"}}, 2, {},
     "icoforge: unknown option '--bogus'\nTry 'icoforge count --help' for more information.\n", {}},
    {"IndexZero", kSampleDll, {{"group", "@sample.dll", "0", "@x.ico"}}, 2, {},
     "icoforge: INDEX counts from 1, not 0\n" + kTryGroup, {{"sample.dll", kAny}}},
    {"IndexNegativeInChinese", kSampleDll, {{"group", "@sample.dll", "-5", "@x.ico"}, kZh}, 2, {},
     "icoforge: INDEX 从 1 开始计数，不能是 -5\n请执行“icoforge group --help”查看用法。\n", {{"sample.dll", kAny}}},
    {"OutputNameBeforeReading", kNothing, {{"group", "@missing.dll", "3", "@g3.png"}}, 2, {},
     "icoforge: OUTPUT must end in .ico or .bmp, not <g3.png>\n" + kTryGroup, {}},
    {"SizeNotAChoice", kSampleDll, {{"extract", "--size=20", "@sample.dll"}}, 2, {},
     "icoforge: --size must be one of 16, 32, 64, 128, not '20'\nTry 'icoforge extract --help' for more information.\n",
     {{"sample.dll", kAny}}},
    {"MissingValue", kNothing, {{"extract", "-o"}}, 2, {},
     "icoforge: option --output needs a value\nTry 'icoforge extract --help' for more information.\n", {}},
    {"MissingOperand", kNothing, {{"group", "x.dll"}}, 2, {}, "icoforge: missing INDEX\n" + kTryGroup, {}},
    {"UnknownCommand", kNothing, {{"frobnicate"}}, 2, {},
     "icoforge: unknown command 'frobnicate'\nTry 'icoforge --help' for more information.\n", {}},
    // A near miss is offered: one letter off, a swap, the start of one name only.
    {"UnknownOptionOffersTheNearOne", kNothing, {{"list", "--jsn"}}, 2, {},
     "icoforge: unknown option '--jsn'; did you mean '--json'?\n"
     "Try 'icoforge list --help' for more information.\n",
     {}},
    {"ProgramOptionOffersTheNearOne", kNothing, {{"--verbos", "list"}}, 2, {},
     "icoforge: unknown option '--verbos'; did you mean '--verbose'?\nTry 'icoforge --help' for more information.\n", {}},
    {"HelpOffersTheSwappedOne", kNothing, {{"help", "lsit"}}, 2, {},
     "icoforge: unknown command 'lsit'; did you mean 'list'?\nTry 'icoforge help --help' for more information.\n", {}},
    {"UnknownCommandOffersTheOneItStartsInChinese", kNothing, {{"ext"}, kZh}, 2, {},
     "icoforge: 没有 'ext' 这个命令；是否要用 'extract'？\n请执行“icoforge --help”查看用法。\n", {}},
    // After "--" even "--help" is a file name.
    {"DoubleDashEndsOptions", kNothing, {{"count", "--", "--help"}}, 1, {}, "icoforge: cannot read '--help': *\n", {}},
    {"Version", kNothing, {{"-V"}}, 0, {}, "", {}, nullptr, "icoforge *.*\n"},
    {"HelpOfACommand", kNothing, {{"help", "group"}}, 0, {}, "", {}, nullptr,
     "usage: icoforge group [OPTIONS] SOURCE INDEX OUTPUT\n*-v, --verbose*"},
    {"HelpInChinese", kNothing, {{"count", "--help"}, kZh}, 0, {}, "", {}, nullptr, "用法：icoforge count [OPTIONS] FILE\n*"},

    // Content, not names.
    {"CountFollowsShortcut",
     [](const fs::path& w) {
         kSampleDll(w);
         WriteText(w / "s.lnk", LinkTo(InWork(w, "sample.dll")));
     },
     {{"count", "@s.lnk"}}, 0, {}, "", {{"sample.dll", kAny}, {"s.lnk", kAny}}, nullptr, "3\n"},
    {"ShortcutTargetMissing", [](const fs::path& w) { WriteText(w / "s.lnk", LinkTo(InWork(w, "gone.dll"))); },
     {{"count", "@s.lnk"}}, 1, {}, "icoforge: cannot read <gone.dll>, the target of the shortcut <s.lnk>: *\n",
     {{"s.lnk", kAny}}},
    {"GroupTakesAnIconByContent", [](const fs::path& w) { WriteText(w / "renamed.bin", TinyIcon()); },
     {{"group", "@renamed.bin", "1", "@out.ico"}}, 0, {"out.ico"}, "", {{"renamed.bin", TinyIcon()}, {"out.ico", TinyIcon(0)}}},
    {"ExtractDrawsAnIconFileOfAnotherName", [](const fs::path& w) { WriteText(w / "renamed.bin", TinyIcon()); },
     {{"extract", "-o", "@o", "@renamed.bin"}}, 0, {"o/1.ico"},
     "icoforge: <renamed.bin> holds 1 icon\nicoforge: turned <renamed.bin> into the icon <o/1.ico>\n",
     {{"renamed.bin", TinyIcon()}, {"o", kAny}}},
    {"GroupOfAFolder", [](const fs::path& w) { fs::create_directory(w / "dir"); },
     {{"group", "@dir", "1", "@x.ico"}}, 1, {}, "icoforge: cannot read <dir>: not a regular file\n", {{"dir", kAny}}},
    {"ResolveTellsAUrlLink", [](const fs::path& w) { WriteText(w / "u.lnk", LinkToUrl(u"http://example.com/a")); },
     {{"resolve", "@u.lnk"}}, 1, {},
     "icoforge: cannot resolve <u.lnk>: a link with no file path (it stores: http://example.com/a)\n", {{"u.lnk", kAny}}},
    {"ResolveTellsNoLink", kNotes, {{"resolve", "@notes.txt"}, kZh}, 1, {}, "icoforge: 无法解析 <notes.txt>：不是快捷方式\n",
     {{"notes.txt", kOld}}},

    // Lost output is a failure.
    {"CountToAFullDevice", kSampleDll, {{"count", "@sample.dll"}, "C", "", "/dev/full"}, 1, {},
     "icoforge: cannot write to standard output: No space left on device\n", {{"sample.dll", kAny}}, "no /dev/full"},
    {"HelpToAFullDevice", kNothing, {{"--help"}, "C", "", "/dev/full"}, 1, {},
     "icoforge: cannot write to standard output: No space left on device\n", {}, "no /dev/full"},

    // The key off the command line.
    // The key file's line end is CR LF (ReadText drops the CR); the key is the line without it.
    {"DecryptKeyFromAFile",
     [](const fs::path& w) {
         WriteText(w / "key.txt", "secret\r\n");
         WriteText(w / "in.bin", Encrypted("plain text", "secret"));
     },
     {{"decrypt", "-a", "2", "--key-file", "@key.txt", "@in.bin", "@out.bin"}}, 0, {"out.bin"}, "",
     {{"key.txt", "secret\n"}, {"in.bin", Encrypted("plain text", "secret")}, {"out.bin", "plain text"}}},
    {"DecryptKeyFromStandardInput", [](const fs::path& w) { WriteText(w / "in.bin", Encrypted("plain", "k2")); },
     {{"decrypt", "-a2", "--key-file", "-", "@in.bin", "@out.bin"}, "C", "printf 'k2\\n' | "}, 0, {"out.bin"}, "",
     {{"in.bin", Encrypted("plain", "k2")}, {"out.bin", "plain"}}, "no printf to pipe"},
    // make: sizes beyond the picture are told and left out; nothing is written over a picture.
    {"MakeLeavesOutLargerSizes", kSmall, {{"make", "--sizes", "2,16", "-o", "@out.ico", "@small.bmp"}}, 0, {"out.ico"},
     "icoforge: size 16 left out: larger than every picture (--upscale makes it)\n", {{"small.bmp", kSmallBmp}, {"out.ico", kAny}}},
    {"MakeRefusesWhenNoSizeFits", kSmall, {{"make", "--sizes", "16,32", "@small.bmp"}}, 1, {},
     "icoforge: cannot make an icon of <small.bmp>: every size asked for is larger than the picture (2 x 2); "
     "--upscale makes them anyway\n", {{"small.bmp", kSmallBmp}}},
    {"MakeWritesBesideThePicture", kSmall, {{"make", "--upscale", "--sizes=16", "@small.bmp"}}, 0, {"small.ico"}, "",
     {{"small.bmp", kSmallBmp}, {"small.ico", kAny}}},
    {"MakeOverItsPicture", kSmall, {{"make", "--sizes", "2", "-o", "@small.bmp", "@small.bmp"}}, 1, {},
     "icoforge: will not write <small.bmp>: it is the picture <small.bmp> itself\n", {{"small.bmp", kSmallBmp}}},
    // A module gives the icon Explorer shows (sample.dll's APPICON, 48 and 256), here through
    // a shortcut, and the icon goes beside the shortcut the user named.
    {"MakeFromAModuleThroughAShortcut",
     [](const fs::path& w) {
         kSampleDll(w);
         WriteText(w / "s.lnk", LinkTo(InWork(w, "sample.dll")));
     },
     {{"make", "--sizes", "48,256", "@s.lnk"}}, 0, {"s.ico"}, "",
     {{"sample.dll", kAny}, {"s.lnk", kAny}, {"s.ico", kAny}}},
    {"MakeOfAGroupNotThere", kSampleDll, {{"make", "--group", "nope", "@sample.dll"}}, 1, {},
     "icoforge: cannot make an icon of <sample.dll>: it holds no group 'nope'\n", {{"sample.dll", kAny}}},
    {"MakeOfNoPicture", kNotes, {{"make", "@notes.txt"}, kZh}, 1, {},
     "icoforge: 无法读取 <notes.txt>：不是 icoforge 能读取的图片、已损坏或过大\n", {{"notes.txt", kOld}}},
    {"MakeFormatsExcludeEachOther", kSmall, {{"make", "--png-all", "--bmp-all", "@small.bmp"}}, 2, {},
     "icoforge: --png-at, --png-all and --bmp-all exclude each other\nTry 'icoforge make --help' for more information.\n",
     {{"small.bmp", kSmallBmp}}},
    // Each command's own range for the hot spot, and both numbers required.
    {"MakeHotSpotPastItsRange", kSmall, {{"make", "--cursor", "3,65536", "@small.bmp"}}, 2, {},
     "icoforge: --cursor takes two whole numbers X,Y from 0 to 65535, not '3,65536'\n"
     "Try 'icoforge make --help' for more information.\n",
     {{"small.bmp", kSmallBmp}}},
    {"IconHotSpotWithoutY", kSmall, {{"icon", "--cursor", "7", "@small.bmp", "@out.ico"}}, 2, {},
     "icoforge: --cursor takes two whole numbers X,Y, not '7'\nTry 'icoforge icon --help' for more information.\n",
     {{"small.bmp", kSmallBmp}}},
    {"DecryptNeedsAKey", kNothing, {{"decrypt", "a", "b"}}, 2, {},
     "icoforge: give -k KEY or --key-file FILE\nTry 'icoforge decrypt --help' for more information.\n", {}},
};

class CommandLineRun : public ::testing::TestWithParam<Case> {};

TEST_P(CommandLineRun, StatusStreamsAndFilesLeft) {
    const Case& c = GetParam();
    if (kWindows && c.posix_only != nullptr) GTEST_SKIP() << "Windows has " << c.posix_only;
    const PrivateFolder folder;
    const fs::path work = folder.work();
    c.prepare(work);
    Call run = c.run;
    for (auto& arg : run.args) {
        if (arg.starts_with("--output=@")) arg = "--output=" + InWork(work, arg.substr(10));
        arg = Expand(work, arg);
    }

    const Outcome outcome = RunIcoforge(run, folder);
    EXPECT_EQ(outcome.status, c.status) << outcome.err;
    std::string expected_out;
    for (const auto& name : c.written) expected_out += InWork(work, name) + (c.null_ends ? '\0' : '\n');
    if (c.out.empty()) {
        EXPECT_EQ(outcome.out, expected_out);
    } else {
        EXPECT_TRUE(Matches(c.out, outcome.out)) << outcome.out;
    }
    const std::string expected_err = ExpandQuoted(work, c.err);
    EXPECT_TRUE(Matches(expected_err, outcome.err)) << "expected:\n" << expected_err << "got:\n" << outcome.err;

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

INSTANTIATE_TEST_SUITE_P(IssueCases, CommandLineRun, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });

// extract is the window's button: the icons are those group writes one by one, and a
// picture becomes one icon of the chosen size.
TEST(Extract, WritesWhatTheButtonWould) {
    const PrivateFolder folder;
    const fs::path work = folder.work();
    const std::string sample = HostPath(kSample);
    const std::string out = InWork(work, "out");
    ASSERT_EQ(RunIcoforge({{"extract", "-q", "-o", out, sample}}, folder).status, 0);
    for (int n = 1; n <= 3; ++n) {
        const std::string reference = InWork(work, "group.ico");
        ASSERT_EQ(RunIcoforge({{"group", sample, std::to_string(n), reference}}, folder).status, 0);
        EXPECT_EQ(ReadText(work / "out" / (std::to_string(n) + ".ico")), ReadText(reference)) << n;
    }
    WriteText(work / "small.bmp", kSmallBmp);
    const Outcome picture = RunIcoforge({{"extract", "-s", "16", "-o", out, InWork(work, "small.bmp")}}, folder);
    EXPECT_EQ(picture.status, 0) << picture.err;
    EXPECT_EQ(ReadText(work / "out" / "1.ico").substr(0, 7), std::string("\0\0\1\0\1\0\x10", 7));
}

}  // namespace
}  // namespace icoforge
