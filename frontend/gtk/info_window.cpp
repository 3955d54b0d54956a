// The info window: the channel listing under its header, in a bold
// fixed-pitch font whose tab stops the listing is laid out for.
#include "main_window.h"

#include "dialog_layout.h"
#include "info_view.h"

namespace fenwold_gtk {

namespace {

constexpr const char* kInfoCss = ".fenwold-info { font-family: Monospace; font-weight: bold; }";

GtkWidget* info_label(const std::string& text) {
    GtkWidget* l = gtk_label_new(text.c_str());
    gtk_label_set_xalign(GTK_LABEL(l), 0.0f);
    gtk_label_set_single_line_mode(GTK_LABEL(l), TRUE);
    return l;
}

void use_info_font(GtkWidget* w, GtkCssProvider* css) {
    GtkStyleContext* ctx = gtk_widget_get_style_context(w);
    gtk_style_context_add_class(ctx, "fenwold-info");
    gtk_style_context_add_provider(ctx, GTK_STYLE_PROVIDER(css),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

} // namespace

void MainWindow::show_info(const std::string& file_line, const std::vector<std::string>& lines) {
    close_info();
    GtkWidget* w = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(w), FENWOLD_INFO_CAPTION);
    gtk_window_set_resizable(GTK_WINDOW(w), FALSE);
    GtkWidget* fixed = gtk_fixed_new();
    set_size(fixed, du_, FENWOLD_INFO_SIZE);
    gtk_container_add(GTK_CONTAINER(w), fixed);

    // One font for the three controls; the provider lives as long as they do.
    GtkCssProvider* css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css, kInfoCss, -1, nullptr);

    GtkWidget* file = info_label(file_line);
    gtk_label_set_ellipsize(GTK_LABEL(file), PANGO_ELLIPSIZE_MIDDLE);
    use_info_font(file, css);
    place(fixed, file, du_, FENWOLD_INFO_FILE_RECT);

    GtkWidget* header = info_label(fenwold::kInfoHeader);
    use_info_font(header, css);
    // Where the list's text starts inside its frame.
    gtk_widget_set_margin_start(header, 3);
    GtkWidget* header_view = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(header_view), GTK_POLICY_EXTERNAL,
                                   GTK_POLICY_NEVER);
    gtk_container_add(GTK_CONTAINER(header_view), header);
    place(fixed, header_view, du_, FENWOLD_INFO_HEADER_RECT);

    GtkListStore* store = gtk_list_store_new(1, G_TYPE_STRING);
    for (const auto& l : lines) {
        GtkTreeIter it;
        gtk_list_store_append(store, &it);
        gtk_list_store_set(store, &it, 0, l.c_str(), -1);
    }
    GtkWidget* list = gtk_tree_view_new_with_model(GTK_TREE_MODEL(store));
    g_object_unref(store);
    gtk_tree_view_set_headers_visible(GTK_TREE_VIEW(list), FALSE);
    GtkCellRenderer* cell = gtk_cell_renderer_text_new();
    gtk_cell_renderer_set_padding(cell, 0, 0);
    gtk_tree_view_insert_column_with_attributes(GTK_TREE_VIEW(list), -1, "", cell, "text", 0,
                                                nullptr);
    use_info_font(list, css);
    GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_ALWAYS,
                                   GTK_POLICY_ALWAYS);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_IN);
    gtk_container_add(GTK_CONTAINER(scroller), list);
    place(fixed, scroller, du_, FENWOLD_INFO_LIST_RECT);
    // The header scrolls sideways with the list, so the columns stay lined up.
    gtk_scrolled_window_set_hadjustment(
        GTK_SCROLLED_WINDOW(header_view),
        gtk_scrolled_window_get_hadjustment(GTK_SCROLLED_WINDOW(scroller)));
    g_object_unref(css);

    info_window_ = w;
    g_signal_connect(w, "destroy", G_CALLBACK(on_info_destroyed), this);
    gtk_widget_show_all(w);
    trace("info-file", file_line);
    trace("info", std::to_string(lines.size()) + " lines");
}

void MainWindow::close_info() {
    if (info_window_) {
        GtkWidget* w = info_window_;
        info_window_ = nullptr;
        gtk_widget_destroy(w);
    }
}

void MainWindow::on_info_destroyed(GtkWidget* w, gpointer self) {
    auto* me = static_cast<MainWindow*>(self);
    if (me->info_window_ == w)
        me->info_window_ = nullptr;
}

} // namespace fenwold_gtk
