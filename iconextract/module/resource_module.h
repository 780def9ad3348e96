#pragma once
// Our own reader of the resource tables of Windows modules: PE32, PE32+ and NE (16-bit).
// It stands in for LoadLibraryEx(LOAD_LIBRARY_AS_DATAFILE), EnumResourceNames,
// FindResource, LoadResource and SizeofResource, with the same answers, on every platform.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "common/failure.h"

namespace icoforge::module {

// Resource types by number, as Windows numbers them.
enum class ResourceType : std::uint16_t {
    Cursor = 1,
    Bitmap = 2,
    Icon = 3,
    GroupCursor = 12,
    GroupIcon = 14,
    AnimatedCursor = 21,
    AnimatedIcon = 22,
};

enum class ModuleFormat { Pe32, Pe32Plus, Ne };

// A resource name as Windows reports it: an integer identifier, or a string (UTF-8).
struct ResourceName {
    std::optional<std::uint16_t> id;  // set for an integer name
    std::string text;                 // the string name when id is not set

    static ResourceName Id(std::uint16_t value) { return {value, {}}; }
    static ResourceName Text(std::string value) { return {std::nullopt, std::move(value)}; }
    bool is_id() const { return id.has_value(); }
    friend bool operator==(const ResourceName&, const ResourceName&) = default;
};

// The entries of one type's names as Find compares them, each list in stored order:
// integer ids, and string names with every unit upper-cased (UTF-16 units in PE, bytes in
// NE). `data` is what Find gives when its entry is the first that matches. A string name
// that cannot be read is in neither list, as Find never matches it.
struct ResourceEntries {
    template <class Key>
    struct Keyed {
        Key key;
        std::optional<ByteView> data;
    };
    std::vector<Keyed<std::uint16_t>> ids;
    std::vector<Keyed<std::u16string>> texts;
};

// One language variant of one name of a type, as stored: every language of every name,
// not only the one Find would choose.
struct ResourceVariant {
    ResourceName name;
    std::optional<std::uint16_t> language;  // nothing in NE modules, which have none
    std::optional<ByteView> data;           // nothing when the entry's data lies outside the image
};

// Find for one type in logarithmic time, with the same answers: built once from every
// entry, so that looking up all of a module's resources costs no more than reading them.
// Sorted arrays rather than hash tables: shell32's 1,840 icons are one allocation, not
// 1,840 nodes, which a module's every extract paid for in time and fresh pages.
class ResourceIndex {
public:
    // The lists are sorted where they lie, not copied: a copy of shell32's 1,840 icon
    // entries took 130 KB of fresh pages on every read.
    ResourceIndex(ModuleFormat format, ResourceEntries entries);
    std::optional<ByteView> Find(const ResourceName& name) const;

private:
    ModuleFormat format_;
    ResourceEntries sorted_;  // each list by key, with only the first entry of a key: the one Find stops at
};

namespace pe {
struct Headers;
}

// A parsed view of one module image. It borrows the bytes: they must outlive it.
class ResourceModule {
public:
    // Refused, with the reason, when the bytes are not a module Windows would map as a
    // data file (no MZ header, no PE or NE header behind it, headers that do not fit). A
    // module without resources parses; it simply has no names of any type.
    static Result<ResourceModule> Parse(ByteView image);

    ModuleFormat format() const { return format_; }

    // The headers declare resources, but the file ends before their table: a file cut
    // short, whose resources Names() and the rest cannot give.
    bool ResourcesCutOff() const { return resources_cut_off_; }

    // The names of every resource of `type`, in the order EnumResourceNames reports them:
    // stored order, which in PE modules puts string names first, then integer names (NE
    // tables keep the order of their records). Empty when the module has none, or its
    // resource table is damaged.
    std::vector<ResourceName> Names(ResourceType type) const;

    // The bytes of one resource, as LoadResource/SizeofResource give them: a string name
    // matches case-insensitively; among languages the neutral one is taken, else the
    // first stored. Nothing when absent or when its data lies outside the image (except
    // that an NE resource whose last alignment unit is cut short by the end of the file
    // comes up to the end of the file: only its padding is missing).
    std::optional<ByteView> Find(ResourceType type, const ResourceName& name) const;

    // Every language variant of every name of `type`, names in the order of Names() and
    // languages in stored order. Empty as Names() is.
    std::vector<ResourceVariant> Variants(ResourceType type) const;

    // Every lookup Find(type, ...) would answer, read in one pass over the type's entries.
    ResourceIndex Index(ResourceType type) const;

private:
    ResourceModule(ByteView image, ModuleFormat format) : image_(image), format_(format) {}
    // What the PE reader needs of the headers Parse read.
    pe::Headers PeHeaders() const;
    ByteView image_;
    ModuleFormat format_;
    std::uint64_t resource_table_offset_ = 0;  // where the format's resource table starts
    // Further fields are the implementation's.
    bool has_resources_ = false;
    bool resources_cut_off_ = false;
    // PE: the section table, for turning RVAs into file offsets.
    std::uint64_t section_table_offset_ = 0;
    std::uint32_t section_count_ = 0;
    std::uint32_t size_of_headers_ = 0;
};

// True when the bytes look like a module by content: "MZ" with a "PE\0\0" or "NE"
// header at the offset the MZ header names.
bool LooksLikeModule(ByteView image);

// What a module's first bytes tell of its resources, for a caller that reads a little of
// many files before it maps one: where a PE module's resource root lies in the file, that
// it has none, or that only the whole file can tell (an NE module, headers reaching past
// `head`, headers the full parse would refuse with a reason).
struct ResourceRootLook {
    enum class Kind : std::uint8_t { kNoResources, kAt, kUnsure } kind = Kind::kUnsure;
    std::uint64_t offset = 0;  // with kAt
    ModuleFormat format = ModuleFormat::Pe32;  // PE32 or PE32+, unless kUnsure
};
ResourceRootLook LookForResourceRoot(ByteView head, std::uint64_t file_size);

// For a caller that reads the root directory a look found: the bytes the directory spans
// (its header and entries), from its first kRootHeaderBytes; then the integer type ids it
// names (string-named types left out), from those bytes. Nothing when they are cut short.
inline constexpr std::size_t kRootHeaderBytes = 16;
std::optional<std::uint64_t> RootDirectoryBytes(ByteView header);
std::optional<std::vector<std::uint16_t>> RootTypeIds(ByteView root);
// From the same root bytes, where the names of `type` begin, relative to the root, as
// Names finds them; nothing when the root has no such type or it leads to no directory.
std::optional<std::uint32_t> TypeDirectoryOffset(ByteView root, ResourceType type);
// How many names Names gives from a directory read as RootDirectoryBytes measures it,
// with `units_of` telling how many UTF-16 units each string name holds (from its offset
// from the root), when the file holds them all. Nothing when one cannot be told, or the
// names are more than Names takes: the whole module must tell then.
std::optional<std::uint32_t> NameCount(ByteView directory,
                                       const std::function<std::optional<std::uint64_t>(std::uint32_t)>& units_of);

}  // namespace icoforge::module
