// fenwold.exe: the dialog front end of the TALVEX tool set on Windows.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <string>
#include <vector>

#include "actions.h"
#include "main_dialog.h"
#include "platform/files.h"

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

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
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
