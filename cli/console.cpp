#include "cli/console.h"

#include "platform/console_args.h"

namespace icoforge::cli {

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return CommandLineUtf8(argc, argv); }

}  // namespace icoforge::cli
