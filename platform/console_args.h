#pragma once
// The process's command-line arguments as UTF-8 (wide on Windows, as given elsewhere).

#include <string>
#include <vector>

namespace icoforge {

std::vector<std::string> CommandLineUtf8(int argc, char** argv);

}  // namespace icoforge
