#include "common/text_encoding.h"

#include <gtest/gtest.h>

namespace icoforge {
namespace {

TEST(TextEncoding, Utf16UnderBothLoneSurrogatePolicies) {
    struct Case {
        const char* what;
        ByteBuffer units;
        std::string replaced;
        std::string kept;
    };
    const Case cases[] = {
        {"a pair", {0x3D, 0xD8, 0x00, 0xDE}, "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        {"high then a letter", {0x3D, 0xD8, 'x', 0}, "\xEF\xBF\xBDx", "\xED\xA0\xBDx"},
        {"lone low", {0x00, 0xDC}, "\xEF\xBF\xBD", "\xED\xB0\x80"},
        {"high at the end", {'a', 0, 0x00, 0xD8}, "a\xEF\xBF\xBD", "a\xED\xA0\x80"},
        {"two highs", {0x00, 0xD8, 0x00, 0xD8, 0x00, 0xDC}, "\xEF\xBF\xBD\xF0\x90\x80\x80",
         "\xED\xA0\x80\xF0\x90\x80\x80"},
        {"odd last byte", {'A', 0, 'B'}, "A", "A"},
        {"nothing", {}, "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8FromUtf16Le(c.units, LoneSurrogate::kReplace), c.replaced) << c.what;
        EXPECT_EQ(Utf8FromUtf16Le(c.units, LoneSurrogate::kKeep), c.kept) << c.what;
    }
}

// Python's utf-7 codec gave these encodings, and the second form of the path, which ends
// every run with '-', decodes alike.
TEST(TextEncoding, Utf7AsInternetShortcutsHoldIt) {
    const char* path = "C:\\Users\\Jos\xC3\xA9\\Pictures\\\xE6\x98\x9F\xE7\xA9\xBA.ico";
    const std::pair<const char*, const char*> cases[] = {
        {"C:+AFw-Users+AFw-Jos+AOkAXA-Pictures+AFxmH3p6.ico", path},
        {"C:+AFw-Users+AFw-Jos+AOk-+AFw-Pictures+AFxmH3p6-.ico", path},
        {"a+-b", "a+b"},
        {"+2D3eAA-x", "\xF0\x9F\x98\x80x"},  // a pair split across sextets
        {"+ZeVnLIqe-", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},
        {"+2D3-", "\xEF\xBF\xBD"},  // a lone high surrogate, two bits left over
        {"plain+", "plain"},
    };
    for (const auto& [utf7, utf8] : cases) EXPECT_EQ(Utf8FromUtf7(utf7), utf8) << utf7;
}

TEST(TextEncoding, Windows1252AndUtf16Measure) {
    EXPECT_EQ(Utf8FromWindows1252(ByteBuffer{'a', 0x81, 0x9F, 0xFF}), "a\xC2\x81\xC5\xB8\xC3\xBF");
    EXPECT_EQ(Utf16Length("abc"), 3u);
    EXPECT_EQ(Utf16Length("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), 4u);
    EXPECT_EQ(Utf16Length("\xFF\xC3"), 2u);
}

}  // namespace
}  // namespace icoforge
