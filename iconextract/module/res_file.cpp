#include "iconextract/module/res_file.h"

#include <algorithm>

#include "common/byte_reader.h"
#include "iconextract/module/name_text.h"

namespace icoforge::module {
namespace {

// DataSize, HeaderSize, then TYPE and NAME, each an 0xFFFF-prefixed id or a
// NUL-terminated UTF-16 string, padded to 4 bytes; then DataVersion, MemoryFlags,
// LanguageId, Version, Characteristics.
constexpr std::uint64_t kFixedPrefix = 8;
constexpr std::uint64_t kFixedSuffix = 16;
constexpr std::uint64_t kSuffixLanguage = 6;
constexpr std::uint16_t kIdMarker = 0xFFFF;
constexpr std::uint64_t kAlignment = 4;
// The smallest header: both sizes, two ids, the fixed tail.
constexpr std::uint64_t kMinHeaderBytes = kFixedPrefix + 4 + 4 + kFixedSuffix;
// The entry 16-bit .res files lack: no data, a 32-byte header, type 0, name 0.
constexpr std::uint8_t kEmptyFirstEntry[] = {0, 0, 0, 0, 0x20, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0};

std::uint64_t Aligned(std::uint64_t value) { return (value + kAlignment - 1) / kAlignment * kAlignment; }

// A type or name field at `at` inside the header [start, end); moves `at` past it.
std::optional<ResourceName> ReadNameField(ByteView file, std::uint64_t& at, std::uint64_t end) {
    const auto first = ReadU16(file, at);
    if (!first || at + 2 > end) return std::nullopt;
    if (*first == kIdMarker) {
        const auto id = ReadU16(file, at + 2);
        if (!id || at + 4 > end) return std::nullopt;
        at += 4;
        return ResourceName::Id(*id);
    }
    // The string cannot run past the header; its length is bounded by the header size.
    const std::uint64_t start = at;
    while (true) {
        const auto unit = ReadU16(file, at);
        if (!unit || at + 2 > end) return std::nullopt;
        at += 2;
        if (*unit == 0) break;
    }
    std::string text = Utf16LeToUtf8(file.subspan(static_cast<std::size_t>(start), static_cast<std::size_t>(at - start - 2)));
    // Resource compilers upper-case string names, and lookups fold case: keep the stored
    // form, as a module's names are kept.
    return ResourceName::Text(std::move(text));
}

}  // namespace

bool LooksLikeResFile(ByteView file) {
    return file.size() >= sizeof kEmptyFirstEntry &&
           std::equal(std::begin(kEmptyFirstEntry), std::end(kEmptyFirstEntry), file.begin());
}

Result<ResFile> ReadResFile(ByteView file) {
    if (!LooksLikeResFile(file)) return Fail("parse", "", "not a 32-bit .res file: it does not start with the empty entry");
    ResFile res;
    std::uint64_t at = 0;
    while (at < file.size()) {
        const auto data_size = ReadU32(file, at);
        const auto header_size = ReadU32(file, at + 4);
        if (!data_size || !header_size) {
            res.damage = "an entry header at offset " + std::to_string(at) + " is cut short by the end of the file";
            break;
        }
        const std::uint64_t header_end = at + *header_size;
        if (*header_size < kMinHeaderBytes || !RangeFits(at, *header_size, file.size())) {
            res.damage = "the entry at offset " + std::to_string(at) + " gives a header size of " +
                         std::to_string(*header_size) + " bytes, which does not fit";
            break;
        }
        std::uint64_t field = at + kFixedPrefix;
        auto type = ReadNameField(file, field, header_end);
        auto name = type ? ReadNameField(file, field, header_end) : std::nullopt;
        field = Aligned(field);
        if (!type || !name || field + kFixedSuffix > header_end) {
            res.damage = "the type or name of the entry at offset " + std::to_string(at) + " runs past its header";
            break;
        }
        const std::uint16_t language = *ReadU16(file, field + kSuffixLanguage);
        const std::uint64_t data_at = Aligned(header_end);
        const auto data = SliceOf(file, data_at, *data_size);
        if (!data.ok) {
            res.damage = "the data of the entry at offset " + std::to_string(at) + " (" + std::to_string(*data_size) +
                         " bytes) runs past the end of the file";
            break;
        }
        // The empty entries (the first, and any padding an editor left) carry nothing.
        const bool empty = *data_size == 0 && type->is_id() && *type->id == 0;
        if (!empty) res.entries.push_back({std::move(*type), std::move(*name), language, data.bytes});
        at = Aligned(data_at + *data_size);
    }
    return res;
}

}  // namespace icoforge::module
