// fenwold: the dialog front end of the TALVEX tool set.
#include <glib-unix.h>
#include <gtk/gtk.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

#ifdef FENWOLD_WITH_X11
#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#endif

#include "actions.h"
#include "main_window.h"
#include "platform/files.h"
#include "talvex_version.h"

namespace {

constexpr const char* kUsage =
    "Usage: fenwold [--home] [--help | --version]\n"
    "Opens a TALVEX recorder file (.cd11), lists its channels, shows it with vorlane\n"
    "and converts it with talvex to SUDS, Mini-SEED or ASCII, in a window.\n"
    "talvex, vorlane and ostrand are run from fenwold's own folder; the current\n"
    "folder is theirs (vorlane.log, trelkit.ini); --home makes it the home folder.\n"
    "See fenwold(1).\n";

// The folder of our own executable, where talvex, vorlane and ostrand are.
std::string own_folder() {
    std::vector<char> buf(4096);
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0)
            return platform::current_folder();
        if (static_cast<size_t>(n) < buf.size()) {
            std::string path(buf.data(), static_cast<size_t>(n));
            return fenwold::folder_of(path);
        }
        buf.resize(buf.size() * 2);
    }
}

// The temp folder to remove should the program end without returning from
// main (the display connection lost makes GDK call exit).
std::string g_temp_at_exit;

void remove_temp_at_exit() {
    if (g_temp_at_exit.empty())
        return;
    fenwold::Frontend leftover;
    leftover.temp_folder = g_temp_at_exit;
    fenwold::frontend_exit(leftover);
}

#ifdef FENWOLD_WITH_X11
// GDK ends the process at once when the display goes away; the temp folder
// goes first.
int on_display_lost(Display*) {
    remove_temp_at_exit();
    _exit(1);
}
#endif

// As the close box: a working child is cancelled first.
gboolean close_on_signal(gpointer window) {
    static_cast<fenwold_gtk::MainWindow*>(window)->request_close();
    return G_SOURCE_CONTINUE;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("fenwold %s\n", TALVEX_TOOLSET_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    // The desktop entry starts us in the home folder: a launcher's own working
    // folder may be one the user never chose (or "/", where no log can go).
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--home") != 0)
            continue;
        const std::string home = platform::environment("HOME");
        std::error_code ec;
        if (!home.empty())
            std::filesystem::current_path(home, ec);
        for (int j = i; j + 1 < argc; ++j)
            argv[j] = argv[j + 1];
        --argc;
        --i;
    }
    // A display that goes away is then an error GDK reports, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "fenwold: cannot open the display\n");
        return 1;
    }
    g_set_application_name("Fenwold");

    fenwold::Frontend fe;
    fe.program_folder = own_folder();
    // Children run where we were started, so that vorlane.log and
    // trelkit.ini are found as on the command line.
    fe.start_folder = platform::current_folder();
    fenwold::SystemChildren children(fe.start_folder);
    fe.children = &children;

    std::string error;
    if (!fenwold::frontend_start(fe, error)) {
        GtkWidget* box = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                                GTK_BUTTONS_OK, "ERROR: %s", error.c_str());
        gtk_window_set_title(GTK_WINDOW(box), "Fenwold");
        gtk_dialog_run(GTK_DIALOG(box));
        gtk_widget_destroy(box);
        std::fprintf(stderr, "fenwold: %s\n", error.c_str());
        return 1;
    }
    g_temp_at_exit = fe.temp_folder;
    std::atexit(remove_temp_at_exit);
#ifdef FENWOLD_WITH_X11
    if (GDK_IS_X11_DISPLAY(gdk_display_get_default()))
        XSetIOErrorHandler(on_display_lost);
#endif

    {
        fenwold_gtk::MainWindow window(fe);
        // Ended by a signal, it still empties and removes its temp folder.
        for (int sig : {SIGINT, SIGTERM, SIGHUP})
            g_unix_signal_add(sig, close_on_signal, &window);
        fe.shell = &window;
        window.run();
        fenwold::frontend_exit(fe);
        g_temp_at_exit.clear();
        fe.shell = nullptr;
    }
    return 0;
}
