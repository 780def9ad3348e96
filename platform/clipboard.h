#pragma once
// The clipboard, for device-independent bitmaps (CF_DIB). The Windows build uses the
// system clipboard; elsewhere a clipboard inside the process takes its place, so that
// callers behave, and can be tested, the same everywhere.

#include <optional>

#include "common/bytes.h"

namespace icoforge {

// Places `dib` (BITMAPINFOHEADER, colour table, bits) on the clipboard as CF_DIB, in
// place of whatever it held. The clipboard keeps its own copy. False, with nothing
// placed, when the clipboard cannot be opened or emptied, `dib` is empty, or there is
// no memory for the copy.
bool PlaceClipboardDib(ByteView dib);

// The CF_DIB block the clipboard holds now, or nothing.
std::optional<ByteBuffer> ReadClipboardDib();

}  // namespace icoforge
