#pragma once
// The command line as UTF-8, whatever the platform hands the program.

#include <string>
#include <vector>

namespace icoforge::cli {

// The arguments after the program name, as UTF-8. On Windows they are read again in
// their wide form, since argv holds them in the ANSI code page.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

}  // namespace icoforge::cli
