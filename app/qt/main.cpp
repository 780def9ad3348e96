// icoforge-gui [--output DIR] [FILE]: the program's window on Linux.

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <variant>
#include <vector>

#include "app/commands/presenter.h"
#include "app/commands/window_options.h"
#include "app/qt/app_icon.h"
#include "app/qt/main_window.h"

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
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("icoforge"));
    app.setDesktopFileName(QStringLiteral("icoforge"));
    app.setWindowIcon(QIcon(QPixmap::fromImage(icoforge::DrawAppIcon(256))));
    const icoforge::WindowStart start =
        icoforge::PrepareWindowStart(options, QCoreApplication::applicationDirPath().toStdString());

    icoforge::MainWindow window(start.folders);
    window.show();
    window.OnCreated();
    window.presenter().OpenFile(start.file);
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
