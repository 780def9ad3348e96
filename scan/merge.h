#pragma once
// Shard indexes into one: every block that is whole, once. The same group found on two
// machines has the same content hash, so it is one distinct group and one output name.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/failure.h"
#include "scan/index.h"

namespace icoforge::scan {

struct MergeOutcome {
    std::uint64_t lines = 0;     // written
    std::uint64_t files = 0;     // blocks written
    std::uint64_t groups = 0;    // lines that name an output
    std::uint64_t distinct = 0;  // distinct sha256 among them
    std::uint64_t problems = 0;  // lines with an error
    std::uint64_t dropped = 0;   // lines left out: cut short, refused, or already there
};

// Reads each index in turn and hands the merged text, piece by piece, to `write`
// (false from it stops the merge as a failure); the pieces make an index in `format`.
Result<MergeOutcome> MergeIndexes(const std::vector<std::string>& index_paths, IndexFormat format,
                                  const std::function<Result<>(std::string_view)>& write);

}  // namespace icoforge::scan
