// `icoforge extract` end to end, as a user runs it (one process, its start included), on
// a large module beside icoutils' `wrestool -x -t14` and beside the floor: a program that
// only writes the same files' bytes, read from one file made beforehand. Then on a
// 24-megapixel JPEG at size 128 beside ImageMagick and Pillow, as the board's benchmark
// runs them. Every run writes into a new empty folder; the runs alternate so that all
// tools see the same machine state, and the medians are printed at the end.
//
//   bench_extract_command [MODULE [OUTPUT_ROOT]]
//
// MODULE defaults to Wine's 32-bit shell32.dll, OUTPUT_ROOT to the temporary folder. File
// creation weighs the same for every tool and, on a busy disk, dominates all three; an
// OUTPUT_ROOT in memory (/dev/shm) shows the tools' own work.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "bench/command_runs.h"
#include "bench/wine_modules.h"

namespace {

namespace fs = std::filesystem;
using icoforge::bench::Median;
using icoforge::bench::Timed;

// The Debian builds of the peers, named by path so that nothing else on PATH stands in.
constexpr const char* kImageMagick = "/usr/bin/convert";
constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kWrestool = "/usr/bin/wrestool";
constexpr int kModuleRuns = 15;
constexpr int kPictureRuns = 3;

// The floor's input: every file of a folder, as name length, name, size, bytes.
bool PackFolder(const fs::path& folder, const fs::path& pack) {
    std::ofstream out(pack, std::ios::binary);
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string name = entry.path().filename().string();
        const std::uint64_t sizes[2] = {name.size(), bytes.size()};
        out.write(reinterpret_cast<const char*>(&sizes[0]), 8).write(name.data(), static_cast<std::streamsize>(name.size()));
        out.write(reinterpret_cast<const char*>(&sizes[1]), 8).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    return static_cast<bool>(out);
}

// The floor itself: writes the packed files into `folder`, nothing else.
int WritePackedFiles(const fs::path& pack, const fs::path& folder) {
    std::string all;
    std::FILE* packed = std::fopen(pack.string().c_str(), "rb");
    if (packed == nullptr) return 1;
    char chunk[1 << 16];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, packed)) > 0;) all.append(chunk, got);
    std::fclose(packed);
    std::size_t at = 0;
    const auto next = [&](std::size_t size) {
        const std::string_view piece = std::string_view(all).substr(at, size);
        at += size;
        return piece;
    };
    while (at + 8 <= all.size()) {
        std::uint64_t size = 0;
        std::copy_n(all.data() + at, 8, reinterpret_cast<char*>(&size));
        at += 8;
        const std::string name(next(size));
        std::copy_n(all.data() + at, 8, reinterpret_cast<char*>(&size));
        at += 8;
        const std::string_view bytes = next(size);
        std::FILE* file = std::fopen((folder / name).string().c_str(), "wb");
        if (file == nullptr) return 1;
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        if (std::fclose(file) != 0) return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--floor") return WritePackedFiles(argv[2], argv[3]);
    const std::string self = fs::absolute(argv[0]).string();
    // Flags meant for the Google Benchmark programs that scripts/bench.sh also runs are
    // not ours; the rest are the module and the output root.
    std::vector<std::string> operands;
    for (int i = 1; i < argc; ++i)
        if (!std::string(argv[i]).starts_with("--")) operands.emplace_back(argv[i]);
    const std::string module =
        !operands.empty() ? operands[0] : (icoforge::bench::WineModules() / "shell32.dll").string();
    const fs::path root = (operands.size() > 1 ? fs::path(operands[1]) : fs::temp_directory_path()) /
                          ("icoforge-bench-extract-" + std::to_string(std::random_device{}()));
    if (!fs::is_regular_file(module)) {
        std::fprintf(stderr, "bench_extract_command: %s not found\n", module.c_str());
        return 1;
    }
    fs::create_directories(root);
    const std::string icoforge = ICOFORGE_PROGRAM;
    int folders = 0;
    const auto fresh = [&] {
        const fs::path folder = root / std::to_string(++folders);
        fs::create_directories(folder);
        return folder;
    };

    // The floor writes what icoforge writes.
    const fs::path first = fresh();
    if (Timed({icoforge, "extract", "-o", first.string(), module}) < 0) {
        std::fprintf(stderr, "bench_extract_command: icoforge extract failed on %s\n", module.c_str());
        return 1;
    }
    std::uintmax_t bytes = 0;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(first)) bytes += entry.file_size(), ++files;
    const fs::path pack = root / "floor.pack";
    PackFolder(first, pack);

    std::vector<double> ours, wrestool, floor;
    for (int run = 0; run < kModuleRuns; ++run) {
        ours.push_back(Timed({icoforge, "extract", "-o", fresh().string(), module}));
        wrestool.push_back(Timed({kWrestool, "-x", "-t14", "-o", fresh().string(), module}));
        floor.push_back(Timed({self, "--floor", pack.string(), fresh().string()}));
    }
    const double o = Median(ours), w = Median(wrestool), f = Median(floor);
    std::printf("%s: %d files, %.1f MB, medians of %d alternating runs\n", module.c_str(), files, bytes / 1e6,
                kModuleRuns);
    std::printf("  icoforge extract   %8.2f ms\n  wrestool -x -t14   %8.2f ms  (icoforge %.1fx faster)\n"
                "  floor              %8.2f ms  (icoforge at %.2fx the floor)\n",
                o, w, o > 0 ? w / o : 0, f, f > 0 ? o / f : 0);

    const fs::path jpeg = root / "photo-24mp.jpg";
    if (Timed({kImageMagick, "-size", "1500x1000", "-seed", "7", "plasma:fractal", "-resize", "6000x4000!", "-quality",
               "90", jpeg.string()}) < 0) {
        std::fprintf(stderr, "bench_extract_command: ImageMagick could not make the test picture\n");
        return 0;
    }
    std::vector<double> icon, magick, pillow;
    for (int run = 0; run < kPictureRuns; ++run) {
        icon.push_back(Timed({icoforge, "extract", "-s", "128", "-o", fresh().string(), jpeg.string()}));
        magick.push_back(Timed({kImageMagick, "-define", "jpeg:size=252x252", jpeg.string(), "-resize", "126x126",
                                (fresh() / "magick.bmp").string()}));
        pillow.push_back(Timed({kPython, "-c",
                                "from PIL import Image; im = Image.open('" + jpeg.string() +
                                    "'); im.draft('RGB', (126, 126)); im.thumbnail((126, 126)); im.save('" +
                                    (fresh() / "pillow.bmp").string() + "')"}));
    }
    std::printf("24-megapixel JPEG at 128, medians of %d runs\n  icoforge extract   %8.1f ms\n"
                "  ImageMagick        %8.1f ms\n  Pillow             %8.1f ms\n",
                kPictureRuns, Median(icon), Median(magick), Median(pillow));
    std::error_code ec;
    fs::remove_all(root, ec);
    return 0;
}
