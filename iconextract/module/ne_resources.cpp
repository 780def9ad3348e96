#include "iconextract/module/ne_resources.h"

#include "common/byte_reader.h"
#include "iconextract/module/name_text.h"

namespace icoforge::module::ne {
namespace {

constexpr std::uint64_t kHeaderSize = 64;
constexpr std::uint64_t kHdrResourceTable = 0x24;  // both relative to the NE header
constexpr std::uint64_t kHdrResidentNames = 0x26;

// Resource table: a shift count, then TYPEINFO records up to a type id of 0, each
// followed by its NAMEINFO records.
constexpr std::uint64_t kShiftSize = 2;
constexpr std::uint64_t kTypeInfoSize = 8;  // type id, count, 4 reserved bytes
constexpr std::uint64_t kTiCount = 2;
constexpr std::uint64_t kNameInfoSize = 12;  // offset, length, flags, id, handle, usage
constexpr std::uint64_t kNiLength = 2;
constexpr std::uint64_t kNiId = 6;
constexpr std::uint16_t kIntegerId = 0x8000;  // else the id is a string's offset in the table
constexpr std::uint16_t kIdMask = 0x7FFF;

// Offsets and lengths are 16-bit counts of 1 << shift bytes; a larger shift than this
// would address past 4 GiB, which no NE file does, so such a table is damaged.
constexpr std::uint16_t kMaxAlignShift = 16;

struct TypeRecords {
    std::uint64_t first = 0;  // file offset of the first NAMEINFO
    std::uint16_t count = 0;
    std::uint16_t shift = 0;
};

// The NAMEINFO records of the first TYPEINFO of `type`. The walk moves forward by at
// least one record header per step and stops at the end of the image, so a table
// without its terminator cannot make it loop.
std::optional<TypeRecords> FindType(ByteView image, std::uint64_t table, ResourceType type) {
    const auto shift = ReadU16(image, table);
    if (!shift || *shift > kMaxAlignShift) return std::nullopt;
    std::uint64_t at = table + kShiftSize;
    for (;;) {
        const auto type_id = ReadU16(image, at);
        const auto count = ReadU16(image, at + kTiCount);
        if (!type_id || *type_id == 0 || !count) return std::nullopt;
        const std::uint64_t first = at + kTypeInfoSize;
        const std::uint64_t records = kNameInfoSize * *count;
        if (!RangeFits(first, records, image.size())) return std::nullopt;
        if ((*type_id & kIntegerId) && (*type_id & kIdMask) == static_cast<std::uint16_t>(type))
            return TypeRecords{first, *count, *shift};
        at = first + records;
    }
}

// The bytes of a length-prefixed string name at `offset` from the table.
std::optional<ByteView> NameBytes(ByteView image, std::uint64_t table, std::uint16_t offset) {
    const auto length = ReadU8(image, table + offset);
    if (!length) return std::nullopt;
    const auto bytes = SliceOf(image, table + offset + 1, *length);
    if (!bytes.ok) return std::nullopt;
    return bytes.bytes;
}

bool SameName(ByteView stored, const std::string& wanted) {
    if (stored.size() != wanted.size()) return false;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        if (UpperCaseUnit(stored[i]) != UpperCaseUnit(static_cast<std::uint8_t>(wanted[i]))) return false;
    }
    return true;
}

// The bytes a NAMEINFO record names. The size is the whole units the table gives, as
// SizeofResource reports it.
std::optional<ByteView> RecordData(ByteView image, const TypeRecords& records, std::uint64_t record) {
    const std::uint64_t offset = std::uint64_t{*ReadU16(image, record)} << records.shift;
    const std::uint64_t length = std::uint64_t{*ReadU16(image, record + kNiLength)} << records.shift;
    const auto data = SliceOf(image, offset, length);
    if (data.ok) return data.bytes;
    // Linkers pad every resource to whole units, but a file may end right behind the
    // last resource's real bytes. When less than one unit is missing, only padding
    // is: the resource is whole and ends at the end of the file. Anything shorter
    // has lost real data and is refused.
    const std::uint64_t unit = std::uint64_t{1} << records.shift;
    if (offset < image.size() && offset + length - image.size() < unit)
        return SliceOf(image, offset, image.size() - offset).bytes;
    return std::nullopt;
}

}  // namespace

std::optional<std::optional<std::uint64_t>> ReadResourceTable(ByteView image, std::uint32_t ne_offset) {
    if (!RangeFits(ne_offset, kHeaderSize, image.size())) return std::nullopt;
    const std::uint16_t table = *ReadU16(image, ne_offset + kHdrResourceTable);
    const std::uint16_t resident = *ReadU16(image, ne_offset + kHdrResidentNames);
    // The linker marks a module without resources by a resource table of no length: it
    // starts where the resident-name table does.
    if (table == resident) return std::optional<std::uint64_t>{};
    return std::optional<std::uint64_t>{std::uint64_t{ne_offset} + table};
}

std::vector<ResourceName> Names(ByteView image, std::uint64_t table, ResourceType type) {
    const auto records = FindType(image, table, type);
    if (!records) return {};
    std::vector<ResourceName> names;
    names.reserve(records->count);
    std::uint64_t name_units = 0;
    // Table order, string and integer names mixed as they stand.
    for (std::uint32_t i = 0; i < records->count; ++i) {
        const std::uint16_t id = *ReadU16(image, records->first + kNameInfoSize * i + kNiId);
        if (id & kIntegerId) {
            names.push_back(ResourceName::Id(id & kIdMask));
            continue;
        }
        const auto bytes = NameBytes(image, table, id);
        if (!bytes) return {};
        name_units += bytes->size();
        if (name_units > kMaxNameUnitsPerType) return {};
        names.push_back(ResourceName::Text(Latin1ToUtf8(*bytes)));
    }
    return names;
}

std::optional<ByteView> Find(ByteView image, std::uint64_t table, ResourceType type, const ResourceName& name) {
    const auto records = FindType(image, table, type);
    if (!records) return std::nullopt;
    std::optional<std::string> wanted;
    if (!name.is_id()) {
        wanted = Utf8ToLatin1(name.text);
        if (!wanted) return std::nullopt;
    }
    for (std::uint32_t i = 0; i < records->count; ++i) {
        const std::uint64_t record = records->first + kNameInfoSize * i;
        const std::uint16_t id = *ReadU16(image, record + kNiId);
        bool match;
        if (name.is_id()) {
            match = (id & kIntegerId) && (id & kIdMask) == *name.id;
        } else {
            const auto stored = (id & kIntegerId) ? std::nullopt : NameBytes(image, table, id);
            match = stored && SameName(*stored, *wanted);
        }
        if (match) return RecordData(image, *records, record);
    }
    return std::nullopt;
}

std::vector<ResourceVariant> Variants(ByteView image, std::uint64_t table, ResourceType type) {
    const auto names = Names(image, table, type);
    const auto records = FindType(image, table, type);
    if (names.empty() || !records) return {};
    std::vector<ResourceVariant> variants;
    variants.reserve(names.size());
    for (std::uint32_t i = 0; i < records->count; ++i)
        variants.push_back({names[i], std::nullopt, RecordData(image, *records, records->first + kNameInfoSize * i)});
    return variants;
}

ResourceEntries Entries(ByteView image, std::uint64_t table, ResourceType type) {
    const auto records = FindType(image, table, type);
    if (!records) return {};
    ResourceEntries entries;
    entries.ids.reserve(records->count);  // string names are few beside ids
    for (std::uint32_t i = 0; i < records->count; ++i) {
        const std::uint64_t record = records->first + kNameInfoSize * i;
        const std::uint16_t id = *ReadU16(image, record + kNiId);
        if (id & kIntegerId) {
            entries.ids.push_back({static_cast<std::uint16_t>(id & kIdMask), RecordData(image, *records, record)});
        } else if (const auto stored = NameBytes(image, table, id)) {
            std::u16string folded(stored->size(), u'\0');
            for (std::size_t k = 0; k < folded.size(); ++k) folded[k] = UpperCaseUnit((*stored)[k]);
            entries.texts.push_back({std::move(folded), RecordData(image, *records, record)});
        }
    }
    return entries;
}

}  // namespace icoforge::module::ne
