#include "app/board/make_icon.h"

#include "app/board/icon_pictures.h"
#include "common/path.h"
#include "platform/file_io.h"

namespace icoforge {

std::string DefaultIconPath(const std::string& first_picture, bool cursor) {
    auto path = PathFromUtf8(first_picture);
    path.replace_extension(cursor ? ".cur" : ".ico");
    return Utf8FromPath(path);
}

Result<MakeOutcome> MakeIconFile(const MakeOptions& options) {
    if (options.pictures.empty()) return Fail("make", "", "no picture given");
    MakeOutcome outcome;
    outcome.output = options.output.empty() ? DefaultIconPath(options.pictures.front(), options.request.cursor.has_value())
                                            : options.output;
    for (const auto& picture : options.pictures)
        if (IsSameFile(picture, outcome.output))
            return Fail(std::string(kOutputIsPicture), outcome.output, picture);

    IconPictureOptions read;
    read.master_side = MasterSide(options.request);
    read.svg_sizes = options.request.sizes;
    std::vector<SourcePicture> pictures;
    for (std::size_t i = 0; i < options.pictures.size(); ++i) {
        const bool own = i < options.picture_groups.size() && options.picture_groups[i];
        read.group = own ? options.picture_groups[i] : options.group;
        auto got = ReadIconPictures(options.pictures[i], read);
        if (!got) return Fail(got.error());
        for (auto& p : *got) pictures.push_back(std::move(p));
    }
    auto made = MakeIcon(pictures, options.request);
    if (!made) return Fail(made.error());
    if (auto written = WriteWholeFile(outcome.output, made->file); !written) return Fail(std::move(written.error()));
    outcome.made = std::move(*made);
    return outcome;
}

}  // namespace icoforge
