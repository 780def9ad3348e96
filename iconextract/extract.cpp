#include "iconextract/extract.h"

#include <functional>
#include <optional>

#include "common/byte_reader.h"
#include "iconextract/ico_reader.h"
#include "iconextract/icon_writers.h"
#include "iconextract/module_groups.h"
#include "platform/mapped_file.h"

namespace icoforge {
namespace {

ExtractOutcome Failed(std::int32_t groups, ExtractFailure failure) { return {groups, false, failure, {}}; }

ExtractOutcome WriteFailed(std::int32_t groups, FileError error) {
    return {groups, false, ExtractFailure::WriteFailed, std::move(error)};
}

// The first image goes to a bitmap file or the clipboard; only a whole DIB can.
std::optional<ExtractFailure> FirstImageRefusal(const IconGroup& group) {
    if (group.images.empty()) return ExtractFailure::NoImages;
    const auto& image = group.images.front();
    if (image.encoding != ImageEncoding::Dib || !image.complete) return ExtractFailure::ImageRefused;
    return std::nullopt;
}

// A module is one by its content, whatever its name (.cpl, .ocx, .scr, none at all); the
// name decides only for everything else. A file mapped to look is kept in `mapped`.
SourceKind ExtractedKindOf(std::string_view source, std::optional<MappedFile>& mapped) {
    const SourceKind named = SourceKindOf(source);
    if (named == SourceKind::Module) return named;
    if (auto file = MappedFile::Open(source); file && module::LooksLikeModule(file->bytes())) {
        mapped = std::move(file);
        return SourceKind::Module;
    }
    return named;
}

// Writes a group to a file by the output's name: the whole group to .ico, its first image
// to .bmp.
ExtractOutcome WriteGroup(const IconGroup& group, std::int32_t groups, std::string_view output) {
    FileError error;
    switch (OutputKindOf(output)) {
        case OutputKind::Bitmap:
            if (const auto refusal = FirstImageRefusal(group)) return Failed(groups, *refusal);
            if (!WriteBmpFile(output, group.images.front(), &error)) return WriteFailed(groups, std::move(error));
            return {groups, true, ExtractFailure::None, {}};
        case OutputKind::IconFile:
            if (!WriteIcoFile(group, output, &error)) return WriteFailed(groups, std::move(error));
            return {groups, true, ExtractFailure::None, {}};
        case OutputKind::Other:
            break;
    }
    return Failed(groups, ExtractFailure::UnsupportedOutput);
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
    if (to_file && output.empty()) return Failed(0, ExtractFailure::NoOutputPath);

    auto& state = ProcessGroupEnumState();
    state = GroupEnumState{.wanted_position = index, .groups_seen = 0, .remembered_name = std::nullopt};

    std::optional<IconGroup> group;
    // The enumeration's mapping is held for the whole call, as the module stays loaded.
    std::optional<MappedFile> enumerated;
    const SourceKind kind = ExtractedKindOf(source, enumerated);
    switch (kind) {
        case SourceKind::IconFile:
            group = ReadIcoFile(source);
            state.groups_seen = 1;
            break;
        case SourceKind::Module: {
            if (!enumerated) enumerated = MappedFile::Open(source);
            if (!enumerated) return Failed(0, ExtractFailure::ModuleNotMapped);
            const auto module = module::ResourceModule::Parse(enumerated->bytes());
            if (!module) return Failed(0, ExtractFailure::ModuleNotMapped);
            if (!EnumerateIconGroupNames(*module)) return Failed(0, ExtractFailure::NoGroups);
            break;
        }
        case SourceKind::Other:
            return Failed(0, ExtractFailure::UnsupportedSource);
    }
    const std::int32_t groups = state.groups_seen;
    if (groups == 0) return Failed(0, ExtractFailure::NoGroups);
    if (index > groups) return Failed(0, ExtractFailure::IndexOutOfRange);

    if (kind == SourceKind::Module) group = LoadModuleIconGroup(source, state.remembered_name);
    if (!group) {
        return Failed(groups, kind == SourceKind::IconFile ? ExtractFailure::IconFileNotRead
                                                           : ExtractFailure::GroupNotLoaded);
    }

    if (!to_file) {
        if (const auto refusal = FirstImageRefusal(*group)) return Failed(groups, *refusal);
        if (!CopyImageToClipboard(group->images.front())) return Failed(groups, ExtractFailure::WriteFailed);
        return {groups, true, ExtractFailure::None, {}};
    }
    return WriteGroup(*group, groups, output);
}

std::vector<ExtractOutcome> ExtractEveryIconGroup(std::string_view source, std::int32_t count,
                                                  const std::function<std::string(std::int32_t)>& output_for) {
    std::vector<ExtractOutcome> outcomes;
    if (count <= 0) return outcomes;
    std::optional<MappedFile> mapped;
    const SourceKind kind = ExtractedKindOf(source, mapped);
    std::optional<IconGroup> icon_file;
    std::optional<module::ResourceModule> module;
    std::optional<ModuleGroupReader> reader;
    if (kind == SourceKind::IconFile) {
        icon_file = ReadIcoFile(source);
    } else if (kind == SourceKind::Module) {
        if (!mapped) mapped = MappedFile::Open(source);
        if (mapped) {
            if (auto parsed = module::ResourceModule::Parse(mapped->bytes())) module = std::move(*parsed);
        }
        if (module) reader.emplace(*module);
    }
    for (std::int32_t index = 1; index <= count; ++index) {
        const std::string output = output_for(index);
        if (output.empty()) {
            outcomes.push_back(Failed(0, ExtractFailure::NoOutputPath));
            continue;
        }
        switch (kind) {
            case SourceKind::IconFile:
                if (index > 1)
                    outcomes.push_back(Failed(0, ExtractFailure::IndexOutOfRange));
                else if (!icon_file)
                    outcomes.push_back(Failed(1, ExtractFailure::IconFileNotRead));
                else
                    outcomes.push_back(WriteGroup(*icon_file, 1, output));
                break;
            case SourceKind::Module: {
                if (!reader) {
                    outcomes.push_back(Failed(0, ExtractFailure::ModuleNotMapped));
                    break;
                }
                const std::int32_t groups = reader->count();
                if (groups == 0) {
                    outcomes.push_back(Failed(0, ExtractFailure::NoGroups));
                } else if (index > groups) {
                    outcomes.push_back(Failed(0, ExtractFailure::IndexOutOfRange));
                } else if (auto group = reader->Load(index, source)) {
                    outcomes.push_back(WriteGroup(*group, groups, output));
                } else {
                    outcomes.push_back(Failed(groups, ExtractFailure::GroupNotLoaded));
                }
                break;
            }
            case SourceKind::Other:
                outcomes.push_back(Failed(0, ExtractFailure::UnsupportedSource));
                break;
        }
    }
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
    const auto mapped = MappedFile::Open(path);
    if (!mapped) return 0;
    const ByteView bytes = mapped->bytes();
    if (module::LooksLikeModule(bytes)) {
        const auto module = module::ResourceModule::Parse(bytes);
        if (!module) return 0;
        return static_cast<std::int32_t>(module->Names(module::ResourceType::GroupIcon).size());
    }
    const auto reserved = ReadU16(bytes, ico::kReserved);
    const auto type = ReadU16(bytes, ico::kType);
    const auto count = ReadU16(bytes, ico::kCount);
    const bool icon_or_cursor = reserved && *reserved == 0 && type &&
                                (*type == ico::kTypeIcon || *type == ico::kTypeCursor) && count && *count > 0;
    return icon_or_cursor ? 1 : 0;
}

}  // namespace icoforge
