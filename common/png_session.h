#pragma once
// The structures libpng allocates for one image read or written, freed however the work
// ends. libpng reports errors by longjmp, past any destructor in the frame that called
// it, so the owner lives in a frame above that one. Included only where libpng is linked.

#include <png.h>

namespace icoforge {

enum class PngDirection : bool { kRead, kWrite };

template <PngDirection direction>
struct PngSession {
    png_structp png = nullptr;
    png_infop info = nullptr;

    PngSession() = default;
    PngSession(const PngSession&) = delete;
    PngSession& operator=(const PngSession&) = delete;
    ~PngSession() {
        if (png == nullptr) return;
        if constexpr (direction == PngDirection::kRead)
            png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
        else
            png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
    }
};

using PngReadSession = PngSession<PngDirection::kRead>;
using PngWriteSession = PngSession<PngDirection::kWrite>;

}  // namespace icoforge
