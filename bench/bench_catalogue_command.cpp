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
#include "bench/wine_modules.h"

namespace {

namespace fs = std::filesystem;
using icoforge::bench::Median;
using icoforge::bench::Timed;
using Command = std::vector<std::string>;

constexpr const char* kWrestool = "/usr/bin/wrestool";
constexpr const char* kIcotool = "/usr/bin/icotool";
constexpr int kRuns = 7;
// The copy and the extract take tens of milliseconds, within the noise of one run on a
// shared machine: their medians are taken over more runs.
constexpr int kFloorRuns = 25;

void Report(const char* what, const char* ours_label, double ours, const char* peer_label, double peer) {
    std::printf("%s, medians of %d alternating runs\n  %-34s %9.1f ms\n  %-34s %9.1f ms  (%.2fx)\n", what, kRuns,
                ours_label, ours, peer_label, peer, ours > 0 ? peer / ours : 0);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> operands;
    for (int i = 1; i < argc; ++i)
        if (!std::string(argv[i]).starts_with("--")) operands.emplace_back(argv[i]);
    const fs::path wine = !operands.empty() ? fs::path(operands[0]) : icoforge::bench::WineModules();
    const fs::path shell32 = wine / "shell32.dll";
    if (!fs::is_regular_file(shell32)) {
        std::fprintf(stderr, "bench_catalogue_command: no Wine modules in %s\n", wine.c_str());
        return 1;
    }
    const std::string icoforge = ICOFORGE_PROGRAM;
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
    Command list_command = {icoforge, "list", "--json"}, wrestool_command = {kWrestool, "-l"};
    int count = 0;
    for (const auto& entry : fs::directory_iterator(wine)) {
        if (!entry.is_regular_file()) continue;
        list_command.push_back(entry.path().string());
        wrestool_command.push_back(entry.path().string());
        ++count;
    }
    std::vector<double> list, wrestool_list;
    for (int run = 0; run < kRuns; ++run) {
        list.push_back(Timed(list_command));
        wrestool_list.push_back(Timed(wrestool_command));
    }
    const std::string what = std::to_string(count) + " modules of " + wine.string();
    Report(what.c_str(), "icoforge list --json", Median(list), "wrestool -l", Median(wrestool_list));

    // PNGs of every icon of shell32, on tmpfs and on disk: both sides create some 2,000
    // files, which on a disk can cost more than making them.
    for (const fs::path& root : {memory, disk}) {
        std::vector<double> png, peer_png;
        for (int run = 0; run < kRuns; ++run) {
            png.push_back(Timed({icoforge, "extract", "--png", "-o", fresh(root).string(), shell32.string()}));
            // The peer in two steps, as a shell would run them, the icons listed in between.
            const fs::path icons = fresh(root), pngs = fresh(root);
            const auto start = std::chrono::steady_clock::now();
            Command icotool = {kIcotool, "-x", "-o", pngs.string()};
            bool ok = Timed({kWrestool, "-x", "-t14", "-o", icons.string(), shell32.string()}) >= 0;
            for (const auto& entry : fs::directory_iterator(icons)) icotool.push_back(entry.path().string());
            ok = ok && Timed(icotool) >= 0;
            peer_png.push_back(
                ok ? std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() : -1);
        }
        const std::string png_what =
            std::string("every icon image of shell32.dll as PNG on ").append(root == memory ? "tmpfs" : "disk");
        Report(png_what.c_str(), "icoforge extract --png", Median(png), "wrestool -x -t14 + icotool -x", Median(peer_png));
    }

    // The writers at the floor: the same files copied by cp -r.
    for (const fs::path& root : {memory, disk}) {
        const fs::path source = fresh(root);
        if (Timed({icoforge, "extract", "-o", source.string(), shell32.string()}) < 0) continue;
        std::vector<double> extract, copy;
        for (int run = 0; run < kFloorRuns; ++run) {
            extract.push_back(Timed({icoforge, "extract", "-o", fresh(root).string(), shell32.string()}));
            const fs::path target = fresh(root);
            fs::remove(target);
            copy.push_back(Timed({"cp", "-r", source.string(), target.string()}));
        }
        const double e = Median(extract), c = Median(copy);
        std::printf("icoforge extract of shell32.dll on %s, medians of %d alternating runs\n"
                    "  %-34s %9.1f ms\n  %-34s %9.1f ms  (icoforge at %.2fx the copy)\n",
                    root == memory ? "tmpfs" : "disk", kFloorRuns, "icoforge extract", e, "cp -r of the same files", c,
                    c > 0 ? e / c : 0);
    }
    std::error_code ec;
    fs::remove_all(disk, ec);
    fs::remove_all(memory, ec);
    return 0;
}
