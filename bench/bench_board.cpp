// The drawing board rendering a 24-megapixel JPEG and an 8000 x 8000 RGBA PNG to a
// 128 x 128 snapshot, side by side with ImageMagick (`convert FILE -resize 126x126`, the
// JPEG also with `-define jpeg:size=252x252`) and Pillow (`thumbnail`, the JPEG with `draft`)
// making a 126 x 126 picture, the board's drawing area. Time comes from Google Benchmark;
// peak memory from running each once in a child process under /usr/bin/time.
//
//   bench_board [benchmark flags]
//   bench_board --render SOURCE DESTINATION   (the child: one render, exits)

#include <cstdio>
#include <filesystem>
#include <string>
#include <tuple>

#include "bench/large_pictures.h"

#include "app/board/drawing_board.h"
#include "platform/file_io.h"
#include "platform/stdio_file.h"

namespace {

namespace fs = std::filesystem;

using namespace icoforge::bench;

constexpr std::int32_t kBoardSize = 128;

// The pictures, and this program, which the peak-memory run starts as a child.
struct Workspace : LargePictures {
    std::string self;
};

Workspace& Work() {
    static Workspace work;
    return work;
}

std::string Output(const char* name) { return Work().Output(name); }

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

void BM_Board(benchmark::State& state, const std::string* source, const char* key) {
    for (auto _ : state)
        if (!Render(*source, Output("ours.bmp"))) state.SkipWithError("render failed");
    Results()[std::string("board.") + key + ".peak"] = state.counters["peak_MiB"] = Work().PeakMiB(OursCommand(*source));
}

void BM_Peer(benchmark::State& state, std::string command, std::string result_key) {
    MeasureCommand(state, Work(), command, result_key);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--render") return Render(argv[2], argv[3]) ? 0 : 1;
    Work().self = fs::absolute(argv[0]).string();
    if (!Work().Make("board")) {
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
    PrintTable({"board", "imagemagick", "imagemagick-whole", "pillow"}, 18);
    std::error_code ec;
    fs::remove_all(Work().folder, ec);
    return 0;
}
