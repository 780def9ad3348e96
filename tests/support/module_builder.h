#pragma once
// Writes small Windows modules (PE32, PE32+ or NE) that hold a given list of resources,
// so tests can make the exact module they need instead of keeping binaries around.
//
//   using namespace icoforge::testing;
//   ByteBuffer dll = BuildModule(ModuleFormat::Pe32, {
//       {Type(ResourceType::GroupIcon), ResourceName::Id(1), group_bytes},
//       {Type(ResourceType::GroupIcon), ResourceName::Text("FOLDER"), group_bytes2},
//       {Type(ResourceType::Icon), ResourceName::Id(1), icon_bytes, /*language=*/0x409},
//   });
//
// Layout of what is written, so tests can damage a module at a known place:
// - PE: 64-byte MZ header (e_lfanew 0x40), "PE\0\0", file header, optional header with 16
//   data directories, one section ".rsrc" holding the whole resource tree. Inside the
//   section: root directory, the type directories, the name directories (all in order of
//   first appearance), then the length-prefixed UTF-16 name strings, then the 16-byte
//   data entries (one per resource, in the order given), then the data, each item
//   starting on a 4-byte boundary. In every directory the string-named entries come
//   first (the format counts them separately), each group in order of first appearance;
//   nothing is sorted, so tests control the stored order. Languages stay in given order.
// - NE: 64-byte MZ header (e_lfanew 0x40), 64-byte NE header, the resource table right
//   behind it (shift count, one TYPEINFO per type in order of first appearance with its
//   NAMEINFO records in given order, the 0 terminator, the length-prefixed name strings,
//   a 0 byte), a resident name table, then every resource's data on a boundary of
//   1 << ne_align_shift bytes. Names are written as their bytes (use ASCII); languages
//   are ignored (NE has none).

#include <cstdint>
#include <vector>

#include "common/bytes.h"
#include "iconextract/module/resource_module.h"

namespace icoforge::testing {

using module::ModuleFormat;
using module::ResourceName;
using module::ResourceType;

inline ResourceName Type(ResourceType type) { return ResourceName::Id(static_cast<std::uint16_t>(type)); }

struct ModuleResource {
    ResourceName type;  // Type(ResourceType::Icon), or ResourceName::Text("CUSTOM")
    ResourceName name;  // ResourceName::Id(7) or ResourceName::Text("FOLDER")
    ByteBuffer data;
    std::uint16_t language = 0;  // PE only
};

struct ModuleOptions {
    std::uint32_t section_rva = 0x1000;    // PE: RVA of the resource section
    std::uint32_t file_alignment = 0x200;  // PE: headers and section padded to this; 1 = no padding
    std::uint16_t ne_align_shift = 4;      // NE: resource offsets and lengths in units of 1 << shift
    bool ne_pad_end = true;                // NE: pad the file so the last resource fills whole units
};

// Where the builder put things (all file offsets).
struct BuiltModule {
    ByteBuffer bytes;
    std::uint32_t header_offset = 0;         // "PE\0\0" or "NE"
    std::uint32_t section_table_offset = 0;  // PE only
    std::uint32_t resource_offset = 0;       // PE: root resource directory; NE: resource table
    // One per resource, in the order given: PE: its IMAGE_RESOURCE_DATA_ENTRY; NE: its
    // NAMEINFO record.
    std::vector<std::uint32_t> entry_offsets;
    std::vector<std::uint32_t> data_offsets;  // one per resource: where its bytes are
};

BuiltModule BuildModuleWithLayout(ModuleFormat format, const std::vector<ModuleResource>& resources,
                                  const ModuleOptions& options = {});

inline ByteBuffer BuildModule(ModuleFormat format, const std::vector<ModuleResource>& resources,
                              const ModuleOptions& options = {}) {
    return BuildModuleWithLayout(format, resources, options).bytes;
}

}  // namespace icoforge::testing
