// list and extract's catalogue options, run as a user runs them, on a module made here:
// what is printed, the file names written and the exit status.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "common/byte_writer.h"
#include "common/path.h"
#include "tests/cli/cli_support.h"
#include "tests/shell/link_builder.h"
#include "tests/support/ico_builder.h"
#include "tests/support/module_builder.h"

namespace icoforge {
namespace {

namespace fs = std::filesystem;
using module::ResourceName;
using module::ResourceType;
using testing::Type;

using cli_test::HostPath;
using cli_test::kWindows;
using cli_test::ReadText;
using cli_test::ShellQuoted;
using cli_test::ShellStatus;

// A second module named as a Windows device: only a Linux file system can hold it, and its
// icons must still get names Windows can open.
const std::string kDeviceNamed = kWindows ? "other.dll" : "con.dll";
const std::string kDeviceStem = kWindows ? "other" : "_con";
const std::string kOddName = "Q\"\\\t\x01\xE4\xB8\xAD";  // Q"\, a tab, U+0001 and a Chinese character

class CatalogueCli : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("icoforge-catalogue-cli-" + std::to_string(std::random_device{}()));
        fs::create_directories(root_);
        ByteBuffer cursor;
        ByteWriter hot;
        hot.U16(3), hot.U16(4);
        hot.Bytes(testing::MakeDibImage({.width = 32, .height = 32, .bit_count = 1}));
        ByteBuffer cursor_group = testing::MakeGroupResource({10});
        PutU16At(cursor_group, 2, 2);
        const ByteBuffer module = testing::BuildModule(module::ModuleFormat::Pe32, {
            {Type(ResourceType::GroupIcon), ResourceName::Text("A:B?"), testing::MakeGroupResource({1}), 0x409},
            {Type(ResourceType::GroupIcon), ResourceName::Text("A:B?"), testing::MakeGroupResource({1}), 0x407},
            {Type(ResourceType::GroupIcon), ResourceName::Id(2), testing::MakeGroupResource({1, 2}), 0},
            {Type(ResourceType::Icon), ResourceName::Id(1), testing::MakeDibImage({.width = 16, .height = 16, .bit_count = 8})},
            {Type(ResourceType::Icon), ResourceName::Id(2), testing::MakeDibImage({.width = 32, .height = 32, .bit_count = 32})},
            {Type(ResourceType::Icon), ResourceName::Id(7), testing::MakeDibImage({.width = 48, .height = 48, .bit_count = 4})},
            {Type(ResourceType::GroupCursor), ResourceName::Id(5), cursor_group},
            {Type(ResourceType::Cursor), ResourceName::Id(10), hot.Take()},
        });
        for (const std::string& name : {std::string("app.dll"), kDeviceNamed}) Put(name, module);
        std::ofstream(root_ / "notes.txt") << "not a module";
        // A name that JSON must escape, and an animation with its own fields.
        const ByteBuffer odd = testing::BuildModule(module::ModuleFormat::Pe32, {
            {Type(ResourceType::GroupIcon), ResourceName::Text(kOddName), testing::MakeGroupResource({1}), 0},
            {Type(ResourceType::Icon), ResourceName::Id(1), testing::MakeDibImage({.width = 16, .height = 16, .bit_count = 8})},
        });
        const ByteBuffer frame = testing::MakeIcoFile({testing::MakeDibImage({.width = 16, .height = 16, .bit_count = 4})});
        Put("odd.dll", odd);
        Put("anim.ani", testing::MakeAniFile({frame, frame}, 6));
        // A module without icons whose icons Windows keeps in SystemResources, in a case
        // of its own.
        fs::create_directories(root_ / "WINDOWS" / "System32");
        fs::create_directories(root_ / "WINDOWS" / "systemResources");
        Put("WINDOWS/System32/Shell32.dll", testing::BuildModule(module::ModuleFormat::Pe32, {}));
        fs::copy_file(root_ / "app.dll", root_ / "WINDOWS" / "systemResources" / "SHELL32.DLL.mun");
    }
    void Put(const std::string& name, const ByteBuffer& bytes) {
        std::ofstream(root_ / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }

    // The exit status and standard output of icoforge with `args` ("@NAME": a file of the test's).
    std::pair<int, std::string> Run(const std::vector<std::string>& args) {
        std::string command = ShellQuoted(HostPath(ICOFORGE_PROGRAM));
        for (const auto& arg : args)
            command.append(" ").append(ShellQuoted(arg.starts_with("@") ? HostPath(Utf8FromPath(root_ / arg.substr(1))) : arg));
        command.append(" > ").append(ShellQuoted(HostPath(Utf8FromPath(root_ / "out")))).append(" 2> ").append(
            ShellQuoted(HostPath(Utf8FromPath(root_ / "err"))));
        if (kWindows) command = "\"" + command + "\"";
        return {ShellStatus(command), ReadText(root_ / "out")};
    }
    std::set<std::string> Written(const std::string& folder) {
        std::set<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(root_ / folder))
            if (entry.is_regular_file()) names.insert(Utf8FromPath(fs::relative(entry.path(), root_ / folder).generic_string()));
        return names;
    }
    fs::path root_;
};

TEST_F(CatalogueCli, ExtractNamesTheFilesItWrites) {
    const struct {
        std::vector<std::string> options;
        std::set<std::string> files;
    } cases[] = {
        {{"--names"}, {"app-A_B_-1033.ico", "app-A_B_-1031.ico", "app-2.ico"}},
        {{"--names", "--lang", "1031"}, {"app-A_B_-1031.ico"}},
        {{"--group", "a:b?"}, {"1-1033.ico", "1-1031.ico"}},
        {{"--group", "2", "--png"}, {"2-1.png", "2-2.png"}},
        {{"--cursors", "--names"}, {"app-5.cur"}},
        {{"--all", "--orphans"}, {"1-1033.ico", "1-1031.ico", "2.ico", "1.cur", "orphan-7.ico"}},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string folder = "out" + std::to_string(++n);
        std::vector<std::string> args = {"extract", "-o", "@" + folder};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back("@app.dll");
        const auto [status, out] = Run(args);
        EXPECT_EQ(status, 0) << folder << ": " << ReadText(root_ / "err");
        EXPECT_EQ(Written(folder), c.files) << folder;
        EXPECT_EQ(static_cast<std::size_t>(std::count(out.begin(), out.end(), '\n')), c.files.size()) << folder;
    }
    // Several files: each into a folder of its own name, or all into one with --names
    // (a device name made safe).
    EXPECT_EQ(Run({"extract", "-o", "@many", "--group", "2", "@app.dll", "@" + kDeviceNamed}).first, 0);
    EXPECT_EQ(Written("many"), (std::set<std::string>{"app.dll/2.ico", kDeviceNamed + "/2.ico"}));
    EXPECT_EQ(Run({"extract", "-o", "@one", "--names", "--group", "2", "@app.dll", "@" + kDeviceNamed}).first, 0);
    EXPECT_EQ(Written("one"), (std::set<std::string>{"app-2.ico", kDeviceStem + "-2.ico"}));
    // A file with nothing chosen gets no folder, and a run that writes nothing leaves none.
    EXPECT_EQ(Run({"extract", "-o", "@mixed", "--group", "2", "@app.dll", "@anim.ani"}).first, 1);
    EXPECT_EQ(Written("mixed"), (std::set<std::string>{"app.dll/2.ico"}));
    EXPECT_FALSE(fs::exists(root_ / "mixed" / "anim.ani"));
    EXPECT_EQ(Run({"extract", "-o", "@none/deep", "--group", "99", "@app.dll"}).first, 1);
    EXPECT_FALSE(fs::exists(root_ / "none"));
    // The same name twice: the second gets "~2". A name a folder holds is refused, by its
    // path, and the files after it are still written.
    fs::create_directories(root_ / "sub");
    fs::copy_file(root_ / "app.dll", root_ / "sub" / "app.dll");
    EXPECT_EQ(Run({"extract", "-o", "@twice", "--names", "--group", "2", "@app.dll", "@sub/app.dll"}).first, 0);
    EXPECT_EQ(Written("twice"), (std::set<std::string>{"app-2.ico", "app-2~2.ico"}));
    fs::create_directories(root_ / "busy" / "2-1.png");
    EXPECT_EQ(Run({"extract", "-o", "@busy", "--group", "2", "--png", "@app.dll"}).first, 1);
    EXPECT_EQ(Written("busy"), (std::set<std::string>{"2-2.png"}));
    const std::string err = ReadText(root_ / "err");
    EXPECT_NE(err.find("2-1.png"), std::string::npos) << err;
    EXPECT_NE(err.find(" 1 "), std::string::npos) << "counts only the file it wrote: " << err;
    // Each output waiting for its name holds a file open: a process allowed only a few
    // still writes all 40 images of a group.
    if (!kWindows) {
        std::vector<std::uint16_t> ids(40);
        std::vector<testing::ModuleResource> resources;
        for (std::uint16_t id = 1; id <= ids.size(); ++id) {
            ids[id - 1] = id;
            resources.push_back({Type(ResourceType::Icon), ResourceName::Id(id),
                                 testing::MakeDibImage({.width = 16, .height = 16, .bit_count = 4})});
        }
        resources.push_back({Type(ResourceType::GroupIcon), ResourceName::Id(1), testing::MakeGroupResource(ids)});
        Put("many.dll", testing::BuildModule(module::ModuleFormat::Pe32, resources));
        const std::string command = "ulimit -n 16 && " + ShellQuoted(ICOFORGE_PROGRAM) + " extract -q --png -o " +
                                    ShellQuoted(Utf8FromPath(root_ / "few")) + " " + ShellQuoted(Utf8FromPath(root_ / "many.dll")) +
                                    " > /dev/null";
        EXPECT_EQ(ShellStatus(command), 0);
        EXPECT_EQ(Written("few").size(), ids.size());
    }
    // Usage errors.
    EXPECT_EQ(Run({"extract", "--cursors", "--all", "@app.dll"}).first, 2);
    EXPECT_EQ(Run({"extract", "--lang", "70000", "@app.dll"}).first, 2);
}

// The table puts images largest first, depths of one size together; names are shown on
// their own line with their control characters escaped, in a column as wide as the
// longest name (up to 48), as a terminal counts wide characters.
TEST_F(CatalogueCli, ListTableForPeople) {
    const auto dib = [](std::int32_t side, std::uint16_t bits) {
        return testing::MakeDibImage({.width = side, .height = side, .bit_count = bits});
    };
    Put("depths.ico", testing::MakeIcoFile({dib(16, 4), dib(32, 32), dib(16, 32)}));
    const auto [status, out] = Run({"list", "@depths.ico"});
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find("  32x32/32 bmp, 16x16/32,4 bmp\n"), std::string::npos) << out;

    std::vector<testing::ModuleResource> resources = {{Type(ResourceType::Icon), ResourceName::Id(1), dib(16, 4)}};
    for (const char* name : {"A\x1B[2JRED\nX", "Ä中文名字", "thirty-characters-of-one-name"})
        resources.push_back({Type(ResourceType::GroupIcon), ResourceName::Text(name), testing::MakeGroupResource({1})});
    Put("names.dll", testing::BuildModule(module::ModuleFormat::Pe32, resources));
    const std::string table = Run({"list", "@names.dll"}).second;
    // The columns as Python's unicodedata.east_asian_width counts them.
    EXPECT_NE(table.find("  TYPE             INDEX  NAME                            LANG  IMAGES\n"
                         "  icon                 1  A\\x1B[2JRED\\x0AX                   0  16x16/4 bmp\n"
                         "  icon                 2  Ä中文名字                          0  16x16/4 bmp\n"
                         "  icon                 3  thirty-characters-of-one-name      0  16x16/4 bmp\n"),
              std::string::npos)
        << table;
}

// A shortcut gives the icon it shows: the group its icon index names (app.dll's group 2
// holds a 16 and a 32 pixel image, group 1 a 16 only), in the file its icon location
// names, not its target's; an index the file lacks says which shortcut named it.
TEST_F(CatalogueCli, MakeAndThumbnailTakeTheIconAShortcutNames) {
    const auto link = [&](std::int32_t index) {
        testing::LinkShape shape;
        shape.base_path = HostPath(Utf8FromPath(root_ / "notes.txt"));
        const std::string icon = HostPath(Utf8FromPath(root_ / "app.dll"));
        shape.icon_location = std::u16string(icon.begin(), icon.end());
        shape.icon_index = index;
        return testing::BuildLink(shape);
    };
    const auto byte_at = [&](const char* name, std::streamoff at) {
        std::ifstream in(root_ / name, std::ios::binary);
        in.seekg(at);
        return in.get();
    };
    for (const auto& [index, images] : {std::pair{1, 2}, {-2, 2}, {0, 1}}) {
        Put("s.lnk", link(index));
        EXPECT_EQ(Run({"make", "--sizes", "16,32", "-o", "@s.ico", "@s.lnk"}).first, 0) << index;
        EXPECT_EQ(byte_at("s.ico", 4), images) << index;  // the icon directory's count
        // A 16-pixel icon keeps its size in a 32-pixel thumbnail (the width ends at IHDR's 19).
        EXPECT_EQ(Run({"thumbnail", "-s", "32", "@s.lnk", "@s.png"}).first, 0) << index;
        EXPECT_EQ(byte_at("s.png", 19), images == 2 ? 32 : 16) << index;
    }
#ifdef _WIN32
    // A bare name is a file of the system folder, as Windows looks for it.
    testing::LinkShape bare;
    bare.base_path = HostPath(Utf8FromPath(root_ / "notes.txt"));
    bare.icon_location = u"shell32.dll";
    Put("bare.lnk", testing::BuildLink(bare));
    EXPECT_EQ(Run({"make", "--sizes", "16", "-o", "@bare.ico", "@bare.lnk"}).first, 0);
#endif
    // The fixture's folder is a Windows volume (WINDOWS\System32) as Linux mounts it: a
    // shortcut on it names its target by drive, and its icon by a variable of Windows's,
    // which leads on to the icons kept in SystemResources.
    if (!kWindows) {
        fs::create_directories(root_ / "Users" / "Me" / "Desktop");
        testing::LinkShape mounted;
        mounted.base_path = "C:\\APP.DLL";
        Put("Users/Me/Desktop/target.lnk", testing::BuildLink(mounted));
        EXPECT_EQ(Run({"make", "--sizes", "16,32", "-o", "@t.ico", "@Users/Me/Desktop/target.lnk"}).first, 0);
        EXPECT_EQ(byte_at("t.ico", 4), 1);
        mounted.icon_location = u"%SystemRoot%\\system32\\shell32.dll";
        mounted.icon_index = 1;
        Put("Users/Me/Desktop/icon.lnk", testing::BuildLink(mounted));
        EXPECT_EQ(Run({"make", "--sizes", "16,32", "-o", "@i.ico", "@Users/Me/Desktop/icon.lnk"}).first, 0);
        EXPECT_EQ(byte_at("i.ico", 4), 2);
    }
    // An internet shortcut, as a game launcher writes one, names its icon the same way.
    const std::string url = "[InternetShortcut]\r\nURL=steam://rungameid/1\r\nIconFile=" +
                            HostPath(Utf8FromPath(root_ / "app.dll")) + "\r\nIconIndex=1\r\n";
    Put("g.url", ByteBuffer(url.begin(), url.end()));
    EXPECT_EQ(Run({"make", "--sizes", "16,32", "-o", "@g.ico", "@g.url"}).first, 0);
    EXPECT_EQ(byte_at("g.ico", 4), 2);
    // Without an icon file it has nothing else to show, and nothing is written.
    const std::string web = "[InternetShortcut]\r\nURL=https://example.com/\r\n";
    Put("web.url", ByteBuffer(web.begin(), web.end()));
    EXPECT_EQ(Run({"make", "-o", "@web.ico", "@web.url"}).first, 1);
    EXPECT_EQ(Run({"thumbnail", "@web.url", "@web.png"}).first, 1);
    EXPECT_FALSE(fs::exists(root_ / "web.ico") || fs::exists(root_ / "web.png"));
    Put("s.lnk", link(7));
    EXPECT_EQ(Run({"make", "--sizes", "16,32", "-o", "@s.ico", "@s.lnk"}).first, 1);
    const std::string err = ReadText(root_ / "err");  // in the locale's language: names and numbers only
    EXPECT_NE(err.find("s.lnk"), std::string::npos) << err;
    EXPECT_NE(err.find(" 7"), std::string::npos) << err;
}

TEST_F(CatalogueCli, ListJsonLinesWithAnErrorLine) {
    const auto [status, out] = Run({"list", "--json", "@app.dll", "@notes.txt"});
    EXPECT_EQ(status, 1);
    std::istringstream lines(out);
    std::string first, second;
    std::getline(lines, first);
    std::getline(lines, second);
    const auto app = nlohmann::json::parse(first);
    EXPECT_EQ(app["kind"], "pe32");
    ASSERT_EQ(app["groups"].size(), 4u);
    EXPECT_EQ(app["groups"][0]["name"], "A:B?");
    EXPECT_EQ(app["groups"][1]["language"], 0x407);
    EXPECT_EQ(app["groups"][1]["index"], 1);
    EXPECT_EQ(app["groups"][2]["id"], 2);
    EXPECT_EQ(app["groups"][2]["images"][1]["width"], 32);
    EXPECT_EQ(app["groups"][3]["type"], "cursor");
    EXPECT_EQ(app["groups"][3]["images"][0]["hotspot"], nlohmann::json::array({3, 4}));
    EXPECT_EQ(app["orphans"][0]["id"], 7);
    EXPECT_TRUE(app["problems"].empty());
    const auto notes = nlohmann::json::parse(second);
    EXPECT_TRUE(notes.contains("error"));
    EXPECT_FALSE(notes.contains("groups"));

    const auto [odd_status, odd_out] = Run({"list", "--json", "@odd.dll", "@anim.ani"});
    EXPECT_EQ(odd_status, 0);
    std::istringstream odd_lines(odd_out);
    std::getline(odd_lines, first);
    std::getline(odd_lines, second);
    EXPECT_EQ(nlohmann::json::parse(first)["groups"][0]["name"], kOddName);
    const auto ani = nlohmann::json::parse(second);
    EXPECT_EQ(ani["kind"], "ani");
    const auto& animation = ani["groups"][0];
    EXPECT_EQ(animation["type"], "animated-cursor");
    EXPECT_EQ(animation["frames"], 2);
    EXPECT_EQ(animation["steps"], 2);
    EXPECT_EQ(animation["rates"], nlohmann::json::array({6, 7}));
    EXPECT_EQ(animation["images"][1]["frame"], 1);
    EXPECT_TRUE(animation.contains("bytes"));

    const auto [mun_status, mun_out] = Run({"list", "--json", "@WINDOWS/System32/Shell32.dll"});
    EXPECT_EQ(mun_status, 0);
    const auto mun = nlohmann::json::parse(mun_out);
    EXPECT_EQ(mun["groups"].size(), 4u);
    EXPECT_NE(mun.value("read_from", std::string()).find("SHELL32.DLL.mun"), std::string::npos);
    // make reads the icon Explorer shows from there too, says so, and writes beside the module.
    EXPECT_EQ(Run({"make", "--sizes", "16", "@WINDOWS/System32/Shell32.dll"}).first, 0);
    EXPECT_NE(ReadText(root_ / "err").find("SHELL32.DLL.mun"), std::string::npos);
    EXPECT_TRUE(fs::exists(root_ / "WINDOWS" / "System32" / "Shell32.ico"));
    // A group asked for is looked for there too: the module itself holds no groups at all.
    EXPECT_EQ(Run({"make", "--sizes", "16", "--group", "2", "-o", "@g2.ico", "@WINDOWS/System32/Shell32.dll"}).first, 0);
    EXPECT_EQ(Run({"thumbnail", "-s", "16", "@WINDOWS/System32/Shell32.dll", "@shell32.png"}).first, 0);
}

}  // namespace
}  // namespace icoforge
