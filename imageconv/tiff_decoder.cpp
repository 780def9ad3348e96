#include "imageconv/tiff_decoder.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "common/byte_reader.h"
#include "common/checked_size.h"
#include "imageconv/mapped_buffer.h"
#include "imageconv/tiff_library.h"

namespace icoforge {
namespace {

// libtiff reads the file through these, from the read-only mapping of the whole file.
struct Source {
    ByteView data;
    std::uint64_t position = 0;
};

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size) {
    auto* source = static_cast<Source*>(handle);
    if (size <= 0 || source->position >= source->data.size()) return 0;
    const std::uint64_t available = source->data.size() - source->position;
    const std::uint64_t count = std::min<std::uint64_t>(static_cast<std::uint64_t>(size), available);
    const SubView slice = SliceOf(source->data, source->position, count);
    if (!slice.ok) return 0;
    std::memcpy(buffer, slice.bytes.data(), slice.bytes.size());
    source->position += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) { return 0; }

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    auto* source = static_cast<Source*>(handle);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR) base = source->position;
    if (whence == SEEK_END) base = source->data.size();
    if (offset > std::numeric_limits<std::uint64_t>::max() - base) return static_cast<toff_t>(-1);
    source->position = base + offset;
    return source->position;
}

int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t handle) { return static_cast<Source*>(handle)->data.size(); }

int MapProc(thandle_t handle, void** base, toff_t* size) {
    auto* source = static_cast<Source*>(handle);
    if (source->data.empty()) return 0;
    *base = const_cast<std::uint8_t*>(source->data.data());
    *size = source->data.size();
    return 1;
}
void UnmapProc(thandle_t, void*, toff_t) {}

// A hostile header can ask libtiff for a strip buffer of hundreds of gigabytes; no strip
// of a picture that can be converted comes near this.
constexpr tmsize_t kMaxSingleAllocation = tmsize_t{1} << 30;

// libtiff's messages are of no use to anyone: the caller learns only that the file failed.
int DiscardMessage(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct OptionsDeleter {
    const TiffLibrary* library;
    void operator()(TIFFOpenOptions* options) const { library->TIFFOpenOptionsFree(options); }
};

// The most one stored byte can stand for, in each compression whose worst case is known.
// The fax codes (one bit for a blank row, however wide) and the newer dictionary coders
// have no useful bound; only the pixel limit holds those.
std::optional<std::uint64_t> MaxExpansion(std::uint16_t compression) {
    switch (compression) {
    case COMPRESSION_NONE:
        return 1;
    case COMPRESSION_PACKBITS:  // two bytes for a run of 128
        return 64;
    case COMPRESSION_JPEG:  // one bit for a flat block of 64 samples, chroma at half size
        return 1024;
    case COMPRESSION_DEFLATE:
    case COMPRESSION_ADOBE_DEFLATE:  // two bits for a match of 258 bytes
        return 1032;
    case COMPRESSION_LZW:  // a code of 9 bits or more for a string of at most 4094 bytes
        return 4096;
    default:
        return std::nullopt;
    }
}

// True when the file can hold what its directory says the picture is made of: every
// strip or tile lies inside the file, and their bytes, expanded as far as their
// compression can, reach the size of the picture's rows. libtiff would otherwise let a
// file of a few bytes stand for a picture of gigabytes, and find out only while filling it.
bool DataCanFill(const TiffLibrary& library, TIFF* tiff, std::uint64_t file_size, std::uint64_t height) {
    const std::uint32_t pieces =
        library.TIFFIsTiled(tiff) ? library.TIFFNumberOfTiles(tiff) : library.TIFFNumberOfStrips(tiff);
    if (pieces == 0) return false;
    std::uint64_t stored = 0;
    for (std::uint32_t i = 0; i < pieces; ++i) {
        int error = 0;
        const std::uint64_t offset = library.TIFFGetStrileOffsetWithErr(tiff, i, &error);
        const std::uint64_t count = error == 0 ? library.TIFFGetStrileByteCountWithErr(tiff, i, &error) : 0;
        if (error != 0 || count == 0 || !RangeFits(offset, count, file_size)) return false;
        const auto sum = CheckedAdd(stored, count);
        if (!sum) return false;
        stored = *sum;
    }
    std::uint16_t compression = COMPRESSION_NONE;
    library.TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    const auto expansion = MaxExpansion(compression);
    if (!expansion) return true;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    std::uint16_t samples = 1;
    library.TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    library.TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    const std::uint64_t planes = planar == PLANARCONFIG_SEPARATE ? samples : 1;
    const auto rows = CheckedMul(library.TIFFScanlineSize64(tiff), height);
    const auto picture_bytes = rows ? CheckedMul(*rows, planes) : std::nullopt;
    // Pieces may overlap; the file itself is the most data there can be.
    const auto most = CheckedMul(std::min(stored, file_size), *expansion);
    return picture_bytes && (!most || *picture_bytes <= *most);
}

}  // namespace

struct TiffDecoder::Session {
    const TiffLibrary* library = nullptr;
    std::optional<MappedFile> file;
    Source source;
    TIFF* tiff = nullptr;

    Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() {
        if (tiff != nullptr) library->TIFFClose(tiff);
    }
};

TiffDecoder::TiffDecoder() = default;
TiffDecoder::~TiffDecoder() { Close(); }

bool TiffDecoder::Open(std::string_view path, RasterImage& image) {
    Close();
    const auto& loaded = TiffFunctions();
    if (!loaded) return false;
    const TiffLibrary& library = *loaded;
    session_ = std::make_unique<Session>();
    session_->library = &library;
    auto file = MappedFile::Open(path);
    if (!file) return Close(), false;
    session_->file = std::move(*file);
    session_->source.data = session_->file->bytes();
    std::unique_ptr<TIFFOpenOptions, OptionsDeleter> options(library.TIFFOpenOptionsAlloc(), {&library});
    if (!options) return Close(), false;
    library.TIFFOpenOptionsSetErrorHandlerExtR(options.get(), DiscardMessage, nullptr);
    library.TIFFOpenOptionsSetWarningHandlerExtR(options.get(), DiscardMessage, nullptr);
    library.TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), kMaxSingleAllocation);
    const std::string name(path);
    session_->tiff = library.TIFFClientOpenExt(name.c_str(), "r", &session_->source, ReadProc, WriteProc, SeekProc,
                                               CloseProc, SizeProc, MapProc, UnmapProc, options.get());
    if (session_->tiff == nullptr) return Close(), false;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (library.TIFFGetField(session_->tiff, TIFFTAG_IMAGEWIDTH, &width) != 1 ||
        library.TIFFGetField(session_->tiff, TIFFTAG_IMAGELENGTH, &height) != 1 || width < 1 || height < 1)
        return Close(), false;
    path_ = std::string(path);
    image_ = &image;
    width_ = width;
    height_ = height;
    return true;
}

bool TiffDecoder::Decode() {
    if (!session_ || session_->tiff == nullptr || image_ == nullptr) return false;
    if (!FitsInt32(width_) || !FitsInt32(height_) || ExceedsPixelLimit()) return false;
    if (!DataCanFill(*session_->library, session_->tiff, session_->source.data.size(), height_)) return false;
    const auto w = static_cast<std::int32_t>(width_);
    const auto h = static_cast<std::int32_t>(height_);
    if (image_->width() != w || image_->height() != h || image_->bits_per_pixel() != 24) {
        if (!image_->Create(w, h, 24, 0)) return false;
    }
    // Cannot overflow: both sides are below 2^31.
    MappedBuffer raster;
    if (!raster.Allocate(width_ * height_ * 4, kPixelStorePrefix)) return false;
    auto* pixels = reinterpret_cast<std::uint32_t*>(raster.bytes().data());
    if (session_->library->TIFFReadRGBAImage(session_->tiff, static_cast<std::uint32_t>(width_),
                                             static_cast<std::uint32_t>(height_), pixels, 0) == 0)
        return false;
    // libtiff delivers the bottom row first.
    for (std::uint64_t y = 0; y < height_; ++y) {
        const std::uint32_t* in = pixels + (height_ - 1 - y) * width_;
        const std::span<std::uint8_t> out = image_->Row(static_cast<std::int32_t>(y));
        for (std::uint64_t x = 0; x < width_; ++x) {
            out[x * 3] = static_cast<std::uint8_t>(TIFFGetR(in[x]));
            out[x * 3 + 1] = static_cast<std::uint8_t>(TIFFGetG(in[x]));
            out[x * 3 + 2] = static_cast<std::uint8_t>(TIFFGetB(in[x]));
        }
    }
    image_->FlushPixels();
    return true;
}

void TiffDecoder::Close() {
    session_.reset();
    path_.clear();
    image_ = nullptr;
    width_ = 0;
    height_ = 0;
}

}  // namespace icoforge
