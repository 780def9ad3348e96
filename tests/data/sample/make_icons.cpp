// Writes the icon files that sample.rc puts into the sample module: small pictures drawn
// here (gradients, rings, a checkerboard), in the depths real modules use, and one
// 256-pixel image stored as PNG as modern modules have it.
//
//   c++ -std=c++20 -O1 make_icons.cpp -o make_icons -lz && ./make_icons OUTDIR

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <zlib.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
struct Rgba { std::uint8_t r, g, b, a; };
using Picture = std::function<Rgba(int x, int y, int size)>;

void U16(Bytes& out, std::uint32_t v) { out.push_back(v & 0xFF); out.push_back((v >> 8) & 0xFF); }
void U32(Bytes& out, std::uint32_t v) { U16(out, v & 0xFFFF); U16(out, v >> 16); }
void BigU32(Bytes& out, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back((v >> s) & 0xFF);
}

std::uint32_t Crc32(const std::uint8_t* p, std::size_t n) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

void Chunk(Bytes& png, const char* type, const Bytes& body) {
    BigU32(png, static_cast<std::uint32_t>(body.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), body.begin(), body.end());
    png.insert(png.end(), typed.begin(), typed.end());
    BigU32(png, Crc32(typed.data(), typed.size()));
}

// An 8-bit RGBA PNG.
Bytes Png(int size, const Picture& picture) {
    Bytes raw;
    for (int y = 0; y < size; ++y) {
        raw.push_back(1);  // "Sub" filter: smooth pictures then compress well
        Rgba left{0, 0, 0, 0};
        for (int x = 0; x < size; ++x) {
            const Rgba c = picture(x, y, size);
            raw.insert(raw.end(), {std::uint8_t(c.r - left.r), std::uint8_t(c.g - left.g), std::uint8_t(c.b - left.b),
                                   std::uint8_t(c.a - left.a)});
            left = c;
        }
    }
    uLongf packed = compressBound(static_cast<uLong>(raw.size()));
    Bytes z(packed);
    if (compress2(z.data(), &packed, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK) return {};
    z.resize(packed);
    Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes ihdr;
    BigU32(ihdr, size);
    BigU32(ihdr, size);
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
    Chunk(png, "IHDR", ihdr);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", {});
    return png;
}

// A DIB icon image of `bits` per pixel. Paletted depths use a fixed 16- or 256-entry
// palette and pick the nearest entry; the mask marks fully transparent pixels.
Bytes Dib(int size, int bits, const Picture& picture) {
    const int entries = bits <= 8 ? (1 << bits) : 0;
    std::vector<Rgba> palette;
    for (int i = 0; i < entries; ++i) {
        if (bits == 8) palette.push_back({std::uint8_t((i >> 5) * 36), std::uint8_t(((i >> 2) & 7) * 36), std::uint8_t((i & 3) * 85), 0});
        else palette.push_back({std::uint8_t(i & 1 ? 255 : 0), std::uint8_t(i & 2 ? 255 : 0), std::uint8_t(i & 4 ? 255 : 0), 0});
    }
    const int row = (bits * size + 31) / 32 * 4;
    const int mask_row = (size + 31) / 32 * 4;
    Bytes out;
    U32(out, 40); U32(out, size); U32(out, size * 2); U16(out, 1); U16(out, bits);
    U32(out, 0); U32(out, (row + mask_row) * size); U32(out, 0); U32(out, 0); U32(out, entries); U32(out, 0);
    for (const auto& c : palette) out.insert(out.end(), {c.b, c.g, c.r, 0});
    Bytes colour(row * size), mask(mask_row * size);
    for (int y = 0; y < size; ++y) {
        const int stored = size - 1 - y;  // bottom-up
        for (int x = 0; x < size; ++x) {
            const Rgba c = picture(x, y, size);
            std::uint8_t* r = &colour[stored * row];
            if (bits == 32) { r[x * 4] = c.b; r[x * 4 + 1] = c.g; r[x * 4 + 2] = c.r; r[x * 4 + 3] = c.a; }
            else if (bits == 24) { r[x * 3] = c.b; r[x * 3 + 1] = c.g; r[x * 3 + 2] = c.r; }
            else {
                int best = 0, best_d = 1 << 30;
                for (int i = 0; i < entries; ++i) {
                    const int d = (palette[i].r - c.r) * (palette[i].r - c.r) + (palette[i].g - c.g) * (palette[i].g - c.g) +
                                  (palette[i].b - c.b) * (palette[i].b - c.b);
                    if (d < best_d) { best = i; best_d = d; }
                }
                const int bit = x * bits;
                r[bit / 8] |= static_cast<std::uint8_t>(best << (8 - bits - bit % 8));
            }
            if (c.a == 0) mask[stored * mask_row + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
    }
    out.insert(out.end(), colour.begin(), colour.end());
    out.insert(out.end(), mask.begin(), mask.end());
    return out;
}

Bytes Ico(const std::vector<Bytes>& images, const std::vector<int>& sizes, const std::vector<int>& depths) {
    Bytes out;
    U16(out, 0); U16(out, 1); U16(out, static_cast<std::uint32_t>(images.size()));
    std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        out.push_back(sizes[i] >= 256 ? 0 : sizes[i]);
        out.push_back(sizes[i] >= 256 ? 0 : sizes[i]);
        out.push_back(depths[i] < 8 ? 1 << depths[i] : 0);
        out.push_back(0);
        U16(out, 1); U16(out, depths[i]);
        U32(out, static_cast<std::uint32_t>(images[i].size())); U32(out, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const auto& image : images) out.insert(out.end(), image.begin(), image.end());
    return out;
}

bool Save(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

Rgba Ring(int x, int y, int size) {
    const double cx = x - (size - 1) / 2.0, cy = y - (size - 1) / 2.0, r = size / 2.0;
    const double d = (cx * cx + cy * cy) / (r * r);
    if (d > 1.0) return {0, 0, 0, 0};
    return {std::uint8_t(40 + 200 * d), std::uint8_t(120), std::uint8_t(255 - 200 * d), 255};
}
Rgba Gradient(int x, int y, int size) {
    return {std::uint8_t(255 * x / size), std::uint8_t(255 * y / size), 160, std::uint8_t(x == 0 ? 0 : 255)};
}
Rgba Checker(int x, int y, int size) {
    const bool on = ((x * 4 / size) + (y * 4 / size)) % 2 == 0;
    return on ? Rgba{255, 255, 0, 255} : Rgba{0, 0, 255, 255};
}

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : ".";
    const bool ok =
        Save(dir + "/ring.ico", Ico({Dib(16, 4, Ring), Dib(32, 8, Ring), Dib(32, 32, Ring)}, {16, 32, 32}, {4, 8, 32})) &&
        Save(dir + "/gradient.ico", Ico({Dib(48, 32, Gradient), Png(256, Gradient)}, {48, 256}, {32, 32})) &&
        Save(dir + "/checker.ico", Ico({Dib(16, 1, Checker), Dib(24, 24, Checker)}, {16, 24}, {1, 24}));
    if (!ok) std::fprintf(stderr, "make_icons: cannot write into %s\n", dir.c_str());
    return ok ? 0 : 1;
}
