// The extract command's loop (GetIconCount, then ExtractIconGroup for 1..n into a folder)
// on a large module, side by side with icoutils' `wrestool -x -t14` on the same file.
// Each iteration runs both, one after the other, so that both see the same machine
// state; the medians of the two and their ratio are printed at the end.
//
//   bench_extract [benchmark flags] [MODULE [OUTPUT_ROOT]]
//
// MODULE defaults to Wine's 32-bit shell32.dll, OUTPUT_ROOT (where both write their
// files) to the temporary folder. File creation costs the same for both tools and, on a
// busy disk, can hide the difference; an OUTPUT_ROOT in memory (/dev/shm) shows it.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/command_runs.h"
#include "bench/wine_modules.h"
#include "common/path.h"
#include "iconextract/extract.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using icoforge::bench::Median;

std::string g_module = (icoforge::bench::WineModules() / "shell32.dll").string();
fs::path g_output_root;
std::vector<double> g_ours_ms;
std::vector<double> g_wrestool_ms;

// A new empty folder per run. Nothing is deleted until the end: ext4 slows the creation
// of files right after many deletions nearby (it avoids reusing their inodes at once),
// and clearing the folders between runs made both tools measure mostly that.
fs::path FreshFolder(const std::string& name) {
    const fs::path folder = g_output_root / "icoforge-bench" / name;
    fs::create_directories(folder);
    return folder;
}

double Since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs the extract command's loop; the number of files written.
int ExtractAll(const fs::path& folder) {
    const std::int32_t count = icoforge::GetIconCount(g_module);
    int written = 0;
    for (std::int32_t index = 1; index <= count; ++index) {
        const auto out = icoforge::Utf8FromPath(folder / (std::to_string(index) + ".ico"));
        if (icoforge::ExtractIconGroupOutcome(g_module, icoforge::kModeWriteFile, out, index).written) ++written;
    }
    return written;
}

void BM_ExtractLoopBesideWrestool(benchmark::State& state) {
    fs::remove_all(g_output_root / "icoforge-bench");
    int written = 0;
    int run = 0;
    for (auto _ : state) {
        // Both write into empty folders, as a first extraction does.
        state.PauseTiming();
        ++run;
        const fs::path ours = FreshFolder("ours-" + std::to_string(run));
        const fs::path theirs = FreshFolder("wrestool-" + std::to_string(run));
        const std::string wrestool =
            "wrestool -x -t14 -o '" + theirs.string() + "' '" + g_module + "' >/dev/null 2>&1";
        state.ResumeTiming();
        auto start = Clock::now();
        written = ExtractAll(ours);
        const double ours_ms = Since(start);
        start = Clock::now();
        const int status = std::system(wrestool.c_str());
        const double wrestool_ms = Since(start);
        if (status != 0) {
            state.SkipWithError("wrestool failed (is icoutils installed?)");
            break;
        }
        g_ours_ms.push_back(ours_ms);
        g_wrestool_ms.push_back(wrestool_ms);
        state.SetIterationTime(ours_ms / 1000.0);
    }
    state.counters["groups"] = written;
    state.counters["icoforge_ms"] = Median(g_ours_ms);
    state.counters["wrestool_ms"] = Median(g_wrestool_ms);
    fs::remove_all(g_output_root / "icoforge-bench");
}
BENCHMARK(BM_ExtractLoopBesideWrestool)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (argc > 1) g_module = argv[1];
    g_output_root = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path();
    if (!fs::is_regular_file(g_module)) {
        std::fprintf(stderr, "bench_extract: %s not found\n", g_module.c_str());
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const double ours = Median(g_ours_ms);
    const double theirs = Median(g_wrestool_ms);
    if (ours > 0) {
        std::printf("\n%s, output under %s: %zu alternating runs\n  icoforge extract loop  median %8.2f ms\n"
                    "  wrestool -x -t14       median %8.2f ms\n  icoforge is %.1fx faster\n",
                    g_module.c_str(), g_output_root.string().c_str(), g_ours_ms.size(), ours, theirs, theirs / ours);
    }
    return 0;
}
