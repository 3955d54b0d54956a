#include "main_dialog.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "dialog_layout.h"
#include "icon_shape.h"
#include "info_view.h"
#include "platform/files.h"
#include "resource.h"
#include "talvex_version.h"

namespace fenwold_win32 {

namespace {

constexpr const wchar_t* kBoxTitle = L"Fenwold";
constexpr UINT kTraceLayout = WM_APP + 1;

// The controls that need an open file, enabled together.
constexpr int kFileControls[] = {IDC_QUICK_VIEW,  IDC_CONVERT,   IDC_SUDS,      IDC_MINISEED,
                                 IDC_ASCII_MULTI, IDC_ASCII_ONE, IDC_FILE_INFO, IDC_OUTPUT_GROUP};
// Every control a working child disables.
constexpr int kAllControls[] = {IDC_OPEN,      IDC_FILE_INFO,   IDC_QUICK_VIEW, IDC_OUTPUT_GROUP,
                                IDC_CONVERT,   IDC_SUDS,        IDC_MINISEED,   IDC_ASCII_MULTI,
                                IDC_ASCII_ONE, IDC_CLOSE_BUTTON};

struct Radio {
    int id;
    int format;
    const char* name;
};
constexpr Radio kRadios[] = {
    {IDC_SUDS, fenwold::kFormatSuds, FENWOLD_SUDS_CAPTION},
    {IDC_MINISEED, fenwold::kFormatMiniSeed, FENWOLD_MINISEED_CAPTION},
    {IDC_ASCII_MULTI, fenwold::kFormatAsciiMulti, FENWOLD_ASCII_MULTI_CAPTION},
    {IDC_ASCII_ONE, fenwold::kFormatAsciiOne, FENWOLD_ASCII_ONE_CAPTION}};

// "Name|pattern|...||" as the common dialogs take it: fields ended by NULs.
std::wstring dialog_filter(const std::string& text) {
    std::wstring out;
    for (const auto& f : fenwold::parse_filter(text)) {
        out += wide(f.name) + L'\0';
        std::string patterns;
        for (const auto& p : f.patterns)
            patterns += (patterns.empty() ? "" : ";") + p;
        out += wide(patterns) + L'\0';
    }
    return out + L'\0';
}

// Renames the buttons of the next message box: Yes to "OK" and No to the
// offer, as a box with an OK button and one more.
HHOOK g_offer_hook = nullptr;
std::wstring g_offer_caption;

// Widens the offer's button (and the box) to its caption, once the box has
// laid out its buttons for "Yes" and "No".
void CALLBACK fit_offer(HWND box, UINT, UINT_PTR timer, DWORD) {
    KillTimer(box, timer);
    SetDlgItemTextW(box, IDYES, L"OK");
    HWND offer = GetDlgItem(box, IDNO);
    SetWindowTextW(offer, g_offer_caption.c_str());
    HDC dc = GetDC(offer);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(offer, WM_GETFONT, 0, 0)));
    SIZE text{};
    GetTextExtentPoint32W(dc, g_offer_caption.c_str(), static_cast<int>(g_offer_caption.size()),
                          &text);
    SelectObject(dc, old);
    ReleaseDC(offer, dc);
    RECT r;
    GetWindowRect(offer, &r);
    const int grow = text.cx + 16 - (r.right - r.left);
    if (grow <= 0)
        return;
    SetWindowPos(offer, nullptr, 0, 0, r.right - r.left + grow, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    RECT b;
    GetWindowRect(box, &b);
    SetWindowPos(box, nullptr, 0, 0, b.right - b.left + grow, b.bottom - b.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    InvalidateRect(box, nullptr, TRUE);
}

LRESULT CALLBACK offer_hook(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wp);
        SetDlgItemTextW(box, IDYES, L"OK");
        SetDlgItemTextW(box, IDNO, g_offer_caption.c_str());
        SetTimer(box, 1, 10, fit_offer);
        UnhookWindowsHookEx(g_offer_hook);
        g_offer_hook = nullptr;
        return 0;
    }
    return CallNextHookEx(g_offer_hook, code, wp, lp);
}

void fill_rgb(HDC dc, const RECT& r, unsigned rgb) {
    HBRUSH b = CreateSolidBrush(RGB((rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255));
    FillRect(dc, &r, b);
    DeleteObject(b);
}

COLORREF ref(unsigned rgb) {
    return RGB((rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255);
}

// The name logo: "TALVEX" on the sheet's paper, framed in the pick's red.
void draw_name_logo(HDC dc, const RECT& r) {
    fill_rgb(dc, r, fenwold_icon::kPick);
    RECT inner{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
    fill_rgb(dc, inner, fenwold_icon::kPaper);
    LOGFONTW lf{};
    lf.lfHeight = -(r.bottom - r.top) / 2;
    lf.lfWeight = FW_BOLD;
    lstrcpyW(lf.lfFaceName, L"Arial");
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ref(fenwold_icon::kFrame));
    DrawTextW(dc, L"TALVEX", -1, &inner, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, old);
    DeleteObject(font);
}

// The trace logo: a local event (quiet, the P onset, a larger S phase and
// its coda) in paper colour on the frame's slate.
void draw_trace_logo(HDC dc, const RECT& r) {
    fill_rgb(dc, r, fenwold_icon::kFrame);
    const int width = r.right - r.left, height = r.bottom - r.top;
    std::vector<POINT> points;
    const double mid = r.top + height / 2.0;
    for (int x = 4; x < width - 4; ++x) {
        const double u = (x - 4.0) / (width - 8);
        double amp = 0.02;
        if (u > 0.25)
            amp += 0.25 * std::exp(-(u - 0.25) * 12);
        if (u > 0.45)
            amp += 0.45 * std::exp(-(u - 0.45) * 7);
        const double y = mid - amp * (height / 2.0 - 3) * std::sin(x * 1.7) * std::cos(x * 0.37);
        points.push_back({r.left + x, static_cast<LONG>(std::lround(y))});
    }
    HPEN pen = CreatePen(PS_SOLID, 1, ref(fenwold_icon::kPaper));
    HGDIOBJ old = SelectObject(dc, pen);
    Polyline(dc, points.data(), static_cast<int>(points.size()));
    SelectObject(dc, old);
    DeleteObject(pen);
}

std::string window_text(HWND w) {
    const int n = GetWindowTextLengthW(w);
    std::wstring t(static_cast<size_t>(n) + 1, L'\0');
    GetWindowTextW(w, t.data(), n + 1);
    t.resize(static_cast<size_t>(n));
    return utf8(t);
}

} // namespace

std::wstring wide(const std::string& s) {
    if (s.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::string utf8(const std::wstring& w) {
    if (w.empty())
        return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string s(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) {
        WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                            nullptr);
    }
    return s;
}

void trace(const char* what, const std::string& text) {
    static const std::string path = platform::environment("FENWOLD_TRACE");
    if (path.empty())
        return;
    std::string shown;
    for (char c : text) {
        if (c == '\n') {
            shown += "\\n";
        } else if (c == '\r') {
            shown += "\\r";
        } else {
            shown += c;
        }
    }
    const std::wstring name = wide(path);
    HANDLE f = CreateFileW(name.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return;
    const std::string line = std::string("fenwold: ") + what + ": " + shown + "\n";
    DWORD written = 0;
    WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(f);
}

MainDialog::MainDialog(fenwold::Frontend& fe, HINSTANCE instance) : fe_(fe), instance_(instance) {
    icon_ = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_FENWOLD), IMAGE_ICON,
                                          GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON),
                                          LR_DEFAULTCOLOR));
    small_icon_ = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_FENWOLD), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON),
                                                GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
}

MainDialog::~MainDialog() {
    close_info();
    if (icon_)
        DestroyIcon(icon_);
    if (small_icon_)
        DestroyIcon(small_icon_);
}

void MainDialog::run() {
    DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_MAIN), nullptr, main_procedure,
                    reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK MainDialog::main_procedure(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        auto* self = reinterpret_cast<MainDialog*>(lp);
        SetWindowLongPtrW(dlg, DWLP_USER, lp);
        self->dlg_ = dlg;
        self->init_dialog();
        return TRUE;
    }
    auto* self = reinterpret_cast<MainDialog*>(GetWindowLongPtrW(dlg, DWLP_USER));
    return self ? self->handle(msg, wp, lp) : FALSE;
}

void MainDialog::init_dialog() {
    HMENU system = GetSystemMenu(dlg_, FALSE);
    if (system) {
        AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(system, MF_STRING, IDM_ABOUTBOX, wide(FENWOLD_ABOUT_MENU_ITEM).c_str());
    }
    SendMessageW(dlg_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(dlg_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_));
    fenwold::frontend_init_window(fe_);
    CheckRadioButton(dlg_, IDC_SUDS, IDC_ASCII_ONE, IDC_SUDS);
    SendDlgItemMessageW(dlg_, IDC_PROGRESS, PBM_SETRANGE32, 0, 100);
    PostMessageW(dlg_, kTraceLayout, 0, 0);
}

INT_PTR MainDialog::handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        command(LOWORD(wp), HIWORD(wp));
        return TRUE;
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == IDM_ABOUTBOX) {
            if (!busy_)
                show_about();
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        request_close();
        return TRUE;
    case WM_PAINT:
        // Minimised, the window shows the program icon in its middle.
        if (IsIconic(dlg_)) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(dlg_, &ps);
            SendMessageW(dlg_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
            RECT r;
            GetClientRect(dlg_, &r);
            const int cx = GetSystemMetrics(SM_CXICON), cy = GetSystemMetrics(SM_CYICON);
            DrawIcon(dc, (r.right - r.left - cx + 1) / 2, (r.bottom - r.top - cy + 1) / 2, icon_);
            EndPaint(dlg_, &ps);
            return TRUE;
        }
        return FALSE;
    case WM_QUERYDRAGICON:
        SetWindowLongPtrW(dlg_, DWLP_MSGRESULT, reinterpret_cast<LONG_PTR>(icon_));
        return TRUE;
    case kTraceLayout:
        trace_layout();
        return TRUE;
    }
    (void)lp;
    return FALSE;
}

void MainDialog::command(int id, int code) {
    switch (id) {
    case IDC_OPEN:
        act(fenwold::action_open);
        return;
    case IDC_FILE_INFO:
        act(fenwold::action_file_info);
        return;
    case IDC_QUICK_VIEW:
        act(fenwold::action_quick_view);
        return;
    case IDC_CONVERT:
        act(fenwold::action_convert);
        return;
    case IDC_CANCEL_WORK:
        if (busy_) {
            cancel_requested_ = true;
            trace("cancel", work_);
        }
        return;
    case IDC_CLOSE_BUTTON:
        request_close();
        return;
    case IDCANCEL: // Escape: cancels a working child, else closes
        if (busy_) {
            cancel_requested_ = true;
            trace("cancel", work_);
        } else {
            close();
        }
        return;
    }
    for (const Radio& r : kRadios) {
        if (id == r.id && code == BN_CLICKED) {
            fenwold::set_output_format(fe_, r.format);
            trace("format", r.name);
        }
    }
}

void MainDialog::act(void (*action)(fenwold::Frontend&)) {
    if (busy_ || closing_)
        return;
    action(fe_);
    if (close_pending_)
        close();
}

void MainDialog::request_close() {
    if (busy_) { // the child is ended first, then the window closes
        cancel_requested_ = true;
        close_pending_ = true;
        trace("cancel", work_);
        return;
    }
    close();
}

void MainDialog::close() {
    if (closing_)
        return;
    closing_ = true;
    fenwold::action_close(fe_);
    trace("closed", "main window");
    EndDialog(dlg_, IDOK);
}

void MainDialog::show_about() {
    trace("dialog", FENWOLD_ABOUT_CAPTION);
    DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_ABOUT), dlg_, about_procedure,
                    reinterpret_cast<LPARAM>(this));
    trace("closed", FENWOLD_ABOUT_CAPTION);
}

INT_PTR CALLBACK MainDialog::about_procedure(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG:
        SetDlgItemTextW(dlg, IDC_ABOUT_VERSION, wide(FENWOLD_ABOUT_VERSION_LINES).c_str());
        return TRUE;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (item->CtlID == IDC_NAME_LOGO)
            draw_name_logo(item->hDC, item->rcItem);
        if (item->CtlID == IDC_TRACE_LOGO)
            draw_trace_logo(item->hDC, item->rcItem);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
            EndDialog(dlg, IDOK);
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        EndDialog(dlg, IDOK);
        return TRUE;
    }
    return FALSE;
}

bool MainDialog::show_message(const fenwold::Message& m) {
    std::string text = m.text;
    if (!m.detail.empty())
        text += "\n\n" + m.detail;
    UINT flags = MB_OK;
    if (m.icon == fenwold::MessageIcon::information)
        flags |= MB_ICONINFORMATION | MB_TOPMOST;
    if (m.icon == fenwold::MessageIcon::warning)
        flags |= MB_ICONWARNING;
    if (!m.offer.empty()) {
        flags = (flags & ~static_cast<UINT>(MB_OK)) | MB_YESNO | MB_DEFBUTTON1;
        g_offer_caption = wide(m.offer);
        g_offer_hook = SetWindowsHookExW(WH_CBT, offer_hook, nullptr, GetCurrentThreadId());
    }
    trace("message", m.text);
    if (!m.detail.empty())
        trace("detail", m.detail);
    const int answer = MessageBoxW(dlg_, wide(text).c_str(), kBoxTitle, flags);
    if (g_offer_hook) {
        UnhookWindowsHookEx(g_offer_hook);
        g_offer_hook = nullptr;
    }
    const bool offered = !m.offer.empty() && answer == IDNO;
    if (offered)
        trace("offer", m.offer);
    return offered;
}

bool MainDialog::ask_yes_no(const std::string& text) {
    trace("question", text);
    const bool yes = MessageBoxW(dlg_, wide(text).c_str(), kBoxTitle,
                                 MB_YESNO | MB_ICONQUESTION | MB_TOPMOST) == IDYES;
    trace("answer", yes ? "Yes" : "No");
    return yes;
}

std::optional<std::string> MainDialog::file_dialog(const fenwold::FileDialog& d, bool save) {
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring name = wide(save ? fenwold::file_name_of(d.name) : std::string());
    name.copy(file.data(), std::min(name.size(), file.size() - 1));
    const std::string folder_text = save ? fenwold::folder_of(d.name) : d.folder;
    const std::wstring folder = wide(folder_text);
    const std::wstring filter = dialog_filter(d.filter);
    const std::wstring title = wide(d.title);
    const std::wstring ext = wide(d.default_ext);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = dlg_;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrTitle = title.c_str();
    ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!save)
        ofn.Flags |= OFN_FILEMUSTEXIST;
    trace("dialog", d.title);
    const BOOL ok = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    std::optional<std::string> chosen;
    if (ok)
        chosen = utf8(file.data());
    trace("chosen", chosen ? *chosen : std::string("(cancelled)"));
    return chosen;
}

std::optional<std::string> MainDialog::choose_open(const fenwold::FileDialog& d) {
    return file_dialog(d, false);
}

std::optional<std::string> MainDialog::choose_save(const fenwold::FileDialog& d) {
    return file_dialog(d, true);
}

void MainDialog::set_file_label(const std::string& text) {
    SetDlgItemTextW(dlg_, IDC_FILE_LABEL, wide(text).c_str());
    trace("label", text);
}

void MainDialog::enable_file_controls(bool enable) {
    for (int id : kFileControls)
        EnableWindow(GetDlgItem(dlg_, id), enable);
    if (enable)
        trace("enabled", "all");
}

void MainDialog::pause_ms(int ms) {
    Sleep(static_cast<DWORD>(ms));
}

void MainDialog::show_info(const std::string& file_line, const std::vector<std::string>& lines) {
    close_info();
    info_file_line_ = file_line;
    info_lines_ = lines;
    // Owned by the desktop: it stays where it is when the main window moves.
    info_ = CreateDialogParamW(instance_, MAKEINTRESOURCEW(IDD_INFO), nullptr, info_procedure,
                               reinterpret_cast<LPARAM>(this));
    if (!info_)
        return;
    ShowWindow(info_, SW_SHOW);
    trace("info-file", file_line);
    trace("info", std::to_string(lines.size()) + " lines");
}

void MainDialog::close_info() {
    if (info_)
        DestroyWindow(info_); // WM_DESTROY releases the font
    info_ = nullptr;
}

INT_PTR CALLBACK MainDialog::info_procedure(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrW(dlg, DWLP_USER, lp);
        reinterpret_cast<MainDialog*>(lp)->init_info(dlg);
        return TRUE;
    }
    auto* self = reinterpret_cast<MainDialog*>(GetWindowLongPtrW(dlg, DWLP_USER));
    switch (msg) {
    case WM_CLOSE:
        DestroyWindow(dlg);
        return TRUE;
    case WM_DESTROY:
        if (self) {
            if (self->info_ == dlg)
                self->info_ = nullptr;
            if (self->info_font_)
                DeleteObject(self->info_font_);
            self->info_font_ = nullptr;
            trace("closed", FENWOLD_INFO_CAPTION);
        }
        return TRUE;
    }
    (void)wp;
    return FALSE;
}

void MainDialog::init_info(HWND dlg) {
    // The window's own font, as Courier New, bold, fixed pitch.
    LOGFONTW lf{};
    HFONT base = reinterpret_cast<HFONT>(SendMessageW(dlg, WM_GETFONT, 0, 0));
    if (!base || !GetObjectW(base, sizeof lf, &lf))
        lf.lfHeight = -11;
    lstrcpyW(lf.lfFaceName, L"Courier New");
    lf.lfWeight = FW_BOLD;
    lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    if (info_font_)
        DeleteObject(info_font_);
    info_font_ = CreateFontIndirectW(&lf);
    for (int id : {IDC_INFO_FILE, IDC_INFO_HEADER, IDC_INFO_LIST}) {
        SendDlgItemMessageW(dlg, id, WM_SETFONT, reinterpret_cast<WPARAM>(info_font_), FALSE);
    }
    SetDlgItemTextW(dlg, IDC_INFO_FILE, wide(info_file_line_).c_str());
    SetDlgItemTextW(dlg, IDC_INFO_HEADER, wide(fenwold::kInfoHeader).c_str());
    HWND list = GetDlgItem(dlg, IDC_INFO_LIST);
    // The horizontal scroll bar reaches the end of the longest line.
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, info_font_);
    LONG widest = 0;
    for (const auto& l : info_lines_) {
        const std::wstring w = wide(l);
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(w.c_str()));
        const DWORD extent =
            GetTabbedTextExtentW(dc, w.c_str(), static_cast<int>(w.size()), 0, nullptr);
        widest = std::max<LONG>(widest, LOWORD(extent));
    }
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 8), 0);
}

void MainDialog::child_begin(const std::string& what) {
    busy_ = true;
    cancel_requested_ = false;
    work_ = what;
    shown_percent_ = -1;
    enabled_.clear();
    focus_before_ = GetFocus();
    for (int id : kAllControls) {
        HWND w = GetDlgItem(dlg_, id);
        enabled_.emplace_back(id, IsWindowEnabled(w));
        EnableWindow(w, FALSE);
    }
    // With every control disabled nothing would have the keyboard: the
    // dialog takes it, so that Escape still reaches it and cancels.
    SetFocus(dlg_);
    SetDlgItemTextW(dlg_, IDC_WORK_LABEL, wide(what).c_str());
    SendDlgItemMessageW(dlg_, IDC_PROGRESS, PBM_SETPOS, 0, 0);
    begun_ = GetTickCount64();
    progress_shown_ = false;
    trace("busy", what);
    pump();
}

// Shown once a child has worked a moment: a quick listing does not flash.
void MainDialog::show_progress() {
    progress_shown_ = true;
    for (int id : {IDC_WORK_LABEL, IDC_PROGRESS, IDC_CANCEL_WORK}) {
        ShowWindow(GetDlgItem(dlg_, id), SW_SHOW);
    }
    SetFocus(GetDlgItem(dlg_, IDC_CANCEL_WORK));
    SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_APPSTARTING)));
    trace("progress", "shown");
}

bool MainDialog::child_working(const fenwold::ChildProgress& p) {
    if (!progress_shown_ && GetTickCount64() - begun_ > 300)
        show_progress();
    if (p.pass > 0) {
        const int percent = fenwold::progress_percent(p);
        if (percent != shown_percent_) {
            shown_percent_ = percent;
            SendDlgItemMessageW(dlg_, IDC_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
            const std::string text = fenwold::progress_text(p);
            SetDlgItemTextW(dlg_, IDC_WORK_LABEL, wide(work_ + ": " + text).c_str());
            trace("progress", text);
        }
    }
    pump();
    return !cancel_requested_;
}

void MainDialog::child_end() {
    busy_ = false;
    for (int id : {IDC_WORK_LABEL, IDC_PROGRESS, IDC_CANCEL_WORK}) {
        ShowWindow(GetDlgItem(dlg_, id), SW_HIDE);
    }
    for (const auto& [id, enabled] : enabled_)
        EnableWindow(GetDlgItem(dlg_, id), enabled);
    if (focus_before_ && IsWindow(focus_before_) && IsWindowEnabled(focus_before_))
        SetFocus(focus_before_);
    SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
    trace("idle", work_);
    pump();
}

// Peeks and dispatches what waits for the window; a quit message is left
// for the dialog's own loop.
void MainDialog::pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (IsDialogMessageW(dlg_, &msg))
            continue;
        if (info_ && IsDialogMessageW(info_, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void MainDialog::trace_layout() {
    struct Named {
        const char* name;
        int id;
    } controls[] = {{"open", IDC_OPEN},
                    {"file-info", IDC_FILE_INFO},
                    {"quick-view", IDC_QUICK_VIEW},
                    {"convert", IDC_CONVERT},
                    {"suds", IDC_SUDS},
                    {"mini-seed", IDC_MINISEED},
                    {"ascii-multi", IDC_ASCII_MULTI},
                    {"ascii-one", IDC_ASCII_ONE},
                    {"close", IDC_CLOSE_BUTTON},
                    {"cancel", IDC_CANCEL_WORK}};
    // Rectangles in client pixels, for the caption the test checks too.
    for (const auto& c : controls) {
        RECT r;
        HWND w = GetDlgItem(dlg_, c.id);
        GetWindowRect(w, &r);
        MapWindowPoints(nullptr, dlg_, reinterpret_cast<POINT*>(&r), 2);
        char buf[96];
        std::snprintf(buf, sizeof buf, "%ld %ld %ld %ld %s", r.left, r.top, r.right - r.left,
                      r.bottom - r.top, window_text(w).c_str());
        trace((std::string("control ") + c.name).c_str(), buf);
    }
    trace("ready", fe_.temp_folder);
}

} // namespace fenwold_win32
