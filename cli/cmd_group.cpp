#include "cli/commands.h"

namespace icoforge::cli {

// Not built yet; the subcommand is listed so that scripts see the whole interface.
int RunGroup(const Args&) { return Failure("'group' is not available in this build yet"); }

}  // namespace icoforge::cli
