#include "shell/internet_shortcut.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace icoforge {
namespace {

ByteBuffer Bytes(std::string_view text) { return ByteBuffer(text.begin(), text.end()); }

// Text as UTF-16 in either byte order, behind the given mark.
std::string Utf16(std::string mark, std::u16string_view text, bool big_endian) {
    for (const char16_t unit : text) {
        const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
        mark += big_endian ? high : low;
        mark += big_endian ? low : high;
    }
    return mark;
}

// As a launcher writes them, and as the profile functions read them: the first
// [InternetShortcut] key of each name wins, names and section in any letter case, blanks
// and one pair of quotes around a value dropped.
TEST(InternetShortcut, IconFileAndIndexAsWindowsReadsThem) {
    const struct {
        const char* label;
        std::string text;
        std::optional<std::string> path;  // nothing: no icon
        std::int32_t index;
    } cases[] = {
        {"a launcher's", "[{000214A0-0000-0000-C000-000000000046}]\r\nProp3=19,0\r\n[InternetShortcut]\r\nIDList=\r\n"
                         "IconIndex=0\r\nURL=steam://rungameid/570\r\nIconFile=C:\\Games\\570.ico\r\n",
         "C:\\Games\\570.ico", 0},
        {"letter case, blanks, quotes", "[ internetshortcut ]\n  iconfile = \"C:\\A B\\x.dll\" \n ICONINDEX = -7 \n",
         "C:\\A B\\x.dll", -7},
        {"first key wins", "[InternetShortcut]\nIconFile=C:\\one.ico\nIconFile=C:\\two.ico\nIconIndex=2\nIconIndex=3\n",
         "C:\\one.ico", 2},
        {"no number", "[InternetShortcut]\nIconFile=C:\\a.ico\nIconIndex=x1\n", "C:\\a.ico", 0},
        {"beyond 32 bits", "[InternetShortcut]\nIconFile=C:\\a.ico\nIconIndex=4294967296\n", "C:\\a.ico", 0},
        {"ANSI", "[InternetShortcut]\nIconFile=C:\\Caf\xE9.ico", "C:\\Caf\xC3\xA9.ico", 0},
        {"UTF-8 behind its mark", "\xEF\xBB\xBF[InternetShortcut]\nIconFile=C:\\Caf\xC3\xA9.ico", "C:\\Caf\xC3\xA9.ico", 0},
        {"key of another section", "[Other]\nIconFile=C:\\a.ico\n[InternetShortcut]\nURL=http://a/\n", std::nullopt, 0},
        {"empty icon file", "[InternetShortcut]\nIconFile=\n", std::nullopt, 0},
        {"unclosed section", "[InternetShortcut\nIconFile=C:\\a.ico\n", std::nullopt, 0},
        {"no text", std::string("MZ\0\0[InternetShortcut]\nIconFile=C:\\a.ico\n", 40), std::nullopt, 0},
        // Where ANSI lost characters, the shell writes the path again in UTF-7 (Python's
        // utf-7 codec encoded it) and reads that one.
        {"UTF-7 beside ANSI", "[InternetShortcut]\r\nIconFile=C:\\Jos?\\?.ico\r\nIconIndex=2\r\n"
                              "[InternetShortcut.W]\r\nIconFile=C:+AFw-Jos+AOkAXGYfeno.ico\r\n",
         "C:\\Jos\xC3\xA9\\\xE6\x98\x9F\xE7\xA9\xBA.ico", 2},
        {"UTF-7 alone", "[InternetShortcut.W]\r\nIconFile=C:+AFw-a.ico\r\n", std::nullopt, 0},
        {"UTF-16LE",
         Utf16("\xFF\xFE", u"[InternetShortcut]\r\nIconFile=C:\\\u9B54\u6CD5.ico\r\nIconIndex=3\r\n", false),
         "C:\\\xE9\xAD\x94\xE6\xB3\x95.ico", 3},
        {"UTF-16BE", Utf16("\xFE\xFF", u"[InternetShortcut]\nIconFile=C:\\a.ico\n", true), "C:\\a.ico", 0},
    };
    EXPECT_TRUE(IsInternetShortcut(Bytes("[InternetShortcut]\r\nURL=https://example.com/\r\n")));
    EXPECT_FALSE(IsInternetShortcut(Bytes("[Other]\nURL=https://example.com/\n")));
    for (const auto& c : cases) {
        const auto icon = InternetShortcutIconOf(Bytes(c.text));
        ASSERT_EQ(icon.has_value(), c.path.has_value()) << c.label;
        if (!icon) continue;
        EXPECT_EQ(icon->path, *c.path) << c.label;
        EXPECT_EQ(icon->index, c.index) << c.label;
    }
}

}  // namespace
}  // namespace icoforge
