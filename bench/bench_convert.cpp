// ConvertToBmp on a 24-megapixel JPEG and an 8000 x 8000 RGBA PNG, side by side with
// ImageMagick's `convert` writing the same 24-bit BMP. Time comes from Google Benchmark;
// peak memory from running each conversion once in a child process under /usr/bin/time.
// The pictures are generated with ImageMagick at start into a temporary folder.
//
//   bench_convert [benchmark flags]
//   bench_convert --convert SOURCE DESTINATION   (the child: one ConvertToBmp, exits)

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <string>

#include "imageconv/convert.h"

namespace {

namespace fs = std::filesystem;

struct Workspace {
    fs::path folder;
    std::string self;  // this program, for the child runs
    std::string jpeg;
    std::string png;
};

Workspace& Work() {
    static Workspace work;
    return work;
}

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

bool MakePictures() {
    Workspace& w = Work();
    w.folder = fs::temp_directory_path() / ("icoforge-bench-convert-" + std::to_string(std::random_device{}()));
    fs::create_directories(w.folder);
    w.jpeg = (w.folder / "photo-24mp.jpg").string();
    w.png = (w.folder / "rgba-8000.png").string();
    // A smooth fractal scaled up: photo-like content that neither codec finds trivial.
    return Run("convert -size 1500x1000 -seed 7 plasma:fractal -resize 6000x4000! -quality 90 '" + w.jpeg + "'") &&
           Run("convert -size 2000x2000 -seed 11 plasma:fractal -resize 8000x8000! "
               "\\( -size 8000x8000 gradient:white-black \\) -alpha off -compose CopyOpacity -composite "
               "PNG32:'" + w.png + "'");
}

std::string Output(const char* name) { return (Work().folder / name).string(); }

// Peak resident set of one run of `command`, in MiB, or -1.
double PeakMiB(const std::string& command) {
    const std::string report = Output("rss.txt");
    if (!Run("/usr/bin/time -f %M -o '" + report + "' " + command + " >/dev/null 2>&1")) return -1;
    std::ifstream in(report);
    double kib = -1;
    in >> kib;
    return kib < 0 ? -1 : kib / 1024.0;
}

std::string OursCommand(const std::string& source) {
    return "'" + Work().self + "' --convert '" + source + "' '" + Output("ours.bmp") + "'";
}
std::string MagickCommand(const std::string& source) {
    return "convert '" + source + "' -alpha off BMP3:'" + Output("magick.bmp") + "'";
}

std::map<std::string, double>& Results() {
    static std::map<std::string, double> results;
    return results;
}

void Record(benchmark::State& state, const std::string& key, double peak) {
    state.counters["peak_MiB"] = peak;
    Results()[key + ".peak"] = peak;
}

void BM_ConvertToBmp(benchmark::State& state, const std::string* source, const char* key) {
    for (auto _ : state) {
        if (icoforge::ConvertToBmp(*source, Output("ours.bmp")) != 1) state.SkipWithError("conversion failed");
    }
    Record(state, std::string("ours.") + key, PeakMiB(OursCommand(*source)));
}

void BM_ImageMagick(benchmark::State& state, const std::string* source, const char* key) {
    for (auto _ : state) {
        if (!Run(MagickCommand(*source))) state.SkipWithError("convert failed");
    }
    Record(state, std::string("magick.") + key, PeakMiB(MagickCommand(*source)));
}

// Collects the mean time of each run for the closing ratios, besides the usual output.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (!run.error_occurred) Results()[run.benchmark_name() + ".seconds"] = run.GetAdjustedRealTime() / 1000.0;
        ConsoleReporter::ReportRuns(runs);
    }
};

void PrintRatios() {
    auto& r = Results();
    for (const char* key : {"jpeg", "png"}) {
        const std::string ours = std::string("ConvertToBmp/") + key;
        const std::string magick = std::string("ImageMagick/") + key;
        const double t_ours = r[ours + "/iterations:3/real_time.seconds"];
        const double t_magick = r[magick + "/iterations:3/real_time.seconds"];
        const double m_ours = r[std::string("ours.") + key + ".peak"];
        const double m_magick = r[std::string("magick.") + key + ".peak"];
        std::printf("%-4s  time %.2f s vs %.2f s (ratio %.2f)   peak memory %.0f MiB vs %.0f MiB (ratio %.2f)\n", key,
                    t_ours, t_magick, t_magick > 0 ? t_ours / t_magick : 0.0, m_ours, m_magick,
                    m_magick > 0 ? m_ours / m_magick : 0.0);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--convert") return icoforge::ConvertToBmp(argv[2], argv[3]) == 1 ? 0 : 1;

    Work().self = fs::absolute(argv[0]).string();
    if (!MakePictures()) {
        std::fprintf(stderr, "bench_convert: ImageMagick's convert could not make the test pictures\n");
        return 1;
    }
    const std::string* jpeg = &Work().jpeg;
    const std::string* png = &Work().png;
    for (const auto& [name, source, key] : {std::tuple{"jpeg", jpeg, "jpeg"}, std::tuple{"png", png, "png"}}) {
        benchmark::RegisterBenchmark((std::string("ConvertToBmp/") + name).c_str(), BM_ConvertToBmp, source, key)
            ->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
        benchmark::RegisterBenchmark((std::string("ImageMagick/") + name).c_str(), BM_ImageMagick, source, key)
            ->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("\nConvertToBmp vs ImageMagick convert (ratio = ours / theirs; below 1 is better):\n");
    PrintRatios();
    std::error_code ec;
    fs::remove_all(Work().folder, ec);
    return 0;
}
