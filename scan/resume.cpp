#include "scan/resume.h"

#include <algorithm>

#include "platform/file_io.h"
#include "platform/mapped_file.h"
#include "platform/replacing_file.h"
#include "scan/shard.h"

namespace icoforge::scan {
namespace {

std::string TextField(const nlohmann::json& line, const char* name) {
    const auto field = line.find(name);
    return field != line.end() && field->is_string() ? field->get<std::string>() : std::string();
}

std::uint64_t CountField(const nlohmann::json& line, const char* name) {
    const auto field = line.find(name);
    return field != line.end() && field->is_number_unsigned() ? field->get<std::uint64_t>() : 0;
}

std::uint64_t KeyOf(const nlohmann::json& line) {
    return FileKey(LinePath(line), CountField(line, "size"), TextField(line, "mtime"));
}

bool BlockCounts(const IndexBlock& block, const Store& store) {
    if (!IsCompleteBlock(block)) return false;
    for (const auto& line : block) {
        if (line.contains("error")) return false;
        const std::string output = TextField(line, "output");
        if (output.empty() || !store.Has(output)) return false;
    }
    return true;
}

}  // namespace

Result<IndexReadReport> ReadIndexBlocks(std::string_view text, IndexFormat format,
                                        const std::function<void(IndexBlock&&)>& take) {
    IndexBlock block;
    std::uint64_t block_key = 0;
    auto report = ReadIndexText(text, format, [&](nlohmann::json&& line) {
        const std::uint64_t key = KeyOf(line);
        if (!block.empty() && key != block_key) {
            take(std::move(block));
            block.clear();
        }
        block_key = key;
        block.push_back(std::move(line));
    });
    if (report && !block.empty()) take(std::move(block));
    return report;
}

bool IsCompleteBlock(const IndexBlock& block) {
    for (const auto& line : block) {
        // A line without a count stands alone: a file that could not be read.
        const std::uint64_t expected = line.contains("groups") ? CountField(line, "groups") : 1;
        if (expected != block.size()) return false;
    }
    return !block.empty();
}

std::uint64_t FileKey(std::string_view path, std::uint64_t size, std::string_view mtime) {
    std::string key(path);
    key += '\0';
    key += std::to_string(size);
    key += '\0';
    key += mtime;
    return StablePathHash(key);
}

bool ResumePoint::Done(std::uint64_t key) const { return std::binary_search(done.begin(), done.end(), key); }

Result<ResumePoint> TakeUpIndex(const std::string& index_path, const Store& store) {
    ResumePoint point;
    if (!FileExists(index_path)) return point;
    auto opened = MappedFile::Open(index_path);
    if (!opened) return Fail(opened.error());
    std::optional<MappedFile> mapped(std::move(*opened));
    const ByteView bytes = mapped->bytes();
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const IndexFormat format = IndexFormatOf(index_path);

    auto report = ReadIndexBlocks(text, format, [&](IndexBlock&& block) {
        if (BlockCounts(block, store)) {
            point.done.push_back(KeyOf(block.front()));
        } else {
            point.dropped_lines += block.size();
        }
    });
    if (!report) {
        auto failure = report.error();
        failure.path = index_path;
        return Fail(failure);
    }
    std::sort(point.done.begin(), point.done.end());
    point.done.erase(std::unique(point.done.begin(), point.done.end()), point.done.end());
    if (point.dropped_lines == 0 && report->refused == 0 && !report->cut_short) return point;

    // Something must go: the kept blocks are written again, in their order, to a
    // temporary that replaces the index only when it is complete.
    auto replacement = ReplacingFile::Create(index_path);
    if (!replacement) return Fail(replacement.error());
    const std::string header = IndexHeader(format);
    Result<> written = replacement->Write(ByteView(reinterpret_cast<const std::uint8_t*>(header.data()), header.size()));
    (void)ReadIndexBlocks(text, format, [&](IndexBlock&& block) {
        if (!written || !BlockCounts(block, store)) return;
        std::string lines;
        for (const auto& line : block) lines += FormatIndexLine(line, format);
        written = replacement->Write(ByteView(reinterpret_cast<const std::uint8_t*>(lines.data()), lines.size()));
    });
    // Windows will not rename over a file that is still mapped.
    mapped.reset();
    if (!written) return Fail(written.error());
    if (auto committed = replacement->Commit(); !committed) return Fail(committed.error());
    point.rewritten = true;
    point.dropped_lines += report->refused;
    return point;
}

}  // namespace icoforge::scan
