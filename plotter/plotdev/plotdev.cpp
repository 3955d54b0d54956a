// The plot state and its operations: initialisation, opening a plot,
// settings, pen movement with the display list and the .PLX temporary file,
// text, filled rectangles, waiting for events, and ending and finishing a
// plot into the plot queue or through the hardcopy command.
#include "plotdev/plotdev.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/console.h"
#include "platform/file_handle.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "plot_ini.h"
#include "plot_queue.h"

namespace {

std::unique_ptr<PlotState> g_state = std::make_unique<PlotState>();
PlotHooks g_hooks;

PlotState& S() {
    return *g_state;
}

constexpr size_t kMaxTitle = 127;

// ---- seams ------------------------------------------------------------------

bool key_waiting() {
    return g_hooks.key_waiting ? g_hooks.key_waiting() : platform::console_key_waiting();
}
int read_key(bool echo) {
    return g_hooks.read_key ? g_hooks.read_key(echo) : platform::console_read_key(echo);
}
std::unique_ptr<PlotScreen> make_screen() {
    return g_hooks.make_screen ? g_hooks.make_screen() : plot_make_default_screen();
}
// Returns only when a test's hook does.
void exit_program(int status) {
    std::fflush(stdout);
    std::fflush(stderr);
    if (g_hooks.exit_program) {
        g_hooks.exit_program(status);
        return;
    }
    std::exit(status);
}

void say(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

void sleep_100ms() {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

// ---- the window's messages ----------------------------------------------------

class Sink : public PlotScreenSink {
  public:
    void paint(PlotPainter& painter, int width, int height) override {
        plot_paint(painter, width, height);
    }
    void event(int16_t code) override { S().event = code; }
    void destroyed() override { S().window_closed = true; }
};
Sink g_sink;

// ---- the temporary file -------------------------------------------------------

bool hardcopy_mode() {
    return S().mode == 2 || S().mode == 3;
}
bool screen_mode() {
    return S().mode == 1 || S().mode == 2;
}

// A failed write closes the file, which is then of no use, and drops to
// mode 1 for the rest of the plot.
void drop_temp_file() {
    PlotState& s = S();
    s.temp_file.reset();
    std::remove(s.temp_path.c_str());
    s.mode = 1;
}

void write_record(const std::vector<uint8_t>& rec) {
    PlotState& s = S();
    if (!hardcopy_mode() || !s.temp_file)
        return;
    if (std::fwrite(rec.data(), 1, rec.size(), s.temp_file.get()) != rec.size()) {
        drop_temp_file();
        ++s.saves_failed; // the plot was to be saved and will not be
    }
}

void open_temp_file() {
    PlotState& s = S();
    if (s.temp_dir.empty())
        s.temp_dir = platform::environment("TMP");
    if (s.temp_dir.empty()) {
        s.temp_path = "TEMP$.PLX";
    } else {
        s.temp_path = platform::join_path(s.temp_dir, "TEMP$.PLX");
    }
    s.temp_file.reset(platform::open_file(s.temp_path, "wb"));
    if (!s.temp_file) {
        std::fprintf(stderr, "\nERROR: Cannot open temporary file: %s\n", s.temp_path.c_str());
        // Nothing can be written: go on with the screen alone (in mode 3 with
        // nothing at all), and let the exit status tell that the save failed.
        s.mode = 1;
        ++s.saves_failed;
    }
}

void out_of_memory_on_growth() {
    say("ERROR: realloc failed, not enough memory!\n");
}

// ---- ending and finishing a plot ------------------------------------------------

// Prints the start failure of the command interpreter.
void report_start_failure(int err) {
    switch (err) {
    case ENOENT:
        std::fputs("       Cannot locate COMMAND.COM!\n", stderr);
        break;
    case E2BIG:
        std::fputs("       Argument list to long!\n", stderr);
        break;
    case ENOEXEC:
        std::fputs("       Invalid COMMAND.COM!\n", stderr);
        break;
    case ENOMEM:
        std::fputs("       Not enough memory!\n", stderr);
        break;
    default:
        std::fprintf(stderr, "       %s\n", std::strerror(err));
        break;
    }
}

void plot_finish(bool save) {
    PlotState& s = S();
    bool complete = false;
    int64_t length = 0;
    if (s.temp_file) {
        std::FILE* f = s.temp_file.get();
        complete = std::fflush(f) == 0;
        // 64-bit: ftell's long has 32 bits on Windows.
        const int64_t pos = platform::tell_file(f);
        length = pos > 0 ? pos : 0;
        const std::vector<uint8_t> end = plx_encode_end();
        complete = complete && std::fwrite(end.data(), 1, end.size(), f) == end.size();
        complete = platform::close_file(s.temp_file) && complete;
    }
    if (save && !complete) {
        // A plot file without its end is not handed on.
        std::fprintf(stderr, "\nERROR: Unable to write temporary file: %s\n", s.temp_path.c_str());
        ++s.saves_failed;
        save = false;
    }

    bool to_queue = false, copied = false;
    int64_t total = 0;
    if (save) {
        // Hardcopy with no command set keeps the plot in the queue instead.
        if (s.hardcopy && !s.hardcopy_command.empty()) {
            const std::string command =
                s.hardcopy_command + " " + platform::shell_quote(s.temp_path);
            int status = 0;
            const int err = platform::shell_run(command, status);
            if (err != 0) {
                report_start_failure(err);
                ++s.saves_failed;
                return; // the temporary file stays
            }
            if (status != 0) {
                std::fprintf(stderr, "\nERROR: Executing DOS command:\n\n   %s\n\n",
                             command.c_str());
                ++s.saves_failed;
            }
        } else {
            to_queue = true;
            // The copy never replaces a file: when another program took the
            // chosen name meanwhile, the choice is made again.
            for (int attempt = 0; attempt < 100 && !copied; ++attempt) {
                const PlotQueueChoice q = plot_choose_queue_file(s.plot_queue);
                s.plot_queue = q.folder;
                s.queue_path = q.path;
                s.next_queue_number = static_cast<int16_t>(q.number > 0x7FFF ? 0x7FFF : q.number);
                total = q.total + length;
                s.queue_total = static_cast<int32_t>(total > 0x7FFFFFFF ? 0x7FFFFFFF : total);
                std::string error;
                copied = platform::copy_file(s.temp_path, s.queue_path, error, false);
                if (!copied && !platform::file_exists(s.queue_path))
                    break;
            }
            if (!copied) {
                char command[1024];
                std::snprintf(command, sizeof command, "COPY %s %s > NUL", s.temp_path.c_str(),
                              s.queue_path.c_str());
                std::fprintf(stderr, "\nERROR: Executing DOS command:\n\n   %s\n\n", command);
                ++s.saves_failed;
            }
        }
    }

    std::string error;
    if (!platform::delete_file(s.temp_path, error)) {
        std::fprintf(stderr, "\nERROR: Unable to delete temporary file: %s\n", s.temp_path.c_str());
        return;
    }
    if (to_queue && copied) {
        std::printf("\nPlot saved as %s\n", s.queue_path.c_str());
        std::printf("Plot queue occupies %ld kb.\n", static_cast<long>(total / 1024 + 1));
        std::fflush(stdout);
    }
}

void end_plot() {
    PlotState& s = S();
    if (s.screen) {
        s.screen->close();
        s.screen.reset();
    }
    s.display_list.release();
    s.state = -1;
    if (!hardcopy_mode())
        return;
    bool save = true;
    if (s.prompt_before_saving) {
        std::printf("\n%s the current plot? (Y/n)", s.hardcopy ? "Hardcopy" : "Save");
        std::fflush(stdout);
        const int key = read_key(false);
        say("\n");
        // No key to be had (no console) takes the default answer.
        save = key < 0 || key == 13 || key == '\n' || key == 'Y' || key == 'y';
    }
    plot_finish(save);
}

} // namespace

// ---- helpers ------------------------------------------------------------------

const PlotState& plot_state() {
    return S();
}

void plot_reset() {
    if (g_state->screen)
        g_state->screen->close();
    g_state = std::make_unique<PlotState>();
    g_hooks = PlotHooks{};
}

void plot_set_hooks(const PlotHooks& hooks) {
    g_hooks = hooks;
}

void plot_paint(PlotPainter& painter, int width, int height) {
    PlotState& s = S();
    s.W = width - 1;
    s.H = height - 1;
    PaintView v;
    v.W = s.W;
    v.H = s.H;
    v.xmin = s.xmin;
    v.ymin = s.ymin;
    v.xmax = s.xmax;
    v.ymax = s.ymax;
    v.rotated = s.rotated;
    v.pen_style = s.pen_style;
    v.pen_rgb = s.color_value;
    const double dx = s.xmax - s.xmin, dy = s.ymax - s.ymin;
    s.sx = (s.rotated ? s.H : s.W) / dx;
    s.sy = (s.rotated ? s.W : s.H) / dy;
    if (s.display_list.empty())
        return;
    int32_t bad = 0;
    if (!plot_paint_list(s.display_list.data(), s.display_list.size(), v, painter, bad))
        std::printf("ERROR: Unrecognized paint tag type: %d\n", static_cast<int>(bad));
}

// ---- operations -----------------------------------------------------------------

int16_t plot_initialize(const char* ini_path) {
    PlotState& s = S();
    if (s.state != 0)
        return 0;
    s.mode = PLOT_UNSET;
    s.hardcopy = false;
    s.prompt_before_saving = false;
    s.rotated = false;
    s.title = "Plot window";
    s.temp_dir.clear();
    s.plot_queue.clear();
    s.hardcopy_command = "kelpin";
    s.pen_x = s.pen_y = 0;
    s.xmin = 0, s.ymin = 0, s.xmax = 10, s.ymax = 8;
    s.color_index = PLOT_UNSET;
    s.line_style = 0;
    s.pen_style = PEN_STYLE_SOLID;
    s.event = 0;
    s.window_changed = s.color_changed = s.style_changed = true;

    if (ini_path && *ini_path) {
        PlotIniValues values;
        if (plot_read_ini(ini_path, values)) {
            s.prompt_before_saving = values.prompt_before_saving;
            s.hardcopy_command = values.hardcopy_command;
            s.temp_dir = values.temp_dir;
            s.plot_queue = values.plot_queue;
        } else {
            std::fprintf(stderr, "\nWARNING: Unable to open initialization file: %s\n", ini_path);
        }
    }
    if (s.plot_queue.empty())
        s.plot_queue = platform::current_folder();
    s.state = -1;
    // The plot window's class; the window itself (and with Xlib the display)
    // is reached only when a plot window is opened.
    std::string error;
    if (!(g_hooks.prepare_screen ? g_hooks.prepare_screen(error) : plot_prepare_screen(error))) {
        std::printf("%s %s\n", "ERROR: RegisterClass(&wc) failed:", error.c_str());
        std::fflush(stdout);
        return 0;
    }
    return 1;
}

void plot_set_title(const char* title) {
    std::string t = title ? title : "";
    if (t.size() > kMaxTitle)
        t.resize(kMaxTitle);
    S().title = t;
}

void plot_set_rotated() {
    S().rotated = true;
}

void plot_set_hardcopy(int16_t flag) {
    S().hardcopy = flag != 0;
}

void plot_set_window(float xmin, float ymin, float xmax, float ymax) {
    PlotState& s = S();
    if (s.state == 0)
        return;
    s.xmin = xmin;
    s.ymin = ymin;
    s.xmax = xmax;
    s.ymax = ymax;
    s.window_changed = true;
}

int16_t plot_open(int16_t mode) {
    PlotState& s = S();
    if (s.state != -1)
        return 0;
    if (mode < 1 || mode > 3) {
        say("\nChoose a plotting mode:\n");
        say("   1) Display plot on screen only. (default)\n");
        say("   2) Display and save plot to disk.\n");
        say("   3) Save plot to disk only, no display.\n");
        say("Plot mode? -> ");
        const int key = read_key(true);
        if (key == '2') {
            mode = 2;
        } else if (key == '3') {
            mode = 3;
            say("\n");
        } else {
            mode = 1;
        }
    }
    s.mode = mode;
    const bool want_window = mode == 1 || mode == 2;
    if (mode == 2 || mode == 3)
        open_temp_file();

    s.state = 1;
    plot_set_color(7);
    plot_set_line_style(0);
    plot_set_window(0, 0, 10, 8);

    if (!s.display_list.create(g_hooks.realloc_fn)) {
        say("ERROR: Not enough memory!\n");
        // Leave no half-open plot behind: the next plot_open can start afresh.
        if (s.temp_file)
            drop_temp_file();
        s.state = -1;
        return 0;
    }

    if (want_window) {
        std::string error;
        s.screen = make_screen();
        if (!s.screen)
            error = "no window system in this build";
        s.window_closed = false;
        if (!s.screen || !s.screen->open(s.title, &g_sink, error)) {
            std::printf("%s %s\n", "ERROR: CreateWindow() failed:", error.c_str());
            s.screen.reset();
            if (s.temp_file)
                drop_temp_file();
            s.display_list.release();
            s.state = -1;
            exit_program(1);
            return 0;
        }
        int w = 0, h = 0;
        s.screen->client_size(w, h);
        s.W = w - 1;
        s.H = h - 1;
    }
    return 1;
}

void plot_set_color(int16_t index) {
    PlotState& s = S();
    if (s.state != 1)
        return;
    s.color_index = index;
    s.color_value = plot_color_value(index);
    s.color_changed = true;
}

void plot_set_line_style(int16_t index) {
    PlotState& s = S();
    if (s.state != 1)
        return;
    const int16_t clamped = index < 0 ? 0 : index > 9 ? 9 : index;
    if (screen_mode())
        s.pen_style = plot_style_of(clamped);
    s.line_style = clamped;
    s.style_changed = true;
}

void plot_fill_rect(float x1, float y1, float x2, float y2, int16_t color) {
    PlotState& s = S();
    if (s.state != 1 || !screen_mode())
        return;
    if (!s.display_list.add_fill(color, static_cast<float>(x1 - s.xmin),
                                 static_cast<float>(y1 - s.ymin), static_cast<float>(x2 - s.xmin),
                                 static_cast<float>(y2 - s.ymin)))
        out_of_memory_on_growth();
}

void plot_pen(float x, float y, int16_t code) {
    PlotState& s = S();
    if (s.state != 1)
        return;

    bool pen_changed = false;
    if (s.window_changed) {
        write_record(plx_encode_window(static_cast<float>(s.xmin), static_cast<float>(s.ymin),
                                       static_cast<float>(s.xmax), static_cast<float>(s.ymax)));
        s.window_changed = false;
    }
    if (s.color_changed) {
        write_record(plx_encode_color(s.color_index));
        s.color_changed = false;
        pen_changed = true;
    }
    if (s.style_changed) {
        write_record(plx_encode_line_style(s.line_style));
        s.style_changed = false;
        pen_changed = true;
    }

    const int magnitude = code < 0 ? -code : code;
    if (magnitude == 999) {
        end_plot();
        return;
    }
    double tx, ty;
    if (magnitude == 2 || magnitude == 3) {
        tx = x;
        ty = y;
    } else if (magnitude == 12 || magnitude == 13) {
        tx = s.pen_x + x;
        ty = s.pen_y + y;
    } else {
        return; // not a pen code: nothing to draw or record
    }
    const bool draw = magnitude == 2 || magnitude == 12;
    s.pen_x = tx;
    s.pen_y = ty;

    if (screen_mode()) {
        if (pen_changed && !s.display_list.add_pen(s.pen_style, s.color_value)) {
            out_of_memory_on_growth();
            return;
        }
        const float u = static_cast<float>(tx - s.xmin), v = static_cast<float>(ty - s.ymin);
        if (!(draw ? s.display_list.add_line(u, v) : s.display_list.add_move(u, v))) {
            out_of_memory_on_growth();
            return;
        }
    }
    write_record(plx_encode_pen(code, x, y));

    if (code < 0) {
        if (s.xmax > s.xmin) {
            s.xmin -= tx;
            s.xmax -= tx;
        } else {
            s.xmin += tx;
            s.xmax += tx;
        }
        if (s.ymax > s.ymin) {
            s.ymin -= ty;
            s.ymax -= ty;
        } else {
            s.ymin += ty;
            s.ymax += ty;
        }
        s.window_changed = true;
        s.pen_x = s.pen_y = 0;
    }
}

void plot_text(float x, float y, float height, const char* text, float angle, int16_t count) {
    if (S().state != 1 || !text)
        return;
    int n = count < 0 ? -static_cast<int>(count) : count;
    double dx0 = 0, dy0 = 0;
    if (count < 0) {
        dx0 = n * static_cast<double>(height) / 2;
        dy0 = -static_cast<double>(height) / 2;
    }
    const int len = static_cast<int>(std::strlen(text));
    if (len < n)
        n = len;
    const double unit = height / 16.0;
    const double rad = angle * (3.14159265358979323846 / 180.0);
    const double ca = std::cos(rad), sa = std::sin(rad);
    for (int i = 0; i < n; ++i) {
        int r = stroke_font_glyph_index(static_cast<unsigned char>(text[i]));
        if (r == 0)
            continue;
        for (;; ++r) {
            const StrokeRecord rec = stroke_font_record(r);
            const double a = rec.x * unit + i * static_cast<double>(height) - dx0;
            const double b = rec.y * unit + dy0;
            plot_pen(static_cast<float>(x + a * ca - b * sa),
                     static_cast<float>(y + a * sa + b * ca), static_cast<int16_t>(3 - rec.pen));
            if (S().state != 1)
                return;
            if (rec.pen == 0 && rec.x == 0 && rec.y == 0)
                break;
        }
    }
    plot_pen(x, y, PEN_UP);
}

int16_t plot_wait_event(int16_t wait) {
    PlotState& s = S();
    if (s.mode == 3)
        return 0;
    while (!s.window_closed && s.screen) {
        s.screen->pump();
        if (s.event != 0) {
            const int16_t e = s.event;
            s.event = 0;
            return e;
        }
        if (s.window_closed)
            break;
        if (key_waiting()) {
            int k = read_key(false);
            if (k == 0) {
                k = read_key(false);
                if (k >= 0)
                    return static_cast<int16_t>(static_cast<uint16_t>(k << 8));
            } else if (k > 0) {
                return static_cast<int16_t>(k);
            }
        }
        sleep_100ms();
        if (!wait)
            return 1;
    }
    return 0;
}
