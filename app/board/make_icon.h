#pragma once
// `icoforge make` without its option parsing: the pictures read, the icon made, the file
// written (safely replacing what was there).

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/board/icon_pictures.h"
#include "common/failure.h"
#include "iconbuild/icon_maker.h"

namespace icoforge {

struct MakeOptions {
    std::vector<std::string> pictures;
    std::string output;  // empty: the first picture's name with .ico (.cur for a cursor)
    MakeIconRequest request;
    // The group taken from a module, resource file or animation (IconPictureOptions::group):
    // for each picture, the chooser of the same place in `picture_groups` where that is set,
    // else `group`.
    std::function<bool(const catalogue::CatalogueGroup&)> group;
    std::vector<std::function<bool(const catalogue::CatalogueGroup&)>> picture_groups;
};

struct MakeOutcome {
    std::string output;  // the file written
    MadeIcon made;
};

// The `what` of the refusal to write over one of the pictures; the reason is that picture.
inline constexpr std::string_view kOutputIsPicture = "output is picture";

// The file the icon goes to when no -o is given.
std::string DefaultIconPath(const std::string& first_picture, bool cursor);

// Reads the pictures, makes the icon, writes it. The outcome names the sizes left out.
Result<MakeOutcome> MakeIconFile(const MakeOptions& options);

}  // namespace icoforge
