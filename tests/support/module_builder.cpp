#include "tests/support/module_builder.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "common/byte_writer.h"

namespace icoforge::testing {
namespace {

// The builder keeps its own copy of the on-disk layout, written from the format
// descriptions, so a slip in the reader's constants is not mirrored here.
constexpr std::uint32_t kMzHeaderSize = 64;
constexpr std::uint32_t kMzLfanewField = 0x3C;
constexpr std::uint32_t kHeaderOffset = kMzHeaderSize;  // e_lfanew of every built module

constexpr std::uint32_t kPeFileHeaderSize = 20;
constexpr std::uint32_t kFhNumberOfSections = 2;
constexpr std::uint32_t kFhSizeOfOptionalHeader = 16;
constexpr std::uint32_t kFhCharacteristics = 18;
constexpr std::uint16_t kMachineI386 = 0x014C;
constexpr std::uint16_t kMachineAmd64 = 0x8664;
constexpr std::uint16_t kCharacteristicsDll = 0x2102;  // executable, 32-bit machine, DLL
constexpr std::uint32_t kDataDirectoryCount = 16;
constexpr std::uint32_t kResourceDirectoryIndex = 2;
constexpr std::uint32_t kDataDirectorySizeField = 4;
constexpr std::uint32_t kSectionHeaderSize = 40;
constexpr std::uint32_t kShVirtualSize = 8;
constexpr std::uint32_t kShVirtualAddress = 12;
constexpr std::uint32_t kShSizeOfRawData = 16;
constexpr std::uint32_t kShPointerToRawData = 20;
constexpr std::uint32_t kShCharacteristics = 36;
constexpr std::uint32_t kSectionAlignment = 0x1000;
constexpr std::uint32_t kSectionInitializedReadable = 0x40000040;

struct OptionalLayout {
    std::uint16_t magic;
    std::uint32_t size;               // with its 16 data directories
    std::uint32_t rva_count_field;    // NumberOfRvaAndSizes
    std::uint32_t directories_field;  // first data directory
};
constexpr OptionalLayout kPe32Optional{0x10B, 96 + 8 * kDataDirectoryCount, 92, 96};
constexpr OptionalLayout kPe32PlusOptional{0x20B, 112 + 8 * kDataDirectoryCount, 108, 112};
constexpr std::uint32_t kOptSectionAlignmentField = 32;
constexpr std::uint32_t kOptFileAlignmentField = 36;
constexpr std::uint32_t kOptSizeOfImageField = 56;
constexpr std::uint32_t kOptSizeOfHeadersField = 60;
constexpr std::uint32_t kOptSubsystemField = 68;

constexpr std::uint32_t kResourceDirectorySize = 16;
constexpr std::uint32_t kResourceEntrySize = 8;
constexpr std::uint32_t kResourceDataEntrySize = 16;
constexpr std::uint32_t kNamedEntryCountField = 12;
constexpr std::uint32_t kIdEntryCountField = 14;
constexpr std::uint32_t kEntryTargetField = 4;
constexpr std::uint32_t kDataEntrySizeField = 4;
constexpr std::uint32_t kNameIsString = 0x80000000u;
constexpr std::uint32_t kEntryIsDirectory = 0x80000000u;

constexpr std::uint32_t kNeHeaderSize = 64;
constexpr std::uint32_t kNeEntryTable = 0x04;  // header fields, relative to "NE"
constexpr std::uint32_t kNeEntryTableLength = 0x06;
constexpr std::uint32_t kNeFlags = 0x0C;
constexpr std::uint32_t kNeSegmentTable = 0x22;
constexpr std::uint32_t kNeResourceTable = 0x24;
constexpr std::uint32_t kNeResidentNames = 0x26;
constexpr std::uint32_t kNeModuleReferences = 0x28;
constexpr std::uint32_t kNeImportedNames = 0x2A;
constexpr std::uint32_t kNeAlignShift = 0x32;
constexpr std::uint32_t kNeTargetOs = 0x36;
constexpr std::uint32_t kNeExpectedVersion = 0x3E;
constexpr std::uint16_t kNeFlagsLibrary = 0x8000;
constexpr std::uint8_t kNeTargetWindows = 2;
constexpr std::uint16_t kNeWindows310 = 0x030A;
constexpr std::uint32_t kTiCount = 2;
constexpr std::uint32_t kTiReserved = 4;
constexpr std::uint32_t kNiLength = 2;
constexpr std::uint32_t kNiFlags = 4;
constexpr std::uint32_t kNiId = 6;
constexpr std::uint32_t kNeTypeInfoSize = 8;
constexpr std::uint32_t kNeNameInfoSize = 12;
constexpr std::uint16_t kNeIntegerId = 0x8000;
constexpr std::uint16_t kNeFlagsMoveablePure = 0x0030;

std::uint32_t AlignUp(std::uint32_t value, std::uint32_t alignment) {
    if (alignment <= 1) return value;
    return (value + alignment - 1) / alignment * alignment;
}

void Put16(ByteBuffer& out, std::size_t offset, std::uint16_t value) {
    if (out.size() < offset + 2) out.resize(offset + 2);
    PutU16At(out, offset, value);
}
void Put32(ByteBuffer& out, std::size_t offset, std::uint32_t value) {
    if (out.size() < offset + 4) out.resize(offset + 4);
    PutU32At(out, offset, value);
}
void PutBytes(ByteBuffer& out, std::size_t offset, ByteView bytes) {
    if (out.size() < offset + bytes.size()) out.resize(offset + bytes.size());
    std::copy(bytes.begin(), bytes.end(), out.begin() + static_cast<std::ptrdiff_t>(offset));
}

// The DOS header every module starts with; e_lfanew points just past it.
void WriteMzStub(ByteBuffer& out) {
    out.assign(kMzHeaderSize, 0);
    out[0] = 'M';
    out[1] = 'Z';
    Put32(out, kMzLfanewField, kHeaderOffset);
}

std::u16string Utf16(const std::string& text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<std::uint8_t>(text[i]);
        std::uint32_t cp = lead;
        std::size_t extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
        if (extra) cp = lead & (0x3F >> extra);
        for (std::size_t k = 1; k <= extra && i + k < text.size(); ++k)
            cp = (cp << 6) | (static_cast<std::uint8_t>(text[i + k]) & 0x3F);
        i += extra + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

// Resources grouped as the formats store them: types in order of first appearance, their
// names likewise, and every resource (language) of a name in given order.
struct NameGroup {
    ResourceName name;
    std::vector<std::size_t> resources;
};
struct TypeGroup {
    ResourceName type;
    std::vector<NameGroup> names;
};

std::vector<TypeGroup> Group(const std::vector<ModuleResource>& resources) {
    std::vector<TypeGroup> types;
    for (std::size_t i = 0; i < resources.size(); ++i) {
        const auto& r = resources[i];
        auto t = std::find_if(types.begin(), types.end(), [&](const TypeGroup& g) { return g.type == r.type; });
        if (t == types.end()) t = types.insert(types.end(), TypeGroup{r.type, {}});
        auto n = std::find_if(t->names.begin(), t->names.end(), [&](const NameGroup& g) { return g.name == r.name; });
        if (n == t->names.end()) n = t->names.insert(t->names.end(), NameGroup{r.name, {}});
        n->resources.push_back(i);
    }
    return types;
}

// String-named entries first, each kind in its given order.
template <typename T, typename NameOf>
std::vector<const T*> PeEntryOrder(const std::vector<T>& items, NameOf name_of) {
    std::vector<const T*> order;
    for (const auto& item : items)
        if (!name_of(item).is_id()) order.push_back(&item);
    for (const auto& item : items)
        if (name_of(item).is_id()) order.push_back(&item);
    return order;
}

BuiltModule BuildPe(bool plus, const std::vector<ModuleResource>& resources, const ModuleOptions& options) {
    const auto types = Group(resources);
    const OptionalLayout& opt = plus ? kPe32PlusOptional : kPe32Optional;

    // Resource section, laid out with offsets relative to its start.
    ByteBuffer rsrc;
    std::vector<std::uint32_t> entry_rel(resources.size()), data_rel(resources.size());
    std::uint32_t cursor = kResourceDirectorySize + kResourceEntrySize * static_cast<std::uint32_t>(types.size());
    std::vector<std::uint32_t> type_dir(types.size());
    for (std::size_t t = 0; t < types.size(); ++t) {
        type_dir[t] = cursor;
        cursor += kResourceDirectorySize + kResourceEntrySize * static_cast<std::uint32_t>(types[t].names.size());
    }
    std::vector<std::vector<std::uint32_t>> name_dir(types.size());
    for (std::size_t t = 0; t < types.size(); ++t) {
        for (const auto& n : types[t].names) {
            name_dir[t].push_back(cursor);
            cursor += kResourceDirectorySize + kResourceEntrySize * static_cast<std::uint32_t>(n.resources.size());
        }
    }
    // Strings, shared by equal names.
    std::vector<std::pair<std::string, std::uint32_t>> strings;
    auto string_offset = [&](const std::string& text) {
        for (const auto& [s, off] : strings)
            if (s == text) return off;
        const std::u16string wide = Utf16(text);
        const std::uint32_t off = cursor;
        Put16(rsrc, off, static_cast<std::uint16_t>(wide.size()));
        for (std::size_t i = 0; i < wide.size(); ++i) Put16(rsrc, off + 2 + 2 * i, wide[i]);
        cursor = AlignUp(off + 2 + 2 * static_cast<std::uint32_t>(wide.size()), 4);
        strings.emplace_back(text, off);
        return off;
    };
    auto entry_name = [&](const ResourceName& name) -> std::uint32_t {
        return name.is_id() ? *name.id : (kNameIsString | string_offset(name.text));
    };
    auto write_directory_header = [&](std::uint32_t at, std::uint16_t named, std::uint16_t ids) {
        Put16(rsrc, at + kNamedEntryCountField, named);
        Put16(rsrc, at + kIdEntryCountField, ids);
    };
    auto count_named = [](const auto& order, auto name_of) {
        return static_cast<std::uint16_t>(
            std::count_if(order.begin(), order.end(), [&](const auto* p) { return !name_of(*p).is_id(); }));
    };

    // Names of every directory entry first (strings go right behind the directories).
    std::vector<std::uint32_t> type_names, name_names;
    auto type_order = PeEntryOrder(types, [](const TypeGroup& g) -> const ResourceName& { return g.type; });
    for (const auto* t : type_order) type_names.push_back(entry_name(t->type));
    std::vector<std::vector<const NameGroup*>> name_orders;
    for (const auto* t : type_order) {
        name_orders.push_back(PeEntryOrder(t->names, [](const NameGroup& g) -> const ResourceName& { return g.name; }));
        for (const auto* n : name_orders.back()) name_names.push_back(entry_name(n->name));
    }
    const std::uint32_t entries_start = AlignUp(cursor, 4);
    cursor = entries_start + kResourceDataEntrySize * static_cast<std::uint32_t>(resources.size());
    for (std::size_t i = 0; i < resources.size(); ++i) {
        entry_rel[i] = entries_start + kResourceDataEntrySize * static_cast<std::uint32_t>(i);
        data_rel[i] = cursor;
        PutBytes(rsrc, cursor, resources[i].data);
        cursor = AlignUp(cursor + static_cast<std::uint32_t>(resources[i].data.size()), 4);
        Put32(rsrc, entry_rel[i], options.section_rva + data_rel[i]);
        Put32(rsrc, entry_rel[i] + kDataEntrySizeField, static_cast<std::uint32_t>(resources[i].data.size()));
    }
    // The last resource's bytes end the section: no padding behind them.
    std::uint32_t rsrc_size =
        resources.empty() ? cursor : data_rel.back() + static_cast<std::uint32_t>(resources.back().data.size());
    rsrc_size = std::max(rsrc_size, entries_start);
    rsrc.resize(std::max<std::size_t>(rsrc.size(), rsrc_size));

    {
        std::uint16_t named = count_named(type_order, [](const TypeGroup& g) -> const ResourceName& { return g.type; });
        write_directory_header(0, named, static_cast<std::uint16_t>(type_order.size() - named));
    }
    std::size_t name_index = 0;
    for (std::size_t ti = 0; ti < type_order.size(); ++ti) {
        const auto t = static_cast<std::size_t>(type_order[ti] - types.data());
        const std::uint32_t root_entry = kResourceDirectorySize + kResourceEntrySize * static_cast<std::uint32_t>(ti);
        Put32(rsrc, root_entry, type_names[ti]);
        Put32(rsrc, root_entry + kEntryTargetField, kEntryIsDirectory | type_dir[t]);
        const auto& order = name_orders[ti];
        const std::uint16_t named =
            count_named(order, [](const NameGroup& g) -> const ResourceName& { return g.name; });
        write_directory_header(type_dir[t], named, static_cast<std::uint16_t>(order.size() - named));
        for (std::size_t ni = 0; ni < order.size(); ++ni, ++name_index) {
            const auto n = static_cast<std::size_t>(order[ni] - types[t].names.data());
            const std::uint32_t entry =
                type_dir[t] + kResourceDirectorySize + kResourceEntrySize * static_cast<std::uint32_t>(ni);
            Put32(rsrc, entry, name_names[name_index]);
            Put32(rsrc, entry + kEntryTargetField, kEntryIsDirectory | name_dir[t][n]);
            const auto& langs = types[t].names[n].resources;
            write_directory_header(name_dir[t][n], 0, static_cast<std::uint16_t>(langs.size()));
            for (std::size_t li = 0; li < langs.size(); ++li) {
                const std::uint32_t lang_entry =
                    name_dir[t][n] + kResourceDirectorySize + kResourceEntrySize * static_cast<std::uint32_t>(li);
                Put32(rsrc, lang_entry, resources[langs[li]].language);
                Put32(rsrc, lang_entry + kEntryTargetField, entry_rel[langs[li]]);
            }
        }
    }

    // Headers.
    BuiltModule built;
    ByteBuffer& out = built.bytes;
    WriteMzStub(out);
    const std::uint32_t pe = kHeaderOffset;
    PutBytes(out, pe, ByteView(reinterpret_cast<const std::uint8_t*>("PE\0\0"), 4));
    const std::uint32_t file_header = pe + 4;
    Put16(out, file_header, plus ? kMachineAmd64 : kMachineI386);
    Put16(out, file_header + kFhNumberOfSections, 1);
    Put16(out, file_header + kFhSizeOfOptionalHeader, static_cast<std::uint16_t>(opt.size));
    Put16(out, file_header + kFhCharacteristics, kCharacteristicsDll);
    const std::uint32_t optional = file_header + kPeFileHeaderSize;
    const std::uint32_t section_table = optional + opt.size;
    const std::uint32_t headers_end = section_table + kSectionHeaderSize;
    const std::uint32_t size_of_headers = AlignUp(headers_end, options.file_alignment);
    const std::uint32_t raw_size = AlignUp(rsrc_size, options.file_alignment);
    Put16(out, optional, opt.magic);
    Put32(out, optional + kOptSectionAlignmentField, kSectionAlignment);
    Put32(out, optional + kOptFileAlignmentField, std::max<std::uint32_t>(options.file_alignment, 1));
    Put32(out, optional + kOptSizeOfImageField, AlignUp(options.section_rva + rsrc_size, kSectionAlignment));
    Put32(out, optional + kOptSizeOfHeadersField, size_of_headers);
    Put16(out, optional + kOptSubsystemField, 2);  // Windows GUI
    Put32(out, optional + opt.rva_count_field, kDataDirectoryCount);
    const std::uint32_t resource_directory = optional + opt.directories_field + 8 * kResourceDirectoryIndex;
    if (!resources.empty()) {
        Put32(out, resource_directory, options.section_rva);
        Put32(out, resource_directory + kDataDirectorySizeField, rsrc_size);
    }
    PutBytes(out, section_table, ByteView(reinterpret_cast<const std::uint8_t*>(".rsrc\0\0\0"), 8));
    Put32(out, section_table + kShVirtualSize, rsrc_size);
    Put32(out, section_table + kShVirtualAddress, options.section_rva);
    Put32(out, section_table + kShSizeOfRawData, raw_size);
    Put32(out, section_table + kShPointerToRawData, size_of_headers);
    Put32(out, section_table + kShCharacteristics, kSectionInitializedReadable);
    out.resize(size_of_headers, 0);
    rsrc.resize(raw_size, 0);
    out.insert(out.end(), rsrc.begin(), rsrc.end());

    built.header_offset = pe;
    built.section_table_offset = section_table;
    built.resource_offset = size_of_headers;
    for (std::size_t i = 0; i < resources.size(); ++i) {
        built.entry_offsets.push_back(size_of_headers + entry_rel[i]);
        built.data_offsets.push_back(size_of_headers + data_rel[i]);
    }
    return built;
}

BuiltModule BuildNe(const std::vector<ModuleResource>& resources, const ModuleOptions& options) {
    const auto types = Group(resources);
    const std::uint32_t unit = 1u << options.ne_align_shift;
    const std::uint32_t table = kHeaderOffset + kNeHeaderSize;

    // Size of the table part before the strings: shift, records, terminator.
    std::uint32_t strings_at = 2 + 2;
    for (const auto& t : types)
        for (const auto& n : t.names) strings_at += kNeNameInfoSize * static_cast<std::uint32_t>(n.resources.size());
    strings_at += kNeTypeInfoSize * static_cast<std::uint32_t>(types.size());

    ByteBuffer tab;  // the resource table, offsets relative to its start
    Put16(tab, 0, options.ne_align_shift);
    std::uint32_t string_cursor = strings_at;
    std::vector<std::pair<std::string, std::uint16_t>> strings;
    auto id_field = [&](const ResourceName& name) -> std::uint16_t {
        if (name.is_id()) return static_cast<std::uint16_t>(kNeIntegerId | *name.id);
        for (const auto& [s, off] : strings)
            if (s == name.text) return off;
        const auto off = static_cast<std::uint16_t>(string_cursor);
        if (tab.size() < string_cursor + 1) tab.resize(string_cursor + 1);
        tab[string_cursor] = static_cast<std::uint8_t>(name.text.size());
        PutBytes(tab, string_cursor + 1,
                 ByteView(reinterpret_cast<const std::uint8_t*>(name.text.data()), name.text.size()));
        string_cursor += 1 + static_cast<std::uint32_t>(name.text.size());
        strings.emplace_back(name.text, off);
        return off;
    };

    std::vector<std::uint32_t> record_rel(resources.size());
    std::uint32_t cursor = 2;
    for (const auto& t : types) {
        std::uint16_t count = 0;
        for (const auto& n : t.names) count = static_cast<std::uint16_t>(count + n.resources.size());
        Put16(tab, cursor, id_field(t.type));
        Put16(tab, cursor + kTiCount, count);
        Put32(tab, cursor + kTiReserved, 0);
        cursor += kNeTypeInfoSize;
        for (const auto& n : t.names) {
            for (std::size_t r : n.resources) {
                record_rel[r] = cursor;
                Put16(tab, cursor + kNiId, id_field(n.name));
                cursor += kNeNameInfoSize;
            }
        }
    }
    Put16(tab, cursor, 0);  // end of types
    tab.resize(std::max<std::size_t>(tab.size(), string_cursor));
    tab.push_back(0);  // end of names

    BuiltModule built;
    ByteBuffer& out = built.bytes;
    WriteMzStub(out);
    const std::uint32_t ne = kHeaderOffset;
    out.resize(ne + kNeHeaderSize, 0);
    out[ne] = 'N';
    out[ne + 1] = 'E';
    out[ne + 2] = 5;   // linker version
    out[ne + 3] = 10;  // linker revision
    const std::uint32_t resident = kNeHeaderSize + static_cast<std::uint32_t>(tab.size());
    const ByteBuffer resident_names = {4, 'T', 'E', 'S', 'T', 0, 0, 0};  // name, ordinal 0, end
    const std::uint32_t after_resident = resident + static_cast<std::uint32_t>(resident_names.size());
    Put16(out, ne + kNeEntryTable, static_cast<std::uint16_t>(after_resident));  // empty
    Put16(out, ne + kNeEntryTableLength, 2);
    Put16(out, ne + kNeFlags, kNeFlagsLibrary);
    Put16(out, ne + kNeSegmentTable, kNeHeaderSize);  // no segments
    Put16(out, ne + kNeResourceTable, kNeHeaderSize);
    Put16(out, ne + kNeResidentNames, static_cast<std::uint16_t>(resident));
    Put16(out, ne + kNeModuleReferences, static_cast<std::uint16_t>(after_resident));
    Put16(out, ne + kNeImportedNames, static_cast<std::uint16_t>(after_resident));
    Put16(out, ne + kNeAlignShift, options.ne_align_shift);
    out[ne + kNeTargetOs] = kNeTargetWindows;
    Put16(out, ne + kNeExpectedVersion, kNeWindows310);
    PutBytes(out, table, tab);
    PutBytes(out, ne + resident, resident_names);
    out.resize(ne + after_resident + 2, 0);

    built.header_offset = ne;
    built.resource_offset = table;
    built.entry_offsets.resize(resources.size());
    built.data_offsets.resize(resources.size());
    for (std::size_t i = 0; i < resources.size(); ++i) {
        const std::uint32_t at = AlignUp(static_cast<std::uint32_t>(out.size()), unit);
        const auto& data = resources[i].data;
        const std::uint32_t units = AlignUp(static_cast<std::uint32_t>(data.size()), unit) / unit;
        out.resize(at, 0);
        PutBytes(out, at, data);
        const bool last = i + 1 == resources.size();
        if (!last || options.ne_pad_end) out.resize(at + units * unit, 0);
        const std::uint32_t record = table + record_rel[i];
        Put16(out, record, static_cast<std::uint16_t>(at / unit));
        Put16(out, record + kNiLength, static_cast<std::uint16_t>(units));
        Put16(out, record + kNiFlags, kNeFlagsMoveablePure);
        built.entry_offsets[i] = record;
        built.data_offsets[i] = at;
    }
    return built;
}

}  // namespace

BuiltModule BuildModuleWithLayout(ModuleFormat format, const std::vector<ModuleResource>& resources,
                                  const ModuleOptions& options) {
    switch (format) {
        case ModuleFormat::Pe32:
            return BuildPe(false, resources, options);
        case ModuleFormat::Pe32Plus:
            return BuildPe(true, resources, options);
        case ModuleFormat::Ne:
            return BuildNe(resources, options);
    }
    return {};
}

}  // namespace icoforge::testing
