#include "shell/shell_link.h"

#include <gtest/gtest.h>

#include "common/byte_reader.h"
#include "link_builder.h"

namespace icoforge {
namespace {

using testing::BuildLink;
using testing::IdEntry;
using testing::LinkShape;

TEST(ShellLink, LocalBasePathAndSuffixFromLinkInfo) {
    LinkShape shape;
    shape.base_path = "C:\\test\\a.txt";
    EXPECT_EQ(ShellLinkTargetPath(BuildLink(shape)), "C:\\test\\a.txt");
    // The suffix completes the base; a separator is put between them when missing.
    shape.base_path = "C:\\Users\\";
    shape.suffix = "bob\\Downloads";
    EXPECT_EQ(ShellLinkTargetPath(BuildLink(shape)), "C:\\Users\\bob\\Downloads");
    shape.base_path = "D:\\share";
    shape.suffix = "x.doc";
    EXPECT_EQ(ShellLinkTargetPath(BuildLink(shape)), "D:\\share\\x.doc");
    // ANSI bytes are read as Windows-1252, or as the caller's code page has them (on a
    // Chinese system, D6 D0 is one character).
    shape.base_path = "C:\\Caf\xE9\\\x80.txt";
    shape.suffix.clear();
    EXPECT_EQ(ShellLinkTargetPath(BuildLink(shape)), "C:\\Caf\xC3\xA9\\\xE2\x82\xAC.txt");
    shape.base_path = "C:\\\xD6\xD0.exe";
    const AnsiDecoder marked = [](ByteView ansi) {
        return ansi.empty() ? std::string() : "<" + std::string(ansi.begin(), ansi.end()) + ">";
    };
    EXPECT_EQ(ShellLinkTargetPath(BuildLink(shape), marked), "<C:\\\xD6\xD0.exe>");
}

TEST(ShellLink, UnicodeFormsWinOverAnsi) {
    LinkShape shape;
    shape.base_path = "C:\\Users\\";
    shape.base_path_unicode = u"C:\\Users\\";
    shape.suffix = "????\\notes.txt";
    shape.suffix_unicode = u"\u0414\u0438\u043C\u0430\\notes.txt";
    EXPECT_EQ(ShellLinkTargetPath(BuildLink(shape)), "C:\\Users\\\xD0\x94\xD0\xB8\xD0\xBC\xD0\xB0\\notes.txt");
}

TEST(ShellLink, IdListServesWhenLinkInfoHasNoLocalPath) {
    LinkShape shape;
    shape.drive = "C:\\";
    shape.entries = {{"PROGRA~1", u"Program Files"}, {"xt", u"", 9}, {"LONGFI~1.EXE", u"Long File Name.exe", 3, false, false}};
    EXPECT_EQ(ShellLinkTargetPath(BuildLink(shape)), "C:\\Program Files\\xt\\Long File Name.exe");
    // Version 7 and 8 extension blocks, and Unicode primary names.
    shape.entries = {{"DOCUME~1", u"Documents", 7}, {"\xC5r.txt", u"", 9}, {"report.txt", u"", 9, true, false}};
    shape.entries[1].directory = true;
    EXPECT_EQ(ShellLinkTargetPath(BuildLink(shape)), "C:\\Documents\\\xC3\x85r.txt\\report.txt");
    shape.entries = {{"A", u"Alpha", 8}};
    EXPECT_EQ(ShellLinkTargetPath(BuildLink(shape)), "C:\\Alpha");
    // A drive alone is a target too.
    shape.entries.clear();
    EXPECT_EQ(ShellLinkTargetPath(BuildLink(shape)), "C:\\");
    // The local path of LinkInfo wins over the list.
    shape.base_path = "E:\\other.txt";
    EXPECT_EQ(ShellLinkTargetPath(BuildLink(shape)), "E:\\other.txt");
    // ...unless the link says to ignore LinkInfo.
    shape.extra_flags = 0x100;
    EXPECT_EQ(ShellLinkTargetPath(BuildLink(shape)), "C:\\");
}

TEST(ShellLink, NetworkShareIsTheLastResort) {
    LinkShape shape;
    shape.net_name = "\\\\server\\share";
    shape.suffix = "dir\\file.pdf";
    EXPECT_EQ(ShellLinkTargetPath(BuildLink(shape)), "\\\\server\\share\\dir\\file.pdf");
    shape.drive = "Z:\\";
    shape.entries = {{"dir", u""}, {"file.pdf", u"", 9, false, false}};
    EXPECT_EQ(ShellLinkTargetPath(BuildLink(shape)), "Z:\\dir\\file.pdf");
}

TEST(ShellLink, NoFileSystemTargetIsEmpty) {
    LinkShape shape;
    shape.id_list_root_only = true;  // "My Computer" itself
    EXPECT_EQ(ShellLinkTargetPath(BuildLink(shape)), "");
    EXPECT_EQ(ShellLinkTargetPath(BuildLink(LinkShape{})), "");
    // A root other than My Computer (here: Control Panel) names no file.
    ByteBuffer items = {20, 0, 0x1F, 0x50};
    for (std::uint8_t b : {0x20, 0x20, 0xEC, 0x21, 0xEA, 0x3A, 0x69, 0x10, 0xA2, 0xDD, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D})
        items.push_back(b);
    items.insert(items.end(), {0, 0});
    EXPECT_EQ(PathFromItemIdList(items), "");
    // A volume item whose name is not a drive, and a list without its terminal zero.
    EXPECT_EQ(PathFromItemIdList(ByteBuffer{7, 0, 0x2F, 'x', 'y', 0, 0, 0, 0}), "");
    EXPECT_EQ(PathFromItemIdList(ByteBuffer{7, 0, 0x2F, 'C', ':', '\\', 0}), "");
    EXPECT_EQ(PathFromItemIdList(ByteBuffer{7, 0, 0x2F, 'C', ':', '\\', 0, 0, 0}), "C:\\");
}

TEST(ShellLink, RefusesWhatIsNotAShellLink) {
    LinkShape shape;
    shape.base_path = "C:\\a.txt";
    const ByteBuffer good = BuildLink(shape);
    ByteBuffer bad_size = good;
    bad_size[0] = 0x4D;
    EXPECT_EQ(ShellLinkTargetPath(bad_size), "");
    ByteBuffer bad_clsid = good;
    bad_clsid[4] ^= 1;
    EXPECT_EQ(ShellLinkTargetPath(bad_clsid), "");
    const std::string text = "not a link at all, just text that ends in .lnk";
    EXPECT_EQ(ShellLinkTargetPath(ByteBuffer(text.begin(), text.end())), "");
    EXPECT_EQ(ShellLinkTargetPath({}), "");
}

TEST(ShellLink, TruncatedAndLyingStructuresGiveNothingOrTheirValidPart) {
    LinkShape shape;
    shape.drive = "C:\\";
    shape.entries = {{"DIR", u"Directory"}, {"F.TXT", u"File.txt", 9, false, false}};
    shape.base_path = "C:\\Directory\\File.txt";
    const ByteBuffer good = BuildLink(shape);
    ASSERT_EQ(ShellLinkTargetPath(good), "C:\\Directory\\File.txt");
    // Every cut: no read past the end, and never a path other than the full one.
    for (std::size_t size = 0; size < good.size(); ++size) {
        const std::string got = ShellLinkTargetPath(ByteView(good).first(size));
        EXPECT_TRUE(got.empty() || got == "C:\\Directory\\File.txt") << size << ": " << got;
    }
    // LinkInfo offsets pointing outside the structure, and a string without its zero.
    const std::size_t info = good.size() - 4 - testing::LinkInfo(shape).size();
    ByteBuffer lying = good;
    PutU32At(lying, info + 16, 0xFFFFFFF0);  // local base path offset
    EXPECT_EQ(ShellLinkTargetPath(lying), "C:\\Directory\\File.txt");  // the ID list still answers
    ByteBuffer huge_info = good;
    PutU32At(huge_info, info, 0x7FFFFFFF);
    EXPECT_EQ(ShellLinkTargetPath(huge_info), "");
    ByteBuffer huge_list = good;
    PutU16At(huge_list, 0x4C, 0xFFFF);
    EXPECT_EQ(ShellLinkTargetPath(huge_list), "");
}

// The icon a link shows: its environment block's path first (Windows prefers it), then
// its icon location, each with the index as stored; a path string is read to at most
// 260 characters and the next string follows them, as Windows reads it.
TEST(ShellLink, IconLocationsInTheOrderWindowsTriesThem) {
    LinkShape plain;
    plain.base_path = "C:\\app.exe";
    EXPECT_FALSE(ShellLinkIconLocation(BuildLink(plain)));

    LinkShape both = plain;
    both.icon_location = u"C:\\Windows\\shell32.dll";
    both.icon_environment = u"%SystemRoot%\\shell32.dll";
    both.icon_index = -3;
    const auto icon = ShellLinkIconLocation(BuildLink(both));
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->paths, (std::vector<std::string>{"%SystemRoot%\\shell32.dll", "C:\\Windows\\shell32.dll"}));
    EXPECT_EQ(icon->index, -3);

    for (const std::size_t length : {260, 261}) {
        LinkShape padded = plain;
        padded.icon_location = std::u16string(length, u'a');
        ByteBuffer link = BuildLink(padded);
        const auto read = ShellLinkIconLocation(link);
        ASSERT_TRUE(read) << length;
        EXPECT_EQ(read->paths, std::vector<std::string>{std::string(260, 'a')}) << length;
        link.resize(link.size() - 5);  // the terminal block and a byte of the last character
        EXPECT_EQ(ShellLinkIconLocation(link).has_value(), length == 261) << length;
    }
}

}  // namespace
}  // namespace icoforge
