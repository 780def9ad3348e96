#pragma once
// What a Windows file holds in icons and cursors, listed in one reading: every icon group,
// cursor group, animated icon and animated cursor of a module (PE32, PE32+, NE), a compiled
// resource file (.res), or an icon, cursor or animation file, with every language variant,
// the true size of each image and every fault found on the way.
//
// Every function here is reentrant and keeps no state between calls: a scan may call them
// from several threads on the same or different files. The catalogue borrows nothing: its
// groups name their images by offset into the file, so the file's bytes must be passed
// again (unchanged) to the functions that read an image or write a group.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/bytes.h"
#include "common/failure.h"
#include "platform/file_reader.h"
#include "common/rgba_image.h"

namespace icoforge::catalogue {

enum class FileKind : std::uint8_t { kPe32, kPe32Plus, kNe, kIco, kCur, kAni, kRes };
enum class GroupType : std::uint8_t { kIcon, kCursor, kAnimatedIcon, kAnimatedCursor };
enum class ImageFormat : std::uint8_t { kBmp, kPng };

// "pe32", "pe32+", "ne", "ico", "cur", "ani", "res".
std::string_view FileKindName(FileKind kind);
// "icon", "cursor", "animated-icon", "animated-cursor".
std::string_view GroupTypeName(GroupType type);
// "bmp", "png".
std::string_view ImageFormatName(ImageFormat format);

struct CatalogueImage {
    // True size, from the PNG's IHDR or the bitmap's header (a one-byte directory field
    // cannot say 256 or more, and is often wrong); 0 when the image is too short to say.
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t bits = 0;  // bits per pixel; 32 for PNG images, as Windows decodes them
    ImageFormat format = ImageFormat::kBmp;
    // Where the image lies in the file and how long it is. For a cursor resource the
    // two-word hot spot that precedes the bitmap is not counted here (see hotspot).
    std::uint64_t offset = 0;
    std::uint64_t bytes = 0;
    std::optional<std::uint16_t> id;  // RT_ICON / RT_CURSOR id, in a module or .res
    std::optional<std::pair<std::uint16_t, std::uint16_t>> hotspot;  // cursors only
    std::uint32_t frame = 0;  // animations: the 0-based frame the image belongs to
};

struct CatalogueGroup {
    GroupType type = GroupType::kIcon;
    std::optional<std::uint16_t> id;     // integer resource name
    std::optional<std::string> name;     // string resource name, UTF-8
    std::optional<std::uint16_t> language;  // nothing where the file has no languages (NE, files)
    // 1-based position among the groups of its type, as `group` and `extract` count them;
    // the language variants of one name share it.
    std::uint32_t index = 1;
    // Orphans are images no group names, each kept as a one-image group of its own.
    bool orphan = false;
    // Images the group names that the file does not hold (each also a problem). Such a
    // group is listed with the images it has, but not written out.
    std::uint32_t missing_images = 0;
    std::vector<CatalogueImage> images;  // for animations: one per frame, in file order
    // Animations only: frame count, steps (the sequence of frames shown) and the rate of
    // each step in jiffies (1/60 s).
    std::uint32_t frames = 0;
    std::uint32_t steps = 0;
    std::vector<std::uint32_t> rates;
    // Animations: where the whole RIFF lies in the file, written out as stored.
    std::uint64_t offset = 0;
    std::uint64_t bytes = 0;
};

struct Problem {
    std::string what;    // the group or image concerned, e.g. "icon group 3 (language 1033)"
    std::string reason;  // "names image 7, which the file does not hold", ...
};

struct Catalogue {
    FileKind kind = FileKind::kIco;
    std::vector<CatalogueGroup> groups;  // icons, cursors, animated icons, animated cursors
    // RT_ICON and RT_CURSOR images that no group names, as one-image groups (index counts
    // them from 1 apart from the groups).
    std::vector<CatalogueGroup> orphans;
    std::vector<Problem> problems;
};

// Reads any supported file by its content. A failure only for bytes that are none of the
// supported kinds, or whose headers do not fit; damage inside an otherwise readable file
// becomes a problem, and the groups that are whole are still listed.
Result<Catalogue> ReadCatalogue(ByteView file);

// A module's headers and section table fit in its first page but for the odd one.
inline constexpr std::size_t kModuleHeadBytes = 4096;

// What a few small reads tell of a file's catalogue, for a caller that looks at many files
// before it maps one: the kind of a PE module whose resource root holds none of the types
// the catalogue lists, so that its catalogue is that kind and nothing else. Nothing where
// those reads cannot tell (an NE module, headers reaching past the head, headers the full
// parse would refuse, a cut-short root) or the file is no PE module. `head` is the file's
// first kModuleHeadBytes, or all of it when it is shorter.
Result<std::optional<FileKind>> KindOfModuleWithoutGroups(const FileReader& file, ByteView head);

// A read of a file: fills the span from the offset on, as far as the file goes, and tells
// how many bytes that was.
using ReadAt = std::function<Result<std::size_t>(std::uint64_t offset, std::span<std::uint8_t> into)>;

// The same reads for the number of icon groups of a PE module, as ResourceModule::Names
// counts them in the whole module: nothing where they cannot tell (as above, or a string
// name that lies outside the file, which the whole module must tell).
std::optional<std::int32_t> IconGroupCountFromReads(const ReadAt& read_at, std::uint64_t size, ByteView head);

// The group as a file of its own: .ico for icons, .cur (with hot spots) for cursors, the
// RIFF as stored for animations. Refused when an image lies outside the file or the result
// would pass the output limit.
Result<ByteBuffer> GroupFileBytes(ByteView file, const CatalogueGroup& group);

// One image of a group as RGBA: PNG decoded, bitmaps of 1, 4, 8, 16, 24 and 32 bits with
// their AND mask as transparency (a 32-bit bitmap whose alpha is not all zero keeps its
// alpha). Refused beyond the pixel limit.
Result<RgbaImage> DecodeGroupImage(ByteView file, const CatalogueGroup& group, std::size_t image);

// The bytes of one image as stored (PNG or DIB, without a cursor's hot spot).
Result<ByteView> GroupImageBytes(ByteView file, const CatalogueGroup& group, std::size_t image);

// The group Explorer shows for the file: the first icon group in listing order (for a
// module, the first name of RT_GROUP_ICON, its neutral or first language); for a cursor or
// animation file, its one group. Nothing when the catalogue holds none.
const CatalogueGroup* MainIconGroup(const Catalogue& catalogue);

// Why a file gives no group to show.
enum class NoGroup : std::uint8_t {
    kNoSuchGroup,  // it has groups, but not the one asked for
    kDamaged,      // its icon groups are all damaged, or the file ends before its resources
    kNoIcon,       // it simply holds no icon (a system module's .mun may)
};

struct ShownGroup {
    const CatalogueGroup* group = nullptr;
    NoGroup missing = NoGroup::kNoIcon;  // where `group` is null
    std::string reason;                  // that, in the words `list` uses for a damage
};

// The first group `chosen` picks, or with no chooser the one MainIconGroup gives; where
// there is none, why.
ShownGroup GroupToShow(const Catalogue& catalogue, const std::function<bool(const CatalogueGroup&)>& chosen);

// The image of a group that best fits a square of `size` pixels: the smallest at least
// that large, deepest first, else the largest. Nothing for a group without images.
std::optional<std::size_t> BestImageFor(const CatalogueGroup& group, std::uint32_t size);

}  // namespace icoforge::catalogue
