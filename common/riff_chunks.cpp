#include "common/riff_chunks.h"

#include <algorithm>
#include <cstring>

#include "common/byte_reader.h"

namespace icoforge {

bool FourCcIs(ByteView bytes, std::uint64_t at, const char (&id)[5]) {
    const auto slice = SliceOf(bytes, at, 4);
    return slice.ok && std::memcmp(slice.bytes.data(), id, 4) == 0;
}

std::vector<RiffChunk> RiffChunks(ByteView bytes, std::uint64_t begin, std::uint64_t end) {
    std::vector<RiffChunk> chunks;
    std::uint64_t at = begin;
    while (at + kRiffChunkHeader <= end) {
        const std::uint64_t length = *ReadU32(bytes, at + 4);
        const std::uint64_t body = at + kRiffChunkHeader;
        const std::uint64_t size = std::min(length, end - body);
        chunks.push_back({at, bytes.subspan(static_cast<std::size_t>(body), static_cast<std::size_t>(size))});
        at = body + size + (size & 1);
    }
    return chunks;
}

bool IsRiffForm(ByteView file, const char (&form)[5]) { return FourCcIs(file, 0, "RIFF") && FourCcIs(file, 8, form); }

std::vector<RiffChunk> RiffFormChunks(ByteView file, const char (&form)[5]) {
    if (!IsRiffForm(file, form)) return {};
    const std::uint64_t stored = std::uint64_t{*ReadU32(file, 4)} + kRiffChunkHeader;
    return RiffChunks(file, kRiffHeader, std::min<std::uint64_t>(stored, file.size()));
}

}  // namespace icoforge
