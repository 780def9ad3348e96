#include "iconextract/extract.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/byte_reader.h"
#include "common/parallel.h"
#include "iconextract/catalogue.h"
#include "iconextract/ico_reader.h"
#include "iconextract/icon_writers.h"
#include "iconextract/module_groups.h"
#include "platform/file_reader.h"
#include "platform/mapped_file.h"

namespace icoforge {
namespace {

ExtractOutcome Failed(std::int32_t groups, Failure failure) { return {groups, Fail(std::move(failure))}; }

ExtractOutcome Failed(std::int32_t groups, const char* what, std::string_view path, const char* reason) {
    return Failed(groups, Failure{what, std::string(path), reason});
}

// A module is one by its content, whatever its name (.cpl, .ocx, .scr, none at all); the
// name decides only for everything else. A file mapped to look is kept in `mapped`.
SourceKind ExtractedKindOf(std::string_view source, std::optional<MappedFile>& mapped) {
    const SourceKind named = SourceKindOf(source);
    if (named == SourceKind::Module) return named;
    if (auto file = MappedFile::Open(source); file && module::LooksLikeModule(file->bytes())) {
        mapped = std::move(*file);
        return SourceKind::Module;
    }
    return named;
}

// The module at `source`, mapped unless `mapped` holds it already, and parsed.
Result<module::ResourceModule> ParsedModule(std::string_view source, std::optional<MappedFile>& mapped) {
    if (!mapped) {
        auto file = MappedFile::Open(source);
        if (!file) return Fail(std::move(file.error()));
        mapped = std::move(*file);
    }
    auto module = module::ResourceModule::Parse(mapped->bytes());
    if (!module) return Fail("read", std::string(source), kNotModuleText);
    return std::move(*module);
}

// Writes a group to a file by the output's name: the whole group to .ico, its first image
// to .bmp.
ExtractOutcome WriteGroup(const IconGroup& group, std::int32_t groups, std::string_view output) {
    switch (OutputKindOf(output)) {
        case OutputKind::Bitmap:
            if (group.images.empty()) return Failed(groups, "write", output, kNoImagesText);
            return {groups, WriteBmpFile(output, group.images.front())};
        case OutputKind::IconFile:
            return {groups, WriteIcoFile(group, output)};
        case OutputKind::Other:
            break;
    }
    return Failed(groups, "write", output, kUnsupportedOutputText);
}

// One group's images are read at once only up to this size, and only when they lie
// together: over at most twice their own bytes, plus a page for the gaps a resource
// compiler leaves to align them.
constexpr std::uint64_t kMostGroupBytesRead = 16u << 20;
constexpr std::uint64_t kGapsBetweenImages = 4096;

// A worker's block for the images it reads. It is never filled in advance, so that only
// the pages a read reaches are touched (each one a fault), however large the block; a
// block outgrown is dropped, not copied.
struct ReadScratch {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t size = 0;
};
// The first block holds shell32's largest group (72 KB) and stays below the size from which
// malloc maps memory of its own and unmaps it when freed: on some virtual machines every
// change to the mappings is dear.
constexpr std::size_t kFirstScratchBytes = 96u << 10;

// Replaces the views of a group's images in the mapped module by the same bytes read
// through the file into `scratch`, one read for the group. Each page of a mapping that is
// touched costs a fault, and on some virtual machines mapping a page costs more than copying
// it: shell32's 7 MB of images were 120 faults and 1,800 mapped pages. The views stay when
// the images lie far apart, or the file reads short of its mapping (it changed meanwhile).
void ReadImagesThroughFile(std::vector<ByteView>& images, ByteView mapping, const FileReader& file,
                           ReadScratch& scratch) {
    const auto address = [](const std::uint8_t* p) { return reinterpret_cast<std::uintptr_t>(p); };
    const std::uintptr_t base = address(mapping.data());
    std::uint64_t first = UINT64_MAX, end = 0, bytes = 0;
    for (const ByteView image : images) {
        if (image.size() > mapping.size() || address(image.data()) < base ||
            address(image.data()) - base > mapping.size() - image.size())
            return;
        const std::uint64_t at = address(image.data()) - base;
        first = std::min(first, at);
        end = std::max(end, at + image.size());
        bytes += image.size();
    }
    if (first >= end || end - first > kMostGroupBytesRead || end - first > 2 * bytes + kGapsBetweenImages) return;
    const auto length = static_cast<std::size_t>(end - first);
    try {
        if (scratch.size < length) {
            const std::size_t room = std::max({length, 2 * scratch.size, kFirstScratchBytes});
            scratch.bytes.reset();
            scratch.bytes = std::make_unique_for_overwrite<std::uint8_t[]>(room);
            scratch.size = room;
        }
    } catch (const std::bad_alloc&) {
        scratch.size = 0;
        return;
    }
    const auto read = file.ReadAt(first, std::span(scratch.bytes.get(), length));
    if (!read || *read != length) return;
    const ByteView group(scratch.bytes.get(), length);
    for (ByteView& image : images)
        image = group.subspan(static_cast<std::size_t>(address(image.data()) - base - first), image.size());
}

// Writes the group at `index` of the module as an icon file from its images' bytes, each
// image parsed for its directory entry but never copied into a group: shell32's 184 files
// no longer copy its 7 MB of images first. The bytes are read through `file` where it is
// open, else taken from the mapping. Other outputs load the group as WriteGroup takes it.
ExtractOutcome WriteModuleGroup(const ModuleGroupReader& reader, std::int32_t index, std::string_view source,
                                std::string_view output, ByteView mapping, const FileReader* file,
                                ReadScratch& scratch) {
    const std::int32_t groups = reader.count();
    if (OutputKindOf(output) != OutputKind::IconFile) {
        auto group = reader.Load(index, source);
        if (!group) return Failed(groups, group.error());
        return WriteGroup(*group, groups, output);
    }
    auto found = reader.ImageBytes(index, source);
    if (!found) return Failed(groups, found.error());
    if (file != nullptr) ReadImagesThroughFile(*found, mapping, *file, scratch);
    try {
        std::vector<IconImage> described(found->size());
        std::vector<ImageToWrite> images;
        images.reserve(found->size());
        for (std::size_t i = 0; i < found->size(); ++i) {
            DescribeIconImage(described[i], (*found)[i]);
            images.push_back({&described[i], (*found)[i]});
        }
        return {groups, WriteIcoFile(images, output)};
    } catch (const std::bad_alloc&) {
        return Failed(groups, "read", source, kOutOfMemoryText);
    }
}

}  // namespace

std::string LastThreeLowered(std::string_view path) {
    std::string tail(path.size() > 3 ? path.substr(path.size() - 3) : path);
    for (char& c : tail)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return tail;
}

SourceKind SourceKindOf(std::string_view path) {
    const std::string kind = LastThreeLowered(path);
    if (kind == "ico") return SourceKind::IconFile;
    if (kind == "exe" || kind == "dll" || kind == "icl") return SourceKind::Module;
    return SourceKind::Other;
}

OutputKind OutputKindOf(std::string_view path) {
    const std::string kind = LastThreeLowered(path);
    if (kind == "ico") return OutputKind::IconFile;
    if (kind == "bmp") return OutputKind::Bitmap;
    return OutputKind::Other;
}

ExtractOutcome ExtractIconGroupOutcome(std::string_view source, std::int32_t mode, std::string_view output,
                                       std::int32_t index) {
    if (mode != kModeWriteFile) mode = kModeClipboard;
    if (index < 1) index = 1;
    const bool to_file = mode == kModeWriteFile;
    if (to_file && output.empty()) return Failed(0, "write", "", kNoOutputPathText);

    auto& state = ProcessGroupEnumState();
    state = GroupEnumState{.wanted_position = index, .groups_seen = 0, .remembered_name = std::nullopt};

    Result<IconGroup> group = Fail("read", std::string(source), kGroupDamagedText);
    // The enumeration's mapping is held for the whole call, as the module stays loaded.
    std::optional<MappedFile> enumerated;
    const SourceKind kind = ExtractedKindOf(source, enumerated);
    switch (kind) {
        case SourceKind::IconFile:
            group = ReadIcoFile(source);
            state.groups_seen = 1;
            break;
        case SourceKind::Module: {
            const auto module = ParsedModule(source, enumerated);
            if (!module) return Failed(0, module.error());
            if (!EnumerateIconGroupNames(*module)) return Failed(0, "read", source, kNoGroupsText);
            break;
        }
        case SourceKind::Other:
            return Failed(0, "read", source, kUnsupportedSourceText);
    }
    const std::int32_t groups = state.groups_seen;
    if (groups == 0) return Failed(0, "read", source, kNoGroupsText);
    if (index > groups) return Failed(0, "read", source, kIndexBeyondGroupsText);

    if (kind == SourceKind::Module) group = LoadModuleIconGroup(source, state.remembered_name);
    if (!group) return Failed(groups, group.error());

    if (!to_file) {
        if (group->images.empty()) return Failed(groups, kCopyToClipboardStep, "", kNoImagesText);
        return {groups, CopyImageToClipboard(group->images.front())};
    }
    return WriteGroup(*group, groups, output);
}

std::vector<ExtractOutcome> ExtractEveryIconGroup(std::string_view source, std::int32_t count,
                                                  const std::function<std::string(std::int32_t)>& output_for) {
    std::vector<ExtractOutcome> outcomes;
    if (count <= 0) return outcomes;
    std::optional<MappedFile> mapped;
    const SourceKind kind = ExtractedKindOf(source, mapped);
    Result<IconGroup> icon_file = Fail("read", std::string(source), kUnsupportedSourceText);
    Result<module::ResourceModule> module = Fail("read", std::string(source), kUnsupportedSourceText);
    std::optional<ModuleGroupReader> reader;
    std::optional<FileReader> file;
    if (kind == SourceKind::IconFile) {
        icon_file = ReadIcoFile(source);
    } else if (kind == SourceKind::Module) {
        module = ParsedModule(source, mapped);
        if (module) reader.emplace(*module);
        if (auto opened = FileReader::Open(source)) file = std::move(*opened);
    }
    // The names first, on this thread (the caller's function need not be safe on another);
    // then every group is loaded and written on every core, each into its own outcome. A
    // disk that makes each new file wait for its journal then waits for two at a time
    // (shell32's 184 files: 80 ms to 58 on this machine's disk).
    std::vector<std::string> outputs;
    outputs.reserve(static_cast<std::size_t>(count));
    for (std::int32_t index = 1; index <= count; ++index) outputs.push_back(output_for(index));
    std::vector<std::string_view> sorted(outputs.begin(), outputs.end());
    std::ranges::sort(sorted);
    const bool distinct = std::ranges::adjacent_find(sorted) == sorted.end();
    const ByteView mapping = mapped ? mapped->bytes() : ByteView();
    const auto extract = [&](std::int32_t index, ReadScratch& scratch) -> ExtractOutcome {
        const std::string& output = outputs[static_cast<std::size_t>(index) - 1];
        if (output.empty()) return Failed(0, "write", "", kNoOutputPathText);
        switch (kind) {
            case SourceKind::IconFile:
                if (index > 1) return Failed(0, "read", source, kIndexBeyondGroupsText);
                if (!icon_file) return Failed(1, icon_file.error());
                return WriteGroup(*icon_file, 1, output);
            case SourceKind::Module: {
                if (!reader) return Failed(0, module.error());
                const std::int32_t groups = reader->count();
                if (groups == 0) return Failed(0, "read", source, kNoGroupsText);
                if (index > groups) return Failed(0, "read", source, kIndexBeyondGroupsText);
                return WriteModuleGroup(*reader, index, source, output, mapping, file ? &*file : nullptr, scratch);
            }
            case SourceKind::Other:
                break;
        }
        return Failed(0, "read", source, kUnsupportedSourceText);
    };
    outcomes.resize(static_cast<std::size_t>(count));
    // Two indexes written to one path are written in order, the later one kept.
    const unsigned workers = distinct ? WorkersFor(outputs.size()) : 1;
    std::vector<ReadScratch> scratch(workers);
    ForEachIndex(outputs.size(), workers, [&](std::size_t i, unsigned worker) {
        outcomes[i] = extract(static_cast<std::int32_t>(i) + 1, scratch[worker]);
    });
    return outcomes;
}

std::int32_t ExtractIconGroup(std::string_view source, std::int32_t mode, std::string_view output,
                              std::int32_t index) {
    return ExtractIconGroupOutcome(source, mode, output, index).groups;
}

bool IsModuleFile(std::string_view path) {
    const auto mapped = MappedFile::Open(path);
    return mapped && module::LooksLikeModule(mapped->bytes());
}

std::int32_t GetIconCount(std::string_view path) {
    // The file's head and, for a PE module, a few reads tell the count without a mapping:
    // on some virtual machines each page a mapping touches costs more than reading it
    // (shell32's count took 110 to 170 microseconds mapped, 8 read), and the window counts
    // a file up to four times for one extract. The same failures refuse both.
    const auto file = FileReader::Open(path);
    if (!file) return 0;
    std::array<std::uint8_t, catalogue::kModuleHeadBytes> head_bytes{};
    const auto got = file->ReadAt(0, head_bytes);
    if (!got) return 0;
    const ByteView head(head_bytes.data(), *got);
    // Whatever does not begin as a module does is an icon or cursor file, or nothing.
    constexpr std::uint16_t kMz = 0x5A4D;
    if (ReadU16(head, 0) != kMz) {
        const auto reserved = ReadU16(head, ico::kReserved);
        const auto type = ReadU16(head, ico::kType);
        const auto count = ReadU16(head, ico::kCount);
        const bool icon_or_cursor = reserved && *reserved == 0 && type &&
                                    (*type == ico::kTypeIcon || *type == ico::kTypeCursor) && count && *count > 0;
        return icon_or_cursor ? 1 : 0;
    }
    if (const auto count = catalogue::IconGroupCountFromReads(
            [&](std::uint64_t at, std::span<std::uint8_t> into) { return file->ReadAt(at, into); }, file->size(), head))
        return *count;
    const auto mapped = MappedFile::Open(path);
    if (!mapped || !module::LooksLikeModule(mapped->bytes())) return 0;
    const auto module = module::ResourceModule::Parse(mapped->bytes());
    if (!module) return 0;
    return static_cast<std::int32_t>(module->Names(module::ResourceType::GroupIcon).size());
}

}  // namespace icoforge
