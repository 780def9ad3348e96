#include "platform/console_args.h"

namespace icoforge {

std::vector<std::string> CommandLineUtf8(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

}  // namespace icoforge
