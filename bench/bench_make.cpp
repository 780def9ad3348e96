// `icoforge make` with its eight default sizes (16 to 256) from a 24-megapixel JPEG, the
// same picture as WebP and as BMP (read whole), and an 8000 x 8000 RGBA PNG, side by side with ImageMagick (`convert IN -define
// icon:auto-resize=256,64,48,40,32,24,20,16 OUT.ico`) and Pillow (`save(OUT, sizes=...)`),
// each run as its users run it: one process a run. Time comes from Google Benchmark, peak
// memory from running each once more under /usr/bin/time.

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/large_pictures.h"

namespace {

namespace fs = std::filesystem;

using namespace icoforge::bench;

constexpr const char* kSizes = "256,64,48,40,32,24,20,16";

LargePictures& Work() {
    static LargePictures work;
    return work;
}

std::string Output(const char* name) { return Work().Output(name); }

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

void BM_Tool(benchmark::State& state, std::string command, std::string key) {
    MeasureCommand(state, Work(), command, key);
}

}  // namespace

int main(int argc, char** argv) {
    if (!Work().Make("make")) {
        std::fprintf(stderr, "bench_make: ImageMagick could not make the test pictures\n");
        return 1;
    }
    if (!Work().MakeWebp())
        std::fprintf(stderr, "bench_make: ImageMagick could not write a WebP; its rows are left out\n");
    if (!Work().MakeBmp()) std::fprintf(stderr, "bench_make: ImageMagick could not write a BMP; its rows are left out\n");
    for (const auto& [key, source] :
         {std::pair{"jpeg", &Work().jpeg}, std::pair{"png", &Work().png}, std::pair{"webp", &Work().webp},
          std::pair{"bmp", &Work().bmp}}) {
        if (source->empty() || !fs::exists(*source)) continue;
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
    PrintTable({"icoforge", "imagemagick", "pillow"}, 12);
    std::error_code ec;
    fs::remove_all(Work().folder, ec);
    return 0;
}
