// The plot window seen by the library: a back end that creates a top-level
// window and hands its messages to a sink. The Xlib back end lives behind
// this; tests can put their own in its place.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "plotdev/painter.h"

// What the window reports back to the library.
class PlotScreenSink {
  public:
    virtual ~PlotScreenSink() = default;
    // Repaint with this painter; the client area is width x height pixels.
    virtual void paint(PlotPainter& painter, int width, int height) = 0;
    // A key or button event code (see plot_wait_event).
    virtual void event(int16_t code) = 0;
    // The window was destroyed by the user or the window manager.
    virtual void destroyed() = 0;
};

class PlotScreen {
  public:
    virtual ~PlotScreen() = default;
    // Creates, shows and raises the window. 1 on success, 0 with `error` set
    // to the system's text for the failure.
    virtual int open(const std::string& title, PlotScreenSink* sink, std::string& error) = 0;
    // Destroys the window (without calling sink->destroyed()).
    virtual void close() = 0;
    // Client area in pixels; 0 x 0 when there is no window.
    virtual void client_size(int& width, int& height) = 0;
    // Dispatches every pending message to the sink.
    virtual void pump() = 0;
};

// Readies the window system for plot windows once per process: on Windows
// it registers the window class. 1 on success (or nothing to do), 0 with
// `error` set to the system's text.
int plot_prepare_screen(std::string& error);

// The platform's window back end, or nullptr when the build has none.
std::unique_ptr<PlotScreen> plot_make_default_screen();
