// Message boxes and file choosers of the main window.
#include <unistd.h>

#include "main_window.h"
#include "platform/files.h"

namespace fenwold_gtk {

namespace {

struct FilterData {
    std::vector<std::string> patterns;
};

// Names match as the filter texts mean them: case-insensitive, and "*.*"
// for every file.
gboolean filter_matches(const GtkFileFilterInfo* info, gpointer data) {
    const auto* f = static_cast<const FilterData*>(data);
    const char* name = info->display_name;
    if (!name && info->filename)
        name = info->filename;
    if (!name)
        return FALSE;
    std::string base = name;
    auto slash = base.rfind('/');
    if (slash != std::string::npos)
        base.erase(0, slash + 1);
    for (const auto& p : f->patterns) {
        if (p == "*.*" || p == "*" || platform::name_matches(base, p))
            return TRUE;
    }
    return FALSE;
}

void add_filters(GtkFileChooser* chooser, const std::string& text) {
    for (const auto& f : fenwold::parse_filter(text)) {
        GtkFileFilter* filter = gtk_file_filter_new();
        gtk_file_filter_set_name(filter, f.name.c_str());
        auto* data = new FilterData{f.patterns};
        gtk_file_filter_add_custom(filter, GTK_FILE_FILTER_DISPLAY_NAME, filter_matches, data,
                                   [](gpointer d) { delete static_cast<FilterData*>(d); });
        gtk_file_chooser_add_filter(chooser, filter);
    }
}

std::string initial_folder(const std::string& folder) {
    if (!folder.empty() && platform::is_folder(folder))
        return folder;
    return platform::current_folder();
}

std::optional<std::string> chosen_file(GtkWidget* dialog) {
    std::optional<std::string> result;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        char* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog));
        if (name) {
            result = name;
            g_free(name);
        }
    }
    gtk_widget_destroy(dialog);
    return result;
}

// Puts the icon in front of the text, where message boxes have it.
void add_icon(GtkWidget* box, const char* icon_name) {
    GtkWidget* text = gtk_message_dialog_get_message_area(GTK_MESSAGE_DIALOG(box));
    GtkWidget* row = gtk_widget_get_parent(text);
    if (!GTK_IS_BOX(row))
        return;
    GtkWidget* image = gtk_image_new_from_icon_name(icon_name, GTK_ICON_SIZE_DIALOG);
    gtk_widget_set_valign(image, GTK_ALIGN_START);
    gtk_box_pack_start(GTK_BOX(row), image, FALSE, FALSE, 0);
    gtk_box_reorder_child(GTK_BOX(row), image, 0);
    gtk_widget_show(image);
}

} // namespace

bool MainWindow::show_message(const fenwold::Message& m) {
    const std::string& text = m.text;
    const fenwold::MessageIcon icon = m.icon;
    GtkMessageType type = GTK_MESSAGE_OTHER;
    if (icon == fenwold::MessageIcon::information)
        type = GTK_MESSAGE_INFO;
    if (icon == fenwold::MessageIcon::warning)
        type = GTK_MESSAGE_WARNING;
    GtkWidget* box = gtk_message_dialog_new(GTK_WINDOW(window_), GTK_DIALOG_MODAL, type,
                                            GTK_BUTTONS_OK, "%s", text.c_str());
    gtk_window_set_title(GTK_WINDOW(box), "Fenwold");
    if (icon == fenwold::MessageIcon::information) {
        add_icon(box, "dialog-information");
        gtk_window_set_keep_above(GTK_WINDOW(box), TRUE);
    }
    if (icon == fenwold::MessageIcon::warning)
        add_icon(box, "dialog-warning");
    if (!m.detail.empty()) {
        gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(box), "%s", m.detail.c_str());
    }
    constexpr int kOffer = 1;
    if (!m.offer.empty()) {
        gtk_dialog_add_button(GTK_DIALOG(box), m.offer.c_str(), kOffer);
        gtk_dialog_set_default_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
    }
    trace("message", text);
    if (!m.detail.empty())
        trace("detail", m.detail);
    const bool offered = gtk_dialog_run(GTK_DIALOG(box)) == kOffer;
    gtk_widget_destroy(box);
    if (offered)
        trace("offer", m.offer);
    flush_events();
    return offered;
}

bool MainWindow::ask_yes_no(const std::string& text) {
    GtkWidget* box =
        gtk_message_dialog_new(GTK_WINDOW(window_), GTK_DIALOG_MODAL, GTK_MESSAGE_QUESTION,
                               GTK_BUTTONS_YES_NO, "%s", text.c_str());
    gtk_window_set_title(GTK_WINDOW(box), "Fenwold");
    add_icon(box, "dialog-question");
    gtk_window_set_keep_above(GTK_WINDOW(box), TRUE);
    trace("question", text);
    const bool yes = gtk_dialog_run(GTK_DIALOG(box)) == GTK_RESPONSE_YES;
    gtk_widget_destroy(box);
    trace("answer", yes ? "Yes" : "No");
    flush_events();
    return yes;
}

std::optional<std::string> MainWindow::choose_open(const fenwold::FileDialog& d) {
    GtkWidget* dialog = gtk_file_chooser_dialog_new(
        d.title.c_str(), GTK_WINDOW(window_), GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel",
        GTK_RESPONSE_CANCEL, "_Open", GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    add_filters(chooser, d.filter);
    gtk_file_chooser_set_current_folder(chooser, initial_folder(d.folder).c_str());
    trace("dialog", d.title);
    auto chosen = chosen_file(dialog);
    // A typed name without an extension is tried with the default one.
    if (chosen && !d.default_ext.empty() && !platform::file_exists(*chosen) &&
        fenwold::file_name_of(*chosen).find('.') == std::string::npos &&
        platform::file_exists(*chosen + "." + d.default_ext)) {
        *chosen += "." + d.default_ext;
    }
    trace("chosen", chosen ? *chosen : std::string("(cancelled)"));
    flush_events();
    return chosen;
}

std::optional<std::string> MainWindow::choose_save(const fenwold::FileDialog& d) {
    GtkWidget* dialog = gtk_file_chooser_dialog_new(
        d.title.c_str(), GTK_WINDOW(window_), GTK_FILE_CHOOSER_ACTION_SAVE, "_Cancel",
        GTK_RESPONSE_CANCEL, "_Save", GTK_RESPONSE_ACCEPT, nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, FALSE);
    add_filters(chooser, d.filter);
    gtk_file_chooser_set_current_folder(chooser,
                                        initial_folder(fenwold::folder_of(d.name)).c_str());
    gtk_file_chooser_set_current_name(chooser, fenwold::file_name_of(d.name).c_str());
    trace("dialog", d.title);
    auto chosen = chosen_file(dialog);
    trace("chosen", chosen ? *chosen : std::string("(cancelled)"));
    flush_events();
    return chosen;
}

} // namespace fenwold_gtk
