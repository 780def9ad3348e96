// `icoforge thumbnail -s 256` as a file manager runs it (one process a file, its start
// included) on shell32.dll, on a 100 MB module and on a 2 GB sparse module whose resource
// section lies at its end, beside the shell pipeline it replaces: icoutils' `wrestool -x`
// into `icotool -x` and ImageMagick's resize. Also the engine alone, in process, on the
// same mapped files. Medians in milliseconds, of wall-clock time and of the processor time
// spent (user and system), which a busy shared machine inflates far less.
//
//   bench_thumbnail [MODULE [WORK_FOLDER]]
//
// MODULE defaults to Wine's 32-bit shell32.dll, WORK_FOLDER to the temporary folder; the
// large modules are made there from MODULE (sparse, so they cost no disk).

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "bench/command_runs.h"
#include "bench/wine_modules.h"
#include "platform/mapped_file.h"
#include "thumbnail/thumbnail.h"

namespace {

namespace fs = std::filesystem;
using icoforge::bench::Median;
using icoforge::bench::Quoted;
using Clock = std::chrono::steady_clock;

constexpr const char* kWrestool = "/usr/bin/wrestool";
constexpr const char* kIcotool = "/usr/bin/icotool";
constexpr const char* kImageMagick = "/usr/bin/convert";
constexpr int kRuns = 15;
constexpr std::uint64_t kHundredMegabytes = 100ull << 20;
constexpr std::uint64_t kTwoGigabytes = 2ull << 30;

struct Timing {
    double wall_ms = -1;  // negative when the command failed
    double cpu_ms = 0;
};

double ChildrenCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// One shell command, its processor time that of every process it waited for.
Timing Timed(const std::string& command) {
    const double cpu = ChildrenCpuMs();
    const auto start = Clock::now();
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    Timing timing;
    timing.cpu_ms = ChildrenCpuMs() - cpu;
    timing.wall_ms = status == 0 ? std::chrono::duration<double, std::milli>(Clock::now() - start).count() : -1;
    return timing;
}

std::string Figure(const std::vector<Timing>& runs) {
    if (runs.empty()) return "-";
    if (std::ranges::any_of(runs, [](const Timing& t) { return t.wall_ms < 0; })) return "fails";
    std::vector<double> wall, cpu;
    for (const Timing& t : runs) {
        wall.push_back(t.wall_ms);
        cpu.push_back(t.cpu_ms);
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.1f / %.1f", Median(wall), Median(cpu));
    return text;
}

std::uint32_t U32(const std::vector<char>& bytes, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, bytes.data() + at, sizeof v);
    return v;
}

// A copy of the PE module whose .rsrc section's bytes are moved to `offset` and end the
// file; the gap is a hole.
bool MoveResources(const fs::path& module, const fs::path& out, std::uint64_t offset) {
    std::ifstream in(module, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    if (bytes.size() < 0x40) return false;
    const std::uint32_t pe = U32(bytes, 0x3C);
    if (pe + 24 > bytes.size() || std::memcmp(bytes.data() + pe, "PE\0\0", 4) != 0) return false;
    std::uint16_t sections = 0, optional_size = 0;
    std::memcpy(&sections, bytes.data() + pe + 6, 2);
    std::memcpy(&optional_size, bytes.data() + pe + 20, 2);
    const std::uint32_t alignment = U32(bytes, pe + 24 + 36);
    const std::size_t table = pe + 24 + optional_size;
    for (std::size_t i = 0; i < sections; ++i) {
        const std::size_t header = table + 40 * i;
        if (header + 40 > bytes.size() || std::strncmp(bytes.data() + header, ".rsrc", 8) != 0) continue;
        const std::uint32_t size = U32(bytes, header + 16), at = U32(bytes, header + 20);
        if (std::uint64_t{at} + size > bytes.size()) return false;
        const std::uint64_t moved = (offset + alignment - 1) / alignment * alignment;
        if (moved > UINT32_MAX) return false;
        const std::vector<char> resources(bytes.begin() + at, bytes.begin() + at + size);
        const auto moved32 = static_cast<std::uint32_t>(moved);
        std::memcpy(bytes.data() + header + 20, &moved32, 4);
        std::ofstream file(out, std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        file.seekp(static_cast<std::streamoff>(moved));
        file.write(resources.data(), static_cast<std::streamsize>(resources.size()));
        return static_cast<bool>(file);
    }
    return false;
}

std::string Engine(const fs::path& file) {
    std::vector<Timing> runs;
    for (int i = 0; i < kRuns; ++i) {
        const std::clock_t cpu = std::clock();
        const auto start = Clock::now();
        const auto mapped = icoforge::MappedFile::Open(file.string());
        Timing timing;
        if (mapped && icoforge::MakeThumbnail(mapped->bytes(), {256, false}))
            timing.wall_ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        timing.cpu_ms = 1e3 * static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
        runs.push_back(timing);
    }
    return Figure(runs);
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path module = argc > 1 ? fs::path(argv[1]) : icoforge::bench::WineModules() / "shell32.dll";
    const fs::path work = (argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path()) / "icoforge-bench-thumbnail";
    fs::remove_all(work);
    fs::create_directories(work);
    if (!fs::exists(module)) {
        std::fprintf(stderr, "bench_thumbnail: %s is missing (Wine's libwine package holds it)\n", module.c_str());
        return 1;
    }
    struct File {
        const char* what;
        fs::path path;
    };
    std::vector<File> files = {{"shell32.dll", module}, {"100 MB module", work / "large.dll"},
                               {"2 GB sparse module", work / "sparse.dll"}};
    if (!MoveResources(module, files[1].path, kHundredMegabytes) || !MoveResources(module, files[2].path, kTwoGigabytes)) {
        std::fprintf(stderr, "bench_thumbnail: cannot move the resources of %s\n", module.c_str());
        return 1;
    }
    const bool peers = fs::exists(kWrestool) && fs::exists(kIcotool) && fs::exists(kImageMagick);
    std::printf("milliseconds, wall / processor, median of %d runs\n", kRuns);
    std::printf("%-20s %16s %16s %22s\n", "file (-s 256)", "engine", "icoforge", "wrestool|icotool|convert");
    for (const File& file : files) {
        const fs::path out = work / "thumbnail.png";
        std::vector<Timing> ours, theirs;
        for (int i = 0; i < kRuns; ++i) {
            ours.push_back(Timed(std::string(ICOFORGE_PROGRAM) + " thumbnail -s 256 " + Quoted(file.path) + " " + Quoted(out)));
            if (peers) {
                // Every group icon (wrestool cannot tell the first), icotool's 256 image, resized.
                const fs::path ico = work / "groups.ico", png = work / "peer.png";
                theirs.push_back(Timed(std::string(kWrestool) + " -x -t14 " + Quoted(file.path) + " > " + Quoted(ico) +
                                       " && " + kIcotool + " -x -w 256 -o " + Quoted(png) + " " + Quoted(ico) + " && " +
                                       kImageMagick + " " + Quoted(png) + " -resize 256x256 " + Quoted(png)));
            }
        }
        if (Figure(ours) == "fails") {
            std::fprintf(stderr, "bench_thumbnail: icoforge thumbnail failed on %s\n", file.path.c_str());
            return 1;
        }
        std::printf("%-20s %16s %16s %22s\n", file.what, Engine(file.path).c_str(), Figure(ours).c_str(),
                    peers ? Figure(theirs).c_str() : "(no icoutils)");
    }
    fs::remove_all(work);
    return 0;
}
