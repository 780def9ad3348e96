#pragma once
// What the picture benchmarks share: the two large pictures they read (a 24-megapixel
// JPEG and an 8000 x 8000 RGBA PNG, made by ImageMagick in a folder of the run's own), the
// peers named by path, the peak memory of one command, and the table printed at the end
// from the times Google Benchmark measured.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace icoforge::bench {

// The Debian builds of the peers, named by path so that nothing else on PATH stands in.
inline constexpr const char* kImageMagick = "/usr/bin/convert";
inline constexpr const char* kPython = "/usr/bin/python3";

inline bool RunShell(const std::string& command) { return std::system(command.c_str()) == 0; }

struct LargePictures {
    std::filesystem::path folder;
    std::string jpeg;
    std::string png;
    std::string webp;  // only where MakeWebp was called
    std::string bmp;   // only where MakeBmp was called

    std::string Output(const char* name) const { return (folder / name).string(); }

    // Makes the folder (named after the benchmark) and both pictures; false when
    // ImageMagick could not.
    bool Make(const std::string& bench_name) {
        folder = std::filesystem::temp_directory_path() /
                 ("icoforge-bench-" + bench_name + "-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(folder);
        jpeg = Output("photo-24mp.jpg");
        png = Output("rgba-8000.png");
        const std::string magick = kImageMagick;
        // A smooth fractal scaled up: photo-like content that neither codec finds trivial.
        return RunShell(magick + " -size 1500x1000 -seed 7 plasma:fractal -resize 6000x4000! -quality 90 '" + jpeg + "'") &&
               RunShell(magick + " -size 2000x2000 -seed 11 plasma:fractal -resize 8000x8000! "
                                 "\\( -size 8000x8000 gradient:white-black \\) -alpha off -compose CopyOpacity -composite "
                                 "PNG32:'" + png + "'");
    }

    // The JPEG's picture as a lossy WebP, as the web serves photos; false when ImageMagick
    // could not write one.
    bool MakeWebp() {
        webp = Output("photo-24mp.webp");
        return RunShell(std::string(kImageMagick) + " '" + jpeg + "' -quality 85 '" + webp + "'");
    }

    // The JPEG's picture as a 24-bit BMP, a kind that is read whole; false when ImageMagick
    // could not write one.
    bool MakeBmp() {
        bmp = Output("photo-24mp.bmp");
        return RunShell(std::string(kImageMagick) + " '" + jpeg + "' BMP3:'" + bmp + "'");
    }

    // Peak resident set of one run of `command`, in MiB, or -1.
    double PeakMiB(const std::string& command) const {
        const std::string report = Output("rss.txt");
        if (!RunShell("/usr/bin/time -f %M -o '" + report + "' " + command + " >/dev/null 2>&1")) return -1;
        std::ifstream in(report);
        double kib = -1;
        in >> kib;
        return kib < 0 ? -1 : kib / 1024.0;
    }
};

// Keyed "TOOL/FILE.seconds" (from the reporter) and "TOOL.FILE.peak" (from PeakMiB).
inline std::map<std::string, double>& Results() {
    static std::map<std::string, double> results;
    return results;
}

// One run of `command` a benchmark iteration; its peak memory measured by one run more,
// kept under "KEY.peak".
inline void MeasureCommand(benchmark::State& state, const LargePictures& pictures, const std::string& command,
                           const std::string& key) {
    for (auto _ : state)
        if (!RunShell(command + " >/dev/null 2>&1")) state.SkipWithError("the command failed");
    Results()[key + ".peak"] = state.counters["peak_MiB"] = pictures.PeakMiB(command);
}

class TableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (!run.error_occurred) Results()[run.run_name.function_name + ".seconds"] = run.GetAdjustedRealTime() / 1000.0;
        ConsoleReporter::ReportRuns(runs);
    }
};

// One row per picture and tool, in the order given, for the tools that ran.
inline void PrintTable(std::initializer_list<const char*> tools, int tool_width) {
    auto& r = Results();
    std::printf("\n%-5s %-*s %10s %12s\n", "file", tool_width, "tool", "time (s)", "peak (MiB)");
    for (const char* key : {"jpeg", "png", "webp", "bmp"})
        for (const char* tool : tools) {
            const std::string name = std::string(tool) + "/" + key;
            if (!r.contains(name + ".seconds")) continue;
            std::printf("%-5s %-*s %10.3f %12.1f\n", key, tool_width, tool, r[name + ".seconds"],
                        r[std::string(tool) + "." + key + ".peak"]);
        }
}

}  // namespace icoforge::bench
