// kelpin: the hardcopy command of the plot library. Renders a .PLX plot
// file and prints it through CUPS when a printer is set up, otherwise
// keeps it as a PDF in a folder it names; or exports it with -o.
//
//   kelpin [-u] PLOTFILE.plx            print, or keep as PDF
//   kelpin [-u] -o OUT.pdf|.svg|.png|.ps PLOTFILE.plx
//
// The plot file has been read completely when kelpin returns, so the
// caller may delete it.
#include <cairo-pdf.h>
#include <cairo-ps.h>
#include <cairo-svg.h>
#include <cairo.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "plotdev/plx.h"
#include "render.h"
#include "talvex_version.h"

extern char** environ;

namespace {

constexpr double kA4Long = 841.89; // points
constexpr double kMargin = 28.35;  // 10 mm
constexpr double kPngLong = 1600;  // pixels

void usage(std::FILE* to) {
    std::fputs("usage: kelpin [-u] PLOTFILE.plx\n"
               "       kelpin [-u] -o OUTPUT.{pdf,svg,png,ps} PLOTFILE.plx\n"
               "Renders a .PLX plot file. Without -o it is printed with lp when a printer\n"
               "is set up, otherwise kept as a PDF in $KELPIN_DIR (default ~/kelpin-plots).\n"
               "  -u  unrotated page: x to the right, y up (default: as the plot window shows it)\n"
               "  -h, --help     this text\n"
               "  --version      the tool-set version\n",
               to);
}

std::string extension_of(const std::string& path) {
    const std::string::size_type dot = platform::extension_dot(path);
    if (dot == std::string::npos)
        return "";
    std::string e = path.substr(dot + 1);
    for (char& c : e)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return e;
}

// Writes the plot to `out` in the format its extension names. 1 on success,
// 0 with `error` set.
int export_plot(const std::vector<PlxRecord>& records, const std::string& out,
                const std::string& format, bool rotated, std::string& error) {
    const bool raster = format == "png";
    PageLayout page =
        kelpin_fit_page(records, rotated, raster ? kPngLong : kA4Long, raster ? 40 : kMargin);
    if (raster) {
        page.line_width = 1.5;
        page.dash_unit = 1.5;
    } else {
        page.line_width = 0.6;
        page.dash_unit = 0.8;
    }
    cairo_surface_t* surface = nullptr;
    if (format == "pdf") {
        surface = cairo_pdf_surface_create(out.c_str(), page.width, page.height);
    } else if (format == "svg") {
        surface = cairo_svg_surface_create(out.c_str(), page.width, page.height);
    } else if (format == "ps") {
        surface = cairo_ps_surface_create(out.c_str(), page.width, page.height);
    } else if (raster) {
        surface =
            cairo_image_surface_create(CAIRO_FORMAT_RGB24, static_cast<int>(std::ceil(page.width)),
                                       static_cast<int>(std::ceil(page.height)));
    } else {
        error = "unknown output type \"" + format + "\" (use .pdf, .svg, .png or .ps)";
        return 0;
    }
    cairo_t* cr = cairo_create(surface);
    kelpin_render(cr, records, page);
    cairo_show_page(cr);
    cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    if (status == CAIRO_STATUS_SUCCESS && raster)
        status = cairo_surface_write_to_png(surface, out.c_str());
    cairo_surface_finish(surface);
    if (status == CAIRO_STATUS_SUCCESS)
        status = cairo_surface_status(surface);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        error = "cannot write " + out + ": " + cairo_status_to_string(status);
        std::remove(out.c_str());
        return 0;
    }
    return 1;
}

// Runs a program (searched in PATH) with its arguments, no shell. Returns
// its exit status, or -1 when it could not be started. With `output`, its
// standard output is collected there.
int run(const std::vector<std::string>& args, std::string* output) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int p[2] = {-1, -1};
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    if (output) {
        if (pipe(p) != 0)
            return -1;
        posix_spawn_file_actions_adddup2(&fa, p[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&fa, p[0]);
        posix_spawn_file_actions_addopen(&fa, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid;
    const int err = posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (output)
        close(p[1]);
    if (err != 0) {
        if (output)
            close(p[0]);
        return -1;
    }
    if (output) {
        char buf[512];
        ssize_t n;
        while ((n = read(p[0], buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR))
            if (n > 0)
                output->append(buf, static_cast<size_t>(n));
        close(p[0]);
    }
    int ws;
    while (waitpid(pid, &ws, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + (WIFSIGNALED(ws) ? WTERMSIG(ws) : 0);
}

// A printer is set up when CUPS names a default destination.
bool printer_ready() {
    std::string out;
    return run({"lpstat", "-d"}, &out) == 0 &&
           out.find("system default destination:") != std::string::npos;
}

std::string output_folder() {
    if (const char* d = std::getenv("KELPIN_DIR"); d && *d)
        return d;
    if (const char* h = std::getenv("HOME"); h && *h)
        return std::string(h) + "/kelpin-plots";
    return "/tmp/kelpin-plots";
}

// A new file name in `folder`, never one that exists.
std::string fresh_name(const std::string& folder) {
    const std::time_t now = std::time(nullptr);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&now));
    for (int n = 1;; ++n) {
        char base[64];
        if (n > 1)
            std::snprintf(base, sizeof base, "/plot-%s-%d.pdf", stamp, n);
        else
            std::snprintf(base, sizeof base, "/plot-%s.pdf", stamp);
        const std::string name = folder + base;
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd >= 0) {
            close(fd);
            return name;
        }
        if (errno != EEXIST)
            return "";
    }
}

} // namespace

int main(int argc, char** argv) {
    std::string out, plot;
    bool rotated = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-o" && i + 1 < argc) {
            out = argv[++i];
        } else if (a == "-u") {
            rotated = false;
        } else if (a == "-h" || a == "--help") {
            usage(stdout);
            return 0;
        } else if (a == "--version") {
            std::printf("kelpin %s\n", TALVEX_TOOLSET_VERSION);
            return 0;
        } else if (!a.empty() && a[0] == '-' && a != "-") {
            std::fprintf(stderr, "kelpin: unknown option %s\n", a.c_str());
            usage(stderr);
            return 2;
        } else if (plot.empty()) {
            plot = a;
        } else {
            usage(stderr);
            return 2;
        }
    }
    if (plot.empty()) {
        usage(stderr);
        return 2;
    }

    std::vector<PlxRecord> records;
    std::string error;
    if (!plx_read_file(plot, records, error)) {
        std::fprintf(stderr, "kelpin: %s: %s\n", plot.c_str(), error.c_str());
        return 1;
    }

    if (!out.empty()) {
        if (!export_plot(records, out, extension_of(out), rotated, error)) {
            std::fprintf(stderr, "kelpin: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }

    if (printer_ready()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pdf = std::string(tmp && *tmp ? tmp : "/tmp") + "/kelpin-XXXXXX.pdf";
        const int fd = mkstemps(pdf.data(), 4);
        if (fd < 0) {
            std::fprintf(stderr, "kelpin: cannot create a temporary file: %s\n",
                         std::strerror(errno));
            return 1;
        }
        close(fd);
        int status = 1;
        if (export_plot(records, pdf, "pdf", rotated, error)) {
            status = run({"lp", "-s", "--", pdf}, nullptr);
            if (status != 0)
                std::fprintf(stderr, "kelpin: lp could not print %s\n", plot.c_str());
        } else {
            std::fprintf(stderr, "kelpin: %s\n", error.c_str());
        }
        std::remove(pdf.c_str());
        return status == 0 ? 0 : 1;
    }

    const std::string folder = output_folder();
    if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "kelpin: cannot create %s: %s\n", folder.c_str(),
                     std::strerror(errno));
        return 1;
    }
    const std::string pdf = fresh_name(folder);
    if (pdf.empty()) {
        std::fprintf(stderr, "kelpin: cannot write into %s: %s\n", folder.c_str(),
                     std::strerror(errno));
        return 1;
    }
    if (!export_plot(records, pdf, "pdf", rotated, error)) {
        std::fprintf(stderr, "kelpin: %s\n", error.c_str());
        return 1;
    }
    std::printf("kelpin: no printer is set up; plot kept as %s\n", pdf.c_str());
    return 0;
}
