#include "cli/catalogue_tool.h"

#include <filesystem>
#include <map>
#include <set>
#include <system_error>

#include "cli/commands.h"
#include "common/path.h"
#include "iconextract/system_resources.h"
#include "imageconv/png_encoder.h"
#include "platform/file_io.h"
#include "platform/mapped_file.h"

namespace icoforge::cli {
namespace {

constexpr Message kFromMun{"{1} holds no icons; they are read from {2}, as Windows does",
                           "{1} 不含图标；按 Windows 的做法从 {2} 读取"};
constexpr Message kProblem{"{1}: {2}: {3}", "{1}：{2}：{3}"};
constexpr Message kNoneChosen{"{1} holds no groups of the kinds asked for", "{1} 不含所要种类的图标组"};
constexpr Message kNoSuchGroup{"{1} holds no group {2} of the kinds asked for", "{1} 不含所要种类的图标组 {2}"};
constexpr Message kNotMade{"cannot write {1} of {2}: {3}", "无法写出 {2} 中的 {1}：{3}"};
constexpr Message kWroteFiles{"wrote {1} files of {2} to {3}", "已把 {2} 的 {1} 个文件写入 {3}"};

using catalogue::Catalogue;
using catalogue::CatalogueGroup;
using catalogue::CatalogueImage;
using catalogue::GroupType;

// A file's bytes and its catalogue; when the module holds no icons and a SystemResources
// .mun stands in for it, the .mun's.
struct Source {
    MappedFile mapped;
    Catalogue catalogue;
    std::optional<std::string> read_from;
    ByteView bytes() const { return mapped.bytes(); }
};

bool IsModule(catalogue::FileKind kind) {
    return kind == catalogue::FileKind::kPe32 || kind == catalogue::FileKind::kPe32Plus ||
           kind == catalogue::FileKind::kNe;
}

bool HasIconGroups(const Catalogue& c) {
    for (const auto& g : c.groups)
        if (g.type == GroupType::kIcon) return true;
    return false;
}

Result<Source> LoadSource(const Invocation& run, const std::string& path) {
    auto mapped = MappedFile::Open(path);
    if (!mapped) return Fail(std::move(mapped.error()));
    auto read = catalogue::ReadCatalogue(mapped->bytes());
    if (!read) return Fail("parse", path, read.error().reason);
    Source source{std::move(*mapped), std::move(*read), std::nullopt};
    if (IsModule(source.catalogue.kind) && !HasIconGroups(source.catalogue)) {
        if (const auto mun = FindSystemResourcesFile(path)) {
            if (auto mun_mapped = MappedFile::Open(*mun)) {
                if (auto mun_read = catalogue::ReadCatalogue(mun_mapped->bytes()); mun_read && HasIconGroups(*mun_read)) {
                    run.console().Progress(run.Text(kFromMun, {Quoted(path), Quoted(*mun)}));
                    source = Source{std::move(*mun_mapped), std::move(*mun_read), *mun};
                }
            }
        }
    }
    return source;
}

nlohmann::ordered_json Optional(const auto& value) {
    if (!value) return nullptr;
    return *value;
}

nlohmann::ordered_json GroupJson(const CatalogueGroup& group) {
    nlohmann::ordered_json images = nlohmann::ordered_json::array();
    const bool animated = group.type == GroupType::kAnimatedIcon || group.type == GroupType::kAnimatedCursor;
    for (const CatalogueImage& image : group.images) {
        nlohmann::ordered_json j = {{"width", image.width},
                            {"height", image.height},
                            {"bits", image.bits},
                            {"format", catalogue::ImageFormatName(image.format)},
                            {"bytes", image.bytes},
                            {"id", Optional(image.id)}};
        if (image.hotspot) j["hotspot"] = {image.hotspot->first, image.hotspot->second};
        if (animated) j["frame"] = image.frame;
        images.push_back(std::move(j));
    }
    nlohmann::ordered_json j = {{"type", catalogue::GroupTypeName(group.type)},
                        {"id", Optional(group.id)},
                        {"name", Optional(group.name)},
                        {"language", Optional(group.language)},
                        {"index", group.index},
                        {"images", std::move(images)}};
    if (animated) {
        j["frames"] = group.frames;
        j["steps"] = group.steps;
        j["rates"] = group.rates;
        j["bytes"] = group.bytes;
    }
    return j;
}

std::string Dump(const nlohmann::ordered_json& j) {
    // Names and paths that are not valid UTF-8 still make a valid line.
    return j.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string ImageSummary(const CatalogueImage& image) {
    return std::to_string(image.width) + "x" + std::to_string(image.height) + "/" + std::to_string(image.bits) + " " +
           std::string(catalogue::ImageFormatName(image.format));
}

std::string GroupLine(const CatalogueGroup& group, const char* label) {
    std::string name = group.name ? *group.name : group.id ? std::to_string(*group.id) : "-";
    std::string language = group.language ? std::to_string(*group.language) : "-";
    char head[256];
    std::snprintf(head, sizeof head, "  %-16s %5u  %-20s %6s  ", label, group.index, name.c_str(), language.c_str());
    std::string line = head;
    if (group.frames > 0) line += std::to_string(group.frames) + " frames: ";
    for (std::size_t i = 0; i < group.images.size(); ++i) line += (i ? ", " : "") + ImageSummary(group.images[i]);
    if (group.images.empty()) line += "(no images)";
    if (group.images.size() == 1 && group.images[0].hotspot)
        line += " hot spot " + std::to_string(group.images[0].hotspot->first) + "," +
                std::to_string(group.images[0].hotspot->second);
    return line + "\n";
}

std::string Lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool Selected(const ExtractRequest& request, const CatalogueGroup& group) {
    switch (group.type) {
        case GroupType::kIcon: if (!request.icons) return false; break;
        case GroupType::kCursor:
        case GroupType::kAnimatedCursor: if (!request.cursors) return false; break;
        case GroupType::kAnimatedIcon: if (!request.animated_icons) return false; break;
    }
    if (request.language && group.language != request.language) return false;
    if (request.group) {
        if (const auto id = WholeNumber(*request.group)) return group.id && *group.id == *id;
        return group.name && Lowered(*group.name) == Lowered(*request.group);
    }
    return true;
}

std::string Extension(const CatalogueGroup& group) {
    switch (group.type) {
        case GroupType::kIcon: return ".ico";
        case GroupType::kCursor: return ".cur";
        default: return ".ani";
    }
}

// The source's name without folder and extension, the way --names starts each file.
std::string ModuleStem(const std::string& path) { return Utf8FromPath(PathFromUtf8(path).stem()); }

bool IsDeviceName(const std::string& lowered_stem) {
    static const std::set<std::string> kDevices = {"con", "prn", "aux", "nul"};
    if (kDevices.count(lowered_stem)) return true;
    return lowered_stem.size() == 4 && (lowered_stem.starts_with("com") || lowered_stem.starts_with("lpt")) &&
           lowered_stem[3] >= '0' && lowered_stem[3] <= '9';
}

// Writes `bytes` to folder/name, a name not yet used in this call (letter case ignored,
// as Windows compares names): a second file of the same name gets "~2" before its
// extension, and so on.
bool WriteOutput(const Invocation& run, const std::filesystem::path& folder, const std::string& name, ByteView bytes,
                 std::set<std::string>& used, int& status) {
    const auto dot = name.rfind('.');
    const std::string stem = name.substr(0, dot), extension = name.substr(dot);
    std::string candidate = name;
    for (int n = 2; !used.insert(Lowered(Utf8FromPath(folder / PathFromUtf8(candidate)))).second; ++n)
        candidate = stem + "~" + std::to_string(n) + extension;
    const std::string path = Utf8FromPath(folder / PathFromUtf8(candidate));
    if (auto written = WriteWholeFile(path, bytes); !written) {
        status = Report(run, written.error());
        return false;
    }
    run.console().Path(path);
    run.console().Detail(run.Text(msg::kWrote, {Quoted(path)}));
    return true;
}

}  // namespace

std::string SafeNamePart(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool bad = byte < 0x20 || byte == 0x7F || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos;
        out += bad ? '_' : c;
    }
    if (out.size() > kMaxNamePartBytes) {
        std::size_t cut = kMaxNamePartBytes;
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;  // not inside a character
        out.resize(cut);
    }
    while (!out.empty() && (out.back() == '.' || out.back() == ' ')) out.back() = '_';
    if (out.empty()) out = "_";
    if (IsDeviceName(Lowered(out.substr(0, out.find('.'))))) out = "_" + out;
    return out;
}

std::string GroupFileName(const CatalogueGroup& group, bool names, const std::string& module, std::size_t variants,
                          std::size_t image) {
    std::string base;
    const std::string resource = group.name ? *group.name : group.id ? std::to_string(*group.id) : std::string();
    if (group.orphan) {
        base = "orphan-" + (resource.empty() ? std::to_string(group.index) : resource);
        if (names) base = module + "-" + base;
    } else if (names) {
        base = module + (resource.empty() ? "" : "-" + resource);
    } else {
        base = std::to_string(group.index);
    }
    if (group.type == GroupType::kAnimatedIcon) base = (names ? "" : std::string("icon-")) + base + (names ? "-icon" : "");
    if (variants > 1 && group.language) base += "-" + std::to_string(*group.language);
    if (image > 0) return SafeNamePart(base + "-" + std::to_string(image)) + ".png";
    return SafeNamePart(base) + Extension(group);
}

nlohmann::ordered_json CatalogueJson(const std::string& path, const Catalogue& catalogue,
                             const std::optional<std::string>& read_from) {
    nlohmann::ordered_json groups = nlohmann::ordered_json::array(), orphans = nlohmann::ordered_json::array(),
                   problems = nlohmann::ordered_json::array();
    for (const auto& group : catalogue.groups) groups.push_back(GroupJson(group));
    for (const auto& group : catalogue.orphans) orphans.push_back(GroupJson(group));
    for (const auto& problem : catalogue.problems) problems.push_back({{"what", problem.what}, {"reason", problem.reason}});
    nlohmann::ordered_json j = {{"path", path},
                        {"kind", catalogue::FileKindName(catalogue.kind)},
                        {"groups", std::move(groups)},
                        {"orphans", std::move(orphans)},
                        {"problems", std::move(problems)}};
    if (read_from) j["read_from"] = *read_from;
    return j;
}

std::string CatalogueTable(const std::string& path, const Catalogue& catalogue,
                           const std::optional<std::string>& read_from) {
    std::string text = path + " (" + std::string(catalogue::FileKindName(catalogue.kind)) +
                       (read_from ? ", icons from " + *read_from : std::string()) + ")\n";
    if (catalogue.groups.empty() && catalogue.orphans.empty()) text += "  no icons or cursors\n";
    if (!catalogue.groups.empty() || !catalogue.orphans.empty()) {
        char head[256];
        std::snprintf(head, sizeof head, "  %-16s %5s  %-20s %6s  %s\n", "TYPE", "INDEX", "NAME", "LANG", "IMAGES");
        text += head;
    }
    for (const auto& group : catalogue.groups) text += GroupLine(group, std::string(catalogue::GroupTypeName(group.type)).c_str());
    for (const auto& group : catalogue.orphans)
        text += GroupLine(group, group.type == GroupType::kIcon ? "orphan icon" : "orphan cursor");
    for (const auto& problem : catalogue.problems) text += "  problem: " + problem.what + ": " + problem.reason + "\n";
    return text;
}

int ListFiles(const Invocation& run, const std::vector<std::string>& files, bool json) {
    int status = kExitSuccess;
    for (const std::string& path : files) {
        auto source = LoadSource(run, path);
        if (!source) {
            status = kExitFailure;
            if (json)
                run.console().Answer(Dump({{"path", path}, {"error", ReasonText(run, source.error().reason)}}));
            else
                run.Fail(run.Text(msg::kCannotRead, {Quoted(path), ReasonText(run, source.error().reason)}));
            continue;
        }
        if (json) {
            run.console().Answer(Dump(CatalogueJson(path, source->catalogue, source->read_from)));
        } else {
            std::string text = CatalogueTable(path, source->catalogue, source->read_from);
            text.pop_back();  // the console ends the answer's line
            run.console().Answer(text);
        }
    }
    return status;
}

int ExtractFiles(const Invocation& run, const ExtractRequest& request) {
    int status = kExitSuccess;
    std::set<std::string> used;
    for (const std::string& path : request.files) {
        auto source = LoadSource(run, path);
        if (!source) {
            status = run.Fail(run.Text(msg::kCannotRead, {Quoted(path), ReasonText(run, source.error().reason)}));
            continue;
        }
        for (const auto& problem : source->catalogue.problems)
            run.console().Progress(run.Text(kProblem, {Quoted(path), problem.what, problem.reason}));
        const std::size_t written_before = used.size();
        std::filesystem::path folder = PathFromUtf8(request.folder);
        if (!request.names && request.files.size() > 1) folder /= PathFromUtf8(path).filename();
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (ec) {
            status = run.Fail(run.Text(msg::kCreateFolder, {Quoted(Utf8FromPath(folder)), ec.message()}));
            continue;
        }
        std::vector<const CatalogueGroup*> chosen;
        for (const auto& group : source->catalogue.groups)
            if (Selected(request, group)) chosen.push_back(&group);
        if (request.orphans)
            for (const auto& group : source->catalogue.orphans)
                if (Selected(request, group)) chosen.push_back(&group);
        if (chosen.empty()) {
            status = request.group ? run.Fail(run.Text(kNoSuchGroup, {Quoted(path), Quoted(*request.group)}))
                                   : run.Fail(run.Text(kNoneChosen, {Quoted(path)}));
            continue;
        }
        std::map<std::tuple<GroupType, bool, std::uint32_t>, std::size_t> variants;
        // Counted over the whole file, so that a file keeps its name whatever was chosen.
        for (const auto* list : {&source->catalogue.groups, &source->catalogue.orphans})
            for (const CatalogueGroup& group : *list) ++variants[{group.type, group.orphan, group.index}];
        const std::string stem = SafeNamePart(ModuleStem(path));
        for (const CatalogueGroup* group : chosen) {
            const std::size_t count = variants[{group->type, group->orphan, group->index}];
            if (!request.png) {
                auto bytes = catalogue::GroupFileBytes(source->bytes(), *group);
                if (!bytes) {
                    status = run.Fail(run.Text(kNotMade, {GroupFileName(*group, true, stem, count, 0), Quoted(path),
                                                          bytes.error().reason}));
                    continue;
                }
                WriteOutput(run, folder, GroupFileName(*group, request.names, stem, count, 0), *bytes, used, status);
                continue;
            }
            for (std::size_t i = 0; i < group->images.size(); ++i) {
                const std::string name = GroupFileName(*group, request.names, stem, count, i + 1);
                auto stored = catalogue::GroupImageBytes(source->bytes(), *group, i);
                if (stored && group->images[i].format == catalogue::ImageFormat::kPng) {
                    WriteOutput(run, folder, name, *stored, used, status);
                    continue;
                }
                auto pixels = catalogue::DecodeGroupImage(source->bytes(), *group, i);
                auto png = pixels ? EncodePng(*pixels, PngCompression::kQuick) : Result<ByteBuffer>(Fail(pixels.error()));
                if (!png) {
                    status = run.Fail(run.Text(kNotMade, {name, Quoted(path), png.error().reason}));
                    continue;
                }
                WriteOutput(run, folder, name, *png, used, status);
            }
        }
        run.console().Progress(run.Text(kWroteFiles, {std::to_string(used.size() - written_before), Quoted(path),
                                                      Quoted(Utf8FromPath(folder))}));
    }
    return status;
}

}  // namespace icoforge::cli
