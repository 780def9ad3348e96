#pragma once
// Builds shell link files for tests: the header, an item ID list of a drive path, and a
// LinkInfo with local and network parts in their ANSI or Unicode forms.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/byte_writer.h"

namespace icoforge::testing {

struct IdEntry {
    std::string short_name;         // primary name (ANSI bytes, or ASCII for Unicode items)
    std::u16string long_name;       // extension block's name; none when empty
    std::uint16_t extension_version = 9;
    bool unicode_primary = false;
    bool directory = true;
};

struct LinkShape {
    std::optional<std::string> drive;         // ID list: My Computer, this drive, the entries
    bool id_list_root_only = false;           // ID list holding only the My Computer item
    std::vector<IdEntry> entries;
    std::optional<std::string> base_path;     // LinkInfo local base path (ANSI bytes)
    std::optional<std::u16string> base_path_unicode;
    std::string suffix;                       // common path suffix (ANSI bytes)
    std::optional<std::u16string> suffix_unicode;
    std::optional<std::string> net_name;      // CommonNetworkRelativeLink
    std::uint32_t extra_flags = 0;            // further LinkFlags, e.g. ForceNoLinkInfo 0x100
    std::optional<std::u16string> icon_location;     // StringData's ICON_LOCATION
    std::optional<std::u16string> icon_environment;  // an IconEnvironmentDataBlock's path
    std::int32_t icon_index = 0;
};

inline void Utf16(ByteWriter& w, const std::u16string& s) {
    for (char16_t c : s) w.U16(c);
    w.U16(0);
}

inline void Ansi(ByteWriter& w, const std::string& s) {
    for (char c : s) w.U8(static_cast<std::uint8_t>(c));
    w.U8(0);
}

inline ByteBuffer FileEntryItem(const IdEntry& e) {
    ByteWriter item;
    item.U16(0);  // size, patched below
    item.U8(static_cast<std::uint8_t>((e.directory ? 0x31 : 0x32) | (e.unicode_primary ? 0x04 : 0)));
    item.U8(0);
    item.U32(e.directory ? 0 : 1234);
    item.U32(0x5A2B3C4D);  // DOS time
    item.U16(e.directory ? 0x10 : 0x20);
    if (e.unicode_primary) {
        Utf16(item, std::u16string(e.short_name.begin(), e.short_name.end()));
    } else {
        Ansi(item, e.short_name);
        if (item.size() % 2) item.U8(0);
    }
    if (!e.long_name.empty()) {
        ByteWriter ext;
        ext.U16(0);
        ext.U16(e.extension_version);
        ext.U32(0xBEEF0004);
        ext.U32(0x5A2B3C4D);
        ext.U32(0x5A2B3C4D);
        ext.U16(e.extension_version >= 7 ? 0x2E : 0x14);
        if (e.extension_version >= 7) {
            ext.U16(0);
            ext.Zeros(16);
        }
        ext.U16(0);  // localised name size
        if (e.extension_version >= 8) ext.U32(0);
        if (e.extension_version >= 9) ext.U32(0);
        Utf16(ext, e.long_name);
        ext.U16(static_cast<std::uint16_t>(item.size()));  // first extension's offset
        ByteBuffer block = ext.Take();
        PutU16At(block, 0, static_cast<std::uint16_t>(block.size()));
        item.Bytes(block);
    }
    item.U16(0);
    ByteBuffer bytes = item.Take();
    PutU16At(bytes, 0, static_cast<std::uint16_t>(bytes.size()));
    return bytes;
}

inline ByteBuffer IdList(const LinkShape& shape) {
    ByteWriter list;
    // My Computer.
    list.U16(20);
    list.U8(0x1F);
    list.U8(0x50);
    for (std::uint8_t b : {0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10, 0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D})
        list.U8(b);
    if (shape.drive) {
        list.U16(25);
        list.U8(0x2F);
        for (std::size_t i = 0; i < 22; ++i) list.U8(i < shape.drive->size() ? static_cast<std::uint8_t>((*shape.drive)[i]) : 0);
        for (const auto& e : shape.entries) list.Bytes(FileEntryItem(e));
    }
    list.U16(0);
    return list.Take();
}

inline ByteBuffer LinkInfo(const LinkShape& shape) {
    const bool unicode = shape.base_path_unicode || shape.suffix_unicode;
    const std::uint32_t header = unicode ? 0x24 : 0x1C;
    ByteWriter body;  // everything after the header, offsets relative to LinkInfo start
    auto here = [&] { return static_cast<std::uint32_t>(header + body.size()); };
    std::uint32_t volume = 0, base = 0, net = 0, suffix = 0, base_u = 0, suffix_u = 0, flags = 0;
    if (shape.base_path) {
        flags |= 1;
        volume = here();
        body.U32(17);  // VolumeID: size, drive type, serial, label offset, empty label
        body.U32(3);
        body.U32(0x1234ABCD);
        body.U32(16);
        body.U8(0);
        base = here();
        Ansi(body, *shape.base_path);
    }
    if (shape.net_name) {
        flags |= 2;
        net = here();
        ByteWriter link;
        link.U32(0);
        link.U32(0);
        link.U32(20);  // net name offset
        link.U32(0);
        link.U32(0x20000);
        Ansi(link, *shape.net_name);
        ByteBuffer bytes = link.Take();
        PutU32At(bytes, 0, static_cast<std::uint32_t>(bytes.size()));
        body.Bytes(bytes);
    }
    suffix = here();
    Ansi(body, shape.suffix);
    if (shape.base_path_unicode) {
        if (body.size() % 2) body.U8(0);
        base_u = here();
        Utf16(body, *shape.base_path_unicode);
    }
    if (shape.suffix_unicode) {
        if (body.size() % 2) body.U8(0);
        suffix_u = here();
        Utf16(body, *shape.suffix_unicode);
    }
    ByteWriter info;
    info.U32(header + static_cast<std::uint32_t>(body.size()));
    info.U32(header);
    info.U32(flags);
    info.U32(volume);
    info.U32(base);
    info.U32(net);
    info.U32(suffix);
    if (unicode) {
        info.U32(base_u);
        info.U32(suffix_u);
    }
    info.Bytes(body.buffer());
    return info.Take();
}

inline ByteBuffer BuildLink(const LinkShape& shape) {
    const bool has_id_list = shape.drive.has_value() || shape.id_list_root_only;
    const bool has_info = shape.base_path || shape.base_path_unicode || shape.net_name;
    ByteWriter w;
    w.U32(0x4C);
    for (std::uint8_t b : {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46})
        w.U8(b);
    w.U32((has_id_list ? 0x1 : 0) | (has_info ? 0x2 : 0) | (shape.icon_location ? 0x40 : 0) | 0x80 /* IsUnicode */ |
          (shape.icon_environment ? 0x4000 : 0) | shape.extra_flags);
    w.U32(0x20);  // attributes
    w.Zeros(24);  // times
    w.U32(0);     // file size
    w.U32(static_cast<std::uint32_t>(shape.icon_index));
    w.U32(1);     // show command
    w.U16(0);     // hot key
    w.Zeros(10);
    if (has_id_list) {
        const ByteBuffer list = IdList(shape);
        w.U16(static_cast<std::uint16_t>(list.size()));
        w.Bytes(list);
    }
    if (has_info) w.Bytes(LinkInfo(shape));
    if (shape.icon_location) {
        w.U16(static_cast<std::uint16_t>(shape.icon_location->size()));
        for (char16_t c : *shape.icon_location) w.U16(c);
    }
    if (shape.icon_environment) {
        w.U32(0x314), w.U32(0xA0000007);
        w.Zeros(260);  // no ANSI form
        const std::size_t start = w.size();
        Utf16(w, *shape.icon_environment);
        w.Zeros(520 - (w.size() - start));
    }
    w.U32(0);  // the terminal block
    return w.Take();
}

}  // namespace icoforge::testing
