#pragma once
// The window's own texts, as the user reads them.

#include <string_view>

#include "app/commands/ui.h"

namespace icoforge::texts {

inline constexpr std::string_view kInitialCaption = "ICO提取工具支持多种图像格式转换";
inline constexpr std::string_view kInitialEditText =
    "支持拖放，支持格式 EXE、DLL、ICL、ICO、BMP、LNK、JPG、PNG、GIF......";
inline constexpr std::string_view kDefaultMessageCaption = "信息：";
inline constexpr std::string_view kBadPath = "文件路径不正确，请尝试更换文件再试！";
inline constexpr std::string_view kExtractSucceeded = "图标提取成功。";
inline constexpr std::string_view kExtractFailed = "图标提取失败。";
inline constexpr std::string_view kCountCaptionStart = "发现图标数为：";
inline constexpr std::string_view kCountCaptionEnd = "个";
inline constexpr std::string_view kNoIconsFound =
    "文件内没有发现可用图标，如果放入的是图像将自动转换成为图标文件\r\n如果不是图像将会转换失败！";
inline constexpr std::string_view kDeleteConfirmation = "删除的仅是刚才提取的图标而且必须是非图像提取的图标";
inline constexpr std::string_view kAboutEnding = "\r\n支持查询快捷方式lnk";
inline constexpr std::string_view kAboutCaption = "作者编语，初次使用请看第 1、2 条说明~";
// The open-file dialog's choices; the descriptions mix full-width and ASCII parentheses.
inline constexpr std::string_view kExecutablePatterns[] = {"*.exe"};
inline constexpr std::string_view kLibraryPatterns[] = {"*.dll"};
inline constexpr std::string_view kIconLibraryPatterns[] = {"*.icl"};
inline constexpr std::string_view kPicturePatterns[] = {"*.bmp", "*.jpg", "*.jpeg", "*.gif", "*.ico"};
inline constexpr std::string_view kAnyFilePatterns[] = {"*.*"};
inline constexpr FileFilter kOpenFileFilters[] = {
    {"可执行文件（*.exe)", kExecutablePatterns},
    {"动态链接库（*.dll）", kLibraryPatterns},
    {"图标资源库（*.icl）", kIconLibraryPatterns},
    {"图像文件(*.bmp;*.jpg;*.jpeg;*.gif;*.ico)", kPicturePatterns},
    {"所有文件(*.*)", kAnyFilePatterns},
};

}  // namespace icoforge::texts
