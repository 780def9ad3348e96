#pragma once
// The resource tree of PE32 and PE32+ modules, read as Windows reads a module mapped as a
// data file: headers and sections where the file has them, RVAs turned into file offsets
// through the section table.

#include <cstdint>
#include <optional>
#include <vector>

#include "common/bytes.h"
#include "common/failure.h"
#include "iconextract/module/resource_module.h"

namespace icoforge::module::pe {

// What the headers say, as far as the resource reader needs it.
struct Headers {
    ModuleFormat format = ModuleFormat::Pe32;
    std::uint64_t section_table = 0;  // file offset of the first section header
    std::uint32_t section_count = 0;  // whole section headers that lie inside the file
    std::uint32_t declared_section_count = 0;  // what the file header says
    std::uint32_t size_of_headers = 0;
    std::optional<std::uint64_t> resource_root;  // file offset of the root directory
    // The headers declare resources, but the file ends before their root directory: a
    // download or a copy cut short, not a module without resources.
    bool resources_cut_off = false;
};

// Refused, with the reason, when `image` has no PE headers at `pe_offset` that fit in it.
Result<Headers> ReadHeaders(ByteView image, std::uint32_t pe_offset);

// The file offset an RVA lands on: through the first section whose raw data holds it,
// else one-to-one inside the headers (where an image mapping would put it; Windows
// itself gives no data there for a module mapped as a data file).
std::optional<std::uint64_t> RvaToOffset(ByteView image, const Headers& headers, std::uint32_t rva);

std::vector<ResourceName> Names(ByteView image, const Headers& headers, ResourceType type);
std::optional<ByteView> Find(ByteView image, const Headers& headers, ResourceType type, const ResourceName& name);
std::vector<ResourceVariant> Variants(ByteView image, const Headers& headers, ResourceType type);
ResourceEntries Entries(ByteView image, const Headers& headers, ResourceType type);

}  // namespace icoforge::module::pe
