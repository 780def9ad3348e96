#include "app/commands/window_options.h"

#include <filesystem>
#include <system_error>

#include "common/path.h"

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

namespace icoforge {
namespace {

// Absolute and without a trailing separator (a root keeps its own), as the commands join
// names to the folder themselves; the path as given when it cannot be made absolute.
std::string AbsoluteUtf8(const std::string& path) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(PathFromUtf8(path), ec).lexically_normal();
    if (ec) return path;
    if (!absolute.has_filename() && absolute != absolute.root_path()) absolute = absolute.parent_path();
    return Utf8FromPath(absolute);
}

}  // namespace

WindowStart PrepareWindowStart(const WindowOptions& options, const std::string& executable_folder) {
    const std::string file = options.file.empty() ? std::string() : AbsoluteUtf8(options.file);
    const std::string program = options.output_folder.empty() ? executable_folder : AbsoluteUtf8(options.output_folder);
    std::error_code ec;
    if (!options.output_folder.empty()) std::filesystem::create_directories(PathFromUtf8(program), ec);
    std::filesystem::current_path(PathFromUtf8(program), ec);
    return {SystemFolders(program), file};
}

}  // namespace icoforge
