// The Windows face of the front end: the main dialog from its resource
// template, the About box from the system menu, message boxes, the common
// file dialogs and the modeless info window. It is the Shell through which
// the actions talk to the user.
//
// While a child program works, the action waits where it is and the child
// loop calls child_working about every 50 ms: there the window's messages
// are peeked and dispatched, so it repaints, shows the progress and takes
// a Cancel, while every other control is disabled and no second action can
// start. One thread.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "actions.h"
#include "shell.h"

namespace fenwold_win32 {

// UTF-8 <-> UTF-16 for the window calls.
std::wstring wide(const std::string& s);
std::string utf8(const std::wstring& w);

// Appends "fenwold: <what>: <text>" to the file FENWOLD_TRACE names, when
// it is set, for tests that drive the window.
void trace(const char* what, const std::string& text);

class MainDialog : public fenwold::Shell {
  public:
    MainDialog(fenwold::Frontend& fe, HINSTANCE instance);
    ~MainDialog() override;
    MainDialog(const MainDialog&) = delete;
    MainDialog& operator=(const MainDialog&) = delete;

    // Runs the main window as a modal dialog until it is closed.
    void run();

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
    static INT_PTR CALLBACK main_procedure(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
    static INT_PTR CALLBACK about_procedure(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
    static INT_PTR CALLBACK info_procedure(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
    INT_PTR handle(UINT msg, WPARAM wp, LPARAM lp);
    void init_dialog();
    void command(int id, int code);
    void act(void (*action)(fenwold::Frontend&));
    void request_close();
    void close();
    void show_about();
    void show_progress();
    void pump();
    void init_info(HWND dlg);
    void trace_layout();
    std::optional<std::string> file_dialog(const fenwold::FileDialog& d, bool save);

    fenwold::Frontend& fe_;
    HINSTANCE instance_;
    HWND dlg_ = nullptr;
    HICON icon_ = nullptr;
    HICON small_icon_ = nullptr;
    HWND info_ = nullptr;
    HFONT info_font_ = nullptr;
    std::string info_file_line_;
    std::vector<std::string> info_lines_;
    std::vector<std::pair<int, BOOL>> enabled_; // control states before a child started
    HWND focus_before_ = nullptr;               // where the keyboard was before a child started
    std::string work_;
    ULONGLONG begun_ = 0;
    int shown_percent_ = -1;
    bool progress_shown_ = false;
    bool busy_ = false;
    bool cancel_requested_ = false;
    bool close_pending_ = false;
    bool closing_ = false;
};

} // namespace fenwold_win32
