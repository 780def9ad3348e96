// icoforge.exe: the program folder, OLE, the window and its message loop.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <variant>
#include <vector>

#include "app/commands/window_options.h"
#include "app/win32/main_window.h"
#include "platform/shell_services.h"
#include "platform/win32/wide.h"

namespace icoforge {
namespace {

std::vector<std::string> Arguments() {
    std::vector<std::string> args;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return args;
    for (int i = 1; i < count; ++i) args.push_back(Utf8FromWide(wide[i]));
    LocalFree(wide);
    return args;
}

std::wstring ExecutableFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// The installer's Start-menu and Explorer entries pass --output as
// "%USERPROFILE%\Pictures\icoforge": one entry for every user of the machine, each of
// whom gets a folder of their own. Names of variables that are not set stay as written.
std::string ExpandedVariables(const std::string& text) {
    if (text.find('%') == std::string::npos) return text;
    const std::wstring wide = WideFromUtf8(text);
    const DWORD needed = ExpandEnvironmentStringsW(wide.c_str(), nullptr, 0);
    if (needed == 0) return text;
    std::wstring expanded(needed, L'\0');
    const DWORD length = ExpandEnvironmentStringsW(wide.c_str(), expanded.data(), needed);
    if (length == 0 || length > needed) return text;
    expanded.resize(length - 1);
    return Utf8FromWide(expanded);
}

void ShowUsage(const std::string& message, UINT icon) {
    MessageBoxW(nullptr, WideFromUtf8(message).c_str(), L"icoforge", MB_OK | icon);
}

int Run() {
    // Windows' own boxes for a missing disk or a crash would stop the user's work; every
    // failure is the program's to report.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);

    const auto parsed = ParseWindowOptions(Arguments());
    if (const auto* error = std::get_if<WindowUsageError>(&parsed)) {
        ShowUsage(error->message + "\n" + std::string(kWindowUsage), MB_ICONERROR);
        return 2;
    }
    WindowOptions options = std::get<WindowOptions>(parsed);
    if (options.help) {
        ShowUsage(std::string(kWindowUsage), MB_ICONINFORMATION);
        return 0;
    }

    options.output_folder = ExpandedVariables(options.output_folder);
    const WindowStart start = PrepareWindowStart(options, Utf8FromWide(ExecutableFolder()));
    const ShellSession ole(ComUse::kDragAndDrop);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    MainWindowOptions window_options;
    window_options.folders = start.folders;
    MainWindow window(std::move(window_options));
    if (window.window() == nullptr) return 1;
    window.presenter().OpenFile(start.file);

    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        window.BeforeDispatch(message);
        if (window.window() != nullptr && IsDialogMessageW(window.window(), &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace
}  // namespace icoforge

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        return icoforge::Run();
    } catch (...) {
        return 1;
    }
}
