// The catalogue's commands end to end, as a user runs them, beside the peers:
//  - `icoforge list --json` over every Wine module beside `wrestool -l` over the same files;
//  - `icoforge extract --png` of shell32.dll beside `wrestool -x -t14` followed by
//    `icotool -x` of the icons it wrote, on tmpfs (/dev/shm) and on disk;
//  - the option-less `icoforge extract` of shell32.dll beside `cp -r` of the very files it
//    writes, on tmpfs (/dev/shm) and on disk (the temporary folder).
// Runs alternate so that every tool sees the same machine state; medians are printed.
//
//   bench_catalogue_command [WINE_MODULE_FOLDER]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench/command_runs.h"

namespace {

namespace fs = std::filesystem;
using icoforge::bench::Median;
using icoforge::bench::Quoted;
using icoforge::bench::Timed;

constexpr const char* kWrestool = "/usr/bin/wrestool";
constexpr const char* kIcotool = "/usr/bin/icotool";
constexpr int kRuns = 7;

void Report(const char* what, const char* ours_label, double ours, const char* peer_label, double peer) {
    std::printf("%s, medians of %d alternating runs\n  %-34s %9.1f ms\n  %-34s %9.1f ms  (%.2fx)\n", what, kRuns,
                ours_label, ours, peer_label, peer, ours > 0 ? peer / ours : 0);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> operands;
    for (int i = 1; i < argc; ++i)
        if (!std::string(argv[i]).starts_with("--")) operands.emplace_back(argv[i]);
    const fs::path wine = !operands.empty() ? fs::path(operands[0]) : fs::path("/usr/lib/i386-linux-gnu/wine/i386-windows");
    const fs::path shell32 = wine / "shell32.dll";
    if (!fs::is_regular_file(shell32)) {
        std::fprintf(stderr, "bench_catalogue_command: no Wine modules in %s\n", wine.c_str());
        return 1;
    }
    const std::string icoforge = Quoted(ICOFORGE_PROGRAM);
    const std::string suffix = std::to_string(std::random_device{}());
    const fs::path disk = fs::temp_directory_path() / ("icoforge-bench-catalogue-" + suffix);
    const fs::path memory = fs::path("/dev/shm") / ("icoforge-bench-catalogue-" + suffix);
    int folders = 0;
    const auto fresh = [&](const fs::path& root) {
        const fs::path folder = root / std::to_string(++folders);
        fs::create_directories(folder);
        return folder;
    };

    // list: every module of the folder in one call, as scripts call it.
    std::string modules;
    int count = 0;
    for (const auto& entry : fs::directory_iterator(wine))
        if (entry.is_regular_file()) modules.append(" ").append(Quoted(entry.path())), ++count;
    std::vector<double> list, wrestool_list;
    for (int run = 0; run < kRuns; ++run) {
        list.push_back(Timed(icoforge + " list --json" + modules));
        wrestool_list.push_back(Timed(std::string(kWrestool) + " -l" + modules));
    }
    const std::string what = std::to_string(count) + " modules of " + wine.string();
    Report(what.c_str(), "icoforge list --json", Median(list), "wrestool -l", Median(wrestool_list));

    // PNGs of every icon of shell32, on tmpfs and on disk: both sides create some 2,000
    // files, which on a disk can cost more than making them.
    for (const fs::path& root : {memory, disk}) {
        std::vector<double> png, peer_png;
        for (int run = 0; run < kRuns; ++run) {
            png.push_back(Timed(icoforge + " extract --png -o " + Quoted(fresh(root)) + " " + Quoted(shell32)));
            const fs::path icons = fresh(root), pngs = fresh(root);
            peer_png.push_back(Timed(std::string(kWrestool) + " -x -t14 -o " + Quoted(icons) + " " + Quoted(shell32) +
                                     " && " + kIcotool + " -x -o " + Quoted(pngs) + " " + Quoted(icons) + "/*.ico"));
        }
        const std::string png_what =
            std::string("every icon image of shell32.dll as PNG on ").append(root == memory ? "tmpfs" : "disk");
        Report(png_what.c_str(), "icoforge extract --png", Median(png), "wrestool -x -t14 + icotool -x", Median(peer_png));
    }

    // The writers at the floor: the same files copied by cp -r.
    for (const fs::path& root : {memory, disk}) {
        const fs::path source = fresh(root);
        if (Timed(icoforge + " extract -o " + Quoted(source) + " " + Quoted(shell32)) < 0) continue;
        std::vector<double> extract, copy;
        for (int run = 0; run < kRuns; ++run) {
            extract.push_back(Timed(icoforge + " extract -o " + Quoted(fresh(root)) + " " + Quoted(shell32)));
            const fs::path target = fresh(root);
            fs::remove(target);
            copy.push_back(Timed("cp -r " + Quoted(source) + " " + Quoted(target)));
        }
        const double e = Median(extract), c = Median(copy);
        std::printf("icoforge extract of shell32.dll on %s, medians of %d alternating runs\n"
                    "  %-34s %9.1f ms\n  %-34s %9.1f ms  (icoforge at %.2fx the copy)\n",
                    root == memory ? "tmpfs" : "disk", kRuns, "icoforge extract", e, "cp -r of the same files", c,
                    c > 0 ? e / c : 0);
    }
    std::error_code ec;
    fs::remove_all(disk, ec);
    fs::remove_all(memory, ec);
    return 0;
}
