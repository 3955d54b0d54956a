// kelpin on Windows: the hardcopy command of the plot library. Prints a .PLX
// plot file on the default printer through the Windows print system, or,
// without a printer, keeps it as an enhanced metafile in a folder it names;
// or exports it with -o as PNG (Windows Imaging Component) or EMF.
//
//   kelpin [-u] PLOTFILE.plx
//   kelpin [-u] -o OUT.png|.emf PLOTFILE.plx
//
// Drawing is GDI on a page laid out as the cairo kelpin lays it out, so both
// systems give the same rotation and scale. The plot file has been read
// completely when kelpin returns, so the caller may delete it.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first: the others build on it.
#include <shellapi.h>
#include <wincodec.h>
#include <winspool.h>

#include <cmath>
#include <cstdio>
#include <cwctype>
#include <string>
#include <vector>

#include "platform/console.h"
#include "plotdev/plotdev.h"
#include "plx_page.h"
#include "talvex_version.h"

namespace {

constexpr double kA4Long = 841.89; // points
constexpr double kMargin = 28.35;  // 10 mm
constexpr double kPngLong = 1600;  // pixels
// GDI coordinates are integers: the page is drawn in twentieths of a page
// unit and mapped onto the device.
constexpr int kSub = 20;

std::wstring widen(const std::string& s) {
    if (s.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::string narrow(const std::wstring& w) {
    if (w.empty())
        return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
    return s;
}

// The system's text for an error code, without the line end.
std::string error_text(DWORD code) {
    wchar_t* buf = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
    std::string text = buf ? narrow(buf) : std::string();
    if (buf)
        LocalFree(buf);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    if (text.empty()) {
        char num[32];
        std::snprintf(num, sizeof num, "error 0x%08lx", static_cast<unsigned long>(code));
        text = num;
    }
    return text;
}

void usage() {
    std::fputs("usage: kelpin [-u] PLOTFILE.plx\n"
               "       kelpin [-u] -o OUTPUT.{png,emf} PLOTFILE.plx\n"
               "Renders a .PLX plot file. Without -o it is printed on the default printer;\n"
               "without a printer it is kept as an EMF file in %KELPIN_DIR% (default\n"
               "%USERPROFILE%\\kelpin-plots).\n"
               "  -u  unrotated page: x to the right, y up (default: as the plot window shows "
               "it)\n",
               stderr);
}

std::string extension_of(const std::string& path) {
    const size_t sep = path.find_last_of("\\/:");
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (sep != std::string::npos && dot < sep))
        return "";
    std::string e = path.substr(dot + 1);
    for (char& c : e)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return e;
}

// GDI pens one after the other on a device context, in page units.
class GdiStrokes : public PlxStrokeSink {
  public:
    GdiStrokes(HDC dc, double line_width, double dash_unit)
        : dc_(dc), width_(line_width), dash_(dash_unit) {}
    ~GdiStrokes() override {
        if (pen_) {
            SelectObject(dc_, old_);
            DeleteObject(pen_);
        }
    }
    GdiStrokes(const GdiStrokes&) = delete;
    GdiStrokes& operator=(const GdiStrokes&) = delete;

    void pen(uint32_t rgb, PlotPenStyle style) override {
        LOGBRUSH lb{};
        lb.lbStyle = BS_SOLID;
        lb.lbColor = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
        std::vector<DWORD> dashes;
        for (int d : plot_pen_dashes(style))
            dashes.push_back(static_cast<DWORD>(std::lround(d * dash_ * kSub)));
        const DWORD kind = PS_GEOMETRIC | PS_ENDCAP_ROUND | PS_JOIN_ROUND |
                           (dashes.empty() ? PS_SOLID : PS_USERSTYLE);
        HPEN pen = ExtCreatePen(kind, static_cast<DWORD>(std::lround(width_ * kSub)), &lb,
                                static_cast<DWORD>(dashes.size()),
                                dashes.empty() ? nullptr : dashes.data());
        if (!pen)
            return;
        HGDIOBJ replaced = SelectObject(dc_, pen);
        if (pen_)
            DeleteObject(pen_);
        else
            old_ = replaced;
        pen_ = pen;
    }
    void move(double x, double y) override {
        MoveToEx(dc_, static_cast<int>(std::lround(x * kSub)),
                 static_cast<int>(std::lround(y * kSub)), nullptr);
    }
    void line(double x, double y) override {
        LineTo(dc_, static_cast<int>(std::lround(x * kSub)),
               static_cast<int>(std::lround(y * kSub)));
    }

  private:
    HDC dc_;
    double width_, dash_;
    HPEN pen_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

struct Style {
    double line_width, dash_unit;
};
constexpr Style kRasterStyle{1.5, 1.5};
constexpr Style kVectorStyle{0.6, 0.8};

// Draws the page on `dc`, mapped onto the device rectangle at (x0, y0) of
// size w x h.
void draw_page(HDC dc, const std::vector<PlxRecord>& records, const PlxPage& page,
               const Style& style, int x0, int y0, int w, int h) {
    const int saved = SaveDC(dc);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, static_cast<int>(std::lround(page.width * kSub)),
                   static_cast<int>(std::lround(page.height * kSub)), nullptr);
    SetViewportExtEx(dc, w, h, nullptr);
    SetViewportOrgEx(dc, x0, y0, nullptr);
    RECT all{0, 0, static_cast<LONG>(std::lround(page.width * kSub)),
             static_cast<LONG>(std::lround(page.height * kSub))};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    {
        GdiStrokes strokes(dc, style.line_width, style.dash_unit);
        plx_replay(records, page, strokes);
    }
    RestoreDC(dc, saved);
}

// A COM reference released at the end of its scope.
template <class T> class ComRef {
  public:
    ComRef() = default;
    ~ComRef() {
        if (p_)
            p_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T** out() { return &p_; }
    T* operator->() const { return p_; }
    T* get() const { return p_; }

  private:
    T* p_ = nullptr;
};

// Encodes 24-bit BGR rows (bottom-up DIB order reversed to top-down by the
// caller) as a PNG file through the Windows Imaging Component.
HRESULT write_png(const std::wstring& path, int w, int h, int stride, BYTE* bits) {
    ComRef<IWICImagingFactory> factory;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWICImagingFactory, reinterpret_cast<void**>(factory.out()));
    ComRef<IWICStream> stream;
    if (SUCCEEDED(hr))
        hr = factory->CreateStream(stream.out());
    if (SUCCEEDED(hr))
        hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
    ComRef<IWICBitmapEncoder> encoder;
    if (SUCCEEDED(hr))
        hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.out());
    if (SUCCEEDED(hr))
        hr = encoder->Initialize(stream.get(), WICBitmapEncoderNoCache);
    ComRef<IWICBitmapFrameEncode> frame;
    ComRef<IPropertyBag2> options;
    if (SUCCEEDED(hr))
        hr = encoder->CreateNewFrame(frame.out(), options.out());
    if (SUCCEEDED(hr))
        hr = frame->Initialize(options.get());
    if (SUCCEEDED(hr))
        hr = frame->SetSize(static_cast<UINT>(w), static_cast<UINT>(h));
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (SUCCEEDED(hr))
        hr = frame->SetPixelFormat(&format);
    if (SUCCEEDED(hr) && !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
        hr = E_FAIL;
    if (SUCCEEDED(hr))
        hr = frame->WritePixels(static_cast<UINT>(h), static_cast<UINT>(stride),
                                static_cast<UINT>(stride) * static_cast<UINT>(h), bits);
    if (SUCCEEDED(hr))
        hr = frame->Commit();
    if (SUCCEEDED(hr))
        hr = encoder->Commit();
    return hr;
}

int export_png(const std::vector<PlxRecord>& records, const std::string& out, bool rotated,
               std::string& error) {
    const PlxPage page = plx_fit_page(records, rotated, kPngLong, 40);
    const int w = static_cast<int>(std::ceil(page.width)),
              h = static_cast<int>(std::ceil(page.height));
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h; // top-down rows, as the encoder takes them
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = dc ? CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (!bmp) {
        error = "cannot make a " + std::to_string(w) + " x " + std::to_string(h) +
                " image: " + error_text(GetLastError());
        if (dc)
            DeleteDC(dc);
        return 0;
    }
    HGDIOBJ old = SelectObject(dc, bmp);
    draw_page(dc, records, page, kRasterStyle, 0, 0, w, h);
    GdiFlush();
    const int stride = (w * 3 + 3) & ~3;
    const std::wstring wout = widen(out);
    const HRESULT hr = write_png(wout, w, h, stride, static_cast<BYTE*>(bits));
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    if (FAILED(hr)) {
        error = "cannot write " + out + ": " + error_text(static_cast<DWORD>(hr));
        DeleteFileW(wout.c_str());
        return 0;
    }
    return 1;
}

int export_emf(const std::vector<PlxRecord>& records, const std::string& out, bool rotated,
               std::string& error) {
    const PlxPage page = plx_fit_page(records, rotated, kA4Long, kMargin);
    // The frame in 0.01 mm; the drawing is mapped onto the reference
    // device's pixels for that size.
    HDC ref = GetDC(nullptr);
    const double mm_w = page.width * 25.4 / 72, mm_h = page.height * 25.4 / 72;
    RECT frame{0, 0, static_cast<LONG>(std::lround(mm_w * 100)),
               static_cast<LONG>(std::lround(mm_h * 100))};
    const int px_w = static_cast<int>(
        std::lround(mm_w * GetDeviceCaps(ref, HORZRES) / GetDeviceCaps(ref, HORZSIZE)));
    const int px_h = static_cast<int>(
        std::lround(mm_h * GetDeviceCaps(ref, VERTRES) / GetDeviceCaps(ref, VERTSIZE)));
    const std::wstring wout = widen(out);
    HDC dc = CreateEnhMetaFileW(ref, wout.c_str(), &frame, L"kelpin\0plot\0");
    ReleaseDC(nullptr, ref);
    if (!dc) {
        error = "cannot write " + out + ": " + error_text(GetLastError());
        return 0;
    }
    draw_page(dc, records, page, kVectorStyle, 0, 0, px_w, px_h);
    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    if (!emf) {
        error = "cannot write " + out + ": " + error_text(GetLastError());
        DeleteFileW(wout.c_str());
        return 0;
    }
    DeleteEnhMetaFile(emf);
    return 1;
}

int export_plot(const std::vector<PlxRecord>& records, const std::string& out, bool rotated,
                std::string& error) {
    const std::string format = extension_of(out);
    if (format == "png")
        return export_png(records, out, rotated, error);
    if (format == "emf")
        return export_emf(records, out, rotated, error);
    error = "unknown output type \"" + format + "\" (use .png or .emf)";
    return 0;
}

// The default printer's name; empty when none is set up.
std::wstring default_printer() {
    DWORD n = 0;
    GetDefaultPrinterW(nullptr, &n);
    if (n == 0)
        return std::wstring();
    std::wstring name(n, L'\0');
    if (!GetDefaultPrinterW(name.data(), &n))
        return std::wstring();
    name.resize(wcslen(name.c_str()));
    return name;
}

// Prints the plot as one page, fitted into the printable area. 1 on
// success, 0 with `error` set.
int print_plot(const std::vector<PlxRecord>& records, const std::wstring& printer,
               const std::string& plot, bool rotated, std::string& error) {
    HDC dc = CreateDCW(L"WINSPOOL", printer.c_str(), nullptr, nullptr);
    if (!dc) {
        error = "cannot reach the printer " + narrow(printer) + ": " + error_text(GetLastError());
        return 0;
    }
    const PlxPage page = plx_fit_page(records, rotated, kA4Long, kMargin);
    const int area_w = GetDeviceCaps(dc, HORZRES), area_h = GetDeviceCaps(dc, VERTRES);
    const double f = std::min(area_w / page.width, area_h / page.height);
    const int w = static_cast<int>(page.width * f), h = static_cast<int>(page.height * f);
    const std::wstring doc_name = widen(plot);
    DOCINFOW doc{};
    doc.cbSize = sizeof doc;
    doc.lpszDocName = doc_name.c_str();
    int ok = StartDocW(dc, &doc) > 0 && StartPage(dc) > 0;
    if (ok) {
        draw_page(dc, records, page, kVectorStyle, (area_w - w) / 2, (area_h - h) / 2, w, h);
        ok = EndPage(dc) > 0 && EndDoc(dc) > 0;
    }
    if (!ok) {
        error =
            "the printer " + narrow(printer) + " could not print: " + error_text(GetLastError());
        AbortDoc(dc);
    }
    DeleteDC(dc);
    return ok;
}

std::string output_folder() {
    wchar_t buf[MAX_PATH * 2];
    DWORD n = GetEnvironmentVariableW(L"KELPIN_DIR", buf, MAX_PATH * 2);
    if (n > 0 && n < MAX_PATH * 2)
        return narrow(buf);
    n = GetEnvironmentVariableW(L"USERPROFILE", buf, MAX_PATH * 2);
    if (n > 0 && n < MAX_PATH * 2)
        return narrow(buf) + "\\kelpin-plots";
    n = GetTempPathW(MAX_PATH * 2, buf);
    if (n > 0 && n < MAX_PATH * 2)
        return narrow(buf) + "kelpin-plots";
    return "kelpin-plots";
}

// A new file name in `folder` (made there, empty), never one that exists.
std::string fresh_name(const std::string& folder, std::string& error) {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u%02u%02u-%02u%02u%02u", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond);
    for (int n = 1;; ++n) {
        char base[64];
        if (n > 1)
            std::snprintf(base, sizeof base, "\\plot-%s-%d.emf", stamp, n);
        else
            std::snprintf(base, sizeof base, "\\plot-%s.emf", stamp);
        const std::string name = folder + base;
        HANDLE h = CreateFileW(widen(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            return name;
        }
        if (GetLastError() != ERROR_FILE_EXISTS) {
            error = error_text(GetLastError());
            return "";
        }
    }
}

std::vector<std::string> arguments() {
    std::vector<std::string> args;
    int n = 0;
    wchar_t** w = CommandLineToArgvW(GetCommandLineW(), &n);
    for (int i = 1; w && i < n; ++i)
        args.push_back(narrow(w[i]));
    if (w)
        LocalFree(w);
    return args;
}

// On Windows a switch may begin with "/" as well as "-".
bool is_switch(const std::string& a, const char* name) {
    return a.size() >= 2 && (a[0] == '-' || a[0] == '/') && a.substr(1) == name;
}

} // namespace

int main() {
    // Names outside ASCII are written as UTF-8: the console is to show them so.
    platform::console_output_utf8();
    std::string out, plot;
    bool rotated = true, to_file = false;
    const std::vector<std::string> args = arguments();
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if ((is_switch(a, "o") || is_switch(a, "O")) && i + 1 < args.size()) {
            out = args[++i];
            to_file = true;
        } else if (is_switch(a, "u") || is_switch(a, "U")) {
            rotated = false;
        } else if (a == "--version") {
            std::printf("kelpin %s\n", TALVEX_TOOLSET_VERSION);
            return 0;
        } else if (is_switch(a, "h") || is_switch(a, "?") || a == "--help") {
            usage();
            return 0;
        } else if (a.size() > 1 && (a[0] == '-' || a[0] == '/')) {
            std::fprintf(stderr, "kelpin: unknown option %s\n", a.c_str());
            usage();
            return 2;
        } else if (plot.empty()) {
            plot = a;
        } else {
            usage();
            return 2;
        }
    }
    if (plot.empty()) {
        usage();
        return 2;
    }

    std::vector<PlxRecord> records;
    std::string error;
    if (!plx_read_file(plot, records, error)) {
        std::fprintf(stderr, "kelpin: %s: %s\n", plot.c_str(), error.c_str());
        return 1;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        std::fputs("kelpin: COM could not be started\n", stderr);
        return 1;
    }
    int status = 0;
    if (to_file) {
        if (!export_plot(records, out, rotated, error)) {
            std::fprintf(stderr, "kelpin: %s\n", error.c_str());
            status = 1;
        }
    } else if (const std::wstring printer = default_printer(); !printer.empty()) {
        if (!print_plot(records, printer, plot, rotated, error)) {
            std::fprintf(stderr, "kelpin: %s\n", error.c_str());
            status = 1;
        }
    } else {
        const std::string folder = output_folder();
        std::string name;
        if (!CreateDirectoryW(widen(folder).c_str(), nullptr) &&
            GetLastError() != ERROR_ALREADY_EXISTS) {
            std::fprintf(stderr, "kelpin: cannot create %s: %s\n", folder.c_str(),
                         error_text(GetLastError()).c_str());
            status = 1;
        } else if ((name = fresh_name(folder, error)).empty()) {
            std::fprintf(stderr, "kelpin: cannot write into %s: %s\n", folder.c_str(),
                         error.c_str());
            status = 1;
        } else if (!export_emf(records, name, rotated, error)) {
            std::fprintf(stderr, "kelpin: %s\n", error.c_str());
            status = 1;
        } else {
            std::printf("kelpin: no printer is set up; plot kept as %s\n", name.c_str());
        }
    }
    CoUninitialize();
    return status;
}
