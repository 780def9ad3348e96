#pragma once
// The command line's two streams, in the user's language. Standard output carries only
// what a script reads (the paths written, or the answer asked for); standard error
// carries the rest. A write that fails is remembered, so that the run ends with status 1
// instead of passing lost output for success.

#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "cli/messages.h"

namespace icoforge::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

enum class Verbosity : unsigned char { kQuiet, kNormal, kVerbose };

class Console {
public:
    Console(Language language, std::FILE* out, std::FILE* err) : language_(language), out_(out), err_(err) {}
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    Language language() const { return language_; }
    void set_verbosity(Verbosity verbosity) { verbosity_ = verbosity; }
    Verbosity verbosity() const { return verbosity_; }
    // -0: each path on standard output ends with NUL instead of a line end.
    void set_null_ends(bool null_ends) { null_ends_ = null_ends; }

    std::string Text(const Message& message, std::initializer_list<std::string_view> arguments = {}) const {
        return Format(message, language_, arguments);
    }

    // Standard output: a path (written, resolved, found), ended as -0 asks.
    void Path(std::string_view path);
    // Standard output: an answer that is no path (a count), one line.
    void Answer(std::string_view text);
    // Standard output: help, as it is.
    void Help(std::string_view text);

    // Standard error, "icoforge: " before each line: what happens, unless -q.
    void Progress(std::string_view line);
    // Only with -v.
    void Detail(std::string_view line);
    // Always; returns kExitFailure so that a command can end with `return console.Fail(...)`.
    int Fail(std::string_view line);
    // The usage error: the one line, then how to ask for help; returns kExitUsage.
    // `command` is empty for the program's own arguments.
    int UsageError(std::string_view line, std::string_view command);

    // The status the run ends with: `status`, or kExitFailure when a stream lost output
    // (the first loss is told on standard error while it still works).
    int Finish(int status);

private:
    void Write(std::FILE* stream, std::string_view text);
    void ErrorLine(std::string_view line);
    void FlushOut();

    Language language_;
    std::FILE* out_;
    std::FILE* err_;
    Verbosity verbosity_ = Verbosity::kNormal;
    bool null_ends_ = false;
    int out_error_ = 0;  // errno of the first failed write; 0 while none failed
    int err_error_ = 0;
};

// The arguments after the program name, as UTF-8. On Windows they are read again in
// their wide form, since argv holds them in the ANSI code page.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

}  // namespace icoforge::cli
