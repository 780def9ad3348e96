#pragma once
// One entry point per subcommand. Each gets the arguments after its own name and returns
// the exit status: 0 success, 1 failure (one line on stderr says why), 2 usage error.

#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace icoforge::cli {

using Args = std::vector<std::string>;

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

int RunExtract(const Args& args);
int RunCount(const Args& args);
int RunGroup(const Args& args);
int RunIcon(const Args& args);
int RunConvert(const Args& args);
int RunRender(const Args& args);
int RunResolve(const Args& args);
int RunFolder(const Args& args);
int RunDecrypt(const Args& args);
int RunScan(const Args& args);
int RunIndex(const Args& args);

// An option a subcommand accepts; one that takes a value takes the next argument whole.
struct OptionRule {
    std::string_view name;  // "-k", "--raw"
    bool takes_value = false;
};

// A subcommand's arguments split the same way for every subcommand: `--help` or `-h`
// asks for help; `--` ends the options; any other argument that starts with '-' must be
// a known option, except a negative number and "-" alone, which are operands.
struct CommandLine {
    bool help = false;
    std::vector<std::pair<std::string, std::string>> options;  // in order; flags have ""
    std::vector<std::string> operands;

    bool Has(std::string_view name) const;
    // The value of the last occurrence, or null when the option was not given.
    const std::string* Value(std::string_view name) const;
};

// False, with `problem` saying why, for an unknown option or one missing its value.
bool ParseCommandLine(const Args& args, std::span<const OptionRule> options, CommandLine& line, std::string& problem);

// Shared helpers of the subcommands.
int ShowHelp(const char* usage);
int UsageError(const std::string& message, const char* usage);
int Failure(const std::string& reason);
// A path as every message shows it: in single quotes, control characters escaped so
// that the message stays on one line.
std::string Quoted(std::string_view path);
int CannotRead(std::string_view path, std::string_view reason);
int CannotWrite(std::string_view path, std::string_view reason);
// The failure for an output that is the source itself (IsSameFile): writing it would
// replace the source with what was made of it.
int OutputIsSource(std::string_view source, std::string_view output);
// Prints a path (one written, or the answer of resolve and folder) on a line of its own:
// the only thing a subcommand puts on standard output.
int PrintPath(std::string_view path);
// A decimal integer of the whole text, or false.
bool ParseInt(const std::string& text, long long& value);

}  // namespace icoforge::cli
