#include "common/text_encoding.h"

#include "common/byte_reader.h"
#include "common/utf8.h"

namespace icoforge {
namespace {

// 0x80..0x9F of Windows-1252; the five unassigned bytes map to the C1 controls of the
// same value, as Windows' own table has them.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(std::uint16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(std::uint16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

std::string Utf8FromWindows1252(ByteView bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::uint8_t b : bytes) {
        if (b >= 0x80 && b < 0xA0) {
            AppendUtf8(out, kWindows1252High[b - 0x80]);
        } else {
            AppendUtf8(out, b);
        }
    }
    return out;
}

std::string Utf8FromUtf16Le(ByteView bytes, LoneSurrogate lone) {
    std::string out;
    out.reserve(bytes.size());
    for (std::uint64_t offset = 0; RangeFits(offset, 2, bytes.size()); offset += 2) {
        const std::uint16_t unit = *ReadU16(bytes, offset);
        if (IsHighSurrogate(unit)) {
            const auto next = ReadU16(bytes, offset + 2);
            if (next && IsLowSurrogate(*next)) {
                AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (*next - 0xDC00));
                offset += 2;
                continue;
            }
        }
        const bool alone = IsHighSurrogate(unit) || IsLowSurrogate(unit);
        AppendUtf8(out, alone && lone == LoneSurrogate::kReplace ? kReplacement : char32_t{unit});
    }
    return out;
}

std::string Utf8FromUtf7(std::string_view text) {
    const auto sextet = [](char c) -> int {
        if (c >= 'A' && c <= 'Z') return c - 'A';
        if (c >= 'a' && c <= 'z') return c - 'a' + 26;
        if (c >= '0' && c <= '9') return c - '0' + 52;
        if (c == '+') return 62;
        if (c == '/') return 63;
        return -1;
    };
    ByteBuffer units;  // UTF-16LE, converted at the end so that pairs split across runs join
    const auto unit = [&](std::uint32_t u) {
        units.push_back(static_cast<std::uint8_t>(u & 0xFF));
        units.push_back(static_cast<std::uint8_t>(u >> 8));
    };
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] != '+') {
            unit(static_cast<std::uint8_t>(text[i++]));
            continue;
        }
        if (++i < text.size() && text[i] == '-') {
            unit('+');
            ++i;
            continue;
        }
        std::uint32_t bits = 0;
        int count = 0;  // bits held, never more than 21
        for (int value; i < text.size() && (value = sextet(text[i])) >= 0; ++i) {
            bits = (bits << 6 | static_cast<std::uint32_t>(value)) & 0x1FFFFF;
            if ((count += 6) >= 16) unit(bits >> (count -= 16) & 0xFFFF);
        }
        if (i < text.size() && text[i] == '-') ++i;
    }
    return Utf8FromUtf16Le(units, LoneSurrogate::kReplace);
}

std::size_t Utf16Length(std::string_view utf8) {
    std::size_t units = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<std::uint8_t>(utf8[i]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        bool valid = length != 0 && length <= utf8.size() - i;
        for (std::size_t k = 1; valid && k < length; ++k)
            valid = (static_cast<std::uint8_t>(utf8[i + k]) & 0xC0) == 0x80;
        if (!valid) {
            units += 1;
            i += 1;
            continue;
        }
        units += length == 4 ? 2 : 1;
        i += length;
    }
    return units;
}

}  // namespace icoforge
