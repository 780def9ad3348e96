#pragma once
// The byte-level text rules the window's commands apply to paths: the last k bytes, ASCII
// lower-casing, the dot and ".lnk" searches, and the one-letter name of a picture run's
// temporary files. Paths are UTF-8, where no ASCII byte ever stands inside a multi-byte
// character, so stepping over multi-byte characters whole is the same as looking only at
// ASCII bytes: a plain byte search finds exactly the characters the rules look for.

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

namespace icoforge {

// The last `count` bytes (all of the text when it is shorter), without regard to
// multi-byte characters.
inline std::string_view LastBytes(std::string_view text, std::size_t count) {
    return text.size() > count ? text.substr(text.size() - count) : text;
}

// "A" to "Z" become "a" to "z"; every other byte stays, so no multi-byte character changes.
inline std::string LowerAscii(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lowered;
}

inline bool ContainsDot(std::string_view text) { return text.find('.') != std::string_view::npos; }

// ".lnk" anywhere in the text, in any letter case; a folder named "x.LNK.d" counts too.
inline bool MentionsShortcut(std::string_view text) { return LowerAscii(text).find(".lnk") != std::string::npos; }

// The lower-cased last four bytes: what the extract command calls the extension.
inline std::string ExtensionOf(std::string_view path) { return LowerAscii(LastBytes(path, 4)); }

// Files named so that the extract command takes all their icons instead of drawing them.
inline bool HasIconSourceExtension(std::string_view path) {
    constexpr std::array<std::string_view, 4> kIconSourceExtensions = {".exe", ".dll", ".icl", ".ico"};
    const std::string extension = ExtensionOf(path);
    return std::ranges::find(kIconSourceExtensions, extension) != kIconSourceExtensions.end();
}

// The name of a picture run's temporary snapshot: the last letter of the source's
// extension ("g" for photo.JPG). A byte no file name may hold on every platform (non-ASCII
// bytes, which are part of a longer character, separators, control characters, the
// characters Windows forbids, and the dot and space it strips from a name's end) gives
// "_", so that the temporary files still have valid names of their own.
inline std::string TemporaryLetterFor(std::string_view path) {
    const std::string extension = ExtensionOf(path);
    if (extension.empty()) return "_";
    const auto letter = static_cast<unsigned char>(extension.back());
    constexpr std::string_view kForbiddenInNames = "<>:\"/\\|?*. ";
    if (letter < 0x20 || letter >= 0x7F || kForbiddenInNames.find(static_cast<char>(letter)) != std::string_view::npos)
        return "_";
    return std::string(1, static_cast<char>(letter));
}

}  // namespace icoforge
