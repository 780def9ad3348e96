#pragma once
// The command line's message catalogue: every line icoforge prints to a person (progress,
// outcomes, errors, help) is a Message holding its English and its Chinese text side by
// side, so that neither can be added without the other.
//
// Why a table of our own and not GNU gettext: the Windows build is linked statically with
// mingw-w64, and Debian ships no libintl for it; a catalogue compiled into the program also
// needs no .mo files installed beside it and cannot fall out of step with the code.
//
// How a command adds its messages:
//  - Lines only one command prints are declared at the top of its cli/cmd_NAME.cpp, in
//    its anonymous namespace:
//        constexpr Message kGroupCount{"{1} holds {2} icon groups", "{1} 含有 {2} 个图标组"};
//  - Lines several commands print are declared below, in namespace msg.
//  - {1}, {2}, ... stand for the arguments given to Console::Text in that order; each
//    language places them where its grammar wants them. A path is passed through
//    Quoted() so that it stays on one line.
//  - A message is a whole line without "icoforge: " and without the line end; the
//    Console adds both.
//  - Texts the system gives (strerror, FormatMessage) are passed as arguments, never
//    translated: they are the system's own words.

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace icoforge::cli {

struct Message {
    std::string_view english;
    std::string_view chinese;
};

enum class Language : unsigned char { kEnglish, kChinese };

// The language the locale variables ask for, in the order POSIX gives them: the first of
// LC_ALL, LC_MESSAGES and LANG that is set and not empty decides; when none is, the
// system's user-interface language (empty off Windows) does. Chinese for any value that
// starts with "zh", English for everything else.
Language LanguageFor(std::string_view lc_all, std::string_view lc_messages, std::string_view lang,
                     std::string_view system_language);
// The same, read from this process's environment and system.
Language UserLanguage();

// The text of `message` in `language` with {1}, {2}, ... replaced by `arguments`; a
// number without an argument stays as written.
std::string Format(const Message& message, Language language, std::initializer_list<std::string_view> arguments);

// A path as every message shows it: in single quotes, control characters escaped so that
// the message stays on one line.
std::string Quoted(std::string_view path);
// The same text without the quotes: what a file names itself (a resource name, a
// problem), shown on one line without letting its control characters reach the terminal.
std::string Escaped(std::string_view text);
// How many columns a terminal gives the UTF-8 text: two for East Asian wide characters
// (中文 takes four), none for combining marks, one for everything else, and one for each
// byte that is no UTF-8.
std::size_t TerminalColumns(std::string_view utf8);

namespace msg {

inline constexpr Message kTryHelp{"Try 'icoforge {1} --help' for more information.",
                                  "请执行“icoforge {1} --help”查看用法。"};
inline constexpr Message kTryHelpAll{"Try 'icoforge --help' for more information.",
                                     "请执行“icoforge --help”查看用法。"};
inline constexpr Message kUnknownSubcommand{"unknown command {1}", "没有 {1} 这个命令"};
inline constexpr Message kUnknownSubcommandMeant{"unknown command {1}; did you mean {2}?", "没有 {1} 这个命令；是否要用 {2}？"};
inline constexpr Message kNoSubcommand{"no command given", "没有给出命令"};
inline constexpr Message kUnknownOption{"unknown option {1}", "未知选项 {1}"};
inline constexpr Message kUnknownOptionMeant{"unknown option {1}; did you mean {2}?", "未知选项 {1}；是否要用 {2}？"};
inline constexpr Message kNeedsValue{"option {1} needs a value", "选项 {1} 需要一个值"};
inline constexpr Message kTakesNoValue{"option {1} takes no value", "选项 {1} 不接受值"};
inline constexpr Message kMissingOperand{"missing {1}", "缺少 {1}"};
inline constexpr Message kExtraOperand{"unexpected operand {1}", "多余的参数 {1}"};
inline constexpr Message kNotAWholeNumber{"{1} must be a whole number from {2} to {3}, not {4}",
                                          "{1} 必须是 {2} 到 {3} 之间的整数，而不是 {4}"};
inline constexpr Message kIndexFromOne{"{1} counts from 1, not {2}", "{1} 从 1 开始计数，不能是 {2}"};
inline constexpr Message kNotAChoice{"{1} must be one of {2}, not {3}", "{1} 只能是 {2} 之一，而不是 {3}"};
inline constexpr Message kOptionsConflict{"{1} and {2} cannot be given together", "{1} 和 {2} 不能同时使用"};
inline constexpr Message kNeedsOneOf{"give {1} or {2}", "请给出 {1} 或 {2}"};

inline constexpr Message kCannotRead{"cannot read {1}: {2}", "无法读取 {1}：{2}"};
inline constexpr Message kCannotWrite{"cannot write {1}: {2}", "无法写入 {1}：{2}"};
inline constexpr Message kOutputIsSource{"cannot write {1}: it is the same file as the source {2}",
                                         "无法写入 {1}：它就是源文件 {2}"};
inline constexpr Message kWrote{"wrote {1}", "已写入 {1}"};
inline constexpr Message kCreateFolder{"cannot create the folder {1}: {2}", "无法创建文件夹 {1}：{2}"};
inline constexpr Message kShortcutTarget{"{1} is a shortcut to {2}", "{1} 是指向 {2} 的快捷方式"};
inline constexpr Message kShortcutIcon{"{1} shows the icon at index {2} of {3}",
                                       "{1} 显示 {3} 中序号为 {2} 的图标"};
inline constexpr Message kShortcutIconNotFull{"{1}, the icon of the shortcut {2}, is no full path on this system",
                                              "快捷方式 {2} 的图标 {1} 在本系统上不是完整路径"};
inline constexpr Message kShortcutIconOnline{"{1}, the icon of the shortcut {2}, is on the web; "
                                             "icoforge reads only files",
                                             "快捷方式 {2} 的图标 {1} 在网上；icoforge 只读取文件"};
inline constexpr Message kInternetShortcutNoIcon{"an internet shortcut without an icon file that can be read",
                                                 "这是互联网快捷方式，没有可读取的图标文件"};
inline constexpr Message kCannotMakeIcon{"cannot make an icon of {1}: {2}", "无法用 {1} 生成图标：{2}"};
inline constexpr Message kShortcutIconMissing{"cannot read {1}, the icon of the shortcut {2}: {3}",
                                              "无法读取快捷方式 {2} 的图标 {1}：{3}"};
inline constexpr Message kShortcutTargetMissing{"cannot read {1}, the target of the shortcut {2}: {3}",
                                                "无法读取快捷方式 {2} 的目标 {1}：{3}"};
inline constexpr Message kNotAShellLink{"cannot follow {1}: named as a shortcut, but not a shell link",
                                        "无法跟随 {1}：名称是快捷方式，但内容不是快捷方式"};
inline constexpr Message kShortcutNoPath{"cannot follow {1}: a link with no file path (it stores: {2})",
                                         "无法跟随 {1}：这个快捷方式不含文件路径（它保存的是：{2}）"};

inline constexpr Message kOutsideFileSystem{"an item outside the file system", "文件系统以外的项目"};
inline constexpr Message kOutOfMemory{"out of memory", "内存不足"};
inline constexpr Message kUnexpected{"unexpected failure: {1}", "意外的错误：{1}"};
inline constexpr Message kStandardOutputFailed{"cannot write to standard output: {1}", "无法写入标准输出：{1}"};

// Help.
inline constexpr Message kUsage{"usage: {1}", "用法：{1}"};
inline constexpr Message kOptionsHeading{"Options:", "选项："};
inline constexpr Message kCommandsHeading{"Commands:", "命令："};
inline constexpr Message kHelpOption{"show this help and exit", "显示本帮助并退出"};
inline constexpr Message kVersionOption{"print the version and exit", "显示版本并退出"};
inline constexpr Message kQuietOption{"print nothing but errors (and what standard output carries)",
                                      "只报告错误（标准输出照常）"};
inline constexpr Message kVerboseOption{"tell each step, each file written", "报告每一步和写入的每个文件"};
inline constexpr Message kNullOption{"end each path on standard output with NUL, not a line end (for xargs -0)",
                                     "标准输出的每个路径以 NUL 结尾而不是换行（供 xargs -0 使用）"};
inline constexpr Message kMainDescription{
    "Pulls the icons out of Windows programs, libraries and icon files, and turns pictures into icons.\n"
    "Standard output holds the paths written (or the answer asked for); everything else goes to\n"
    "standard error. Exit status: 0 success, 1 failure, 2 usage error.",
    "从 Windows 程序、库和图标文件中提取图标，或把图片做成图标。\n"
    "标准输出只列出写入的文件（或所问的答案）；其余信息都写到标准错误。\n"
    "退出状态：0 成功，1 失败，2 用法错误。"};
inline constexpr Message kMainFooter{"'icoforge help COMMAND' describes each command.",
                                     "“icoforge help 命令”介绍每个命令。"};
inline constexpr Message kHelpSummary{"describe icoforge or one of its commands", "介绍 icoforge 或它的某个命令"};
inline constexpr Message kHelpDescription{"Describes COMMAND, or lists every command when none is named.",
                                          "介绍命令 COMMAND；不给出命令时列出所有命令。"};

}  // namespace msg
}  // namespace icoforge::cli
