// icoforge.exe: the program folder, OLE, the window and its message loop.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <variant>
#include <vector>

#include "app/commands/window_options.h"
#include "app/win32/main_window.h"
#include "app/win32/win32_handles.h"
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

std::wstring FullPath(const std::wstring& path) {
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    full.resize(length < needed ? length : 0);
    // The commands join names to the folder themselves.
    while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
    return full.empty() ? path : full;
}

// The installer's Start-menu and Explorer entries pass --output as
// "%USERPROFILE%\Pictures\icoforge": one entry for every user of the machine, each of
// whom gets a folder of their own. Names of variables that are not set stay as written.
std::wstring ExpandedVariables(const std::wstring& text) {
    if (text.find(L'%') == std::wstring::npos) return text;
    const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (needed == 0) return text;
    std::wstring expanded(needed, L'\0');
    const DWORD length = ExpandEnvironmentStringsW(text.c_str(), expanded.data(), needed);
    if (length == 0 || length > needed) return text;
    expanded.resize(length - 1);
    return expanded;
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
    const auto& options = std::get<WindowOptions>(parsed);
    if (options.help) {
        ShowUsage(std::string(kWindowUsage), MB_ICONINFORMATION);
        return 0;
    }

    // A file named relative to where the user stood is resolved before the program folder
    // becomes the current directory.
    const std::string file = options.file.empty() ? std::string() : Utf8FromWide(FullPath(WideFromUtf8(options.file)));
    const std::wstring program_folder =
        options.output_folder.empty() ? ExecutableFolder() : FullPath(ExpandedVariables(WideFromUtf8(options.output_folder)));
    // A folder asked for is made when missing, as the Linux window does; the extract then
    // reports on its own if it still cannot write there.
    if (!options.output_folder.empty()) SHCreateDirectoryExW(nullptr, program_folder.c_str(), nullptr);
    SetCurrentDirectoryW(program_folder.c_str());

    const OleSession ole;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    MainWindowOptions window_options;
    window_options.folders = SystemFolders(Utf8FromWide(program_folder));
    MainWindow window(std::move(window_options));
    if (window.window() == nullptr) return 1;
    window.OpenFile(file);

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
