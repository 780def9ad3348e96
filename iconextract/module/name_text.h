#pragma once
// Text of string resource names: conversion between the forms the module formats store
// (UTF-16 in PE, single bytes of an unknown code page in NE) and the UTF-8 of
// ResourceName::text, and the case-insensitive comparison FindResource applies.
//
// Every conversion round-trips: the text Names() reports is found again by Find(), even
// for names that are not valid Unicode (see Utf16ToUtf8).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/bytes.h"

namespace icoforge::module {

// A hostile table can point thousands of entries at one long name. The stored length of
// all the names of one type (UTF-16 units in PE, bytes in NE) is capped, and checked
// before any is converted, so listing them cannot be made to allocate gigabytes. Real
// modules stay far below (Wine's shell32 has about a hundred units of group names).
constexpr std::uint64_t kMaxNameUnitsPerType = std::uint64_t{4} << 20;

// UTF-16 code units as stored in a PE module, read from `units` (2 bytes each, little
// endian). An unpaired surrogate is written as its own 3-byte sequence (the "WTF-8"
// convention) rather than replaced, so the name still finds its resource.
std::string Utf16LeToUtf8(ByteView units);

// The UTF-16 code units of `text`, accepting the 3-byte surrogate sequences that
// Utf16LeToUtf8 writes. Nothing for text that is not well-formed in that sense.
std::optional<std::u16string> Utf8ToUtf16(std::string_view text);

// NE names are bytes of whatever code page the module was made with; they are taken as
// Latin-1, the one reading under which every byte value has a character and comes back
// unchanged.
std::string Latin1ToUtf8(ByteView bytes);
std::optional<std::string> Utf8ToLatin1(std::string_view text);

// The upper-case form of a UTF-16 code unit for name comparison: ASCII, Latin-1,
// Latin Extended-A, Greek and Cyrillic; every other unit is its own upper case.
char16_t UpperCaseUnit(char16_t unit);

}  // namespace icoforge::module
