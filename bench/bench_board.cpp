// The drawing board rendering a 24-megapixel JPEG and an 8000 x 8000 RGBA PNG to a
// 128 x 128 snapshot, side by side with ImageMagick (`convert FILE -resize 126x126`, the
// JPEG also with `-define jpeg:size=252x252`) and Pillow (`thumbnail`, the JPEG with `draft`)
// making a 126 x 126 picture, the board's drawing area. Time comes from Google Benchmark;
// peak memory from running each once in a child process under /usr/bin/time.
//
//   bench_board [benchmark flags]
//   bench_board --render SOURCE DESTINATION   (the child: one render, exits)

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <tuple>

#include "app/board/drawing_board.h"
#include "platform/file_io.h"
#include "platform/stdio_file.h"

namespace {

namespace fs = std::filesystem;

// The Debian builds of the peers, named by path so that nothing else on PATH stands in.
constexpr const char* kImageMagick = "/usr/bin/convert";
constexpr const char* kPython = "/usr/bin/python3";
constexpr std::int32_t kBoardSize = 128;

struct Workspace {
    fs::path folder;
    std::string self;
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
    w.folder = fs::temp_directory_path() / ("icoforge-bench-board-" + std::to_string(std::random_device{}()));
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

class FileStream : public icoforge::PictureStream {
public:
    explicit FileStream(std::FILE* file) : file_(file) {}
    std::size_t Read(std::uint8_t* out, std::size_t size) override { return std::fread(out, 1, size, file_); }

private:
    std::FILE* file_;
};

// What `icoforge render -s 128` does.
bool Render(const std::string& source, const std::string& destination) {
    const auto file = icoforge::OpenStdioFile(source, "rb");
    if (!file) return false;
    icoforge::DrawingBoard board;
    board.SetSize(kBoardSize, kBoardSize);
    board.SetPictureMode(10);
    FileStream stream(file->get());
    const bool drawn = board.SetPictureFrom(stream, icoforge::kWholeFileReadLimit);
    return icoforge::WriteWholeFile(destination, board.TakeSnapshot(kBoardSize, kBoardSize)).has_value() && drawn;
}

std::string OursCommand(const std::string& source) {
    return "'" + Work().self + "' --render '" + source + "' '" + Output("ours.bmp") + "'";
}
std::string MagickCommand(const std::string& source, bool jpeg) {
    return std::string(kImageMagick) + (jpeg ? " -define jpeg:size=252x252" : "") + " '" + source +
           "' -resize 126x126 '" + Output("magick.bmp") + "'";
}
std::string PillowCommand(const std::string& source, bool jpeg) {
    return std::string(kPython) + " -c \"from PIL import Image; im = Image.open('" + source + "'); " +
           (jpeg ? "im.draft('RGB', (126, 126)); " : "") + "im.thumbnail((126, 126)); im.save('" +
           Output("pillow.bmp") + "')\"";
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

void BM_Board(benchmark::State& state, const std::string* source, const char* key) {
    for (auto _ : state)
        if (!Render(*source, Output("ours.bmp"))) state.SkipWithError("render failed");
    Results()[std::string("board.") + key + ".peak"] = state.counters["peak_MiB"] = PeakMiB(OursCommand(*source));
}

void BM_Peer(benchmark::State& state, std::string command, std::string result_key) {
    for (auto _ : state)
        if (!Run(command + " >/dev/null 2>&1")) state.SkipWithError("the peer failed");
    Results()[result_key + ".peak"] = state.counters["peak_MiB"] = PeakMiB(command);
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
    std::printf("\n%-5s %-18s %10s %12s\n", "file", "tool", "time (s)", "peak (MiB)");
    for (const char* key : {"jpeg", "png"})
        for (const char* tool : {"board", "imagemagick", "imagemagick-whole", "pillow"}) {
            const std::string name = std::string(tool) + "/" + key;
            if (!r.contains(name + ".seconds")) continue;
            std::printf("%-5s %-18s %10.3f %12.1f\n", key, tool, r[name + ".seconds"],
                        r[std::string(tool) + "." + key + ".peak"]);
        }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--render") return Render(argv[2], argv[3]) ? 0 : 1;
    Work().self = fs::absolute(argv[0]).string();
    if (!MakePictures()) {
        std::fprintf(stderr, "bench_board: ImageMagick could not make the test pictures\n");
        return 1;
    }
    for (const auto& [key, source, jpeg] : {std::tuple{"jpeg", &Work().jpeg, true}, std::tuple{"png", &Work().png, false}}) {
        const std::string k = key;
        benchmark::RegisterBenchmark(("board/" + k).c_str(), BM_Board, source, key)
            ->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
        benchmark::RegisterBenchmark(("imagemagick/" + k).c_str(), BM_Peer, MagickCommand(*source, jpeg), "imagemagick." + k)
            ->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
        benchmark::RegisterBenchmark(("pillow/" + k).c_str(), BM_Peer, PillowCommand(*source, jpeg), "pillow." + k)
            ->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
    }
    // ImageMagick without the size hint, decoding the JPEG whole.
    benchmark::RegisterBenchmark("imagemagick-whole/jpeg", BM_Peer, MagickCommand(Work().jpeg, false),
                                 std::string("imagemagick-whole.jpeg"))
        ->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
    benchmark::Initialize(&argc, argv);
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    PrintTable();
    std::error_code ec;
    fs::remove_all(Work().folder, ec);
    return 0;
}
