#include "iconextract/module/name_text.h"

#include "common/text_encoding.h"
#include "common/utf8.h"

namespace icoforge::module {
namespace {

constexpr std::uint32_t kHighSurrogateFirst = 0xD800;
constexpr std::uint32_t kLowSurrogateFirst = 0xDC00;
constexpr std::uint32_t kFirstSupplementary = 0x10000;
constexpr std::uint32_t kLastCodePoint = 0x10FFFF;

// Decodes one code point (surrogates allowed, as WTF-8 keeps them); nothing for
// truncated, overlong or out-of-range sequences.
std::optional<std::uint32_t> NextCodePoint(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<std::uint8_t>(text[i]);
    std::size_t extra;
    std::uint32_t cp;
    std::uint32_t minimum;
    if (lead < 0x80) {
        ++i;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1, cp = lead & 0x1Fu, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, cp = lead & 0x0Fu, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, cp = lead & 0x07u, minimum = kFirstSupplementary;
    } else {
        return std::nullopt;
    }
    if (text.size() - i <= extra) return std::nullopt;
    for (std::size_t k = 1; k <= extra; ++k) {
        const auto next = static_cast<std::uint8_t>(text[i + k]);
        if ((next & 0xC0) != 0x80) return std::nullopt;
        cp = (cp << 6) | (next & 0x3Fu);
    }
    if (cp < minimum || cp > kLastCodePoint) return std::nullopt;
    i += extra + 1;
    return cp;
}

}  // namespace

std::string Utf16LeToUtf8(ByteView units) { return Utf8FromUtf16Le(units, LoneSurrogate::kKeep); }

std::optional<std::u16string> Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto cp = NextCodePoint(text, i);
        if (!cp) return std::nullopt;
        if (*cp >= kFirstSupplementary) {
            const std::uint32_t v = *cp - kFirstSupplementary;
            out.push_back(static_cast<char16_t>(kHighSurrogateFirst + (v >> 10)));
            out.push_back(static_cast<char16_t>(kLowSurrogateFirst + (v & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(*cp));
        }
    }
    return out;
}

std::string Latin1ToUtf8(ByteView bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::uint8_t b : bytes) AppendUtf8(out, b);
    return out;
}

std::optional<std::string> Utf8ToLatin1(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto cp = NextCodePoint(text, i);
        if (!cp || *cp > 0xFF) return std::nullopt;
        out.push_back(static_cast<char>(*cp));
    }
    return out;
}

char16_t UpperCaseUnit(char16_t unit) {
    const std::uint32_t u = unit;
    auto minus = [](std::uint32_t v, std::uint32_t d) { return static_cast<char16_t>(v - d); };
    if (u >= 'a' && u <= 'z') return minus(u, 0x20);
    if (u < 0xE0) return unit;
    if (u <= 0xFE) return u == 0xF7 ? unit : minus(u, 0x20);  // Latin-1, except the division sign
    if (u == 0xFF) return u'\u0178';
    // Latin Extended-A: case pairs sit side by side; which of the two is the capital
    // flips in two runs.
    if (u >= 0x100 && u <= 0x17F) {
        const bool odd_upper = (u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E);
        const bool paired = !(u == 0x130 || u == 0x131 || u == 0x138 || u == 0x149 || u == 0x178 || u == 0x17F);
        if (!paired) return unit;
        return odd_upper ? ((u & 1) ? unit : minus(u, 1)) : ((u & 1) ? minus(u, 1) : unit);
    }
    if (u == 0x3C2) return u'\u03A3';  // final sigma
    if (u >= 0x3B1 && u <= 0x3CB) return minus(u, 0x20);
    if (u >= 0x430 && u <= 0x44F) return minus(u, 0x20);
    if (u >= 0x450 && u <= 0x45F) return minus(u, 0x50);
    return unit;
}

}  // namespace icoforge::module
