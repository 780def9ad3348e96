#pragma once
// The outputs of an icon group: the whole group as an icon file, the colour part of one
// image as a bitmap file, or one image on the clipboard. The image bytes are passed on
// as they were read; only the file structure around them is rebuilt.

#include <cstdint>
#include <span>
#include <string_view>

#include "common/byte_writer.h"
#include "common/bitmap_layout.h"
#include "common/bytes.h"
#include "iconextract/icon_group.h"
#include "common/failure.h"

namespace icoforge {

// Why an image or group is not written.
inline constexpr const char* kNotWholeBitmapText = "the image is not a whole bitmap (a PNG image, or one cut short)";
inline constexpr const char* kIconFileTooLargeText = "the icon file would be larger than 256 MB";
inline constexpr const char* kClipboardRefusedText = "the clipboard would not take it";
inline constexpr const char* kCopyToClipboardStep = "copy to the clipboard";

// The 6-byte header of an icon file: reserved 0, type 1, the count's low 16 bits.
void WriteIconDirHeader(ByteWriter& out, std::uint32_t image_count);

// The icon file of the whole group: header, one directory entry per image, then the
// images back to back. A DIB's biSizeImage is written as 0; a PNG image, or a DIB that
// is not complete, is written unchanged. A failure to "write" it when the file would be
// too large or memory runs out.
Result<ByteBuffer> IcoFileBytes(const IconGroup& group);

// Creates or replaces `path` with IcoFileBytes(group); on a failure to "write" it the old
// file is as it was.
Result<> WriteIcoFile(const IconGroup& group, std::string_view path);

// An image to write: what is known of it (its data aside) and its bytes, which may be a
// view of the source it was found in; that source must outlive the writing.
struct ImageToWrite {
    const IconImage* image;
    ByteView bytes;
};

// The same file from images that were never copied into a group (shell32's 184 files are
// written straight from the mapped module).
Result<> WriteIcoFile(std::span<const ImageToWrite> images, std::string_view path);

// The bitmap file of the image's colour part (its mask left out): file header, info
// header with the icon's height, colour table, colour rows. Refused for a PNG image or
// one that is not complete.
Result<ByteBuffer> BmpFileBytes(const IconImage& image);

// Creates or replaces `path` with BmpFileBytes(image). Nothing is written when the image
// is refused; the old file is as it was when the file could not be written whole.
Result<> WriteBmpFile(std::string_view path, const IconImage& image);

// The CF_DIB block of an image: its whole data, mask included, with the header's height
// halved to the icon's height. Refused for a PNG image or one that is not complete.
Result<ByteBuffer> ClipboardDib(const IconImage& image);

// Places ClipboardDib(image) on the clipboard; the clipboard is untouched when the image
// is refused.
Result<> CopyImageToClipboard(const IconImage& image);

}  // namespace icoforge
