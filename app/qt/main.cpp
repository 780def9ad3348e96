// icoforge-gui [--output DIR] [FILE]: the program's window on Linux.

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "app/commands/presenter.h"
#include "app/commands/window_options.h"
#include "app/qt/app_icon.h"
#include "app/qt/main_window.h"
#include "common/path.h"

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitNoDisplay = 1;

// Qt ends the process when it cannot reach a display; say so in our words first.
bool DisplayNamed() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

// "usage: icoforge-gui [--output DIR] [FILE]"
std::string UsageLine() {
    const std::string_view usage = icoforge::kWindowUsage;
    const std::size_t arguments = usage.find('[');
    return "usage: icoforge-gui " + std::string(usage.substr(arguments == std::string_view::npos ? 0 : arguments));
}

std::string AbsoluteUtf8(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(icoforge::PathFromUtf8(path), ec);
    return ec ? path : icoforge::Utf8FromPath(absolute.lexically_normal());
}

int Run(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto parsed = icoforge::ParseWindowOptions(args);
    if (const auto* error = std::get_if<icoforge::WindowUsageError>(&parsed)) {
        std::fprintf(stderr, "icoforge-gui: %s\n%s\n", error->message.c_str(), UsageLine().c_str());
        return kExitUsage;
    }
    const auto& options = std::get<icoforge::WindowOptions>(parsed);
    if (options.help) {
        std::printf(
            "%s\n"
            "  Opens the icon extraction window. The numbered icons go to DIR, or else to the\n"
            "  folder that holds this program; FILE stands in the path box as if dropped.\n",
            UsageLine().c_str());
        return 0;
    }
    if (!DisplayNamed()) {
        std::fprintf(stderr, "icoforge-gui: no display (neither DISPLAY nor WAYLAND_DISPLAY is set)\n");
        return kExitNoDisplay;
    }
    // Both named before the current folder becomes the program folder.
    const std::string file = options.file.empty() ? std::string() : AbsoluteUtf8(options.file);
    std::string program_folder = options.output_folder.empty() ? std::string() : AbsoluteUtf8(options.output_folder);

    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("icoforge"));
    app.setDesktopFileName(QStringLiteral("icoforge"));
    app.setWindowIcon(QIcon(QPixmap::fromImage(icoforge::DrawAppIcon(256))));
    if (program_folder.empty()) program_folder = QCoreApplication::applicationDirPath().toStdString();

    std::error_code ec;
    // A folder the user named is made when missing; one that cannot be made or written
    // shows as a failed extract, which is where the user looks.
    if (!options.output_folder.empty()) std::filesystem::create_directories(icoforge::PathFromUtf8(program_folder), ec);
    std::filesystem::current_path(icoforge::PathFromUtf8(program_folder), ec);

    icoforge::MainWindow window(icoforge::SystemFolders(program_folder));
    window.show();
    window.OnCreated();
    if (!file.empty()) window.presenter().OnFilesDropped(file);
    return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "icoforge-gui: %s\n", e.what());
        return 1;
    }
}
