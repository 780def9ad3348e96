#include "shell/shell_link.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "common/byte_reader.h"
#include "common/text_encoding.h"

namespace icoforge {
namespace {

// ShellLinkHeader.
constexpr std::uint32_t kHeaderSize = 0x4C;
constexpr std::uint64_t kClsidOffset = 4;
constexpr std::uint64_t kLinkFlagsOffset = 0x14;
constexpr std::array<std::uint8_t, 16> kShellLinkClsid = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                          0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr std::uint64_t kIconIndexOffset = 0x38;
enum LinkFlag : std::uint32_t {
    kHasLinkTargetIdList = 0x00000001,
    kHasLinkInfo = 0x00000002,
    kIsUnicode = 0x00000080,
    kForceNoLinkInfo = 0x00000100,
    kHasExpIcon = 0x00004000,
};
// The counted strings behind LinkInfo, present in this order as their flags say.
enum StringDataFlag : std::uint32_t {
    kHasName = 0x04, kHasRelativePath = 0x08, kHasWorkingDir = 0x10, kHasArguments = 0x20, kHasIconLocation = 0x40,
};
constexpr StringDataFlag kStringData[] = {kHasName, kHasRelativePath, kHasWorkingDir, kHasArguments, kHasIconLocation};
// Windows reads no more of a path string than MAX_PATH characters, whatever its count says,
// and the next string follows them: links made to hide their arguments count the
// arguments into the working directory (LnkParse3's padded_cli_arguments sample).
constexpr std::uint16_t kMaxPathCharacters = 260;

// IconEnvironmentDataBlock, one of the extra data blocks that end the file: the icon's
// path with environment variables, in the ANSI code page and then in UTF-16.
constexpr std::uint32_t kIconEnvironmentSignature = 0xA0000007;
enum IconEnvironmentField : std::uint64_t { kEnvironmentAnsi = 8, kEnvironmentUnicode = 268, kEnvironmentEnd = 788 };
// A block size below this is the terminal block.
constexpr std::uint32_t kMinExtraDataBlockSize = 4;

// LinkInfo.
constexpr std::uint64_t kLinkInfoHeaderSizeOffset = 4;
constexpr std::uint64_t kLinkInfoFlagsOffset = 8;
constexpr std::uint64_t kLocalBasePathOffset = 16;
constexpr std::uint64_t kCommonNetworkRelativeLinkOffset = 20;
constexpr std::uint64_t kCommonPathSuffixOffset = 24;
constexpr std::uint64_t kLocalBasePathUnicodeOffset = 28;
constexpr std::uint64_t kCommonPathSuffixUnicodeOffset = 32;
constexpr std::uint32_t kMinLinkInfoHeaderSize = 0x1C;
constexpr std::uint32_t kUnicodeLinkInfoHeaderSize = 0x24;
enum LinkInfoFlag : std::uint32_t {
    kVolumeIdAndLocalBasePath = 0x1,
    kCommonNetworkRelativeLinkAndPathSuffix = 0x2,
};

// CommonNetworkRelativeLink.
constexpr std::uint64_t kNetNameOffset = 8;
constexpr std::uint64_t kNetNameUnicodeOffset = 20;
constexpr std::uint32_t kMinNetNameOffsetForUnicode = 0x14;

// Shell items of an ID list.
constexpr std::uint64_t kItemTypeOffset = 2;
constexpr std::uint8_t kRootFolderType = 0x1F;
constexpr std::uint64_t kRootClsidOffset = 4;
constexpr std::array<std::uint8_t, 16> kMyComputerClsid = {0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                                                           0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};
constexpr std::uint8_t kItemClassMask = 0x70;
constexpr std::uint8_t kVolumeClass = 0x20;
constexpr std::uint8_t kFileEntryClass = 0x30;
constexpr std::uint8_t kFileEntryUnicodeName = 0x04;
constexpr std::uint64_t kVolumeNameOffset = 3;
constexpr std::uint64_t kFileEntryNameOffset = 14;
constexpr std::uint32_t kFileEntryExtensionSignature = 0xBEEF0004;
constexpr std::uint64_t kExtensionSignatureOffset = 4;
constexpr std::uint64_t kExtensionVersionOffset = 2;
constexpr std::uint16_t kMinExtensionVersionWithLongName = 3;
// The 0xBEEF0004 block grows by version: fields are inserted before the long name.
constexpr std::uint64_t kExtensionFixedPartSize = 18;       // size .. identifier
constexpr std::uint16_t kExtensionVersionWithFileReference = 7;
constexpr std::uint64_t kFileReferencePartSize = 18;        // reserved, NTFS reference, reserved
constexpr std::uint64_t kLocalisedNameSizeFieldSize = 2;
constexpr std::uint16_t kExtensionVersionWithField8 = 8;
constexpr std::uint16_t kExtensionVersionWithField9 = 9;
constexpr std::uint64_t kVersionFieldSize = 4;

ByteView Rest(ByteView data, std::uint64_t offset) {
    return offset <= data.size() ? data.subspan(static_cast<std::size_t>(offset)) : ByteView{};
}

// A zero-terminated 8-bit string at `offset`; nothing when it runs off the end.
std::optional<ByteView> AnsiStringAt(ByteView data, std::uint64_t offset) {
    if (offset >= data.size()) return std::nullopt;
    const ByteView rest = Rest(data, offset);
    const auto end = std::find(rest.begin(), rest.end(), std::uint8_t{0});
    if (end == rest.end()) return std::nullopt;
    return rest.first(static_cast<std::size_t>(end - rest.begin()));
}

// A zero-terminated UTF-16LE string at `offset`.
std::optional<ByteView> Utf16StringAt(ByteView data, std::uint64_t offset) {
    for (std::uint64_t at = offset; RangeFits(at, 2, data.size()); at += 2) {
        if (*ReadU16(data, at) == 0) return SliceOf(data, offset, at - offset).bytes;
    }
    return std::nullopt;
}

std::optional<std::string> AnsiText(ByteView data, std::uint64_t offset, AnsiDecoder ansi) {
    const auto bytes = AnsiStringAt(data, offset);
    if (!bytes) return std::nullopt;
    return ansi(*bytes);
}

std::optional<std::string> Utf16Text(ByteView data, std::uint64_t offset) {
    const auto bytes = Utf16StringAt(data, offset);
    if (!bytes) return std::nullopt;
    return Utf8FromUtf16Le(*bytes, LoneSurrogate::kReplace);
}

std::string JoinPath(std::string base, const std::string& tail) {
    if (tail.empty()) return base;
    if (!base.empty() && base.back() != '\\') base += '\\';
    return base + tail;
}

// A LinkInfo string: its Unicode form when the header has room for that offset and it is
// set, else the ANSI form. Nothing when neither reads.
std::optional<std::string> LinkInfoString(ByteView info, std::uint32_t header_size, std::uint64_t ansi_field,
                                          std::uint64_t unicode_field, AnsiDecoder ansi) {
    if (header_size >= kUnicodeLinkInfoHeaderSize) {
        const auto unicode_offset = ReadU32(info, unicode_field);
        if (unicode_offset && *unicode_offset != 0) return Utf16Text(info, *unicode_offset);
    }
    const auto ansi_offset = ReadU32(info, ansi_field);
    if (!ansi_offset || *ansi_offset == 0) return std::nullopt;
    return AnsiText(info, *ansi_offset, ansi);
}

struct LinkInfoPaths {
    std::string local;    // base path and suffix, or empty
    std::string network;  // share name and suffix, or empty
};

LinkInfoPaths ReadLinkInfo(ByteView info, AnsiDecoder ansi) {
    LinkInfoPaths paths;
    const auto header_size = ReadU32(info, kLinkInfoHeaderSizeOffset);
    const auto flags = ReadU32(info, kLinkInfoFlagsOffset);
    if (!header_size || !flags || *header_size < kMinLinkInfoHeaderSize || *header_size > info.size()) return paths;
    const std::string suffix =
        LinkInfoString(info, *header_size, kCommonPathSuffixOffset, kCommonPathSuffixUnicodeOffset, ansi).value_or("");
    if (*flags & kVolumeIdAndLocalBasePath) {
        const auto base = LinkInfoString(info, *header_size, kLocalBasePathOffset, kLocalBasePathUnicodeOffset, ansi);
        if (base && !base->empty()) paths.local = JoinPath(*base, suffix);
    }
    if (*flags & kCommonNetworkRelativeLinkAndPathSuffix) {
        const auto link_offset = ReadU32(info, kCommonNetworkRelativeLinkOffset);
        const auto link_size = link_offset ? ReadU32(info, *link_offset) : std::nullopt;
        const auto link = link_size ? SliceOf(info, *link_offset, *link_size) : SubView{};
        const auto name_offset = ReadU32(link.bytes, kNetNameOffset);
        if (link.ok && name_offset) {
            std::optional<std::string> share;
            const auto unicode_offset = ReadU32(link.bytes, kNetNameUnicodeOffset);
            if (*name_offset > kMinNetNameOffsetForUnicode && unicode_offset && *unicode_offset != 0)
                share = Utf16Text(link.bytes, *unicode_offset);
            else
                share = AnsiText(link.bytes, *name_offset, ansi);
            if (share && !share->empty()) paths.network = JoinPath(*share, suffix);
        }
    }
    return paths;
}

// "C:\" from a volume item's name, or nothing.
std::optional<std::string> DriveRoot(ByteView item) {
    const auto name = AnsiStringAt(item, kVolumeNameOffset);
    if (!name || name->size() < 2 || name->size() > 3) return std::nullopt;
    const auto letter = static_cast<char>((*name)[0]);
    const bool is_letter = (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
    if (!is_letter || (*name)[1] != ':' || (name->size() == 3 && (*name)[2] != '\\')) return std::nullopt;
    return std::string{letter, ':', '\\'};
}

// The long name of a file entry's 0xBEEF0004 extension block, laid out by version.
std::optional<std::string> ExtensionLongName(ByteView block) {
    const auto version = ReadU16(block, kExtensionVersionOffset);
    if (!version || *version < kMinExtensionVersionWithLongName) return std::nullopt;
    std::uint64_t offset = kExtensionFixedPartSize;
    if (*version >= kExtensionVersionWithFileReference) offset += kFileReferencePartSize;
    offset += kLocalisedNameSizeFieldSize;
    if (*version >= kExtensionVersionWithField8) offset += kVersionFieldSize;
    if (*version >= kExtensionVersionWithField9) offset += kVersionFieldSize;
    const auto name = Utf16Text(block, offset);
    if (!name || name->empty()) return std::nullopt;
    return name;
}

std::optional<std::string> FileEntryName(ByteView item, std::uint8_t type) {
    std::uint64_t after_name = 0;
    std::optional<std::string> primary;
    if (type & kFileEntryUnicodeName) {
        const auto bytes = Utf16StringAt(item, kFileEntryNameOffset);
        if (!bytes) return std::nullopt;
        primary = Utf8FromUtf16Le(*bytes, LoneSurrogate::kReplace);
        after_name = kFileEntryNameOffset + bytes->size() + 2;
    } else {
        const auto bytes = AnsiStringAt(item, kFileEntryNameOffset);
        if (!bytes) return std::nullopt;
        primary = Utf8FromWindows1252(*bytes);
        after_name = kFileEntryNameOffset + bytes->size() + 1;
    }
    // Extension blocks follow on a 2-byte boundary, each with its own size.
    std::uint64_t offset = after_name + (after_name & 1);
    while (true) {
        const auto size = ReadU16(item, offset);
        if (!size || *size < kExtensionSignatureOffset + 4) break;
        const auto block = SliceOf(item, offset, *size);
        if (!block.ok) break;
        if (ReadU32(block.bytes, kExtensionSignatureOffset) == kFileEntryExtensionSignature) {
            if (auto long_name = ExtensionLongName(block.bytes)) return long_name;
        }
        offset += *size;
    }
    if (primary->empty()) return std::nullopt;
    return primary;
}

// A URI item keeps its address as text, UTF-16 or ANSI by a flag, after fields whose
// layout differs between Windows versions; the address is the run of URL characters
// around the first "://" in either encoding.
constexpr std::uint8_t kUriItemType = 0x61;

bool IsUrlCharacter(std::uint16_t c) { return c > 0x20 && c < 0x7F; }

std::string UrlIn(ByteView item) {
    for (const std::uint64_t width : {2u, 1u}) {
        for (std::uint64_t at = 0; at + 3 * width <= item.size(); ++at) {
            const auto unit = [&](std::uint64_t position) -> std::uint16_t {
                return width == 2 ? ReadU16(item, position).value_or(0) : ReadU8(item, position).value_or(0);
            };
            if (unit(at) != ':' || unit(at + width) != '/' || unit(at + 2 * width) != '/') continue;
            std::uint64_t start = at;
            while (start >= width && IsUrlCharacter(unit(start - width))) start -= width;
            if (start == at) continue;  // no scheme before it
            std::uint64_t end = at;
            while (end + width <= item.size() && IsUrlCharacter(unit(end))) end += width;
            std::string url;
            for (std::uint64_t p = start; p < end; p += width) url += static_cast<char>(unit(p));
            return url;
        }
    }
    return {};
}

}  // namespace

std::string PathFromItemIdList(ByteView items) {
    std::string path;
    bool seen_root = false;
    std::uint64_t offset = 0;
    while (true) {
        const auto size = ReadU16(items, offset);
        if (!size) return {};  // no terminal zero
        if (*size == 0) break;
        const auto item = SliceOf(items, offset, *size);
        const auto type = ReadU8(item.bytes, kItemTypeOffset);
        if (!item.ok || !type) return {};
        if (path.empty()) {
            const auto clsid = SliceOf(item.bytes, kRootClsidOffset, kMyComputerClsid.size());
            if (*type == kRootFolderType && !seen_root && clsid.ok &&
                std::equal(clsid.bytes.begin(), clsid.bytes.end(), kMyComputerClsid.begin())) {
                seen_root = true;
            } else if ((*type & kItemClassMask) == kVolumeClass) {
                auto root = DriveRoot(item.bytes);
                if (!root) return {};
                path = *root;
            } else {
                return {};
            }
        } else if ((*type & kItemClassMask) == kFileEntryClass) {
            const auto name = FileEntryName(item.bytes, *type);
            if (!name) return {};
            path = JoinPath(path, *name);
        } else {
            return {};  // an item the file system does not hold (archive member, search, ...)
        }
        offset += *size;
    }
    return path;
}

bool IsShellLink(ByteView link) {
    const auto header_size = ReadU32(link, 0);
    const auto clsid = SliceOf(link, kClsidOffset, kShellLinkClsid.size());
    return header_size == kHeaderSize && clsid.ok && ReadU32(link, kLinkFlagsOffset) &&
           std::equal(clsid.bytes.begin(), clsid.bytes.end(), kShellLinkClsid.begin());
}

std::string ShellLinkStoredUrl(ByteView link) {
    if (!IsShellLink(link) || !(*ReadU32(link, kLinkFlagsOffset) & kHasLinkTargetIdList)) return {};
    ByteReader reader(link, kHeaderSize);
    const auto list_size = reader.U16();
    const auto items = list_size ? reader.Bytes(*list_size) : std::nullopt;
    if (!items) return {};
    for (std::uint64_t offset = 0;;) {
        const auto size = ReadU16(*items, offset);
        if (!size || *size == 0) return {};
        const auto item = SliceOf(*items, offset, *size);
        if (!item.ok) return {};
        if (ReadU8(item.bytes, kItemTypeOffset) == kUriItemType) {
            if (auto url = UrlIn(item.bytes); !url.empty()) return url;
        }
        offset += *size;
    }
}

namespace {

// The path of the IconEnvironmentDataBlock among the extra data blocks at `reader`.
std::optional<std::string> IconEnvironmentPath(ByteReader& reader, AnsiDecoder ansi) {
    while (true) {
        const auto size = ReadU32(reader.data(), reader.position());
        const auto block = size && *size >= kMinExtraDataBlockSize ? reader.Bytes(*size) : std::nullopt;
        if (!block) return std::nullopt;
        if (ReadU32(*block, 4) != kIconEnvironmentSignature || block->size() < kEnvironmentEnd) continue;
        auto path = Utf16Text(block->first(kEnvironmentEnd), kEnvironmentUnicode);
        if (!path || path->empty()) path = AnsiText(block->first(kEnvironmentUnicode), kEnvironmentAnsi, ansi);
        return path;
    }
}

}  // namespace

std::optional<ShellLinkIcon> ShellLinkIconLocation(ByteView link, AnsiDecoder ansi) {
    if (!IsShellLink(link)) return std::nullopt;
    const std::uint32_t flags = *ReadU32(link, kLinkFlagsOffset);
    ByteReader reader(link, kHeaderSize);
    if (flags & kHasLinkTargetIdList) {
        const auto list_size = reader.U16();
        if (!list_size || !reader.Skip(*list_size)) return std::nullopt;
    }
    if (flags & kHasLinkInfo) {
        const auto info_size = ReadU32(link, reader.position());
        if (!info_size || !reader.Skip(*info_size)) return std::nullopt;
    }
    ShellLinkIcon icon;
    const auto index = ReadI32(link, kIconIndexOffset);
    if (!index) return std::nullopt;
    icon.index = *index;
    std::string stored;
    const std::uint64_t unit = (flags & kIsUnicode) ? 2 : 1;
    for (const StringDataFlag flag : kStringData) {
        if (!(flags & flag)) continue;
        auto count = reader.U16();
        if (count && flag != kHasName && flag != kHasArguments) count = std::min(*count, kMaxPathCharacters);
        const auto text = count ? reader.Bytes(*count * unit) : std::nullopt;
        if (!text) return std::nullopt;
        if (flag == kHasIconLocation)
            stored = unit == 2 ? Utf8FromUtf16Le(*text, LoneSurrogate::kReplace) : ansi(*text);
    }
    // Windows prefers the path with variables, which stays right on another machine.
    if (flags & kHasExpIcon) {
        if (auto path = IconEnvironmentPath(reader, ansi); path && !path->empty())
            icon.paths.push_back(std::move(*path));
    }
    if (!stored.empty()) icon.paths.push_back(std::move(stored));
    if (icon.paths.empty()) return std::nullopt;
    return icon;
}

std::string ShellLinkTargetPath(ByteView link, AnsiDecoder ansi) {
    if (!IsShellLink(link)) return {};
    const auto flags = ReadU32(link, kLinkFlagsOffset);
    ByteReader reader(link, kHeaderSize);
    std::string from_id_list;
    if (*flags & kHasLinkTargetIdList) {
        const auto list_size = reader.U16();
        const auto items = list_size ? reader.Bytes(*list_size) : std::nullopt;
        if (!items) return {};
        from_id_list = PathFromItemIdList(*items);
    }
    LinkInfoPaths info;
    if (*flags & kHasLinkInfo) {
        const auto info_start = reader.position();
        const auto info_size = ReadU32(link, info_start);
        const auto bytes = info_size ? SliceOf(link, info_start, *info_size) : SubView{};
        if (!bytes.ok) return {};
        if (!(*flags & kForceNoLinkInfo)) info = ReadLinkInfo(bytes.bytes, ansi);
    }
    if (!info.local.empty()) return info.local;
    if (!from_id_list.empty()) return from_id_list;
    return info.network;
}

}  // namespace icoforge
