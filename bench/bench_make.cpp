// `icoforge make` with its eight default sizes (16 to 256) from a 24-megapixel JPEG and
// an 8000 x 8000 RGBA PNG, side by side with ImageMagick (`convert IN -define
// icon:auto-resize=256,64,48,40,32,24,20,16 OUT.ico`) and Pillow (`save(OUT, sizes=...)`),
// each run as its users run it: one process a run. Time comes from Google Benchmark, peak
// memory from running each once more under /usr/bin/time.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

namespace {

namespace fs = std::filesystem;

// The Debian builds of the peers, named by path so that nothing else on PATH stands in.
constexpr const char* kImageMagick = "/usr/bin/convert";
constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kSizes = "256,64,48,40,32,24,20,16";

struct Workspace {
    fs::path folder;
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
    w.folder = fs::temp_directory_path() / ("icoforge-bench-make-" + std::to_string(std::random_device{}()));
    fs::create_directories(w.folder);
    w.jpeg = (w.folder / "photo-24mp.jpg").string();
    w.png = (w.folder / "rgba-8000.png").string();
    const std::string magick = kImageMagick;
    // A smooth fractal scaled up: photo-like content that neither codec finds trivial.
    return Run(magick + " -size 1500x1000 -seed 7 plasma:fractal -resize 6000x4000! -quality 90 '" + w.jpeg + "'") &&
           Run(magick + " -size 2000x2000 -seed 11 plasma:fractal -resize 8000x8000! "
                        "\\( -size 8000x8000 gradient:white-black \\) -alpha off -compose CopyOpacity -composite "
                        "PNG32:'" + w.png + "'");
}

std::string Output(const char* name) { return (Work().folder / name).string(); }

std::string OursCommand(const std::string& source) {
    return std::string("'") + ICOFORGE_PROGRAM + "' make -o '" + Output("ours.ico") + "' '" + source + "'";
}
std::string MagickCommand(const std::string& source) {
    return std::string(kImageMagick) + " '" + source + "' -define icon:auto-resize=" + kSizes + " '" +
           Output("magick.ico") + "'";
}
std::string PillowCommand(const std::string& source) {
    return std::string(kPython) + " -c \"from PIL import Image; Image.MAX_IMAGE_PIXELS = None; Image.open('" + source +
           "').save('" + Output("pillow.ico") + "', sizes=[(s, s) for s in (" + kSizes + ")])\"";
}

// Peak resident set of one run of `command`, in MiB, or -1.
double PeakMiB(const std::string& command) {
    const std::string report = Output("rss.txt");
    if (!Run("/usr/bin/time -f %M -o '" + report + "' " + command + " >/dev/null 2>&1")) return -1;
    std::ifstream in(report);
    double kib = -1;
    in >> kib;
    return kib < 0 ? -1 : kib / 1024.0;
}

std::map<std::string, double>& Results() {
    static std::map<std::string, double> results;
    return results;
}

void BM_Tool(benchmark::State& state, std::string command, std::string key) {
    for (auto _ : state)
        if (!Run(command + " >/dev/null 2>&1")) state.SkipWithError("the command failed");
    Results()[key + ".peak"] = state.counters["peak_MiB"] = PeakMiB(command);
}

class TableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (!run.error_occurred) Results()[run.run_name.function_name + ".seconds"] = run.GetAdjustedRealTime() / 1000.0;
        ConsoleReporter::ReportRuns(runs);
    }
};

void PrintTable() {
    auto& r = Results();
    std::printf("\n%-5s %-12s %10s %12s\n", "file", "tool", "time (s)", "peak (MiB)");
    for (const char* key : {"jpeg", "png"})
        for (const char* tool : {"icoforge", "imagemagick", "pillow"}) {
            const std::string name = std::string(tool) + "/" + key;
            if (!r.contains(name + ".seconds")) continue;
            std::printf("%-5s %-12s %10.3f %12.1f\n", key, tool, r[name + ".seconds"], r[std::string(tool) + "." + key + ".peak"]);
        }
}

}  // namespace

int main(int argc, char** argv) {
    if (!MakePictures()) {
        std::fprintf(stderr, "bench_make: ImageMagick could not make the test pictures\n");
        return 1;
    }
    for (const auto& [key, source] : {std::pair{"jpeg", &Work().jpeg}, std::pair{"png", &Work().png}}) {
        const std::string k = key;
        const std::pair<std::string, std::string> tools[] = {
            {"icoforge", OursCommand(*source)}, {"imagemagick", MagickCommand(*source)}, {"pillow", PillowCommand(*source)}};
        for (const auto& [tool, command] : tools)
            benchmark::RegisterBenchmark((tool + "/" + k).c_str(), BM_Tool, command, tool + "." + k)
                ->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
    }
    benchmark::Initialize(&argc, argv);
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    PrintTable();
    std::error_code ec;
    fs::remove_all(Work().folder, ec);
    return 0;
}
