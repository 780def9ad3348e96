#include "iconextract/catalogue.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>

#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "iconextract/ani_file.h"
#include "iconextract/ico_reader.h"
#include "iconextract/icon_group.h"
#include "iconextract/icon_pixels.h"
#include "iconextract/module/res_file.h"
#include "iconextract/module/resource_module.h"
#include "iconextract/module_groups.h"

namespace icoforge::catalogue {
namespace {

using module::ResourceName;
using module::ResourceType;

constexpr std::uint64_t kCursorHotspotBytes = 4;  // a cursor resource starts with x, y
constexpr std::uint16_t kNeutralLanguage = 0;
constexpr std::uint64_t kPngIhdrWidth = 16;
constexpr std::uint64_t kPngIhdrHeight = 20;
constexpr std::uint32_t kPngBits = 32;

// One language variant of one resource, from a module or a .res file alike.
struct Record {
    ResourceName name;
    std::optional<std::uint16_t> language;
    std::optional<ByteView> data;
};
using Records = std::map<std::uint16_t, std::vector<Record>>;  // by resource type

std::uint64_t OffsetIn(ByteView file, ByteView part) {
    return static_cast<std::uint64_t>(part.data() - file.data());
}

std::uint32_t BigEndian32(ByteView data, std::uint64_t at) {
    const auto b = SliceOf(data, at, 4);
    if (!b.ok) return 0;
    return (std::uint32_t{b.bytes[0]} << 24) | (std::uint32_t{b.bytes[1]} << 16) | (std::uint32_t{b.bytes[2]} << 8) |
           b.bytes[3];
}

// Size, depth and format from the image's own bytes.
CatalogueImage DescribeImage(ByteView file, ByteView image) {
    CatalogueImage out;
    out.offset = OffsetIn(file, image);
    out.bytes = image.size();
    if (IsPngImage(image)) {
        out.format = ImageFormat::kPng;
        out.width = BigEndian32(image, kPngIhdrWidth);
        out.height = BigEndian32(image, kPngIhdrHeight);
        out.bits = kPngBits;
        return out;
    }
    const auto width = ReadI32(image, bih::kWidth);
    const auto height = ReadI32(image, bih::kHeight);
    const auto bits = ReadU16(image, bih::kBitCount);
    if (width && *width > 0) out.width = static_cast<std::uint32_t>(*width);
    if (height && *height > 0) out.height = static_cast<std::uint32_t>(*height) / 2;  // colour and mask rows
    if (bits) out.bits = *bits;
    return out;
}

// A bitmap image shorter than its header is listed with what little it says of itself, but
// no reader draws it; the listing says so rather than show its partial size as if true.
void NoteCutShortHeader(const CatalogueImage& image, const std::string& what, const std::string& which,
                        std::vector<Problem>& problems) {
    if (image.format != ImageFormat::kBmp || image.bytes >= bih::kHeaderBytes) return;
    problems.push_back({what, which + " is too short for a bitmap header (" + std::to_string(image.bytes) + " of " +
                                  std::to_string(bih::kHeaderBytes) + " bytes)"});
}

// A cursor resource: hot spot, then the image.
std::optional<CatalogueImage> DescribeCursorResource(ByteView file, ByteView resource) {
    const auto x = ReadU16(resource, 0);
    const auto y = ReadU16(resource, 2);
    if (!x || !y) return std::nullopt;
    CatalogueImage image = DescribeImage(file, resource.subspan(kCursorHotspotBytes));
    image.hotspot = std::make_pair(*x, *y);
    return image;
}

std::string LanguageText(const std::optional<std::uint16_t>& language) {
    return language ? " (language " + std::to_string(*language) + ")" : "";
}

std::string NameText(const ResourceName& name) { return name.is_id() ? std::to_string(*name.id) : "\"" + name.text + "\""; }

std::string Describe(GroupType type, const ResourceName& name, const std::optional<std::uint16_t>& language) {
    return std::string(GroupTypeName(type)) + " group " + NameText(name) + LanguageText(language);
}

// The image a group entry names: in the group's language, else the neutral one, else the
// first stored, as the loader falls back.
const Record* FindImage(const std::vector<Record>& images, std::uint16_t id, const std::optional<std::uint16_t>& language) {
    const Record* first = nullptr;
    const Record* neutral = nullptr;
    for (const Record& r : images) {
        if (!r.name.is_id() || *r.name.id != id) continue;
        if (r.language == language) return &r;
        if (!first) first = &r;
        if (!neutral && r.language == kNeutralLanguage) neutral = &r;
    }
    return neutral ? neutral : first;
}

// How many of the `count` entries a directory names fit in the `room` it has; the others
// are missing images.
std::uint64_t EntriesWithRoom(std::uint16_t count, std::uint64_t room, const std::string& what, CatalogueGroup& group,
                              std::vector<Problem>& problems) {
    if (count <= room) return count;
    problems.push_back(
        {what, "its directory names " + std::to_string(count) + " images but has room for " + std::to_string(room)});
    group.missing_images += static_cast<std::uint32_t>(count - room);
    return room;
}

// The entries of an icon or cursor file (or an animation frame that is one); image
// offsets count from the start of `ico`. Images outside it are problems.
void ReadIconDirectory(ByteView file, ByteView ico, const std::string& what, CatalogueGroup& group,
                       std::vector<Problem>& problems, std::uint32_t frame) {
    const auto type = ReadU16(ico, ico::kType);
    const auto count = ReadU16(ico, ico::kCount);
    if (!type || !count) {
        problems.push_back({what, "its directory is cut short"});
        ++group.missing_images;
        return;
    }
    const std::uint64_t room = (ico.size() - ico::kHeaderBytes) / ico::kEntryBytes;
    const std::uint64_t whole = EntriesWithRoom(*count, room, what, group, problems);
    for (std::uint64_t i = 0; i < whole; ++i) {
        const std::uint64_t entry = ico::kHeaderBytes + ico::kEntryBytes * i;
        const std::uint32_t size = *ReadU32(ico, entry + ico::kEntryBytesInRes);
        const std::uint32_t offset = *ReadU32(ico, entry + ico::kEntryImageOffset);
        const auto data = SliceOf(ico, offset, size);
        if (!data.ok) {
            problems.push_back({what, "image " + std::to_string(i + 1) + " (" + std::to_string(size) + " bytes at " +
                                          std::to_string(offset) + ") lies outside the file"});
            ++group.missing_images;
            continue;
        }
        CatalogueImage image = DescribeImage(file, data.bytes);
        NoteCutShortHeader(image, what, "image " + std::to_string(i + 1), problems);
        if (*type == ico::kTypeCursor)
            image.hotspot =
                std::make_pair(*ReadU16(ico, entry + ico::kEntryPlanes), *ReadU16(ico, entry + ico::kEntryBitCount));
        image.frame = frame;
        group.images.push_back(image);
    }
}

// A group resource (RT_GROUP_ICON or RT_GROUP_CURSOR) and the images it names.
void ReadGroupResource(ByteView file, ByteView resource, bool cursors, const std::vector<Record>& images,
                       const std::string& what, CatalogueGroup& group, std::set<std::uint16_t>& named,
                       std::vector<Problem>& problems) {
    const auto count = ReadU16(resource, group_resource::kCount);
    if (!count) {
        problems.push_back({what, "its directory is cut short"});
        ++group.missing_images;
        return;
    }
    const std::uint64_t room = resource.size() < group_resource::kHeaderBytes
                                   ? 0
                                   : (resource.size() - group_resource::kHeaderBytes) / group_resource::kEntryBytes;
    const std::uint64_t whole = EntriesWithRoom(*count, room, what, group, problems);
    for (std::uint64_t i = 0; i < whole; ++i) {
        const std::uint16_t id =
            *ReadU16(resource, group_resource::kHeaderBytes + group_resource::kEntryBytes * i + group_resource::kEntryIconId);
        named.insert(id);
        const Record* found = FindImage(images, id, group.language);
        const char* kind = cursors ? "cursor image " : "image ";
        if (!found) {
            problems.push_back({what, std::string("names ") + kind + std::to_string(id) + ", which the file does not hold"});
            ++group.missing_images;
            continue;
        }
        if (!found->data) {
            problems.push_back({what, std::string(kind) + std::to_string(id) + " lies outside the file"});
            ++group.missing_images;
            continue;
        }
        std::optional<CatalogueImage> image =
            cursors ? DescribeCursorResource(file, *found->data) : DescribeImage(file, *found->data);
        if (!image) {
            problems.push_back({what, std::string(kind) + std::to_string(id) + " is too short to hold its hot spot"});
            ++group.missing_images;
            continue;
        }
        NoteCutShortHeader(*image, what, std::string(kind) + std::to_string(id), problems);
        image->id = id;
        group.images.push_back(*image);
    }
}

void ReadAnimation(ByteView file, ByteView riff, const std::string& what, CatalogueGroup& group,
                   std::vector<Problem>& problems) {
    auto ani = ReadAni(riff);
    if (!ani) {
        problems.push_back({what, ani.error().reason});
        ++group.missing_images;
        return;
    }
    group.offset = OffsetIn(file, riff);
    group.bytes = riff.size();
    group.frames = static_cast<std::uint32_t>(ani->frame_bytes.size());
    group.steps = ani->steps;
    if (ani->frames != group.frames)
        problems.push_back({what, "its header gives " + std::to_string(ani->frames) + " frames, but it holds " +
                                      std::to_string(group.frames)});
    // Without a rate chunk every step takes the header's rate. The steps are those of the
    // sequence, or one per frame without one: counted from what the file holds, never from
    // a count it only states.
    group.rates = ani->rates;
    if (group.rates.empty())
        group.rates.assign(ani->sequence.empty() ? group.frames : ani->sequence.size(), ani->default_rate);
    for (std::uint32_t f = 0; f < group.frames; ++f) {
        const ByteView frame = ani->frame_bytes[f];
        const auto reserved = ReadU16(frame, ico::kReserved);
        const auto type = ReadU16(frame, ico::kType);
        if (ani->frames_are_icons && reserved == 0 && (type == ico::kTypeIcon || type == ico::kTypeCursor)) {
            ReadIconDirectory(file, frame, what + " frame " + std::to_string(f + 1), group, problems, f);
        } else {
            CatalogueImage image = DescribeImage(file, frame);
            image.frame = f;
            group.images.push_back(image);
        }
    }
}

struct TypeInfo {
    GroupType type;
    std::uint16_t resource;
};
constexpr TypeInfo kGroupTypes[] = {
    {GroupType::kIcon, static_cast<std::uint16_t>(ResourceType::GroupIcon)},
    {GroupType::kCursor, static_cast<std::uint16_t>(ResourceType::GroupCursor)},
    {GroupType::kAnimatedIcon, static_cast<std::uint16_t>(ResourceType::AnimatedIcon)},
    {GroupType::kAnimatedCursor, static_cast<std::uint16_t>(ResourceType::AnimatedCursor)},
};

Catalogue FromRecords(ByteView file, FileKind kind, const Records& records) {
    Catalogue catalogue;
    catalogue.kind = kind;
    static const std::vector<Record> kNone;
    const auto of = [&](ResourceType type) -> const std::vector<Record>& {
        const auto found = records.find(static_cast<std::uint16_t>(type));
        return found == records.end() ? kNone : found->second;
    };
    std::set<std::uint16_t> named_icons, named_cursors;
    for (const TypeInfo& info : kGroupTypes) {
        const auto found = records.find(info.resource);
        if (found == records.end()) continue;
        // Language variants share their name's index; names count in listing order.
        std::vector<ResourceName> seen;
        for (const Record& record : found->second) {
            auto at = std::find(seen.begin(), seen.end(), record.name);
            if (at == seen.end()) at = seen.insert(seen.end(), record.name);
            CatalogueGroup group;
            group.type = info.type;
            if (record.name.is_id())
                group.id = record.name.id;
            else
                group.name = record.name.text;
            group.language = record.language;
            group.index = static_cast<std::uint32_t>(at - seen.begin()) + 1;
            const std::string what = Describe(info.type, record.name, record.language);
            if (!record.data) {
                catalogue.problems.push_back({what, "its data lies outside the file"});
                ++group.missing_images;
            } else if (info.type == GroupType::kIcon) {
                ReadGroupResource(file, *record.data, false, of(ResourceType::Icon), what, group, named_icons,
                                  catalogue.problems);
            } else if (info.type == GroupType::kCursor) {
                ReadGroupResource(file, *record.data, true, of(ResourceType::Cursor), what, group, named_cursors,
                                  catalogue.problems);
            } else {
                ReadAnimation(file, *record.data, what, group, catalogue.problems);
            }
            catalogue.groups.push_back(std::move(group));
        }
    }
    // Images no group names, as Windows XP's resource recovery found them.
    const auto add_orphans = [&](ResourceType type, GroupType group_type, const std::set<std::uint16_t>& named) {
        for (const Record& record : of(type)) {
            if (record.name.is_id() && named.count(*record.name.id) != 0) continue;
            if (!record.data) continue;  // nothing to recover
            std::optional<CatalogueImage> image = type == ResourceType::Cursor
                                                      ? DescribeCursorResource(file, *record.data)
                                                      : DescribeImage(file, *record.data);
            if (!image) continue;
            CatalogueGroup group;
            group.type = group_type;
            group.orphan = true;
            if (record.name.is_id()) {
                group.id = record.name.id;
                image->id = record.name.id;
            } else {
                group.name = record.name.text;
            }
            group.language = record.language;
            group.index = static_cast<std::uint32_t>(catalogue.orphans.size()) + 1;
            group.images.push_back(*image);
            catalogue.orphans.push_back(std::move(group));
        }
    };
    add_orphans(ResourceType::Icon, GroupType::kIcon, named_icons);
    add_orphans(ResourceType::Cursor, GroupType::kCursor, named_cursors);
    return catalogue;
}

constexpr ResourceType kListedTypes[] = {ResourceType::GroupIcon,      ResourceType::GroupCursor,
                                         ResourceType::AnimatedIcon,   ResourceType::AnimatedCursor,
                                         ResourceType::Icon,           ResourceType::Cursor};

Result<Catalogue> ReadModule(ByteView file) {
    auto module = module::ResourceModule::Parse(file);
    if (!module) return Fail(std::move(module.error()));
    Records records;
    for (const ResourceType type : kListedTypes) {
        auto& list = records[static_cast<std::uint16_t>(type)];
        for (auto& variant : module->Variants(type))
            list.push_back({std::move(variant.name), variant.language, variant.data});
    }
    const FileKind kind = module->format() == module::ModuleFormat::Ne      ? FileKind::kNe
                          : module->format() == module::ModuleFormat::Pe32 ? FileKind::kPe32
                                                                            : FileKind::kPe32Plus;
    Catalogue catalogue = FromRecords(file, kind, records);
    if (module->ResourcesCutOff())
        catalogue.problems.push_back({"resources", "the file ends before its resource directory"});
    return catalogue;
}

// A resource directory read whole: its header, then as many entries as the header counts.
// Nothing when the file cuts it short.
Result<std::optional<ByteBuffer>> ReadDirectory(const ReadAt& read_at, std::uint64_t offset) {
    std::array<std::uint8_t, module::kRootHeaderBytes> header{};
    const auto header_got = read_at(offset, header);
    if (!header_got) return Fail(header_got.error());
    const auto bytes = module::RootDirectoryBytes(ByteView(header.data(), *header_got));
    if (!bytes) return std::nullopt;
    ByteBuffer directory(static_cast<std::size_t>(*bytes));
    const auto got = read_at(offset, directory);
    if (!got) return Fail(got.error());
    if (*got != directory.size()) return std::nullopt;
    return directory;
}

}  // namespace

Result<std::optional<FileKind>> KindOfModuleWithoutGroups(const FileReader& file, ByteView head) {
    const auto look = module::LookForResourceRoot(head, file.size());
    if (look.kind == module::ResourceRootLook::Kind::kUnsure) return std::nullopt;
    const FileKind kind = look.format == module::ModuleFormat::Pe32Plus ? FileKind::kPe32Plus : FileKind::kPe32;
    if (look.kind == module::ResourceRootLook::Kind::kNoResources) return kind;
    const auto root =
        ReadDirectory([&](std::uint64_t offset, std::span<std::uint8_t> into) { return file.ReadAt(offset, into); },
                      look.offset);
    if (!root) return Fail(root.error());
    if (!*root) return std::nullopt;
    const auto types = module::RootTypeIds(**root);
    if (!types) return std::nullopt;
    for (const std::uint16_t type : *types)
        if (std::find(std::begin(kListedTypes), std::end(kListedTypes), static_cast<ResourceType>(type)) !=
            std::end(kListedTypes))
            return std::nullopt;
    return kind;
}

std::optional<std::int32_t> IconGroupCountFromReads(const ReadAt& read_at, std::uint64_t size, ByteView head) {
    const auto look = module::LookForResourceRoot(head, size);
    if (look.kind == module::ResourceRootLook::Kind::kNoResources) return 0;
    if (look.kind != module::ResourceRootLook::Kind::kAt) return std::nullopt;
    const auto root = ReadDirectory(read_at, look.offset);
    if (!root || !*root) return std::nullopt;
    // A whole root without the type, or a names directory the file cuts short, is no group.
    const auto names_at = module::TypeDirectoryOffset(**root, ResourceType::GroupIcon);
    if (!names_at) return 0;
    const auto names = ReadDirectory(read_at, look.offset + *names_at);
    if (!names) return std::nullopt;
    if (!*names) return 0;
    // A string name is its length in units, then the units, as long as the file holds them.
    const auto units_of = [&](std::uint32_t offset) -> std::optional<std::uint64_t> {
        std::array<std::uint8_t, 2> length{};
        const std::uint64_t at = look.offset + offset;
        const auto got = read_at(at, length);
        if (!got || *got != length.size()) return std::nullopt;
        const std::uint64_t units = *ReadU16(ByteView(length.data(), length.size()), 0);
        if (!RangeFits(at + length.size(), 2 * units, size)) return std::nullopt;
        return units;
    };
    const auto count = module::NameCount(**names, units_of);
    if (!count) return std::nullopt;
    return static_cast<std::int32_t>(*count);
}

namespace {

Result<Catalogue> ReadRes(ByteView file) {
    auto res = module::ReadResFile(file);
    if (!res) return Fail(std::move(res.error()));
    Records records;
    for (auto& entry : res->entries) {
        if (!entry.type.is_id()) continue;
        const std::uint16_t type = *entry.type.id;
        if (std::find(std::begin(kListedTypes), std::end(kListedTypes), static_cast<ResourceType>(type)) ==
            std::end(kListedTypes))
            continue;
        records[type].push_back({std::move(entry.name), entry.language, entry.data});
    }
    Catalogue catalogue = FromRecords(file, FileKind::kRes, records);
    if (res->damage) catalogue.problems.push_back({"file", *res->damage});
    return catalogue;
}

Catalogue ReadIconFile(ByteView file, bool cursor) {
    Catalogue catalogue;
    catalogue.kind = cursor ? FileKind::kCur : FileKind::kIco;
    CatalogueGroup group;
    group.type = cursor ? GroupType::kCursor : GroupType::kIcon;
    ReadIconDirectory(file, file, cursor ? "cursor file" : "icon file", group, catalogue.problems, 0);
    catalogue.groups.push_back(std::move(group));
    return catalogue;
}

Catalogue ReadAniFile(ByteView file) {
    Catalogue catalogue;
    catalogue.kind = FileKind::kAni;
    CatalogueGroup group;
    group.type = GroupType::kAnimatedCursor;
    ReadAnimation(file, file, "animated cursor", group, catalogue.problems);
    catalogue.groups.push_back(std::move(group));
    return catalogue;
}

std::uint8_t DirectoryByte(std::uint32_t size) { return size >= 256 ? 0 : static_cast<std::uint8_t>(size); }

}  // namespace

std::string_view FileKindName(FileKind kind) {
    switch (kind) {
        case FileKind::kPe32: return "pe32";
        case FileKind::kPe32Plus: return "pe32+";
        case FileKind::kNe: return "ne";
        case FileKind::kIco: return "ico";
        case FileKind::kCur: return "cur";
        case FileKind::kAni: return "ani";
        case FileKind::kRes: return "res";
    }
    return "?";
}

std::string_view GroupTypeName(GroupType type) {
    switch (type) {
        case GroupType::kIcon: return "icon";
        case GroupType::kCursor: return "cursor";
        case GroupType::kAnimatedIcon: return "animated-icon";
        case GroupType::kAnimatedCursor: return "animated-cursor";
    }
    return "?";
}

std::string_view ImageFormatName(ImageFormat format) { return format == ImageFormat::kPng ? "png" : "bmp"; }

Result<Catalogue> ReadCatalogue(ByteView file) {
    if (module::LooksLikeModule(file)) return ReadModule(file);
    if (module::LooksLikeResFile(file)) return ReadRes(file);
    if (LooksLikeAni(file)) return ReadAniFile(file);
    const auto reserved = ReadU16(file, ico::kReserved);
    const auto type = ReadU16(file, ico::kType);
    if (reserved == 0 && (type == ico::kTypeIcon || type == ico::kTypeCursor) && ReadU16(file, ico::kCount))
        return ReadIconFile(file, type == ico::kTypeCursor);
    if (file.size() >= 2 && file[0] == 'M' && file[1] == 'Z') return ReadModule(file);  // for its reason
    return Fail("parse", "", "not a module, resource file, icon, cursor or animated cursor");
}

Result<ByteView> GroupImageBytes(ByteView file, const CatalogueGroup& group, std::size_t image) {
    if (image >= group.images.size()) return Fail("read", "", "the group has no image " + std::to_string(image + 1));
    const CatalogueImage& at = group.images[image];
    const auto bytes = SliceOf(file, at.offset, at.bytes);
    if (!bytes.ok) return Fail("read", "", "the image lies outside the file");
    return bytes.bytes;
}

Result<ByteBuffer> GroupFileBytes(ByteView file, const CatalogueGroup& group) {
    if (group.missing_images > 0)
        return Fail("write", "", "the group names " + std::to_string(group.missing_images) +
                                     (group.missing_images == 1 ? " image" : " images") + " the file does not hold");
    if (group.type == GroupType::kAnimatedIcon || group.type == GroupType::kAnimatedCursor) {
        const auto riff = SliceOf(file, group.offset, group.bytes);
        if (!riff.ok || group.bytes == 0) return Fail("write", "", "the animation lies outside the file");
        if (group.bytes > ico::kMaxFileBytes) return Fail("write", "", "the animation is larger than 256 MiB");
        return ByteBuffer(riff.bytes.begin(), riff.bytes.end());
    }
    if (group.images.empty()) return Fail("write", "", "the group holds no images");
    if (group.images.size() > 0xFFFF) return Fail("write", "", "the group holds more images than a file can");
    std::uint64_t total = ico::kHeaderBytes + ico::kEntryBytes * group.images.size();
    for (const CatalogueImage& image : group.images) {
        if (!RangeFits(image.offset, image.bytes, file.size())) return Fail("write", "", "an image lies outside the file");
        total += image.bytes;
        if (total > ico::kMaxFileBytes) return Fail("write", "", "the file would be larger than 256 MiB");
    }
    const bool cursor = group.type == GroupType::kCursor;
    ByteWriter writer(static_cast<std::size_t>(total));
    writer.U16(0);
    writer.U16(cursor ? ico::kTypeCursor : ico::kTypeIcon);
    writer.U16(static_cast<std::uint16_t>(group.images.size()));
    std::uint64_t offset = ico::kHeaderBytes + ico::kEntryBytes * group.images.size();
    for (const CatalogueImage& image : group.images) {
        // The directory is made from the image itself, so it tells the truth even where
        // the group's own directory did not.
        writer.U8(DirectoryByte(image.width));
        writer.U8(DirectoryByte(image.height));
        // Cursor files leave the colour count 0, as the system's own cursors do.
        writer.U8(!cursor && image.bits > 0 && image.bits < 8 ? static_cast<std::uint8_t>(1u << image.bits) : 0);
        writer.U8(0);
        if (cursor) {
            const auto hotspot = image.hotspot.value_or(std::make_pair<std::uint16_t, std::uint16_t>(0, 0));
            writer.U16(hotspot.first);
            writer.U16(hotspot.second);
        } else {
            writer.U16(1);
            writer.U16(static_cast<std::uint16_t>(image.bits));
        }
        writer.U32(static_cast<std::uint32_t>(image.bytes));
        writer.U32(static_cast<std::uint32_t>(offset));
        offset += image.bytes;
    }
    for (const CatalogueImage& image : group.images) writer.Bytes(file.subspan(image.offset, image.bytes));
    return writer.Take();
}

Result<RgbaImage> DecodeGroupImage(ByteView file, const CatalogueGroup& group, std::size_t image) {
    auto bytes = GroupImageBytes(file, group, image);
    if (!bytes) return Fail(std::move(bytes.error()));
    return IconImageToRgba(*bytes);
}

const CatalogueGroup* MainIconGroup(const Catalogue& catalogue) {
    for (const CatalogueGroup& group : catalogue.groups)
        if (group.type == GroupType::kIcon && !group.images.empty()) return &group;
    if (catalogue.kind == FileKind::kCur || catalogue.kind == FileKind::kAni)
        for (const CatalogueGroup& group : catalogue.groups)
            if (!group.images.empty()) return &group;
    return nullptr;
}

ShownGroup GroupToShow(const Catalogue& catalogue, const std::function<bool(const CatalogueGroup&)>& chosen) {
    if (!chosen) {
        if (const CatalogueGroup* main = MainIconGroup(catalogue)) return {main};
    } else if (const auto at = std::find_if(catalogue.groups.begin(), catalogue.groups.end(), chosen);
               at != catalogue.groups.end()) {
        return {&*at};
    } else if (!catalogue.groups.empty()) {
        return {nullptr, NoGroup::kNoSuchGroup, "it holds no such group"};
    }
    // Without any groups a file holds no icon; the damage is told where it cut its
    // resources off or left no icon group whole.
    const auto is_icon = [](const CatalogueGroup& g) { return g.type == GroupType::kIcon; };
    if (catalogue.problems.empty() ||
        (!catalogue.groups.empty() && std::none_of(catalogue.groups.begin(), catalogue.groups.end(), is_icon)))
        return {nullptr, NoGroup::kNoIcon, "it holds no icon"};
    return {nullptr, NoGroup::kDamaged, catalogue.problems.front().what + ": " + catalogue.problems.front().reason};
}

std::optional<std::size_t> BestImageFor(const CatalogueGroup& group, std::uint32_t size) {
    std::optional<std::size_t> best;
    const auto better = [&](const CatalogueImage& a, const CatalogueImage& b) {
        const bool a_fits = a.width >= size, b_fits = b.width >= size;
        if (a_fits != b_fits) return a_fits;
        if (a.width != b.width) return a_fits ? a.width < b.width : a.width > b.width;
        return a.bits > b.bits;
    };
    for (std::size_t i = 0; i < group.images.size(); ++i)
        if (group.images[i].frame == 0 && (!best || better(group.images[i], group.images[*best]))) best = i;
    return best;
}

}  // namespace icoforge::catalogue
