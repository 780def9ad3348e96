#include "cli/catalogue_tool.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>
#include <tuple>

#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/created_folders.h"
#include "common/json_text.h"
#include "common/parallel.h"
#include "common/path.h"
#include "iconextract/system_resources.h"
#include "imageconv/png_encoder.h"
#include "platform/file_io.h"
#include "platform/file_reader.h"
#include "platform/mapped_file.h"
#include "platform/replacing_file.h"

namespace icoforge::cli {
namespace {

constexpr Message kFromMun{"{1} holds no icons; they are read from {2}, as Windows does",
                           "{1} 不含图标；按 Windows 的做法从 {2} 读取"};
constexpr Message kProblem{"{1}: {2}: {3}", "{1}：{2}：{3}"};
constexpr Message kNoneChosen{"{1} holds no groups of the kinds asked for", "{1} 不含所要种类的图标组"};
constexpr Message kNoSuchGroup{"{1} holds no group {2} of the kinds asked for", "{1} 不含所要种类的图标组 {2}"};
constexpr Message kNotMade{"cannot write {1} of {2}: {3}", "无法写出 {2} 中的 {1}：{3}"};
constexpr Message kWroteFiles{"wrote {1} files of {2} to {3}", "已把 {2} 的 {1} 个文件写入 {3}"};
constexpr Message kWroteOneFile{"wrote 1 file of {2} to {3}", "已把 {2} 的 1 个文件写入 {3}"};

using catalogue::Catalogue;
using catalogue::CatalogueGroup;
using catalogue::CatalogueImage;
using catalogue::GroupType;

// A file's bytes and its catalogue; when the module holds no icons and a SystemResources
// .mun stands in for it, the .mun's.
struct Source {
    std::optional<MappedFile> mapped;  // nothing when a look at the headers told the catalogue
    Catalogue catalogue;
    std::optional<std::string> read_from;
    ByteView bytes() const { return mapped ? mapped->bytes() : ByteView(); }
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

// A module whose headers and resource root show no icon, cursor or animation types (most
// of a system folder's libraries), from three small reads rather than a mapping: mapping
// one and touching its pages cost more than listing it. Nothing when those reads cannot
// tell, or fail: the whole file then decides, and says why it cannot be read.
std::optional<Source> ModuleWithoutGroups(const std::string& path) {
    const auto reader = FileReader::Open(path);
    if (!reader) return std::nullopt;
    std::array<std::uint8_t, catalogue::kModuleHeadBytes> head{};
    const auto got = reader->ReadAt(0, head);
    if (!got) return std::nullopt;
    const auto kind = catalogue::KindOfModuleWithoutGroups(*reader, ByteView(head.data(), *got));
    if (!kind || !*kind) return std::nullopt;
    Source source;
    source.catalogue.kind = **kind;
    return source;
}

Result<Source> LoadSource(const std::string& path) {
    std::optional<Source> told = ModuleWithoutGroups(path);
    if (!told) {
        auto mapped = MappedFile::Open(path);
        if (!mapped) return Fail(std::move(mapped.error()));
        auto read = catalogue::ReadCatalogue(mapped->bytes());
        if (!read) return Fail("parse", path, read.error().reason);
        told = Source{std::move(*mapped), std::move(*read), std::nullopt};
    }
    Source source = std::move(*told);
    if (IsModule(source.catalogue.kind) && !HasIconGroups(source.catalogue)) {
        if (const auto mun = FindSystemResourcesFile(path)) {
            if (auto mun_mapped = MappedFile::Open(*mun)) {
                if (auto mun_read = catalogue::ReadCatalogue(mun_mapped->bytes()); mun_read && HasIconGroups(*mun_read)) {
                    source = Source{std::move(*mun_mapped), std::move(*mun_read), *mun};
                }
            }
        }
    }
    return source;
}

// Says once that a module's icons come from its .mun.
void TellReadFrom(const Invocation& run, const std::string& path, const Source& source) {
    if (source.read_from) run.console().Progress(run.Text(kFromMun, {Quoted(path), Quoted(*source.read_from)}));
}

// A JSON object written straight into its line, keys in the order given. list --json
// reads hundreds of modules a second, and building each line as a document first and
// then serialising it took two thirds of its time. Text that is not plain ASCII goes
// through the JSON library's own escaping, which also makes names and paths that are not
// valid UTF-8 into a valid line.
class JsonObject {
public:
    explicit JsonObject(std::string& line) : line_(line) { line_ += '{'; }
    void Close() { line_ += '}'; }

    std::string& Key(std::string_view key) {
        line_ += first_ ? "\"" : ",\"";
        first_ = false;
        line_ += key;
        line_ += "\":";
        return line_;
    }

private:
    std::string& line_;
    bool first_ = true;
};

template <class T>
void AppendOptional(std::string& line, const std::optional<T>& value) {
    if (!value) line += "null";
    else if constexpr (std::is_same_v<T, std::string>) AppendJsonText(line, *value);
    else AppendJsonNumber(line, *value);
}

void AppendGroup(std::string& line, const CatalogueGroup& group) {
    const bool animated = group.type == GroupType::kAnimatedIcon || group.type == GroupType::kAnimatedCursor;
    JsonObject object(line);
    AppendJsonText(object.Key("type"), catalogue::GroupTypeName(group.type));
    AppendOptional(object.Key("id"), group.id);
    AppendOptional(object.Key("name"), group.name);
    AppendOptional(object.Key("language"), group.language);
    AppendJsonNumber(object.Key("index"), group.index);
    object.Key("images") += '[';
    for (std::size_t i = 0; i < group.images.size(); ++i) {
        const CatalogueImage& image = group.images[i];
        if (i > 0) line += ',';
        JsonObject entry(line);
        AppendJsonNumber(entry.Key("width"), image.width);
        AppendJsonNumber(entry.Key("height"), image.height);
        AppendJsonNumber(entry.Key("bits"), image.bits);
        AppendJsonText(entry.Key("format"), catalogue::ImageFormatName(image.format));
        AppendJsonNumber(entry.Key("bytes"), image.bytes);
        AppendOptional(entry.Key("id"), image.id);
        if (image.hotspot) {
            AppendJsonNumber(entry.Key("hotspot") += '[', image.hotspot->first);
            AppendJsonNumber(line += ',', image.hotspot->second);
            line += ']';
        }
        if (animated) AppendJsonNumber(entry.Key("frame"), image.frame);
        entry.Close();
    }
    line += ']';
    if (animated) {
        AppendJsonNumber(object.Key("frames"), group.frames);
        AppendJsonNumber(object.Key("steps"), group.steps);
        object.Key("rates") += '[';
        for (std::size_t i = 0; i < group.rates.size(); ++i) AppendJsonNumber(i > 0 ? line += ',' : line, group.rates[i]);
        line += ']';
        AppendJsonNumber(object.Key("bytes"), group.bytes);
    }
    object.Close();
}

std::string ErrorJson(const std::string& path, const std::string& reason) {
    std::string line;
    JsonObject object(line);
    AppendJsonText(object.Key("path"), path);
    AppendJsonText(object.Key("error"), reason);
    object.Close();
    return line;
}

void AppendGroups(std::string& line, const std::vector<CatalogueGroup>& groups) {
    line += '[';
    for (std::size_t i = 0; i < groups.size(); ++i) AppendGroup(i > 0 ? line += ',' : line, groups[i]);
    line += ']';
}

std::string ImageSummary(const CatalogueImage& image) {
    return std::to_string(image.width) + "x" + std::to_string(image.height) + "/" + std::to_string(image.bits) + " " +
           std::string(catalogue::ImageFormatName(image.format));
}

// An icon group's images largest first, the depths of one size and format together
// ("48x48/32,8,4 bmp"), so that the usual dozen reads on one line; --json keeps the order
// they are stored in.
std::string IconImagesSummary(std::vector<CatalogueImage> images) {
    const auto key = [](const CatalogueImage& i) { return std::tuple(i.width, i.height, i.format, i.bits); };
    std::stable_sort(images.begin(), images.end(), [&](const auto& a, const auto& b) { return key(a) > key(b); });
    const auto same_size = [](const CatalogueImage& a, const CatalogueImage& b) {
        return a.width == b.width && a.height == b.height && a.format == b.format;
    };
    std::string text;
    for (std::size_t i = 0; i < images.size(); ++i) {
        const CatalogueImage& image = images[i];
        if (i > 0 && same_size(images[i - 1], image))
            text += ",";
        else
            text += (i > 0 ? ", " : "") + std::to_string(image.width) + "x" + std::to_string(image.height) + "/";
        text += std::to_string(image.bits);
        if (i + 1 == images.size() || !same_size(image, images[i + 1]))
            text += " " + std::string(catalogue::ImageFormatName(image.format));
    }
    return text;
}

// The NAME column is as wide as the file's longest name, within these bounds: a longer
// name pushes the rest of its own line to the right.
constexpr std::size_t kFewestNameColumns = 20;
constexpr std::size_t kMostNameColumns = 48;

std::string NameShown(const CatalogueGroup& group) {
    return group.name ? Escaped(*group.name) : group.id ? std::to_string(*group.id) : "-";
}

// `text` followed by spaces to fill `columns`, as a terminal counts them.
std::string PaddedTo(std::string text, std::size_t columns) {
    const std::size_t taken = TerminalColumns(text);
    if (taken < columns) text.append(columns - taken, ' ');
    return text;
}

std::string GroupLine(const CatalogueGroup& group, const char* label, std::size_t name_columns) {
    std::string language = group.language ? std::to_string(*group.language) : "-";
    char head[64];
    std::snprintf(head, sizeof head, "  %-16s %5u  ", label, group.index);
    char tail[32];
    std::snprintf(tail, sizeof tail, " %6s  ", language.c_str());
    std::string line = head + PaddedTo(NameShown(group), name_columns) + tail;
    if (group.frames > 0) {
        line += std::to_string(group.frames) + " frames: ";
        for (std::size_t i = 0; i < group.images.size(); ++i) line += (i ? ", " : "") + ImageSummary(group.images[i]);
    } else {
        line += IconImagesSummary(group.images);
    }
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
    return !request.group || GroupIsCalled(group, *request.group);
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

// One file extract writes: a group's own file (image 0), or one image of it as a PNG.
struct Output {
    const CatalogueGroup* group;
    std::size_t image;  // 1-based; 0 for the group's file
    std::string name;
    std::string told_name;  // how a failure to make it names it
    std::optional<ByteBuffer> made;  // the bytes when they are not the stored ones
    ByteView bytes;
    std::optional<Failure> not_made;
    std::optional<ReplacingFile> written;  // its bytes, in a file with no name of its own yet
};

// The bytes made for a group's file (image 0) or for a bitmap image drawn into a PNG.
Result<ByteBuffer> MadeBytes(ByteView file, const CatalogueGroup& group, std::size_t image) {
    if (image == 0) return catalogue::GroupFileBytes(file, group);
    auto pixels = catalogue::DecodeGroupImage(file, group, image - 1);
    if (!pixels) return Fail(std::move(pixels.error()));
    return EncodePng(*pixels, PngCompression::kQuick);
}

// The file's bytes: a PNG image as it is stored, anything else made.
void Make(ByteView file, Output& out) {
    if (out.image > 0 && out.group->images[out.image - 1].format == catalogue::ImageFormat::kPng) {
        if (auto stored = catalogue::GroupImageBytes(file, *out.group, out.image - 1)) {
            out.bytes = *stored;
            return;
        }
    }
    auto made = MadeBytes(file, *out.group, out.image);
    if (!made) {
        out.not_made = std::move(made.error());
        return;
    }
    out.made = std::move(*made);
    out.bytes = *out.made;
}

// Makes the output and writes it into the folder under no name yet (or one marked for
// deletion), which is most of what a new file costs the system; only naming it waits for
// its turn. Where that fails (no descriptor left, a full disk), the bytes are kept and
// written when the output's turn comes, which then says why it cannot be. So are they on
// a file system where a file written ahead would have a name of its own: Ctrl+C would
// leave every file ahead behind there, not just the one being named. The first such file
// tells, and `ahead` stays false for the rest of the call.
void MakeAndWrite(ByteView file, const std::filesystem::path& folder, Output& out, std::atomic<bool>& ahead) {
    Make(file, out);
    if (out.not_made || !ahead.load(std::memory_order_relaxed)) return;
    auto written = ReplacingFile::Create(Utf8FromPath(folder / PathFromUtf8(out.name)));
    if (!written) return;
    if (!written->LeavesNothingIfEnded()) {
        ahead.store(false, std::memory_order_relaxed);
        return;
    }
    if (!written->Write(out.bytes)) return;
    out.written = std::move(*written);
    out.made.reset();
}

// Outputs being made or waiting to be named, at most: what they may hold in memory. Each
// holds a file open, so no more than a quarter of the files the process may open.
constexpr std::size_t kAheadOutputs = 128;
std::size_t OutputsAhead() {
    return static_cast<std::size_t>(std::clamp<std::uint64_t>(OpenFileLimit() / 4, 1, kAheadOutputs));
}
constexpr std::uint64_t kAheadPixelBytes = 64u << 20;

std::uint64_t PixelBytes(const Output& out) {
    if (out.image == 0) return out.group->bytes;
    const CatalogueImage& image = out.group->images[out.image - 1];
    return std::uint64_t{image.width} * image.height * 4;
}

// Makes and writes the outputs in order of the list, as if one after the other: each goes
// to folder/name, a name not yet used in this call (letter case ignored, as Windows
// compares names), a second file of the same name getting "~2" before its extension, and
// so on; one that cannot be made takes no name. The outputs are made and written on every
// core while this thread names and reports them in the list's order.
std::size_t WriteOutputs(const Invocation& run, ByteView file, const std::filesystem::path& folder,
                         const std::string& source, std::vector<Output>& outputs, std::set<std::string>& used, int& status) {
    std::size_t written = 0;
    std::atomic<bool> ahead{true};
    MakeInOrder(
        outputs.size(), WorkersFor(outputs.size()), OutputsAhead(), kAheadPixelBytes,
        [&](std::size_t i) { return PixelBytes(outputs[i]); },
        [&](std::size_t i) { MakeAndWrite(file, folder, outputs[i], ahead); },
        [&](std::size_t i) {
            Output& out = outputs[i];
            if (out.not_made) {
                status = run.Fail(run.Text(kNotMade, {out.told_name, Quoted(source), out.not_made->reason}));
                return;
            }
            const auto dot = out.name.rfind('.');
            const std::string stem = out.name.substr(0, dot), extension = out.name.substr(dot);
            std::string candidate = out.name;
            for (int n = 2; !used.insert(Lowered(Utf8FromPath(folder / PathFromUtf8(candidate)))).second; ++n)
                candidate = stem + "~" + std::to_string(n) + extension;
            const std::string path = Utf8FromPath(folder / PathFromUtf8(candidate));
            const Result<> wrote = out.written ? out.written->Commit(path) : WriteWholeFile(path, out.bytes);
            out.written.reset();
            out.made.reset();
            if (!wrote) {
                status = Report(run, wrote.error());
                return;
            }
            ++written;
            run.console().Path(path);
            run.console().Detail(run.Text(msg::kWrote, {Quoted(path)}));
        });
    return written;
}

}  // namespace

bool GroupIsCalled(const CatalogueGroup& group, const std::string& id_or_name) {
    if (const auto id = WholeNumber(id_or_name)) return group.id && *group.id == *id;
    return group.name && Lowered(*group.name) == Lowered(id_or_name);
}

std::function<bool(const CatalogueGroup&)> IconAtIndex(std::int32_t index) {
    if (index == 0) return {};
    return [index](const CatalogueGroup& group) {
        if (group.type != GroupType::kIcon) return false;
        if (index > 0) return group.index == static_cast<std::uint32_t>(index) + 1;
        return group.id && *group.id == -std::int64_t{index};
    };
}

std::string IconSourceFor(const Invocation& run, const std::string& path) {
    const auto source = LoadSource(path);
    if (!source || !source->read_from) return path;
    TellReadFrom(run, path, *source);
    return *source->read_from;
}

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

std::string CatalogueJson(const std::string& path, const Catalogue& catalogue, const std::optional<std::string>& read_from) {
    std::string line;
    JsonObject object(line);
    AppendJsonText(object.Key("path"), path);
    AppendJsonText(object.Key("kind"), catalogue::FileKindName(catalogue.kind));
    AppendGroups(object.Key("groups"), catalogue.groups);
    AppendGroups(object.Key("orphans"), catalogue.orphans);
    object.Key("problems") += '[';
    for (std::size_t i = 0; i < catalogue.problems.size(); ++i) {
        JsonObject problem(i > 0 ? line += ',' : line);
        AppendJsonText(problem.Key("what"), catalogue.problems[i].what);
        AppendJsonText(problem.Key("reason"), catalogue.problems[i].reason);
        problem.Close();
    }
    line += ']';
    if (read_from) AppendJsonText(object.Key("read_from"), *read_from);
    object.Close();
    return line;
}

std::string CatalogueTable(const std::string& path, const Catalogue& catalogue,
                           const std::optional<std::string>& read_from) {
    std::string text = Escaped(path) + " (" + std::string(catalogue::FileKindName(catalogue.kind)) +
                       (read_from ? ", icons from " + Escaped(*read_from) : std::string()) + ")\n";
    if (catalogue.groups.empty() && catalogue.orphans.empty()) text += "  no icons or cursors\n";
    std::size_t name_columns = kFewestNameColumns;
    for (const auto* groups : {&catalogue.groups, &catalogue.orphans})
        for (const auto& group : *groups)
            name_columns = std::max(name_columns, std::min(TerminalColumns(NameShown(group)), kMostNameColumns));
    if (!catalogue.groups.empty() || !catalogue.orphans.empty()) {
        char head[64];
        std::snprintf(head, sizeof head, "  %-16s %5s  ", "TYPE", "INDEX");
        text += head + PaddedTo("NAME", name_columns) + "   LANG  IMAGES\n";
    }
    for (const auto& group : catalogue.groups)
        text += GroupLine(group, std::string(catalogue::GroupTypeName(group.type)).c_str(), name_columns);
    for (const auto& group : catalogue.orphans)
        text += GroupLine(group, group.type == GroupType::kIcon ? "orphan icon" : "orphan cursor", name_columns);
    for (const auto& problem : catalogue.problems)
        text += "  problem: " + Escaped(problem.what) + ": " + Escaped(problem.reason) + "\n";
    return text;
}

// Files read and not yet printed, at most, by list: each holds its mapping until its line is out.
constexpr std::size_t kListAhead = 64;

int ListFiles(const Invocation& run, const std::vector<std::string>& files, bool json) {
    int status = kExitSuccess;
    // Files are read and their lines made on every core, and printed in the order of the
    // files by this thread as they come.
    struct Listed {
        std::optional<Result<Source>> source;
        std::string text;
    };
    std::vector<Listed> listed(files.size());
    MakeInOrder(
        files.size(), WorkersFor(files.size()), kListAhead,
        [&](std::size_t i) {
            const std::string& path = files[i];
            listed[i].source = LoadSource(path);
            const auto& source = *listed[i].source;
            if (!source) return;
            listed[i].text = json ? CatalogueJson(path, source->catalogue, source->read_from)
                                  : CatalogueTable(path, source->catalogue, source->read_from);
            if (!json) listed[i].text.pop_back();  // the console ends the answer's line
        },
        [&](std::size_t i) {
            const std::string& path = files[i];
            const auto& source = *listed[i].source;
            if (!source) {
                status = kExitFailure;
                if (json)
                    run.console().Answer(ErrorJson(path, ReasonText(run, source.error().reason)));
                else
                    run.Fail(run.Text(msg::kCannotRead, {Quoted(path), ReasonText(run, source.error().reason)}));
            } else {
                TellReadFrom(run, path, *source);
                run.console().Answer(listed[i].text);
            }
            listed[i] = Listed{};  // its mapping and text go now
        });
    return status;
}

int ExtractFiles(const Invocation& run, const ExtractRequest& request) {
    int status = kExitSuccess;
    std::set<std::string> used;
    CreatedFolders created;
    for (const std::string& path : request.files) {
        auto source = LoadSource(path);
        if (!source) {
            status = run.Fail(run.Text(msg::kCannotRead, {Quoted(path), ReasonText(run, source.error().reason)}));
            continue;
        }
        TellReadFrom(run, path, *source);
        for (const auto& problem : source->catalogue.problems)
            run.console().Progress(run.Text(kProblem, {Quoted(path), problem.what, problem.reason}));
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
        std::filesystem::path folder = PathFromUtf8(request.folder);
        if (!request.names && request.files.size() > 1) folder /= PathFromUtf8(path).filename();
        if (std::error_code ec; !created.Create(Utf8FromPath(folder), ec)) {
            status = run.Fail(run.Text(msg::kCreateFolder, {Quoted(Utf8FromPath(folder)), ec.message()}));
            continue;
        }
        std::map<std::tuple<GroupType, bool, std::uint32_t>, std::size_t> variants;
        // Counted over the whole file, so that a file keeps its name whatever was chosen.
        for (const auto* list : {&source->catalogue.groups, &source->catalogue.orphans})
            for (const CatalogueGroup& group : *list) ++variants[{group.type, group.orphan, group.index}];
        const std::string stem = SafeNamePart(ModuleStem(path));
        std::vector<Output> outputs;
        for (const CatalogueGroup* group : chosen) {
            const std::size_t count = variants[{group->type, group->orphan, group->index}];
            if (!request.png) {
                outputs.push_back({group, 0, GroupFileName(*group, request.names, stem, count, 0),
                                   GroupFileName(*group, true, stem, count, 0)});
                continue;
            }
            for (std::size_t i = 0; i < group->images.size(); ++i) {
                std::string name = GroupFileName(*group, request.names, stem, count, i + 1);
                outputs.push_back({group, i + 1, name, name});
            }
        }
        const std::size_t written = WriteOutputs(run, source->bytes(), folder, path, outputs, used, status);
        run.console().Progress(
            run.Text(written == 1 ? kWroteOneFile : kWroteFiles,
                     {std::to_string(written), Quoted(path), Quoted(Utf8FromPath(folder))}));
    }
    created.RemoveEmpty();
    return status;
}

}  // namespace icoforge::cli
