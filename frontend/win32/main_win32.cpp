// fenwold.exe: the dialog front end of the TALVEX tool set on Windows.
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "actions.h"
#include "main_dialog.h"
#include "platform/files.h"
#include "talvex_version.h"

namespace {

// The folder of our own executable, where talvex.exe, vorlane.exe and
// ostrand.exe are.
std::string own_folder() {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            return platform::current_folder();
        if (n < buf.size()) {
            return fenwold::folder_of(fenwold_win32::utf8(std::wstring(buf.data(), n)));
        }
        buf.resize(buf.size() * 2);
    }
}

constexpr const char* kUsage =
    "Usage: fenwold [--help | --version]\n"
    "Opens a TALVEX recorder file (.cd11), lists its channels, shows it with vorlane\n"
    "and converts it with talvex to SUDS, Mini-SEED or ASCII, in a window.\n"
    "talvex.exe, vorlane.exe and ostrand.exe are run from fenwold's own folder; the\n"
    "current folder is theirs (vorlane.log, trelkit.ini).\n";

// A window program has no console of its own: the text goes where our
// output was sent, else to the console we were started from, else into a
// message box (started from the desktop).
void answer(const std::string& text) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) {
        if (AttachConsole(ATTACH_PARENT_PROCESS))
            out = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    }
    // Windows line ends, as our other programs write text.
    std::string crlf;
    for (char c : text)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    DWORD written = 0;
    if (out != nullptr && out != INVALID_HANDLE_VALUE &&
        WriteFile(out, crlf.data(), static_cast<DWORD>(crlf.size()), &written, nullptr))
        return;
    MessageBoxW(nullptr, fenwold_win32::wide(text).c_str(), L"Fenwold", MB_OK | MB_ICONINFORMATION);
}

// --help or --version anywhere on the command line: the answer, and true.
bool answered_switch() {
    int n = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &n);
    bool done = false;
    for (int i = 1; args && i < n && !done; ++i) {
        const std::wstring a = args[i];
        if (a == L"--version") {
            answer(std::string("fenwold ") + TALVEX_TOOLSET_VERSION + "\n");
            done = true;
        } else if (a == L"--help") {
            answer(kUsage);
            done = true;
        }
    }
    LocalFree(args);
    return done;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    if (answered_switch())
        return 0;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    fenwold::Frontend fe;
    fe.program_folder = own_folder();
    // Children run where we were started, so that vorlane.log and
    // trelkit.ini are found as on the command line.
    fe.start_folder = platform::current_folder();
    fenwold::SystemChildren children(fe.start_folder);
    fe.children = &children;

    std::string error;
    if (!fenwold::frontend_start(fe, error)) {
        fenwold_win32::trace("message", "ERROR: " + error);
        MessageBoxW(nullptr, fenwold_win32::wide("ERROR: " + error).c_str(), L"Fenwold",
                    MB_OK | MB_ICONERROR);
        return 1;
    }
    {
        fenwold_win32::MainDialog window(fe, instance);
        fe.shell = &window;
        window.run();
        fenwold::frontend_exit(fe);
        fe.shell = nullptr;
    }
    return 0;
}
