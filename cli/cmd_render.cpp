#include "cli/commands.h"

namespace icoforge::cli {

// Not built yet; the subcommand is listed so that scripts see the whole interface.
int RunRender(const Args&) { return Failure("'render' is not available in this build yet"); }

}  // namespace icoforge::cli
