#include "cli/commands.h"

namespace icoforge::cli {

// Not built yet; the subcommand is listed so that scripts see the whole interface.
int RunCount(const Args&) { return Failure("'count' is not available in this build yet"); }

}  // namespace icoforge::cli
