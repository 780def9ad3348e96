#pragma once
// One entry point per subcommand. Each gets the arguments after its own name and returns
// the exit status: 0 success, 1 failure (one line on stderr says why), 2 usage error.

#include <string>
#include <vector>

namespace icoforge::cli {

using Args = std::vector<std::string>;

int RunExtract(const Args& args);
int RunCount(const Args& args);
int RunGroup(const Args& args);
int RunIcon(const Args& args);
int RunConvert(const Args& args);
int RunRender(const Args& args);
int RunResolve(const Args& args);
int RunFolder(const Args& args);
int RunDecrypt(const Args& args);

// Shared helpers of the subcommands.
bool WantsHelp(const Args& args);
int UsageError(const std::string& message, const char* usage);
int Failure(const std::string& reason);
// A decimal integer of the whole text, or false.
bool ParseInt(const std::string& text, long long& value);

}  // namespace icoforge::cli
