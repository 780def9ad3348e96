#include "scan/merge.h"

#include <unordered_set>

#include "platform/mapped_file.h"
#include "scan/resume.h"
#include "scan/shard.h"

namespace icoforge::scan {

Result<MergeOutcome> MergeIndexes(const std::vector<std::string>& index_paths, IndexFormat format,
                                  const std::function<Result<>(std::string_view)>& write) {
    MergeOutcome outcome;
    // Eight bytes a block seen and a group's hash: what a merge holds, whatever the inputs.
    std::unordered_set<std::uint64_t> seen_blocks;
    std::unordered_set<std::uint64_t> seen_groups;
    auto written = write(IndexHeader(format));
    if (!written) return Fail(written.error());
    for (const auto& path : index_paths) {
        const auto mapped = MappedFile::Open(path);
        if (!mapped) return Fail(mapped.error());
        const ByteView bytes = mapped->bytes();
        const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        std::optional<Failure> failed;
        auto report = ReadIndexBlocks(text, IndexFormatOf(path), [&](IndexBlock&& block) {
            if (failed) return;
            if (!IsCompleteBlock(block)) {
                outcome.dropped += block.size();
                return;
            }
            // A file's block comes once, however many indexes hold it; lines alike inside
            // one block (a module naming one group twice) all stay.
            std::string lines;
            for (const auto& line : block) lines += FormatIndexLine(line, IndexFormat::JsonLines);
            if (!seen_blocks.insert(StablePathHash(lines)).second) {
                outcome.dropped += block.size();
                return;
            }
            lines.clear();
            for (const auto& line : block) {
                if (line.contains("error")) ++outcome.problems;
                const auto sha = line.find("sha256");
                if (line.contains("output") && sha != line.end() && sha->is_string()) {
                    ++outcome.groups;
                    if (seen_groups.insert(StablePathHash(sha->get_ref<const std::string&>())).second) ++outcome.distinct;
                }
                lines += FormatIndexLine(line, format);
            }
            ++outcome.files;
            outcome.lines += block.size();
            auto piece = write(lines);
            if (!piece) failed = piece.error();
        });
        if (!report) {
            auto failure = report.error();
            failure.path = path;
            return Fail(failure);
        }
        if (failed) return Fail(*failed);
        outcome.dropped += report->refused;
    }
    return outcome;
}

}  // namespace icoforge::scan
