// Building a 255×255 icon (the largest either builder takes) from a 24-bit BMP held in
// memory: through the bitmap object, and through the raw fallback.

#include <benchmark/benchmark.h>

#include <cstdint>

#include "common/byte_writer.h"
#include "iconbuild/icon_builder.h"

namespace {

using icoforge::ByteBuffer;

constexpr std::int32_t kSide = 255;

ByteBuffer MakeBmp24() {
    constexpr std::uint32_t kStride = (3 * kSide + 3) / 4 * 4;
    constexpr std::uint32_t kPixels = kStride * kSide;
    icoforge::ByteWriter out;
    out.U8('B');
    out.U8('M');
    out.U32(54 + kPixels);
    out.U32(0);
    out.U32(54);
    out.U32(40);
    out.I32(kSide);
    out.I32(kSide);
    out.U16(1);
    out.U16(24);
    out.U32(0);
    out.U32(kPixels);
    out.Zeros(16);
    // A gradient with a white diagonal band, so that both mask outcomes occur.
    for (std::int32_t y = 0; y < kSide; ++y) {
        for (std::int32_t x = 0; x < kSide; ++x) {
            const bool white = (x + y) % 17 < 3;
            out.U8(white ? 0xFF : static_cast<std::uint8_t>(x));
            out.U8(white ? 0xFF : static_cast<std::uint8_t>(y));
            out.U8(white ? 0xFF : static_cast<std::uint8_t>(x ^ y));
        }
        out.Zeros(kStride - 3 * kSide);
    }
    return out.Take();
}

// Either builder, called with its defaults.
template <typename Builder>
void BuildFromBmp(benchmark::State& state, Builder build) {
    const ByteBuffer bmp = MakeBmp24();
    for (auto _ : state) {
        ByteBuffer icon;
        if (!build(bmp, icon)) state.SkipWithError("not built");
        benchmark::DoNotOptimize(icon.data());
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bmp.size()));
}

void BM_BuildIconFromBitmap(benchmark::State& state) {
    BuildFromBmp(state, [](const ByteBuffer& bmp, ByteBuffer& icon) { return icoforge::BuildIconFromBitmap(bmp, icon); });
}
BENCHMARK(BM_BuildIconFromBitmap)->Unit(benchmark::kMicrosecond);

void BM_BuildIconFromBitmapBytes(benchmark::State& state) {
    BuildFromBmp(state,
                 [](const ByteBuffer& bmp, ByteBuffer& icon) { return icoforge::BuildIconFromBitmapBytes(bmp, icon); });
}
BENCHMARK(BM_BuildIconFromBitmapBytes)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
