#include "iconextract/module/pe_resources.h"

#include <algorithm>
#include <string>

#include "common/byte_reader.h"
#include "iconextract/module/name_text.h"

namespace icoforge::module::pe {
namespace {

// File header, behind the 4-byte signature.
constexpr std::uint64_t kSignatureSize = 4;
enum FileHeaderField : std::uint64_t { kFhNumberOfSections = 2, kFhSizeOfOptionalHeader = 16, kFileHeaderSize = 20 };

// Optional header. Its two forms hold the count of data directories, and the
// directories behind it, at different offsets.
constexpr std::uint16_t kMagicPe32 = 0x10B;
constexpr std::uint16_t kMagicPe32Plus = 0x20B;
constexpr std::uint64_t kOhSizeOfHeaders = 60;
struct DataDirectoriesField {
    std::uint64_t count;
    std::uint64_t first;
};
constexpr DataDirectoriesField kPe32Directories{92, 96};
constexpr DataDirectoriesField kPe32PlusDirectories{108, 112};
constexpr std::uint64_t kDataDirectorySize = 8;
constexpr std::uint32_t kResourceDirectoryIndex = 2;

// Section header.
enum SectionField : std::uint64_t { kShVirtualAddress = 12, kShSizeOfRawData = 16, kShPointerToRawData = 20 };
constexpr std::uint64_t kSectionHeaderSize = 40;

// Resource directory (IMAGE_RESOURCE_DIRECTORY and its entries).
enum DirectoryField : std::uint64_t { kDirNumberOfNamedEntries = 12, kDirNumberOfIdEntries = 14 };
constexpr std::uint64_t kDirectoryHeaderSize = 16;
constexpr std::uint64_t kEntrySize = 8;
constexpr std::uint32_t kHighBit = 0x80000000u;  // name is a string / entry is a directory
constexpr std::uint32_t kOffsetMask = 0x7FFFFFFFu;
// A data entry is OffsetToData, Size, CodePage, Reserved; only the first two are read.
constexpr std::uint64_t kDataEntrySizeField = 4;
constexpr std::uint16_t kNeutralLanguage = 0;

struct Entry {
    std::uint32_t name;    // string offset (high bit set) or integer id
    std::uint32_t target;  // subdirectory (high bit set) or data entry, relative to the root
};

struct Directory {
    std::uint64_t entries = 0;  // file offset of the first entry
    std::uint32_t count = 0;
};

// The directory at `offset` from the root, when its header and every entry it claims
// fit in the image; a count larger than the bytes behind it marks a damaged tree.
std::optional<Directory> ReadDirectory(ByteView image, std::uint64_t root, std::uint32_t offset) {
    const std::uint64_t at = root + offset;
    const auto named = ReadU16(image, at + kDirNumberOfNamedEntries);
    const auto ids = ReadU16(image, at + kDirNumberOfIdEntries);
    if (!named || !ids) return std::nullopt;
    const std::uint32_t count = std::uint32_t{*named} + *ids;
    if (!RangeFits(at + kDirectoryHeaderSize, kEntrySize * count, image.size())) return std::nullopt;
    return Directory{at + kDirectoryHeaderSize, count};
}

Entry EntryAt(ByteView image, const Directory& dir, std::uint32_t index) {
    // ReadDirectory checked that every entry fits.
    const std::uint64_t at = dir.entries + kEntrySize * index;
    return {*ReadU32(image, at), *ReadU32(image, at + 4)};
}

bool IsString(const Entry& e) { return (e.name & kHighBit) != 0; }
bool IsDirectory(const Entry& e) { return (e.target & kHighBit) != 0; }
std::uint16_t IdOf(const Entry& e) { return static_cast<std::uint16_t>(e.name); }

// The UTF-16 units of a string name (length-prefixed, relative to the root).
std::optional<ByteView> NameUnits(ByteView image, std::uint64_t root, const Entry& e) {
    const std::uint64_t at = root + (e.name & kOffsetMask);
    const auto length = ReadU16(image, at);
    if (!length) return std::nullopt;
    const auto units = SliceOf(image, at + 2, 2 * std::uint64_t{*length});
    if (!units.ok) return std::nullopt;
    return units.bytes;
}

// Windows upper-cases the name asked for and compares it with the stored name, which
// resource compilers store upper-cased. A stored name in lower case would then be listed
// but never found again; folding both sides finds every listed name.
bool SameName(ByteView stored, const std::u16string& wanted) {
    if (stored.size() != 2 * wanted.size()) return false;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        const auto unit = static_cast<char16_t>(*ReadU16(stored, 2 * i));
        if (UpperCaseUnit(unit) != UpperCaseUnit(wanted[i])) return false;
    }
    return true;
}

// The directory of names of `type`: the first integer-named entry of the root that
// matches. A linear scan finds what Windows' binary search finds in a sorted root and
// still works when a hand-made root is not sorted.
std::optional<std::uint32_t> TypeDirectoryAt(ByteView image, std::uint64_t root, ResourceType type) {
    const auto dir = ReadDirectory(image, root, 0);
    if (!dir) return std::nullopt;
    for (std::uint32_t i = 0; i < dir->count; ++i) {
        const Entry e = EntryAt(image, *dir, i);
        if (IsString(e) || IdOf(e) != static_cast<std::uint16_t>(type)) continue;
        if (!IsDirectory(e)) return std::nullopt;
        return e.target & kOffsetMask;
    }
    return std::nullopt;
}

std::optional<Directory> TypeDirectory(ByteView image, const Headers& headers, ResourceType type) {
    if (!headers.resource_root) return std::nullopt;
    const std::uint64_t root = *headers.resource_root;
    const auto names = TypeDirectoryAt(image, root, type);
    if (!names) return std::nullopt;
    return ReadDirectory(image, root, *names);
}

std::optional<ByteView> EntryData(ByteView image, const Headers& headers, const Entry& match);
std::optional<ByteView> LanguageData(ByteView image, const Headers& headers, const Entry& language);

}  // namespace

Result<Headers> ReadHeaders(ByteView image, std::uint32_t pe_offset) {
    const std::uint64_t file_header = std::uint64_t{pe_offset} + kSignatureSize;
    const std::uint64_t optional = file_header + kFileHeaderSize;
    const auto sections = ReadU16(image, file_header + kFhNumberOfSections);
    const auto optional_size = ReadU16(image, file_header + kFhSizeOfOptionalHeader);
    if (!sections || !optional_size) return Fail("parse", "", "the PE file header is cut short by the end of the file");
    const auto magic = ReadU16(image, optional);
    const auto size_of_headers = ReadU32(image, optional + kOhSizeOfHeaders);
    if (!magic || !size_of_headers)
        return Fail("parse", "", "the PE optional header is cut short by the end of the file");

    Headers h;
    DataDirectoriesField directories{};
    if (*magic == kMagicPe32) {
        h.format = ModuleFormat::Pe32;
        directories = kPe32Directories;
    } else if (*magic == kMagicPe32Plus) {
        h.format = ModuleFormat::Pe32Plus;
        directories = kPe32PlusDirectories;
    } else {
        return Fail("parse", "", "the PE optional header is neither PE32 nor PE32+ (magic " + std::to_string(*magic) + ")");
    }
    const auto rva_count = ReadU32(image, optional + directories.count);
    if (!rva_count) return Fail("parse", "", "the PE optional header is cut short by the end of the file");

    h.size_of_headers = *size_of_headers;
    h.section_table = optional + *optional_size;
    // A section table cut short by the end of the file keeps the headers that are whole.
    const std::uint64_t room = h.section_table < image.size() ? image.size() - h.section_table : 0;
    h.section_count = static_cast<std::uint32_t>(std::min<std::uint64_t>(*sections, room / kSectionHeaderSize));
    h.declared_section_count = *sections;

    if (*rva_count > kResourceDirectoryIndex) {
        const auto rva = ReadU32(image, optional + directories.first + kDataDirectorySize * kResourceDirectoryIndex);
        if (!rva) return Fail("parse", "", "the PE data directories are cut short by the end of the file");
        // An RVA of 0 means no resources; one that maps nowhere leaves the module without
        // resources too, as Windows finds no resource section then. Windows reads a data
        // directory that lies inside the headers in place, before it looks at sections.
        if (*rva != 0 && *rva < h.size_of_headers)
            h.resource_root = *rva;
        else if (*rva != 0)
            h.resource_root = RvaToOffset(image, h, *rva);
        // Unmapped, it may lie in a section whose header the end of the file cut off.
        if (*rva != 0)
            h.resources_cut_off = h.resource_root ? !RangeFits(*h.resource_root, kDirectoryHeaderSize, image.size())
                                                  : h.section_count < h.declared_section_count;
    }
    return h;
}

std::optional<std::uint64_t> RvaToOffset(ByteView image, const Headers& headers, std::uint32_t rva) {
    for (std::uint32_t i = 0; i < headers.section_count; ++i) {
        const std::uint64_t at = headers.section_table + kSectionHeaderSize * i;
        const std::uint64_t va = *ReadU32(image, at + kShVirtualAddress);
        const std::uint64_t raw_size = *ReadU32(image, at + kShSizeOfRawData);
        const std::uint64_t raw_pointer = *ReadU32(image, at + kShPointerToRawData);
        if (rva >= va && rva - va < raw_size) return raw_pointer + (rva - va);
    }
    if (rva < headers.size_of_headers) return rva;
    return std::nullopt;
}

namespace {

// The data of a name entry that matched: its neutral language, else its first one.
std::optional<ByteView> EntryData(ByteView image, const Headers& headers, const Entry& match) {
    if (!IsDirectory(match)) return std::nullopt;
    const std::uint64_t root = *headers.resource_root;
    const auto languages = ReadDirectory(image, root, match.target & kOffsetMask);
    if (!languages || languages->count == 0) return std::nullopt;
    Entry chosen = EntryAt(image, *languages, 0);
    for (std::uint32_t i = 0; i < languages->count; ++i) {
        const Entry e = EntryAt(image, *languages, i);
        if (!IsString(e) && IdOf(e) == kNeutralLanguage) {
            chosen = e;
            break;
        }
    }
    return LanguageData(image, headers, chosen);
}

}  // namespace

namespace {

std::optional<ByteView> LanguageData(ByteView image, const Headers& headers, const Entry& language) {
    // Three levels and no more: a third-level entry that points at yet another
    // directory (as a looping tree does) has no data.
    if (IsDirectory(language)) return std::nullopt;
    const std::uint64_t root = *headers.resource_root;
    const std::uint64_t data_entry = root + language.target;
    const auto rva = ReadU32(image, data_entry);
    const auto size = ReadU32(image, data_entry + kDataEntrySizeField);
    if (!rva || !size) return std::nullopt;
    const auto offset = RvaToOffset(image, headers, *rva);
    if (!offset) return std::nullopt;
    const auto data = SliceOf(image, *offset, *size);
    if (!data.ok) return std::nullopt;
    return data.bytes;
}

}  // namespace

std::vector<ResourceName> Names(ByteView image, const Headers& headers, ResourceType type) {
    const auto dir = TypeDirectory(image, headers, type);
    if (!dir) return {};
    std::vector<ResourceName> names;
    names.reserve(dir->count);
    std::uint64_t name_units = 0;
    // Stored order: the format keeps string names ahead of integer ones, and Windows
    // reports the entries as they stand.
    for (std::uint32_t i = 0; i < dir->count; ++i) {
        const Entry e = EntryAt(image, *dir, i);
        if (!IsString(e)) {
            names.push_back(ResourceName::Id(IdOf(e)));
            continue;
        }
        const auto units = NameUnits(image, *headers.resource_root, e);
        if (!units) return {};
        name_units += units->size() / 2;
        if (name_units > kMaxNameUnitsPerType) return {};
        names.push_back(ResourceName::Text(Utf16LeToUtf8(*units)));
    }
    return names;
}

std::optional<ByteView> Find(ByteView image, const Headers& headers, ResourceType type, const ResourceName& name) {
    const auto names = TypeDirectory(image, headers, type);
    if (!names) return std::nullopt;
    const std::uint64_t root = *headers.resource_root;

    std::optional<std::u16string> wanted;
    if (!name.is_id()) {
        wanted = Utf8ToUtf16(name.text);
        if (!wanted) return std::nullopt;
    }
    std::optional<Entry> match;
    for (std::uint32_t i = 0; i < names->count && !match; ++i) {
        const Entry e = EntryAt(image, *names, i);
        if (name.is_id()) {
            if (!IsString(e) && IdOf(e) == *name.id) match = e;
        } else if (IsString(e)) {
            const auto units = NameUnits(image, root, e);
            if (units && SameName(*units, *wanted)) match = e;
        }
    }
    if (!match) return std::nullopt;
    return EntryData(image, headers, *match);
}

std::vector<ResourceVariant> Variants(ByteView image, const Headers& headers, ResourceType type) {
    const auto names = Names(image, headers, type);
    const auto dir = TypeDirectory(image, headers, type);
    if (names.empty() || !dir) return {};
    const std::uint64_t root = *headers.resource_root;
    std::vector<ResourceVariant> variants;
    variants.reserve(names.size());
    for (std::uint32_t i = 0; i < dir->count; ++i) {
        const Entry e = EntryAt(image, *dir, i);
        const auto languages = IsDirectory(e) ? ReadDirectory(image, root, e.target & kOffsetMask) : std::nullopt;
        if (!languages || languages->count == 0) {
            // A name without a language directory still shows, with nothing to read.
            variants.push_back({names[i], std::nullopt, std::nullopt});
            continue;
        }
        for (std::uint32_t k = 0; k < languages->count; ++k) {
            const Entry language = EntryAt(image, *languages, k);
            variants.push_back({names[i], IdOf(language), LanguageData(image, headers, language)});
        }
    }
    return variants;
}

ResourceEntries Entries(ByteView image, const Headers& headers, ResourceType type) {
    const auto names = TypeDirectory(image, headers, type);
    if (!names) return {};
    const std::uint64_t root = *headers.resource_root;
    ResourceEntries entries;
    entries.ids.reserve(names->count);  // string names are few beside ids
    for (std::uint32_t i = 0; i < names->count; ++i) {
        const Entry e = EntryAt(image, *names, i);
        if (!IsString(e)) {
            entries.ids.push_back({IdOf(e), EntryData(image, headers, e)});
        } else if (const auto units = NameUnits(image, root, e)) {
            std::u16string folded(units->size() / 2, u'\0');
            for (std::size_t k = 0; k < folded.size(); ++k)
                folded[k] = UpperCaseUnit(static_cast<char16_t>(*ReadU16(*units, 2 * k)));
            entries.texts.push_back({std::move(folded), EntryData(image, headers, e)});
        }
    }
    return entries;
}

}  // namespace icoforge::module::pe

namespace icoforge::module {

static_assert(kRootHeaderBytes == pe::kDirectoryHeaderSize);

std::optional<std::uint64_t> RootDirectoryBytes(ByteView header) {
    const auto named = ReadU16(header, pe::kDirNumberOfNamedEntries), ids = ReadU16(header, pe::kDirNumberOfIdEntries);
    if (!named || !ids) return std::nullopt;
    return pe::kDirectoryHeaderSize + (std::uint64_t{*named} + *ids) * pe::kEntrySize;
}

std::optional<std::vector<std::uint16_t>> RootTypeIds(ByteView root) {
    const auto bytes = RootDirectoryBytes(root);
    if (!bytes || *bytes > root.size()) return std::nullopt;
    std::vector<std::uint16_t> types;
    for (std::uint64_t at = pe::kDirectoryHeaderSize; at < *bytes; at += pe::kEntrySize) {
        const std::uint32_t name = *ReadU32(root, at);
        if ((name & pe::kHighBit) == 0) types.push_back(static_cast<std::uint16_t>(name));
    }
    return types;
}

std::optional<std::uint32_t> TypeDirectoryOffset(ByteView root, ResourceType type) {
    return pe::TypeDirectoryAt(root, 0, type);
}

std::optional<std::uint32_t> NameCount(ByteView directory,
                                       const std::function<std::optional<std::uint64_t>(std::uint32_t)>& units_of) {
    const auto dir = pe::ReadDirectory(directory, 0, 0);
    if (!dir) return std::nullopt;
    std::uint64_t name_units = 0;
    for (std::uint32_t i = 0; i < dir->count; ++i) {
        const pe::Entry e = pe::EntryAt(directory, *dir, i);
        if (!pe::IsString(e)) continue;
        const auto units = units_of(e.name & pe::kOffsetMask);
        if (!units) return std::nullopt;
        name_units += *units;
        if (name_units > kMaxNameUnitsPerType) return std::nullopt;
    }
    return dir->count;
}

}  // namespace icoforge::module
