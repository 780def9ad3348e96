#include "cli/commands.h"

namespace icoforge::cli {

// Not built yet; the subcommand is listed so that scripts see the whole interface.
int RunConvert(const Args&) { return Failure("'convert' is not available in this build yet"); }

}  // namespace icoforge::cli
