// Shell links from the public corpus: the LnkParse3 samples (stored there in base64) with
// the target their expected parses document, and the real-world Lnk test files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include <nlohmann/json.hpp>

#include "common/byte_reader.h"
#include "common/path.h"
#include "platform/file_io.h"
#include "platform/shell_services.h"
#include "shell/shell_link.h"
#include "tests/support/temp_folder.h"

namespace icoforge {
namespace {

const std::filesystem::path kLnkDir = std::filesystem::path(ICOFORGE_CORPUS_DIR) / "lnk";

ByteBuffer DecodeBase64(ByteView text) {
    ByteBuffer out;
    std::uint32_t bits = 0;
    int count = 0;
    for (std::uint8_t c : text) {
        static constexpr std::string_view kAlphabet =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        const auto v = kAlphabet.find(static_cast<char>(c));
        if (v == std::string_view::npos) continue;
        bits = (bits << 6) | static_cast<std::uint32_t>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out.push_back(static_cast<std::uint8_t>(bits >> count));
        }
    }
    return out;
}

struct Sample {
    const char* name;
    const char* target;  // local base path + common path suffix, else the ID list's path
};

// ANSI strings read as Windows-1252, as LnkParse3 shows them; decoding_error4 ends in the
// byte 0x90 (U+0090), which its JSON prints as a replacement character.
constexpr Sample kSamples[] = {
    {"broken_link_info", "C:\\Program Files\\xt\\xt.exe"},
    {"console_properties_block", "C:\\Windows\\SysWOW64\\WindowsPowerShell\\v1.0\\powershell.exe"},
    {"darwin_block", "C:\\Windows\\Installer\\{DB8757A3-1B62-4136-8D95-D2CB9F00E36C}\\test_icon.ico"},
    {"darwin_block_modified", "C:\\Windows\\Installer\\{DB8757A3-1B62-4136-8D95-D2CB9F00E36C}\\test_icon.ico"},
    {"decoding_error", "C:\\Users\\Ibrahim\\Desktop\\PostDoc\\20190101 - 20191231 KU Leuven MD SPICY\\publications\\02_Majd\\Majd Py FT-IR\\.CSV file"},
    {"decoding_error2", "C:\\Windows\\System32\\cmd.exe"},
    {"decoding_error3", "C:\\Users\\\xC3\x84\xC3\xA8\xC3\xAC\xC3\xA0\\Desktop\\PixelMod\\Mod for Pixelmon\\Error Fix.bat"},
    {"decoding_error4", "C:\\Users\\admin\\AppData\\Local\\Temp\\MZ\xC2\x90"},
    {"extra_data", "C:\\Users\\Jonathan\\AppData\\Roaming\\.minecraft"},
    {"invalid_date", "E:\\Razwan Ali\\REACT NATIVE\\React-Navigation-with-drawer\\.git"},
    {"invalid_date2", "C:\\Windows\\system32\\cmd.exe"},
    {"invalid_date3", "C:\\Users\\\xC3\x8F\xC3\xAE\xC3\xAB\xC3\xBC\xC3\xA7\xC3\xAE\xC3\xA2\xC3\xA0\xC3\xB2\xC3\xA5\xC3\xAB\xC3\xBC\\Desktop\\\xC2\xA0"},
    {"microsoft_example", "C:\\test\\a.txt"},
    {"network_info", "Z:\\A - LM METAL LIFT\\01.OBCHOD - BRO\xC5\xBDURY - Prodejn\xC3\xAD a technick\xC3\xA9 informace o produktech\\ETN\\ETN-Katalog-ENG\\Katalog ETN 10_2017\\Lift-programme\\ETN-lift programme 2017.pdf"},
    {"padded_cli_arguments", "C:\\Windows\\System32\\cmd.exe"},
    {"sample", "C:\\Users\\Jonathan\\AppData\\Roaming\\.minecraft"},
    {"sample10", "C:\\Program Files (x86)\\HDZB_USBKEY_NEW1G\\HDZB_USBKEY_NEW1G.exe"},
    {"sample11", "C:\\AnonymusBrowser-v2.0\\AnonymusBrowser.exe"},
    {"sample12", "C:\\AnonymusBrowser-v2.0\\AnonymusBrowser.exe"},
    {"sample13", "C:\\Windows\\System32\\cmd.exe"},
    {"sample14", "C:\\AnonymusBrowser-v2.0\\AnonymusBrowser.exe"},
    {"sample15", "C:\\AnonymusBrowser-v2.0\\AnonymusBrowser.exe"},
    {"sample16", "C:\\Users\\Asus-PC\\AppData\\Roaming\\Microsoft\\Windows\\Recent"},
    {"sample17", "C:\\Users\\Asus-PC\\Downloads"},
    {"sample2", "C:\\Users\\TEMP\\AppData\\Roaming\\.minecraft"},
    {"sample3", ""},
    {"sample4", "C:\\Users\\roman\\AppData\\Roaming\\.minecraft"},
    {"sample5", "E:\\\xC2\xA0\\\xC2\xA0.exe"},
    {"sample6", "C:\\Youdao\\ShoppingAssistant\\ie\\4.4\\\xC2\xB2\xC2\xA5\xC2\xB7\xC3\x85\xC3\x86\xC3\xB7\xC3\x95\xC3\xBD\xC3\x94\xC3\x9A\xC2\xBC\xC3\x93\xC3\x94\xC3\x98\xC2\xA3\xC2\xA8\xC3\x80\xC2\xB9\xC2\xBD\xC3\x98\xC3\x87\xC3\xAB\xC3\x94\xC3\x8A\xC3\x90\xC3\xAD\xC2\xA3\xC2\xA9.exe"},
    {"sample7", "C:\\ProgramData\\V\xD0\x9A_DJ\\V\xD0\x9A_DJ.exe"},
    {"sample8", "C:\\AnonymusBrowser-v2.0\\AnonymusBrowser.exe"},
    {"sample9", "C:\\AnonymusBrowser-v2.0\\AnonymusBrowser.exe"},
    {"unknown_block", "C:\\Windows\\system32\\cmd.exe"},
    {"unknown_target", ""},
};

// Where Wine's shell link object answers otherwise than the stored target (the Windows
// build asks it through COM, so its answers are what that build gives under Wine):
const std::map<std::string, std::string> kWineAnswers = {
    // it keeps LinkInfo's local base path and drops the common path suffix;
    {"decoding_error3", "C:\\Users\\"},
    {"decoding_error4", "C:\\Users\\"},
    {"sample16", "C:\\Users\\"},
    {"sample17", "C:\\Users\\"},
    // without LinkInfo it reports the relative path of the string data;
    {"broken_link_info", "..\\..\\..\\..\\..\\..\\Program Files\\xt\\xt.exe"},
    {"sample7", "..\\..\\..\\..\\..\\..\\..\\ProgramData\\V\xD0\x9A_DJ\\V\xD0\x9A_DJ.exe"},
    // and takes no path from the item ID list of a target that does not exist here;
    {"invalid_date2", ""},
    {"network_info", ""},
    {"padded_cli_arguments", ""},
    {"unknown_block", ""},
    // links with a Darwin (installer) descriptor give no path at all.
    {"darwin_block", ""},
    {"darwin_block_modified", ""},
};

// Wine's link object reads the ANSI strings in the system's code page. The Windows tests
// run in the Chinese locale (code page 936, GBK), where these come out otherwise than in
// 1252: a lead byte takes the byte after it, and a lone one becomes '?'.
const std::map<std::string, std::string> kWineAnswersInCodePage936 = {
    {"invalid_date3", "C:\\Users\\\xE9\xA1\xB9\xE6\x9C\xA6\xE7\x8F\x99\xE5\xBF\x84\xE8\x9D\x88\xE6\x9C\xA6\\Desktop\\?"},
    {"sample5", "E:\\\xE7\x87\xB6?exe"},
    {"sample6", "C:\\Youdao\\ShoppingAssistant\\ie\\4.4\\\xE6\x92\xAD\xE6\x94\xBE\xE5\x99\xA8\xE6\xAD\xA3\xE5\x9C\xA8"
                "\xE5\x8A\xA0\xE8\xBD\xBD\xEF\xBC\x88\xE6\x8B\xA6\xE6\x88\xAA\xE8\xAF\xB7\xE5\x85\x81\xE8\xAE\xB8\xEF\xBC\x89.exe"},
};

class CorpusLinks : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::is_directory(kLnkDir / "lnkparse3"))
            GTEST_SKIP() << "shell link corpus not found at " << kLnkDir;
    }
    testing::TempFolder scratch_;
};

TEST_F(CorpusLinks, LnkParse3SamplesResolveToTheirDocumentedTargets) {
    ShellSession session;
    for (const auto& sample : kSamples) {
        SCOPED_TRACE(sample.name);
        const auto source = kLnkDir / "lnkparse3" / (std::string(sample.name) + ".lnk");
        const auto encoded = ReadWholeFile(Utf8FromPath(source));
        ASSERT_TRUE(encoded);
        // As stored (base64 text under a .lnk name) it is no shell link.
        EXPECT_EQ(ResolveShortcut(Utf8FromPath(source)), "");
        const ByteBuffer link = DecodeBase64(*encoded);
        EXPECT_EQ(ShellLinkTargetPath(link), sample.target);
        const std::string copy = scratch_.File(std::string(sample.name) + ".lnk");
        ASSERT_TRUE(WriteWholeFile(copy, link));
        const std::string resolved = ResolveShortcut(copy);
#ifdef _WIN32
        const auto wine = kWineAnswers.find(sample.name);
        if (wine != kWineAnswers.end() && resolved == wine->second) continue;
        const auto chinese = kWineAnswersInCodePage936.find(sample.name);
        if (chinese != kWineAnswersInCodePage936.end() && resolved == chinese->second) continue;
#endif
        EXPECT_EQ(resolved, sample.target);
    }
}

// The icon each sample shows, as its expected parse records it: the icon block's path
// with variables (Unicode, else ANSI), then the string data's icon location.
TEST_F(CorpusLinks, LnkParse3SamplesNameTheIconsTheirParsesDocument) {
    int with_icon = 0;
    for (const auto& sample : kSamples) {
        SCOPED_TRACE(sample.name);
        const auto link = ReadWholeFile(Utf8FromPath(kLnkDir / "lnkparse3" / (std::string(sample.name) + ".lnk")));
        const auto parse = ReadWholeFile(
            Utf8FromPath(kLnkDir / "lnkparse3" / "expected-json" / (std::string(sample.name) + ".json")));
        ASSERT_TRUE(link && parse);
        const auto expected = nlohmann::json::parse(parse->begin(), parse->end());
        std::vector<std::string> paths;
        const auto extra = expected.find("extra");
        if (extra != expected.end() && extra->contains("ICON_LOCATION_BLOCK")) {
            const auto& block = (*extra)["ICON_LOCATION_BLOCK"];
            const std::string unicode = block.value("target_unicode", "");
            paths.push_back(unicode.empty() ? block.value("target_ansi", "") : unicode);
        }
        if (expected["data"].contains("icon_location")) paths.push_back(expected["data"]["icon_location"]);
        const auto icon = ShellLinkIconLocation(DecodeBase64(*link));
        if (paths.empty()) {
            EXPECT_FALSE(icon);
            continue;
        }
        ++with_icon;
        ASSERT_TRUE(icon);
        EXPECT_EQ(icon->paths, paths);
        EXPECT_EQ(icon->index, expected["header"]["icon_index"].get<std::int32_t>());
    }
    EXPECT_GE(with_icon, 10);
}

// The list's path, read the way the tests' own reading of the header goes.
std::string IdListPathOf(ByteView link) {
    const auto flags = ReadU32(link, 0x14);
    const auto size = ReadU16(link, 0x4C);
    if (!flags || !(*flags & 1) || !size) return {};
    const auto items = SliceOf(link, 0x4E, *size);
    return items.ok ? PathFromItemIdList(items.bytes) : std::string();
}

std::string Lower(std::string s) {
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

TEST_F(CorpusLinks, RealWorldLinksAgreeBetweenLinkInfoAndIdList) {
    const auto root = kLnkDir / "ericzimmerman-lnk";
    if (!std::filesystem::is_directory(root)) GTEST_SKIP() << "Lnk test files not found at " << root;
    int files = 0;
    int resolved = 0;
    int with_icon = 0;
    int icon_read = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file() || entry.path().extension() != ".lnk") continue;
        const auto bytes = ReadWholeFile(Utf8FromPath(entry.path()));
        ASSERT_TRUE(bytes);
        ++files;
        const std::string target = ShellLinkTargetPath(*bytes);
        const std::string from_list = IdListPathOf(*bytes);
        if (!target.empty()) ++resolved;
        // Every link that says it stores an icon location has its strings whole.
        if (const auto flags = ReadU32(*bytes, 0x14); flags && (*flags & 0x40)) {
            ++with_icon;
            if (ShellLinkIconLocation(*bytes)) ++icon_read;
        }
        // Two records of one target, written by Windows: they name the same path.
        if (!target.empty() && !from_list.empty()) {
            EXPECT_EQ(Lower(target), Lower(from_list)) << entry.path();
        }
    }
    EXPECT_GE(files, 1000);
    // Control panel items, shell folders and links kept only as %variable% strings have
    // no stored file-system path; every other link does.
    EXPECT_GT(resolved, 500);
    EXPECT_GT(with_icon, 400);
    EXPECT_EQ(icon_read, with_icon);
}

}  // namespace
}  // namespace icoforge
