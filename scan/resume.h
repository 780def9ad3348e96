#pragma once
// Taking up an index a run left behind, whole or cut short by a crash: its lines come in
// blocks, one block per file, written in one piece; a block counts only when it holds
// every line its file gave (each line says how many), none with a problem, and every
// output it names is in the store. What does not count is dropped from the index and
// its file scanned again, so that the resumed index is the one a clean run would write.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "common/failure.h"
#include "scan/index.h"
#include "scan/store.h"

namespace icoforge::scan {

using IndexBlock = std::vector<nlohmann::json>;

// The lines of `text` handed over in blocks: consecutive lines of one path, size and mtime.
Result<IndexReadReport> ReadIndexBlocks(std::string_view text, IndexFormat format,
                                        const std::function<void(IndexBlock&&)>& take);

// Every line there, each saying the file gave that many lines.
bool IsCompleteBlock(const IndexBlock& block);

// The key of one state of one file: a 64-bit hash of its path, size and mtime.
std::uint64_t FileKey(std::string_view path, std::uint64_t size, std::string_view mtime);

struct ResumePoint {
    std::vector<std::uint64_t> done;  // sorted keys of the files taken as done
    std::uint64_t dropped_lines = 0;  // lines taken out of the index to be redone
    bool rewritten = false;           // the index was replaced without them
    bool Done(std::uint64_t key) const;
};

// Reads the index at `index_path` (none there: nothing done), keeps the blocks that
// count and, when anything else is there, replaces the index with just those.
Result<ResumePoint> TakeUpIndex(const std::string& index_path, const Store& store);

}  // namespace icoforge::scan
