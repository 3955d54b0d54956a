// The GTK 3 face of the front end: the main window, its window menu with the
// About box, message boxes, file choosers and the info window. It is the
// Shell through which the actions talk to the user.
//
// While a child program works, the actions stay where they are (they run
// one at a time, in order) and the child loop calls child_working about
// every 50 ms: there the window's pending events are serviced, so it
// repaints, shows the progress and takes a Cancel, while every other
// control is insensitive and no second action can start. No threads: GTK
// is used from one thread only.
#pragma once

#include <gtk/gtk.h>

#include "actions.h"
#include "layout.h"
#include "shell.h"

namespace fenwold_gtk {

class MainWindow : public fenwold::Shell {
  public:
    explicit MainWindow(fenwold::Frontend& fe);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Shows the window and services it until it is closed.
    void run();
    // The close box: closes now, or once a working child has been cancelled.
    void request_close();

    // Shell (dialogs.cpp, info_window.cpp and main_window.cpp).
    bool show_message(const fenwold::Message& m) override;
    bool ask_yes_no(const std::string& text) override;
    std::optional<std::string> choose_open(const fenwold::FileDialog& dialog) override;
    std::optional<std::string> choose_save(const fenwold::FileDialog& dialog) override;
    void set_file_label(const std::string& text) override;
    void enable_file_controls(bool enable) override;
    void show_info(const std::string& file_line, const std::vector<std::string>& lines) override;
    void close_info() override;
    void pause_ms(int ms) override;
    void child_begin(const std::string& what) override;
    bool child_working(const fenwold::ChildProgress& progress) override;
    void child_end() override;

  private:
    void build();
    void show_about();
    void popup_window_menu(const GdkEvent* event);
    void close();
    // Runs an action; a close asked for while it worked follows it.
    void act(void (*action)(fenwold::Frontend&));
    std::vector<GtkWidget*> controls() const;
    void trace_layout();
    void trace_control(const char* name, GtkWidget* w);
    void show_progress();
    // Lets a closed dialog leave the screen before the window stops responding.
    void flush_events();

    static void on_open(GtkButton*, gpointer self);
    static void on_file_info(GtkButton*, gpointer self);
    static void on_quick_view(GtkButton*, gpointer self);
    static void on_convert(GtkButton*, gpointer self);
    static void on_close(GtkButton*, gpointer self);
    static void on_format(GtkToggleButton*, gpointer self);
    static gboolean on_delete(GtkWidget*, GdkEvent*, gpointer self);
    static gboolean on_key(GtkWidget*, GdkEventKey*, gpointer self);
    static gboolean on_button(GtkWidget*, GdkEventButton*, gpointer self);
    static void on_mapped(GtkWidget*, gpointer self);
    static void on_info_destroyed(GtkWidget*, gpointer self);

    fenwold::Frontend& fe_;
    DialogUnits du_;
    GtkWidget* window_ = nullptr;
    GtkWidget* file_label_ = nullptr;
    GtkWidget* open_ = nullptr;
    GtkWidget* file_info_ = nullptr;
    GtkWidget* quick_view_ = nullptr;
    GtkWidget* group_ = nullptr;
    GtkWidget* convert_ = nullptr;
    GtkWidget* radio_[4] = {}; // by output format
    GtkWidget* close_ = nullptr;
    GtkWidget* about_ = nullptr;
    GtkWidget* work_label_ = nullptr;
    GtkWidget* progress_ = nullptr;
    GtkWidget* cancel_ = nullptr;
    std::vector<gboolean> sensitive_; // of controls() before a child started
    std::string work_;
    int shown_percent_ = -1;
    gint64 last_pulse_ = 0;
    gint64 begun_ = 0;
    bool progress_shown_ = false;
    bool busy_ = false;
    bool cancel_requested_ = false;
    bool close_pending_ = false;
    GtkWidget* menu_ = nullptr;
    GtkWidget* info_window_ = nullptr;
    GdkPixbuf* icon_ = nullptr;
    bool closing_ = false;
};

} // namespace fenwold_gtk
