#include "picture_test_util.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "common/byte_reader.h"
#include "common/byte_writer.h"
#include "common/path.h"
#include "platform/file_io.h"
#include "platform/temp_mapping.h"
#include "tests/support/host.h"
#include "tests/support/temp_folder.h"

namespace icoforge::test {
namespace {

std::string& FolderName() {
    static std::string folder;
    return folder;
}

std::string& TempBaseName() {
    static std::string base;
    return base;
}

// Every conversion keeps its pixels in a mapped temporary file. On a disk filesystem
// creating, mapping and removing one costs milliseconds however small the picture, which
// made up most of the corpus run; memory-backed storage, where the system offers it,
// runs the same code without that wait. Under Wine, drive Z: is the host's root.
std::filesystem::path FastTempBase() {
    std::error_code ec;
    const std::filesystem::path shared_memory = IsWindows() ? "Z:\\dev\\shm" : "/dev/shm";
    const auto status = std::filesystem::status(shared_memory, ec);
    if (std::filesystem::is_directory(status) &&
        (status.permissions() & std::filesystem::perms::others_write) != std::filesystem::perms::none)
        return shared_memory;
    return std::filesystem::temp_directory_path(ec);
}

class PrivateTempEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        folder_ = std::make_unique<testing::TempFolder>(FastTempBase());
        ASSERT_FALSE(folder_->path().empty());
        TempBaseName() = Utf8FromPath(folder_->path());
        testing::SetSystemTempFolder(TempBaseName());
        auto folder = TempFolderPath();
        ASSERT_TRUE(folder.has_value());
        FolderName() = *folder;
    }
    void TearDown() override { folder_.reset(); }

private:
    std::unique_ptr<testing::TempFolder> folder_;
};

[[maybe_unused]] const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new PrivateTempEnvironment);

}  // namespace

void SetTempEnvironment(const std::string& folder) { testing::SetSystemTempFolder(folder); }

std::string TempBase() { return TempBaseName(); }

std::string TestFolder() { return FolderName(); }
std::string TestPath(const std::string& name) { return TestFolder() + name; }

std::vector<std::string> PixstoreFiles() {
    std::vector<std::string> found;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(PathFromUtf8(TestFolder()), ec)) {
        const std::string name = Utf8FromPath(entry.path().filename());
        if (name.rfind("PIXSTORE", 0) == 0) found.push_back(name);
    }
    return found;
}

void WriteBytes(const std::string& path, ByteView bytes) { ASSERT_TRUE(WriteWholeFile(path, bytes)) << path; }

ByteBuffer ReadBytes(const std::string& path) { return ReadWholeFile(path).value_or(ByteBuffer{}); }

std::optional<RgbPicture> ReadBmp24(const std::string& path) {
    const auto bytes = ReadWholeFile(path);
    if (!bytes) return std::nullopt;
    const ByteView data(*bytes);
    const auto offset = ReadU32(data, 10);
    const auto width = ReadI32(data, 18);
    const auto height = ReadI32(data, 22);
    const auto bits = ReadU16(data, 28);
    if (!offset || !width || !height || !bits || *bits != 24 || *width < 1 || *height < 1) return std::nullopt;
    RgbPicture picture{*width, *height, {}};
    picture.rgb.resize(static_cast<std::size_t>(*width) * *height * 3);
    const std::uint64_t stride = (static_cast<std::uint64_t>(*width) * 3 + 3) / 4 * 4;
    for (std::int32_t y = 0; y < *height; ++y) {
        auto row = SliceOf(data, *offset + stride * (*height - 1 - y), stride);
        if (!row.ok) return std::nullopt;
        for (std::int32_t x = 0; x < *width; ++x) {
            std::uint8_t* out = &picture.rgb[(static_cast<std::size_t>(y) * *width + x) * 3];
            out[0] = row.bytes[x * 3 + 2];
            out[1] = row.bytes[x * 3 + 1];
            out[2] = row.bytes[x * 3];
        }
    }
    return picture;
}

namespace {

struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::FILE* file = nullptr;
    ~PngReader() {
        if (png != nullptr) png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
        if (file != nullptr) std::fclose(file);
    }
};

void Quiet(png_structp, png_const_charp) {}
// Files that are not PNGs are asked about too; their refusal needs no message.
[[noreturn]] void QuietFailure(png_structp png, png_const_charp) { png_longjmp(png, 1); }

bool DecodePng(PngReader& r, bool display_gamma, RgbPicture& picture, std::vector<png_bytep>& rows) {
    if (setjmp(png_jmpbuf(r.png)) != 0) return false;
    png_init_io(r.png, r.file);
    png_read_info(r.png, r.info);
    png_set_expand(r.png);
    png_set_scale_16(r.png);
    png_set_strip_alpha(r.png);
    png_set_gray_to_rgb(r.png);
    if (display_gamma) {
        double file_gamma = 0.45455;
        int intent = 0;
        if (png_get_sRGB(r.png, r.info, &intent) == 0 && png_get_gAMA(r.png, r.info, &file_gamma) == 0)
            file_gamma = 0.45455;
        png_set_gamma(r.png, 2.2, file_gamma);
    }
    png_set_interlace_handling(r.png);
    png_read_update_info(r.png, r.info);
    picture.width = static_cast<std::int32_t>(png_get_image_width(r.png, r.info));
    picture.height = static_cast<std::int32_t>(png_get_image_height(r.png, r.info));
    if (png_get_rowbytes(r.png, r.info) != static_cast<png_size_t>(picture.width) * 3) return false;
    picture.rgb.assign(static_cast<std::size_t>(picture.width) * picture.height * 3, 0);
    rows.resize(static_cast<std::size_t>(picture.height));
    for (std::int32_t y = 0; y < picture.height; ++y) rows[y] = &picture.rgb[static_cast<std::size_t>(y) * picture.width * 3];
    png_read_image(r.png, rows.data());
    return true;
}

}  // namespace

std::optional<RgbPicture> ReadPngRgb(const std::string& path, bool display_gamma) {
    PngReader r;
    r.file = std::fopen(path.c_str(), "rb");
    if (r.file == nullptr) return std::nullopt;
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietFailure, Quiet);
    if (r.png == nullptr) return std::nullopt;
    r.info = png_create_info_struct(r.png);
    if (r.info == nullptr) return std::nullopt;
    RgbPicture picture;
    std::vector<png_bytep> rows;
    if (!DecodePng(r, display_gamma, picture, rows)) return std::nullopt;
    return picture;
}

std::optional<RgbPicture> ReadPnm(const std::string& path) {
    const auto bytes = ReadWholeFile(path);
    if (!bytes || bytes->size() < 3 || (*bytes)[0] != 'P') return std::nullopt;
    const char kind = static_cast<char>((*bytes)[1]);
    std::size_t pos = 2;
    auto next_number = [&]() -> long {
        while (pos < bytes->size()) {
            const char c = static_cast<char>((*bytes)[pos]);
            if (c == '#') {
                while (pos < bytes->size() && (*bytes)[pos] != '\n') ++pos;
            } else if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
                ++pos;
            } else {
                break;
            }
        }
        long value = 0;
        while (pos < bytes->size() && (*bytes)[pos] >= '0' && (*bytes)[pos] <= '9') value = value * 10 + ((*bytes)[pos++] - '0');
        return value;
    };
    RgbPicture picture;
    picture.width = static_cast<std::int32_t>(next_number());
    picture.height = static_cast<std::int32_t>(next_number());
    const long maxval = kind == '4' ? 1 : next_number();
    ++pos;  // the single whitespace byte before the raster
    const ByteView data(*bytes);
    picture.rgb.resize(static_cast<std::size_t>(picture.width) * picture.height * 3);
    const int channels = kind == '6' ? 3 : 1;
    const int sample_bytes = maxval > 255 ? 2 : 1;
    const std::size_t row_bytes =
        kind == '4' ? (picture.width + 7) / 8 : static_cast<std::size_t>(picture.width) * channels * sample_bytes;
    for (std::int32_t y = 0; y < picture.height; ++y) {
        auto row = SliceOf(data, pos + row_bytes * y, row_bytes);
        if (!row.ok) return std::nullopt;
        for (std::int32_t x = 0; x < picture.width; ++x) {
            std::uint8_t* out = &picture.rgb[(static_cast<std::size_t>(y) * picture.width + x) * 3];
            if (kind == '4') {
                const bool black = (row.bytes[x / 8] >> (7 - x % 8)) & 1;
                out[0] = out[1] = out[2] = black ? 0 : 255;
                continue;
            }
            for (int c = 0; c < 3; ++c) {
                const std::size_t at = (static_cast<std::size_t>(x) * channels + (channels == 3 ? c : 0)) * sample_bytes;
                const unsigned v = sample_bytes == 2 ? (row.bytes[at] << 8) | row.bytes[at + 1] : row.bytes[at];
                out[c] = static_cast<std::uint8_t>((v * 255 + maxval / 2) / maxval);
            }
        }
    }
    return picture;
}

ByteBuffer PngChunk(const char* type, const ByteBuffer& data) {
    ByteBuffer out;
    out.reserve(12 + data.size());
    const auto put32 = [&](std::uint32_t v) {
        for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<std::uint8_t>(v >> s));
    };
    put32(static_cast<std::uint32_t>(data.size()));
    const std::size_t start = out.size();
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(type[i]));
    out.insert(out.end(), data.begin(), data.end());
    put32(static_cast<std::uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
    return out;
}

void WriteBmp24Header(ByteWriter& w, std::int32_t width, std::int32_t height, std::size_t pixel_bytes) {
    w.U16(0x4D42);
    w.U32(static_cast<std::uint32_t>(54 + pixel_bytes));
    w.U32(0);
    w.U32(54);
    w.U32(40);
    w.I32(width);
    w.I32(height);
    w.U16(1);
    w.U16(24);
    w.Zeros(24);
}

ByteBuffer MakePng(std::uint32_t width, std::uint32_t height, std::uint8_t depth, std::uint8_t colour_type,
                   const std::vector<ByteBuffer>& rows, const ByteBuffer& extra_chunks, bool interlaced) {
    ByteBuffer ihdr;
    for (std::uint32_t v : {width, height})
        for (int s = 24; s >= 0; s -= 8) ihdr.push_back(static_cast<std::uint8_t>(v >> s));
    ihdr.insert(ihdr.end(), {depth, colour_type, 0, 0, static_cast<std::uint8_t>(interlaced ? 1 : 0)});
    ByteBuffer raw;
    for (const auto& row : rows) {
        raw.push_back(0);
        raw.insert(raw.end(), row.begin(), row.end());
    }
    uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
    ByteBuffer packed(packed_size);
    compress(packed.data(), &packed_size, raw.data(), static_cast<uLong>(raw.size()));
    packed.resize(packed_size);
    ByteBuffer out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const ByteBuffer& chunk : {PngChunk("IHDR", ihdr), extra_chunks, PngChunk("IDAT", packed), PngChunk("IEND", {})})
        out.insert(out.end(), chunk.begin(), chunk.end());
    return out;
}

bool IsWindows() {
#ifdef _WIN32
    return true;
#else
    return false;
#endif
}

}  // namespace icoforge::test
