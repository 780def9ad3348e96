#include <gtest/gtest.h>

#include "iconextract/module/name_text.h"

namespace icoforge::module {
namespace {

ByteBuffer Le(const std::u16string& units) {
    ByteBuffer out;
    for (char16_t u : units) {
        out.push_back(static_cast<std::uint8_t>(u));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
    }
    return out;
}

TEST(NameText, Utf16RoundTripsIncludingUnpairedSurrogates) {
    const std::u16string cases[] = {
        u"FOLDER", u"été", u"图标", u"\U0001F600", u"A\xD800", u"\xDC00Z", u"\xDC00\xD800", u"",
    };
    for (const auto& units : cases) {
        const std::string utf8 = Utf16LeToUtf8(Le(units));
        EXPECT_EQ(Utf8ToUtf16(utf8), units);
    }
    EXPECT_EQ(Utf16LeToUtf8(Le(u"é\U0001F600")), "\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf16LeToUtf8(Le(u"\xD800")), "\xED\xA0\x80");
    const ByteBuffer odd = {'A', 0, 'B'};  // a trailing half unit is not a character
    EXPECT_EQ(Utf16LeToUtf8(odd), "A");
}

TEST(NameText, MalformedUtf8IsRefused) {
    for (const char* bad : {"\x80", "\xC0\xAF", "\xE0\x80\xAF", "\xE2\x82", "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80",
                            "A\xC3"}) {
        EXPECT_FALSE(Utf8ToUtf16(bad)) << bad;
        EXPECT_FALSE(Utf8ToLatin1(bad)) << bad;
    }
}

TEST(NameText, Latin1CoversEveryByte) {
    ByteBuffer all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);
    const auto back = Utf8ToLatin1(Latin1ToUtf8(all));
    ASSERT_TRUE(back);
    EXPECT_EQ(ByteBuffer(back->begin(), back->end()), all);
    EXPECT_FALSE(Utf8ToLatin1("\xE2\x82\xAC"));  // euro sign has no Latin-1 byte
}

TEST(NameText, UpperCase) {
    const std::pair<char16_t, char16_t> cases[] = {
        {u'a', u'A'}, {u'z', u'Z'}, {u'A', u'A'}, {u'0', u'0'}, {u'_', u'_'},  {u'é', u'É'},
        {u'þ', u'Þ'}, {u'÷', u'÷'}, {u'ÿ', u'Ÿ'}, {u'ā', u'Ā'}, {u'Ā', u'Ā'}, {u'ĺ', u'Ĺ'},
        {u'Ĺ', u'Ĺ'}, {u'ň', u'Ň'}, {u'ŋ', u'Ŋ'}, {u'ž', u'Ž'}, {u'ı', u'ı'},  {u'σ', u'Σ'},
        {u'ς', u'Σ'}, {u'д', u'Д'}, {u'ё', u'Ё'}, {u'图', u'图'},
    };
    for (const auto& [lower, upper] : cases) EXPECT_EQ(UpperCaseUnit(lower), upper) << int(lower);
}

}  // namespace
}  // namespace icoforge::module
