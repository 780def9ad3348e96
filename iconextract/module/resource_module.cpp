#include "iconextract/module/resource_module.h"

#include <algorithm>

#include "common/byte_reader.h"
#include "iconextract/module/name_text.h"
#include "iconextract/module/ne_resources.h"
#include "iconextract/module/pe_resources.h"

namespace icoforge::module {
namespace {

constexpr std::uint64_t kMzLfanew = 0x3C;  // offset of the new-style header
constexpr std::uint8_t kMz[] = {'M', 'Z'};
constexpr std::uint8_t kPeSignature[] = {'P', 'E', 0, 0};
constexpr std::uint8_t kNeSignature[] = {'N', 'E'};

enum class Signature { None, Pe, Ne };

bool BytesAt(ByteView image, std::uint64_t offset, ByteView expected) {
    const auto slice = SliceOf(image, offset, expected.size());
    return slice.ok && std::equal(expected.begin(), expected.end(), slice.bytes.begin());
}

struct NewHeader {
    Signature signature = Signature::None;
    std::uint32_t offset = 0;
};

NewHeader FindNewHeader(ByteView image) {
    if (!BytesAt(image, 0, kMz)) return {};
    const auto lfanew = ReadU32(image, kMzLfanew);
    if (!lfanew) return {};
    if (BytesAt(image, *lfanew, kPeSignature)) return {Signature::Pe, *lfanew};
    if (BytesAt(image, *lfanew, kNeSignature)) return {Signature::Ne, *lfanew};
    return {};
}

}  // namespace

Result<ResourceModule> ResourceModule::Parse(ByteView image) {
    if (!BytesAt(image, 0, kMz)) return Fail("parse", "", "not a Windows module: no MZ header");
    const NewHeader header = FindNewHeader(image);
    if (header.signature == Signature::Pe) {
        auto headers = pe::ReadHeaders(image, header.offset);
        if (!headers) return Fail(std::move(headers.error()));
        ResourceModule module(image, headers->format);
        module.has_resources_ = headers->resource_root.has_value();
        module.resources_cut_off_ = headers->resources_cut_off;
        module.resource_table_offset_ = headers->resource_root.value_or(0);
        module.section_table_offset_ = headers->section_table;
        module.section_count_ = headers->section_count;
        module.size_of_headers_ = headers->size_of_headers;
        return module;
    }
    if (header.signature == Signature::Ne) {
        const auto table = ne::ReadResourceTable(image, header.offset);
        if (!table) return Fail("parse", "", "the NE header is cut short by the end of the file");
        ResourceModule module(image, ModuleFormat::Ne);
        module.has_resources_ = table->has_value();
        module.resource_table_offset_ = table->value_or(0);
        // The table begins with its alignment shift.
        module.resources_cut_off_ = module.has_resources_ && !RangeFits(module.resource_table_offset_, 2, image.size());
        return module;
    }
    return Fail("parse", "", "not a Windows module: no PE or NE header where the MZ header points");
}

pe::Headers ResourceModule::PeHeaders() const {
    pe::Headers h;
    h.format = format_;
    h.section_table = section_table_offset_;
    h.section_count = section_count_;
    h.size_of_headers = size_of_headers_;
    h.resource_root = resource_table_offset_;
    return h;
}

std::vector<ResourceName> ResourceModule::Names(ResourceType type) const {
    if (!has_resources_) return {};
    if (format_ == ModuleFormat::Ne) return ne::Names(image_, resource_table_offset_, type);
    return pe::Names(image_, PeHeaders(), type);
}

std::optional<ByteView> ResourceModule::Find(ResourceType type, const ResourceName& name) const {
    if (!has_resources_) return std::nullopt;
    if (format_ == ModuleFormat::Ne) return ne::Find(image_, resource_table_offset_, type, name);
    return pe::Find(image_, PeHeaders(), type, name);
}

std::vector<ResourceVariant> ResourceModule::Variants(ResourceType type) const {
    if (!has_resources_) return {};
    if (format_ == ModuleFormat::Ne) return ne::Variants(image_, resource_table_offset_, type);
    return pe::Variants(image_, PeHeaders(), type);
}

ResourceIndex ResourceModule::Index(ResourceType type) const {
    if (!has_resources_) return ResourceIndex(format_, {});
    if (format_ == ModuleFormat::Ne) return ResourceIndex(format_, ne::Entries(image_, resource_table_offset_, type));
    return ResourceIndex(format_, pe::Entries(image_, PeHeaders(), type));
}

namespace {

// Sorts by key and keeps the first entry of each key, as stored. A PE module's ids come
// sorted, as Windows requires, so the sort (and its scratch memory) is only for the rest.
template <class Keyed>
void SortKeepingFirst(std::vector<Keyed>& keyed) {
    const auto before = [](const Keyed& a, const Keyed& b) { return a.key < b.key; };
    if (!std::is_sorted(keyed.begin(), keyed.end(), before)) std::stable_sort(keyed.begin(), keyed.end(), before);
    const auto same = [](const Keyed& a, const Keyed& b) { return a.key == b.key; };
    keyed.erase(std::unique(keyed.begin(), keyed.end(), same), keyed.end());
}

template <class Keyed, class Key>
std::optional<ByteView> Lookup(const std::vector<Keyed>& keyed, const Key& key) {
    const auto found =
        std::lower_bound(keyed.begin(), keyed.end(), key, [](const Keyed& a, const Key& k) { return a.key < k; });
    return found == keyed.end() || found->key != key ? std::nullopt : found->data;
}

}  // namespace

ResourceIndex::ResourceIndex(ModuleFormat format, ResourceEntries entries)
    : format_(format), sorted_(std::move(entries)) {
    SortKeepingFirst(sorted_.ids);
    SortKeepingFirst(sorted_.texts);
}

std::optional<ByteView> ResourceIndex::Find(const ResourceName& name) const {
    if (name.is_id()) return Lookup(sorted_.ids, *name.id);
    // The name asked for is compared as Find compares it: as UTF-16 units in PE, as bytes
    // of Latin-1 in NE, every unit upper-cased.
    std::u16string folded;
    if (format_ == ModuleFormat::Ne) {
        const auto bytes = Utf8ToLatin1(name.text);
        if (!bytes) return std::nullopt;
        for (const char c : *bytes) folded.push_back(UpperCaseUnit(static_cast<std::uint8_t>(c)));
    } else {
        const auto units = Utf8ToUtf16(name.text);
        if (!units) return std::nullopt;
        for (const char16_t unit : *units) folded.push_back(UpperCaseUnit(unit));
    }
    return Lookup(sorted_.texts, folded);
}

bool LooksLikeModule(ByteView image) { return FindNewHeader(image).signature != Signature::None; }

ResourceRootLook LookForResourceRoot(ByteView head, std::uint64_t file_size) {
    const bool whole = head.size() >= file_size;
    const NewHeader header = FindNewHeader(head);
    if (header.signature != Signature::Pe) return {};
    const auto headers = pe::ReadHeaders(head, header.offset);
    // What the head cuts short may be whole in the file.
    if (!headers || (!whole && headers->section_count < headers->declared_section_count)) return {};
    // A file cut short has its damage told by the full parse.
    if (whole && headers->resources_cut_off) return {};
    if (!headers->resource_root) return {ResourceRootLook::Kind::kNoResources, 0, headers->format};
    return {ResourceRootLook::Kind::kAt, *headers->resource_root, headers->format};
}

}  // namespace icoforge::module
