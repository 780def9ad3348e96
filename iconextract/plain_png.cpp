#include "iconextract/plain_png.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <zlib.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/bytes.h"
#include "iconextract/icon_pixels.h"
#include "deflate/zlib_streams.h"

namespace icoforge {
namespace {

constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint32_t kIhdrBytes = 13;
constexpr std::uint32_t kMaxChunkBytes = 0x7FFFFFFF;  // the format's own bound
constexpr std::uint8_t kColourRgb = 2;
constexpr std::uint8_t kColourRgba = 6;
// The most a deflate stream can grow: a 258-byte match in a single bit at best, so about
// 1,032 bytes out for each byte in.
constexpr std::uint64_t kMaxDeflateExpansion = 1032;

std::optional<std::uint32_t> BigEndian32(ByteView data, std::uint64_t offset) {
    if (!RangeFits(offset, 4, data.size())) return std::nullopt;
    const std::uint8_t* p = data.data() + offset;
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

struct Chunk {
    std::array<char, 4> type;
    ByteView data;
};

bool Is(const Chunk& chunk, const char (&type)[5]) { return std::memcmp(chunk.type.data(), type, 4) == 0; }

// Every chunk up to IEND, each CRC checked; nothing when the file is cut short or wrong.
std::optional<std::vector<Chunk>> ReadChunks(ByteView png) {
    std::vector<Chunk> chunks;
    std::uint64_t at = kSignature.size();
    while (chunks.empty() || !Is(chunks.back(), "IEND")) {
        const auto length = BigEndian32(png, at);
        if (!length || *length > kMaxChunkBytes || !RangeFits(at + 4, std::uint64_t{*length} + 8, png.size()))
            return std::nullopt;
        const ByteView typed = png.subspan(static_cast<std::size_t>(at + 4), *length + 4);
        const auto crc = crc32(crc32(0, nullptr, 0), typed.data(), static_cast<uInt>(typed.size()));
        if (BigEndian32(png, at + 8 + *length) != crc) return std::nullopt;
        Chunk chunk{};
        std::memcpy(chunk.type.data(), typed.data(), 4);
        // libpng refuses a type that is not four ASCII letters.
        for (const char c : chunk.type)
            if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return std::nullopt;
        chunk.data = typed.subspan(4);
        chunks.push_back(chunk);
        at += std::uint64_t{*length} + 12;
    }
    return chunks;
}

struct Header {
    std::uint32_t width = 0, height = 0;
    std::uint32_t channels = 0;  // 3 or 4 bytes a pixel
};

std::optional<Header> ReadHeader(const Chunk& ihdr) {
    if (!Is(ihdr, "IHDR") || ihdr.data.size() != kIhdrBytes) return std::nullopt;
    Header header;
    header.width = *BigEndian32(ihdr.data, 0);
    header.height = *BigEndian32(ihdr.data, 4);
    const std::uint8_t depth = ihdr.data[8], colour = ihdr.data[9];
    const std::uint8_t compression = ihdr.data[10], filter = ihdr.data[11], interlace = ihdr.data[12];
    if (depth != 8 || (colour != kColourRgb && colour != kColourRgba) || compression != 0 || filter != 0 ||
        interlace != 0)
        return std::nullopt;
    if (header.width == 0 || header.height == 0 || header.width > kMaxIconPixels || header.height > kMaxIconPixels ||
        std::uint64_t{header.width} * header.height > kMaxIconPixels)
        return std::nullopt;
    header.channels = colour == kColourRgba ? 4 : 3;
    return header;
}

// The IDAT chunks, which must follow one another; any chunk libpng would act on (a
// palette, transparency for RGB, an unknown critical chunk) sends the file to libpng.
std::optional<std::vector<ByteView>> ImageData(const std::vector<Chunk>& chunks) {
    std::vector<ByteView> data;
    bool ended = false;
    for (std::size_t i = 1; i < chunks.size(); ++i) {
        const Chunk& chunk = chunks[i];
        if (Is(chunk, "IDAT")) {
            if (ended) return std::nullopt;
            data.push_back(chunk.data);
        } else {
            if (!data.empty()) ended = true;
            const bool ancillary = (chunk.type[0] & 0x20) != 0;
            if (Is(chunk, "IEND") ? !chunk.data.empty() : (!ancillary || Is(chunk, "tRNS"))) return std::nullopt;
        }
    }
    if (data.empty()) return std::nullopt;
    return data;
}

// The zlib stream spread over the IDAT chunks, inflated a row at a time.
class Inflater {
public:
    explicit Inflater(const std::vector<ByteView>& parts) : parts_(parts) {}
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    ~Inflater() {
        if (started_) inflateEnd(&stream_);
    }

    bool Start() {
        // The window the stream's header declares, as libpng takes it; no Adler-32, as
        // libpng is told: the chunk CRCs have covered the stream already.
        started_ = inflateInit2(&stream_, 0) == Z_OK;
        return started_ && inflateValidate(&stream_, 0) == Z_OK;
    }

    // Exactly `size` bytes, or false when the stream ends first or is damaged.
    bool Fill(std::uint8_t* out, std::size_t size) {
        stream_.next_out = out;
        stream_.avail_out = static_cast<uInt>(size);
        while (stream_.avail_out > 0) {
            if (ended_ || !Feed()) return false;
            const int status = inflate(&stream_, Z_NO_FLUSH);
            if (status == Z_STREAM_END) ended_ = true;
            else if (status != Z_OK) return false;
        }
        return true;
    }

    // True when the stream has ended with the last row and no byte follows it.
    bool EndsHere() {
        std::uint8_t spare = 0;
        while (!ended_) {
            stream_.next_out = &spare;
            stream_.avail_out = 1;
            if (!Feed()) return false;
            const int status = inflate(&stream_, Z_NO_FLUSH);
            if (status != Z_STREAM_END || stream_.avail_out == 0) return false;
            ended_ = true;
        }
        if (stream_.avail_in != 0) return false;
        for (; next_ < parts_.size(); ++next_)
            if (!parts_[next_].empty()) return false;
        return true;
    }

private:
    bool Feed() {
        while (stream_.avail_in == 0) {
            if (next_ == parts_.size()) return false;
            const ByteView part = parts_[next_++];
            stream_.next_in = const_cast<Bytef*>(part.data());
            stream_.avail_in = static_cast<uInt>(part.size());
        }
        return true;
    }

    const std::vector<ByteView>& parts_;
    std::size_t next_ = 0;
    z_stream stream_{};
    bool started_ = false;
    bool ended_ = false;
};

std::uint8_t PaethPredictor(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    if (pa <= pb && pa <= pc) return static_cast<std::uint8_t>(a);
    return static_cast<std::uint8_t>(pb <= pc ? b : c);
}

void UnfilterPaeth(std::uint8_t* row, const std::uint8_t* above, std::size_t bytes, std::size_t bpp) {
    std::size_t i = 0;
    for (; i < bpp; ++i) row[i] = static_cast<std::uint8_t>(row[i] + above[i]);  // a = c = 0
#if defined(__SSE2__)
    // A pixel's channels side by side in 16-bit lanes; the choice among left, above and
    // upper left made with masks where the predictor above branches.
    if (bpp == 4) {
        const __m128i zero = _mm_setzero_si128();
        const auto load = [&](const std::uint8_t* p) {
            std::uint32_t v;
            std::memcpy(&v, p, 4);
            return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(v)), zero);
        };
        const auto absolute = [&](__m128i v) { return _mm_max_epi16(v, _mm_sub_epi16(zero, v)); };
        __m128i a = load(row), c = load(above);
        for (; i < bytes; i += 4) {
            const __m128i b = load(above + i);
            const __m128i bc = _mm_sub_epi16(b, c), ac = _mm_sub_epi16(a, c);
            const __m128i pa = absolute(bc), pb = absolute(ac), pc = absolute(_mm_add_epi16(bc, ac));
            const __m128i smallest = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
            const __m128i take_a = _mm_cmpeq_epi16(pa, smallest);
            const __m128i take_b = _mm_andnot_si128(take_a, _mm_cmpeq_epi16(pb, smallest));
            const __m128i take_c = _mm_andnot_si128(_mm_or_si128(take_a, take_b), _mm_set1_epi16(-1));
            const __m128i nearest = _mm_or_si128(_mm_or_si128(_mm_and_si128(take_a, a), _mm_and_si128(take_b, b)),
                                                 _mm_and_si128(take_c, c));
            const __m128i pixel = _mm_and_si128(_mm_add_epi16(load(row + i), nearest), _mm_set1_epi16(0xFF));
            const auto packed = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(pixel, zero)));
            std::memcpy(row + i, &packed, 4);
            a = pixel;
            c = b;
        }
        return;
    }
#endif
    for (; i < bytes; ++i)
        row[i] = static_cast<std::uint8_t>(row[i] + PaethPredictor(row[i - bpp], above[i], above[i - bpp]));
}

// Undoes a row's filter in place; `above` is the row before, unfiltered (zeros for the first).
bool Unfilter(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* above, std::size_t bytes, std::size_t bpp) {
    switch (filter) {
    case 0:
        return true;
    case 1:
        for (std::size_t i = bpp; i < bytes; ++i) row[i] = static_cast<std::uint8_t>(row[i] + row[i - bpp]);
        return true;
    case 2:
        for (std::size_t i = 0; i < bytes; ++i) row[i] = static_cast<std::uint8_t>(row[i] + above[i]);
        return true;
    case 3:
        for (std::size_t i = 0; i < bpp; ++i) row[i] = static_cast<std::uint8_t>(row[i] + above[i] / 2);
        for (std::size_t i = bpp; i < bytes; ++i)
            row[i] = static_cast<std::uint8_t>(row[i] + (row[i - bpp] + above[i]) / 2);
        return true;
    case 4:
        UnfilterPaeth(row, above, bytes, bpp);
        return true;
    default:
        return false;
    }
}

}  // namespace

std::optional<RgbaImage> DecodePlainPng(ByteView png) {
    if (png.size() < kSignature.size() || !std::equal(kSignature.begin(), kSignature.end(), png.begin()))
        return std::nullopt;
    const auto chunks = ReadChunks(png);
    if (!chunks) return std::nullopt;
    const auto header = ReadHeader(chunks->front());
    if (!header) return std::nullopt;
    const auto data = ImageData(*chunks);
    if (!data) return std::nullopt;

    const std::size_t row_bytes = std::size_t{header->width} * header->channels;
    // Rows the stream cannot hold are not made room for: a file of a few bytes may declare
    // millions of rows, and libpng then says what is wrong with it.
    std::uint64_t stream_bytes = 0;
    for (const ByteView part : *data) stream_bytes += part.size();
    if ((std::uint64_t{row_bytes} + 1) * header->height > (stream_bytes + 1) * kMaxDeflateExpansion) return std::nullopt;
    RgbaImage image;
    image.width = header->width;
    image.height = header->height;
    // Four-channel rows are appended as they come, so the picture is not filled with
    // zeros first only to be written over: for the 256 x 256 icons a scan decodes by the
    // hundred, that filling cost a tenth of the decoding.
    const std::size_t picture_bytes = std::size_t{header->width} * header->height * RgbaImage::kChannels;
    if (header->channels == 4) image.pixels.reserve(picture_bytes);
    else image.pixels.resize(picture_bytes);
    std::uint8_t* out = image.pixels.data();
    // A row into the picture: its filter undone against the row above, unfiltered.
    const auto take_row = [&](std::uint8_t* line, const std::uint8_t* above) {
        if (!Unfilter(line[0], line + 1, above + 1, row_bytes, header->channels)) return false;
        if (header->channels == 4) {
            image.pixels.insert(image.pixels.end(), line + 1, line + 1 + row_bytes);
        } else {
            for (std::size_t x = 0; x < row_bytes; x += 3, out += 4) {
                std::memcpy(out, line + 1 + x, 3);
                out[3] = 0xFF;
            }
        }
        return true;
    };

    // All rows at once where a whole-stream decoder is at hand and the stream declares the
    // largest window (32 KiB, CINFO 7), which a decoder that ignores the declaration
    // cannot exceed: any smaller one, or a stream it refuses, is inflated row by row below.
    if (data->front().size() >= 1 && data->front()[0] == 0x78) {
        ByteBuffer joined;
        if (data->size() > 1)
            for (const ByteView part : *data) joined.insert(joined.end(), part.begin(), part.end());
        const ByteView stream = data->size() > 1 ? ByteView(joined) : data->front();
        // Left unset but for the zero row: the decoder writes every other byte or fails.
        const std::size_t stream_rows_bytes = (row_bytes + 1) * header->height;
        const auto rows = std::make_unique_for_overwrite<std::uint8_t[]>(stream_rows_bytes + row_bytes + 1);
        std::uint8_t* const zero_row = rows.get() + stream_rows_bytes;
        std::memset(zero_row, 0, row_bytes + 1);
        if (InflateWhole(stream, std::span(rows.get(), zero_row)).value_or(false)) {
            for (std::uint32_t y = 0; y < header->height; ++y) {
                std::uint8_t* line = rows.get() + y * (row_bytes + 1);
                if (!take_row(line, y == 0 ? zero_row : line - (row_bytes + 1))) return std::nullopt;
            }
            return image;
        }
    }

    Inflater inflater(*data);
    if (!inflater.Start()) return std::nullopt;
    // One byte of filter type, then the row; two rows, this one and the one above.
    std::vector<std::uint8_t> rows(2 * (row_bytes + 1), 0);
    std::uint8_t* line = rows.data();
    std::uint8_t* above = rows.data() + row_bytes + 1;
    for (std::uint32_t y = 0; y < header->height; ++y) {
        if (!inflater.Fill(line, row_bytes + 1) || !take_row(line, above)) return std::nullopt;
        std::swap(line, above);
    }
    if (!inflater.EndsHere()) return std::nullopt;
    return image;
}

}  // namespace icoforge
