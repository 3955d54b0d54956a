// Vexil, the plot device library of vorlane: a pen plotter in user units
// with one global state, drawing to a plot window (display list) and/or a
// .PLX hardcopy file that ends up in the plot queue or with the hardcopy
// command. Status results: 1 success, 0 failure.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/file_handle.h"
#include "plotdev/colors.h"
#include "plotdev/display_list.h"
#include "plotdev/painter.h"
#include "plotdev/plx.h"
#include "plotdev/screen.h"
#include "plotdev/stroke_font.h"

// Pen codes (third argument of plot_pen). A negative code (-2, -3, -12, -13)
// acts like its magnitude and then makes the point reached the new origin.
constexpr int16_t PEN_DOWN = 2;
constexpr int16_t PEN_UP = 3;
constexpr int16_t PEN_DOWN_RELATIVE = 12;
constexpr int16_t PEN_UP_RELATIVE = 13;
constexpr int16_t PEN_END_PLOT = 999;

// Plot modes of plot_open.
constexpr int16_t PLOT_MODE_SCREEN = 1;   // screen only
constexpr int16_t PLOT_MODE_BOTH = 2;     // screen and hardcopy file
constexpr int16_t PLOT_MODE_HARDCOPY = 3; // hardcopy file only, no window

// Events of plot_wait_event. Besides these: a character typed in the window
// is its code as a signed 8-bit value (Escape is 27); a key without a
// character is its virtual key code * 256; a console key is its code, or for
// an extended key the second code * 256.
constexpr int16_t PLOT_EVENT_CLOSED = 0; // window closed, or mode 3
constexpr int16_t PLOT_EVENT_LEFT = 1;   // left button released; or nothing when not waiting
constexpr int16_t PLOT_EVENT_RIGHT = 2;  // right button released
constexpr int16_t PLOT_EVENT_ESCAPE = 27;

constexpr int16_t PLOT_UNSET = -32767;

// The one global state. Read it through plot_state(); change it only through
// the operations below.
struct PlotState {
    int16_t state = 0; // 0 not initialised, -1 no plot open, 1 plot open
    int16_t mode = PLOT_UNSET;
    bool hardcopy = false;
    bool prompt_before_saving = false;
    bool rotated = false;
    std::string title;
    std::string temp_dir, plot_queue, hardcopy_command;
    std::string temp_path, queue_path;
    int16_t next_queue_number = 0;
    int32_t queue_total = 0;
    // Finished plots that were to be saved but reached neither the queue nor
    // the hardcopy command; the program's exit status reports them.
    int32_t saves_failed = 0;
    double pen_x = 0, pen_y = 0;
    double xmin = 0, ymin = 0, xmax = 10, ymax = 8;
    int W = 0, H = 0; // client width - 1, client height - 1
    double sx = 0, sy = 0;
    int16_t color_index = PLOT_UNSET;
    uint32_t color_value = 0xFFFFFF;
    int16_t line_style = 0;
    PlotPenStyle pen_style = PEN_STYLE_SOLID;
    bool window_changed = true, color_changed = true, style_changed = true;
    int16_t event = 0;
    bool window_closed = false;
    DisplayList display_list;
    platform::FileHandle temp_file;
    std::unique_ptr<PlotScreen> screen;
};

// Seams for the console, the window back end, memory and the program's end.
// Unset members keep the defaults (termios console, Xlib, realloc, exit).
struct PlotHooks {
    bool (*key_waiting)() = nullptr;      // a console key is waiting
    int (*read_key)(bool echo) = nullptr; // next console key code, -1 when none
    std::unique_ptr<PlotScreen> (*make_screen)() = nullptr;
    int (*prepare_screen)(std::string& error) = nullptr; // registers the window class
    DisplayList::Realloc realloc_fn = nullptr;           // display list growth
    void (*exit_program)(int status) = nullptr;          // ends the program
};

// ---- operations -----------------------------------------------------------

// 1 = ready; 0 = already initialised or the window system could not be set up.
int16_t plot_initialize(const char* ini_path);
void plot_set_title(const char* title);
void plot_set_rotated();
void plot_set_hardcopy(int16_t flag);
void plot_set_window(float xmin, float ymin, float xmax, float ymax);
// Mode 1..3; any other value asks on the console. 1 = open, 0 = not opened.
int16_t plot_open(int16_t mode);
void plot_set_color(int16_t index);
void plot_set_line_style(int16_t index);
void plot_fill_rect(float x1, float y1, float x2, float y2, int16_t color);
void plot_pen(float x, float y, int16_t code);
void plot_text(float x, float y, float height, const char* text, float angle, int16_t count);
// Event code (see above); waits for one when `wait` is non-zero.
int16_t plot_wait_event(int16_t wait);

// ---- helpers ----------------------------------------------------------------

// Read-only view of the global state.
const PlotState& plot_state();

// Puts the library back to program start: closes any window and temporary
// file, frees the display list and restores the default hooks. For tests.
void plot_reset();
// Installs seams (after plot_reset, before plot_initialize).
void plot_set_hooks(const PlotHooks& hooks);

// Paints the current display list of the open plot into `painter` for a
// client area of width x height pixels, as the window's repaint does.
void plot_paint(PlotPainter& painter, int width, int height);
