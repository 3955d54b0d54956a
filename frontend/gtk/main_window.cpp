#include "main_window.h"

#include <chrono>
#include <thread>

#include "dialog_layout.h"
#include "icons.h"
#include "talvex_version.h"

namespace fenwold_gtk {

namespace {

constexpr const char* kFormatTitles[4] = {FENWOLD_SUDS_CAPTION, FENWOLD_MINISEED_CAPTION,
                                          FENWOLD_ASCII_ONE_CAPTION, FENWOLD_ASCII_MULTI_CAPTION};

GtkWidget* button(const char* caption) {
    GtkWidget* b = gtk_button_new_with_label(caption);
    gtk_widget_set_can_default(b, TRUE);
    return b;
}

gboolean draw_with(GtkWidget* w, cairo_t* cr, gpointer painter) {
    auto paint = reinterpret_cast<void (*)(cairo_t*, double, double)>(painter);
    paint(cr, gtk_widget_get_allocated_width(w), gtk_widget_get_allocated_height(w));
    return TRUE;
}

GtkWidget* picture(void (*paint)(cairo_t*, double, double)) {
    GtkWidget* area = gtk_drawing_area_new();
    g_signal_connect(area, "draw", G_CALLBACK(draw_with), reinterpret_cast<gpointer>(paint));
    return area;
}

} // namespace

MainWindow::MainWindow(fenwold::Frontend& fe) : fe_(fe) {
    icon_ = program_icon(64);
    gtk_window_set_default_icon(icon_);
    build();
}

MainWindow::~MainWindow() {
    if (info_window_)
        gtk_widget_destroy(info_window_);
    if (window_)
        gtk_widget_destroy(window_);
    if (menu_)
        gtk_widget_destroy(menu_);
    if (icon_)
        g_object_unref(icon_);
}

void MainWindow::build() {
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window_), FENWOLD_MAIN_CAPTION);
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
    gtk_window_set_icon(GTK_WINDOW(window_), icon_);
    gtk_window_set_type_hint(GTK_WINDOW(window_), GDK_WINDOW_TYPE_HINT_NORMAL);
    du_ = dialog_units_of(window_);

    GtkWidget* fixed = gtk_fixed_new();
    set_size(fixed, du_, FENWOLD_MAIN_SIZE);
    gtk_container_add(GTK_CONTAINER(window_), fixed);

    file_label_ = gtk_label_new("");
    gtk_label_set_xalign(GTK_LABEL(file_label_), 0.0f);
    gtk_label_set_ellipsize(GTK_LABEL(file_label_), PANGO_ELLIPSIZE_MIDDLE);
    place(fixed, file_label_, du_, FENWOLD_FILE_LABEL_RECT);

    open_ = button(FENWOLD_OPEN_CAPTION);
    place(fixed, open_, du_, FENWOLD_OPEN_RECT);
    file_info_ = button(FENWOLD_FILE_INFO_CAPTION);
    place(fixed, file_info_, du_, FENWOLD_FILE_INFO_RECT);
    quick_view_ = button(FENWOLD_QUICK_VIEW_CAPTION);
    place(fixed, quick_view_, du_, FENWOLD_QUICK_VIEW_RECT);

    group_ = gtk_frame_new(FENWOLD_GROUP_CAPTION);
    place(fixed, group_, du_, FENWOLD_GROUP_RECT);
    convert_ = button(FENWOLD_CONVERT_CAPTION);
    place(fixed, convert_, du_, FENWOLD_CONVERT_RECT);

    struct Radio {
        int format;
        Rect r;
    } radios[] = {{fenwold::kFormatSuds, {FENWOLD_SUDS_RECT}},
                  {fenwold::kFormatMiniSeed, {FENWOLD_MINISEED_RECT}},
                  {fenwold::kFormatAsciiMulti, {FENWOLD_ASCII_MULTI_RECT}},
                  {fenwold::kFormatAsciiOne, {FENWOLD_ASCII_ONE_RECT}}};
    GSList* group = nullptr;
    for (const auto& r : radios) {
        GtkWidget* b = gtk_radio_button_new_with_label(group, kFormatTitles[r.format]);
        group = gtk_radio_button_get_group(GTK_RADIO_BUTTON(b));
        g_object_set_data(G_OBJECT(b), "format", GINT_TO_POINTER(r.format));
        place(fixed, b, du_, r.r.x, r.r.y, r.r.w, r.r.h);
        radio_[r.format] = b;
    }
    close_ = button(FENWOLD_CLOSE_CAPTION);
    place(fixed, close_, du_, FENWOLD_CLOSE_RECT);
    about_ = gtk_button_new_with_mnemonic("_About...");
    place(fixed, about_, du_, 284, 188, 50, 14);

    // What a working child is doing, between the buttons and the group.
    work_label_ = gtk_label_new("");
    gtk_label_set_xalign(GTK_LABEL(work_label_), 0.0f);
    gtk_label_set_ellipsize(GTK_LABEL(work_label_), PANGO_ELLIPSIZE_MIDDLE);
    place(fixed, work_label_, du_, FENWOLD_WORK_LABEL_RECT);
    progress_ = gtk_progress_bar_new();
    gtk_progress_bar_set_show_text(GTK_PROGRESS_BAR(progress_), TRUE);
    place(fixed, progress_, du_, FENWOLD_PROGRESS_RECT);
    cancel_ = gtk_button_new_with_mnemonic("_Cancel");
    place(fixed, cancel_, du_, FENWOLD_CANCEL_RECT);
    gtk_widget_set_no_show_all(work_label_, TRUE);
    gtk_widget_set_no_show_all(progress_, TRUE);
    gtk_widget_set_no_show_all(cancel_, TRUE);

    g_signal_connect(open_, "clicked", G_CALLBACK(on_open), this);
    g_signal_connect(file_info_, "clicked", G_CALLBACK(on_file_info), this);
    g_signal_connect(quick_view_, "clicked", G_CALLBACK(on_quick_view), this);
    g_signal_connect(convert_, "clicked", G_CALLBACK(on_convert), this);
    g_signal_connect(close_, "clicked", G_CALLBACK(on_close), this);
    g_signal_connect_swapped(about_, "clicked",
                             G_CALLBACK(+[](MainWindow* self) { self->show_about(); }), this);
    g_signal_connect_swapped(cancel_, "clicked", G_CALLBACK(+[](MainWindow* self) {
                                 self->cancel_requested_ = true;
                                 trace("cancel", self->work_);
                             }),
                             this);
    for (GtkWidget* r : radio_)
        g_signal_connect(r, "toggled", G_CALLBACK(on_format), this);
    g_signal_connect(window_, "delete-event", G_CALLBACK(on_delete), this);
    g_signal_connect(window_, "key-press-event", G_CALLBACK(on_key), this);
    gtk_widget_add_events(window_, GDK_BUTTON_PRESS_MASK);
    g_signal_connect(window_, "button-press-event", G_CALLBACK(on_button), this);
    g_signal_connect(window_, "map", G_CALLBACK(on_mapped), this);

    // The window menu: a separator and the About entry.
    menu_ = gtk_menu_new();
    gtk_menu_shell_append(GTK_MENU_SHELL(menu_), gtk_separator_menu_item_new());
    GtkWidget* about = gtk_menu_item_new_with_mnemonic(mnemonic(FENWOLD_ABOUT_MENU_ITEM).c_str());
    gtk_menu_shell_append(GTK_MENU_SHELL(menu_), about);
    g_signal_connect_swapped(about, "activate",
                             G_CALLBACK(+[](MainWindow* self) { self->show_about(); }), this);
    gtk_widget_show_all(menu_);
    g_signal_connect(menu_, "popped-up",
                     G_CALLBACK(+[](GtkMenu*, gpointer, gpointer, gboolean, gboolean, gpointer) {
                         trace("menu", "window menu");
                     }),
                     nullptr);

    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(radio_[fenwold::kFormatSuds]), TRUE);
    gtk_widget_grab_default(open_);
}

void MainWindow::run() {
    fenwold::frontend_init_window(fe_);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(radio_[fenwold::kFormatSuds]), TRUE);
    gtk_widget_show_all(window_);
    gtk_widget_grab_focus(open_);
    gtk_main();
}

void MainWindow::set_file_label(const std::string& text) {
    gtk_label_set_text(GTK_LABEL(file_label_), text.c_str());
    trace("label", text);
}

void MainWindow::enable_file_controls(bool enable) {
    for (GtkWidget* w : {quick_view_, convert_, file_info_, group_})
        gtk_widget_set_sensitive(w, enable);
    for (GtkWidget* r : radio_)
        gtk_widget_set_sensitive(r, enable);
    if (enable)
        trace("enabled", "all");
}

void MainWindow::pause_ms(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::vector<GtkWidget*> MainWindow::controls() const {
    std::vector<GtkWidget*> all{open_, file_info_, quick_view_, group_, convert_, close_, about_};
    for (GtkWidget* r : radio_)
        all.push_back(r);
    return all;
}

void MainWindow::child_begin(const std::string& what) {
    busy_ = true;
    cancel_requested_ = false;
    work_ = what;
    shown_percent_ = -1;
    sensitive_.clear();
    for (GtkWidget* w : controls()) {
        sensitive_.push_back(gtk_widget_get_sensitive(w));
        gtk_widget_set_sensitive(w, FALSE);
    }
    gtk_label_set_text(GTK_LABEL(work_label_), what.c_str());
    gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(progress_), 0.0);
    gtk_progress_bar_set_text(GTK_PROGRESS_BAR(progress_), "");
    begun_ = g_get_monotonic_time();
    progress_shown_ = false;
    trace("busy", what);
    flush_events();
}

// Shown once a child has worked a moment: a quick listing does not flash.
void MainWindow::show_progress() {
    progress_shown_ = true;
    gtk_widget_show(work_label_);
    gtk_widget_show(progress_);
    gtk_widget_show(cancel_);
    gtk_widget_grab_focus(cancel_);
    if (GdkWindow* win = gtk_widget_get_window(window_)) {
        GdkCursor* busy = gdk_cursor_new_from_name(gdk_window_get_display(win), "progress");
        gdk_window_set_cursor(win, busy);
        if (busy)
            g_object_unref(busy);
    }
    flush_events();
    trace_control("cancel", cancel_);
}

bool MainWindow::child_working(const fenwold::ChildProgress& p) {
    if (!progress_shown_ && g_get_monotonic_time() - begun_ > 300000)
        show_progress();
    if (p.pass > 0) {
        const int percent = fenwold::progress_percent(p);
        if (percent != shown_percent_) {
            shown_percent_ = percent;
            gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(progress_),
                                          fenwold::progress_fraction(p));
            const std::string text = fenwold::progress_text(p);
            gtk_progress_bar_set_text(GTK_PROGRESS_BAR(progress_), text.c_str());
            trace("progress", text);
        }
    } else if (g_get_monotonic_time() - last_pulse_ > 100000) {
        // Nothing measured yet: show that work goes on.
        last_pulse_ = g_get_monotonic_time();
        gtk_progress_bar_pulse(GTK_PROGRESS_BAR(progress_));
    }
    flush_events();
    return !cancel_requested_;
}

void MainWindow::child_end() {
    busy_ = false;
    gtk_widget_hide(work_label_);
    gtk_widget_hide(progress_);
    gtk_widget_hide(cancel_);
    const auto all = controls();
    for (size_t i = 0; i < all.size() && i < sensitive_.size(); ++i) {
        gtk_widget_set_sensitive(all[i], sensitive_[i]);
    }
    if (GdkWindow* win = gtk_widget_get_window(window_))
        gdk_window_set_cursor(win, nullptr);
    trace("idle", work_);
    flush_events();
}

void MainWindow::act(void (*action)(fenwold::Frontend&)) {
    action(fe_);
    if (close_pending_)
        close();
}

void MainWindow::flush_events() {
    while (gtk_events_pending())
        gtk_main_iteration_do(FALSE);
}

void MainWindow::close() {
    if (closing_)
        return;
    closing_ = true;
    fenwold::action_close(fe_);
    trace("closed", "main window");
    gtk_main_quit();
}

void MainWindow::show_about() {
    GtkWidget* about = gtk_dialog_new();
    gtk_window_set_title(GTK_WINDOW(about), FENWOLD_ABOUT_CAPTION);
    gtk_window_set_transient_for(GTK_WINDOW(about), GTK_WINDOW(window_));
    gtk_window_set_modal(GTK_WINDOW(about), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(about), FALSE);
    GtkWidget* fixed = gtk_fixed_new();
    set_size(fixed, du_, FENWOLD_ABOUT_SIZE);
    gtk_container_add(GTK_CONTAINER(gtk_dialog_get_content_area(GTK_DIALOG(about))), fixed);
    place(fixed, picture(draw_icon), du_, FENWOLD_ABOUT_ICON_RECT);
    place(fixed, picture(draw_name_logo), du_, FENWOLD_ABOUT_NAME_LOGO_RECT);
    place(fixed, picture(draw_trace_logo), du_, FENWOLD_ABOUT_TRACE_LOGO_RECT);
    GtkWidget* version = gtk_label_new(FENWOLD_ABOUT_VERSION_LINES);
    gtk_label_set_xalign(GTK_LABEL(version), 0.0f);
    place(fixed, version, du_, FENWOLD_ABOUT_VERSION_RECT);
    GtkWidget* notice = gtk_label_new(FENWOLD_ABOUT_NOTICE_TEXT);
    gtk_label_set_xalign(GTK_LABEL(notice), 0.0f);
    place(fixed, notice, du_, FENWOLD_ABOUT_NOTICE_RECT);
    GtkWidget* ok = gtk_button_new_with_label("OK");
    place(fixed, ok, du_, FENWOLD_ABOUT_OK_RECT);
    g_signal_connect_swapped(
        ok, "clicked", G_CALLBACK(+[](GtkDialog* d) { gtk_dialog_response(d, GTK_RESPONSE_OK); }),
        about);
    gtk_widget_show_all(about);
    gtk_widget_grab_focus(ok);
    trace("dialog", FENWOLD_ABOUT_CAPTION);
    gtk_dialog_run(GTK_DIALOG(about));
    gtk_widget_destroy(about);
}

void MainWindow::popup_window_menu(const GdkEvent* event) {
    gtk_menu_popup_at_pointer(GTK_MENU(menu_), event);
}

void MainWindow::trace_layout() {
    if (!tracing())
        return;
    struct Named {
        const char* name;
        GtkWidget* w;
    } controls[] = {{"open", open_},
                    {"file-info", file_info_},
                    {"quick-view", quick_view_},
                    {"convert", convert_},
                    {"suds", radio_[fenwold::kFormatSuds]},
                    {"mini-seed", radio_[fenwold::kFormatMiniSeed]},
                    {"ascii-multi", radio_[fenwold::kFormatAsciiMulti]},
                    {"ascii-one", radio_[fenwold::kFormatAsciiOne]},
                    {"close", close_},
                    {"about", about_}};
    for (const auto& c : controls)
        trace_control(c.name, c.w);
    trace("ready", fe_.temp_folder);
}

void MainWindow::trace_control(const char* name, GtkWidget* w) {
    if (!tracing() || !gtk_widget_get_visible(w))
        return;
    GtkAllocation a;
    gtk_widget_get_allocation(w, &a);
    int x = 0, y = 0;
    gtk_widget_translate_coordinates(w, window_, 0, 0, &x, &y);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%d %d %d %d", x, y, a.width, a.height);
    trace((std::string("control ") + name).c_str(), buf);
}

void MainWindow::on_open(GtkButton*, gpointer self) {
    static_cast<MainWindow*>(self)->act(fenwold::action_open);
}
void MainWindow::on_file_info(GtkButton*, gpointer self) {
    static_cast<MainWindow*>(self)->act(fenwold::action_file_info);
}
void MainWindow::on_quick_view(GtkButton*, gpointer self) {
    static_cast<MainWindow*>(self)->act(fenwold::action_quick_view);
}
void MainWindow::on_convert(GtkButton*, gpointer self) {
    static_cast<MainWindow*>(self)->act(fenwold::action_convert);
}
void MainWindow::on_close(GtkButton*, gpointer self) {
    static_cast<MainWindow*>(self)->close();
}

void MainWindow::on_format(GtkToggleButton* b, gpointer self) {
    if (!gtk_toggle_button_get_active(b))
        return;
    int format = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(b), "format"));
    fenwold::set_output_format(static_cast<MainWindow*>(self)->fe_, format);
    trace("format", kFormatTitles[format]);
}

void MainWindow::request_close() {
    if (busy_) { // the child is ended first, then the window closes
        cancel_requested_ = true;
        close_pending_ = true;
        trace("cancel", work_);
        return;
    }
    close();
}

gboolean MainWindow::on_delete(GtkWidget*, GdkEvent*, gpointer self) {
    static_cast<MainWindow*>(self)->request_close();
    return TRUE;
}

gboolean MainWindow::on_key(GtkWidget*, GdkEventKey* event, gpointer self) {
    auto* w = static_cast<MainWindow*>(self);
    if (event->keyval == GDK_KEY_Escape) {
        if (w->busy_) {
            w->cancel_requested_ = true;
            trace("cancel", w->work_);
        } else {
            w->close();
        }
        return TRUE;
    }
    // Alt+Space and Shift+F10 open the window menu, as the system menu opens.
    if ((event->keyval == GDK_KEY_space && (event->state & GDK_MOD1_MASK)) ||
        (event->keyval == GDK_KEY_F10 && (event->state & GDK_SHIFT_MASK))) {
        gtk_menu_popup_at_widget(GTK_MENU(w->menu_), w->window_, GDK_GRAVITY_NORTH_WEST,
                                 GDK_GRAVITY_NORTH_WEST, reinterpret_cast<GdkEvent*>(event));
        return TRUE;
    }
    return FALSE;
}

gboolean MainWindow::on_button(GtkWidget*, GdkEventButton* event, gpointer self) {
    if (event->type == GDK_BUTTON_PRESS && event->button == GDK_BUTTON_SECONDARY) {
        static_cast<MainWindow*>(self)->popup_window_menu(reinterpret_cast<GdkEvent*>(event));
        return TRUE;
    }
    return FALSE;
}

void MainWindow::on_mapped(GtkWidget*, gpointer self) {
    g_idle_add(
        +[](gpointer s) -> gboolean {
            static_cast<MainWindow*>(s)->trace_layout();
            return G_SOURCE_REMOVE;
        },
        self);
}

} // namespace fenwold_gtk
