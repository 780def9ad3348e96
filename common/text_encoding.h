#pragma once
// Text stored in foreign encodings, turned into the program's UTF-8.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/bytes.h"

namespace icoforge {

// Windows-1252 bytes as UTF-8. Shell links keep their ANSI strings in the code page of
// the machine that wrote them, which the file does not record; 1252 is the usual one and
// maps every byte, so nothing is lost or refused.
std::string Utf8FromWindows1252(ByteView bytes);

// ANSI text as UTF-8, in the code page the reader takes the file's writer to have used.
using AnsiDecoder = std::string (*)(ByteView ansi);

// What becomes of a UTF-16 unit that is half of a surrogate pair without its other half.
enum class LoneSurrogate {
    kReplace,  // U+FFFD, as the Windows conversion does: for text that is shown or opened
    kKeep,     // its own 3-byte sequence (WTF-8), so the text converts back to the same units
};

// UTF-16LE bytes as UTF-8; a last odd byte is no unit and is ignored.
std::string Utf8FromUtf16Le(ByteView bytes, LoneSurrogate lone);

// UTF-7 (RFC 2152) as UTF-8: what Windows writes where ANSI text cannot hold a value, as in
// an internet shortcut's [InternetShortcut.W] section. '+' opens base64 of big-endian UTF-16
// units up to the first character outside its alphabet, and a '-' that ends it is dropped;
// "+-" is '+'. Other bytes stand for themselves; lone surrogates become U+FFFD.
std::string Utf8FromUtf7(std::string_view text);

// The number of UTF-16 units the UTF-8 text takes: the measure of Windows' path buffers.
// Each byte that cannot start a valid sequence counts as one unit.
std::size_t Utf16Length(std::string_view utf8);

}  // namespace icoforge
