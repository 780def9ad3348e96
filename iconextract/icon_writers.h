#pragma once
// The outputs of an icon group: the whole group as an icon file, the colour part of one
// image as a bitmap file, or one image on the clipboard. The image bytes are passed on
// as they were read; only the file structure around them is rebuilt.

#include <cstdint>
#include <optional>
#include <string_view>

#include "common/byte_writer.h"
#include "common/bytes.h"
#include "iconextract/icon_group.h"
#include "platform/file_error.h"

namespace icoforge {

// Offsets of a bitmap file: the 14-byte file header, then the image's 40-byte header.
namespace bmp {
constexpr std::uint16_t kSignature = 0x4D42;  // "BM"
constexpr std::uint64_t kFileHeaderBytes = 14;
constexpr std::uint64_t kPixelOffsetField = 10;
}  // namespace bmp

// The 6-byte header of an icon file: reserved 0, type 1, the count's low 16 bits.
void WriteIconDirHeader(ByteWriter& out, std::uint32_t image_count);

// The icon file of the whole group: header, one directory entry per image, then the
// images back to back. A DIB's biSizeImage is written as 0; a PNG image, or a DIB that
// is not complete, is written unchanged. Nothing when memory runs out.
std::optional<ByteBuffer> IcoFileBytes(const IconGroup& group);

// Creates or replaces `path` with IcoFileBytes(group). True when the whole file was
// written; else the old file is as it was and `error` says why.
bool WriteIcoFile(const IconGroup& group, std::string_view path, FileError* error = nullptr);

// The bitmap file of the image's colour part (its mask left out): file header, info
// header with the icon's height, colour table, colour rows. Nothing for a PNG image or
// one that is not complete.
std::optional<ByteBuffer> BmpFileBytes(const IconImage& image);

// Creates or replaces `path` with BmpFileBytes(image). False, with nothing written, when
// the image is refused; false, the old file as it was and `error` saying why, when the
// file could not be written whole.
bool WriteBmpFile(std::string_view path, const IconImage& image, FileError* error = nullptr);

// The CF_DIB block of an image: its whole data, mask included, with the header's height
// halved to the icon's height. Nothing for a PNG image or one that is not complete.
std::optional<ByteBuffer> ClipboardDib(const IconImage& image);

// Places ClipboardDib(image) on the clipboard. False, leaving the clipboard untouched,
// when the image is refused; false when the clipboard would not take it.
bool CopyImageToClipboard(const IconImage& image);

}  // namespace icoforge
