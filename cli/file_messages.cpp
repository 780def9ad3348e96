// The lines of the commands that read and write files, worded once.

#include <utility>

#include "cli/commands.h"
#include "iconbuild/icon_builder.h"
#include "iconextract/extract.h"
#include "iconextract/ico_reader.h"
#include "iconextract/icon_writers.h"
#include "iconextract/module_groups.h"
#include "imageconv/convert.h"
#include "platform/system_failure.h"

namespace icoforge::cli {
namespace {

// The engines' own reasons, said in the user's language; the system's stay its own words.
const std::pair<std::string_view, Message> kOwnReasons[] = {
    {kNotRegularFileText, {"not a regular file", "不是普通文件"}},
    {kIsFolderText, {"is a folder", "是文件夹"}},
    {kUnsupportedSourceText, {"neither a Windows module nor an icon file", "既不是 Windows 模块也不是图标文件"}},
    {kNoGroupsText, {"it holds no icon groups", "不含图标组"}},
    {kIndexBeyondGroupsText, {"the index lies beyond its icon groups", "序号超出了图标组的数目"}},
    {kNoImagesText, {"the icon group has no images", "图标组没有图像"}},
    {kNotIconFileText, {"not an icon file", "不是图标文件"}},
    {kImageOutsideFileText, {"damaged: an image lies outside the file", "已损坏：有图像超出了文件"}},
    {kNotWholeBitmapText, {"the image is not a whole bitmap (a PNG image, or one cut short)",
                           "该图像不是完整的位图（是 PNG 图像或被截断）"}},
    {kNotModuleText, {"not a module that can be read", "不是可读的模块"}},
    {kGroupDamagedText, {"the icon group or one of its images is missing or damaged", "图标组或其中的图像缺失或已损坏"}},
    {kNotAPictureText, {"not a supported picture, or damaged", "不是支持的图片，或已损坏"}},
    {kIconSideText, {"the bitmap must be 1 to 255 pixels wide and high (bottom-up)",
                     "位图的宽和高必须是 1 到 255 像素（自下而上）"}},
    {kRawBitmapText, {"not a BMP of 1 to 255 pixels a side with enough 24-bit pixel data",
                      "不是每边 1 到 255 像素且有足够 24 位像素数据的 BMP"}},
};

constexpr Message kCannotConvert{"cannot convert {1}: {2}", "无法转换 {1}：{2}"};
constexpr Message kCannotDo{"cannot {1} {2}: {3}", "无法{1} {2}：{3}"};

}  // namespace

std::string ReasonText(const Invocation& run, std::string_view reason) {
    for (const auto& [text, message] : kOwnReasons)
        if (reason == text) return run.Text(message);
    return std::string(reason);
}

int Report(const Invocation& run, const Failure& failure) {
    const std::string reason = ReasonText(run, failure.reason);
    if (failure.path.empty()) return run.Fail(reason);
    const std::string path = Quoted(failure.path);
    if (failure.what == "read") return run.Fail(run.Text(msg::kCannotRead, {path, reason}));
    if (failure.what == "write") return run.Fail(run.Text(msg::kCannotWrite, {path, reason}));
    if (failure.what == kConvertStep) return run.Fail(run.Text(kCannotConvert, {path, reason}));
    if (failure.what == kMakeIconStep) return run.Fail(run.Text(msg::kCannotMakeIcon, {path, reason}));
    return run.Fail(run.Text(kCannotDo, {failure.what, path, reason}));
}

int CannotRead(const Invocation& run, std::string_view path, std::string_view reason) {
    return run.Fail(run.Text(msg::kCannotRead, {Quoted(path), ReasonText(run, reason)}));
}

int OutputIsSource(const Invocation& run, std::string_view source, std::string_view output) {
    return run.Fail(run.Text(msg::kOutputIsSource, {Quoted(output), Quoted(source)}));
}

}  // namespace icoforge::cli
