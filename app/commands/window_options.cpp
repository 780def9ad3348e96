#include "app/commands/window_options.h"

namespace icoforge {

std::variant<WindowOptions, WindowUsageError> ParseWindowOptions(std::span<const std::string> args) {
    WindowOptions options;
    bool options_ended = false;
    bool have_file = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (!options_ended && arg == "--") {
            options_ended = true;
        } else if (!options_ended && (arg == "--help" || arg == "-h")) {
            options.help = true;
        } else if (!options_ended && (arg == "--output" || arg == "-o")) {
            if (i + 1 == args.size() || args[i + 1].empty()) {
                return WindowUsageError{std::string(arg) + " needs a folder"};
            }
            options.output_folder = args[++i];
        } else if (!options_ended && arg.starts_with("--output=")) {
            options.output_folder = arg.substr(9);
            if (options.output_folder.empty()) return WindowUsageError{"--output needs a folder"};
        } else if (!options_ended && arg.size() > 1 && arg.front() == '-') {
            return WindowUsageError{"unknown option '" + std::string(arg) + "'"};
        } else if (have_file) {
            return WindowUsageError{"only one FILE can be given"};
        } else {
            options.file = arg;
            have_file = true;
        }
    }
    return options;
}

}  // namespace icoforge
