// ConvertToBmp on a 24-megapixel JPEG and an 8000 x 8000 RGBA PNG, side by side with
// ImageMagick's `convert` writing the same 24-bit BMP. Time comes from Google Benchmark;
// peak memory from running each conversion once in a child process under /usr/bin/time.
// The pictures are generated with ImageMagick at start into a temporary folder.
//
//   bench_convert [benchmark flags]
//   bench_convert --convert SOURCE DESTINATION   (the child: one ConvertToBmp, exits)

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/large_pictures.h"
#include "imageconv/convert.h"

namespace {

namespace fs = std::filesystem;
using icoforge::bench::Results;
using icoforge::bench::RunShell;

struct Workspace {
    icoforge::bench::LargePictures pictures;
    std::string self;  // this program, for the child runs
};

Workspace& Work() {
    static Workspace work;
    return work;
}

std::string Output(const char* name) { return Work().pictures.Output(name); }
double PeakMiB(const std::string& command) { return Work().pictures.PeakMiB(command); }

std::string OursCommand(const std::string& source) {
    return "'" + Work().self + "' --convert '" + source + "' '" + Output("ours.bmp") + "'";
}
std::string MagickCommand(const std::string& source) {
    return "convert '" + source + "' -alpha off BMP3:'" + Output("magick.bmp") + "'";
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
        if (!RunShell(MagickCommand(*source))) state.SkipWithError("convert failed");
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
    if (!Work().pictures.Make("convert")) {
        std::fprintf(stderr, "bench_convert: ImageMagick's convert could not make the test pictures\n");
        return 1;
    }
    const std::string* jpeg = &Work().pictures.jpeg;
    const std::string* png = &Work().pictures.png;
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
    fs::remove_all(Work().pictures.folder, ec);
    return 0;
}
