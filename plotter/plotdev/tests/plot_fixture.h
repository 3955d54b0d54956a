// Shared test scaffolding: a private folder, an INI file pointing the temp
// file and the plot queue into it, scripted console keys and a window back
// end that records what happens to it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "plotdev/plotdev.h"
#include "testkit/testkit.h"

namespace plotdev_test {

// The separator of the paths the library builds.
inline const std::string kSep(1, platform::kPathSeparator);

inline std::deque<int>& keys() {
    static std::deque<int> k;
    return k;
}
inline bool fake_key_waiting() {
    return !keys().empty();
}
inline int fake_read_key(bool) {
    if (keys().empty())
        return -1;
    const int k = keys().front();
    keys().pop_front();
    return k;
}

// A window that always opens, with a fixed client area, and lets the test
// queue events for the next pump.
struct FakeWindow {
    int opened = 0, closed = 0;
    int width = 401, height = 321;
    bool fail = false;
    std::vector<int16_t> pending; // events delivered at the next pump
    bool close_on_pump = false;
    PlotScreenSink* sink = nullptr;
};
inline FakeWindow& fake_window() {
    static FakeWindow w;
    return w;
}

class FakeScreen : public PlotScreen {
  public:
    int open(const std::string&, PlotScreenSink* sink, std::string& error) override {
        if (fake_window().fail) {
            error = "no display here";
            return 0;
        }
        fake_window().sink = sink;
        ++fake_window().opened;
        return 1;
    }
    void close() override { ++fake_window().closed; }
    void client_size(int& w, int& h) override {
        w = fake_window().width;
        h = fake_window().height;
    }
    void pump() override {
        FakeWindow& f = fake_window();
        for (int16_t e : f.pending)
            f.sink->event(e);
        f.pending.clear();
        if (f.close_on_pump)
            f.sink->destroyed();
    }
};

inline std::unique_ptr<PlotScreen> make_fake_screen() {
    return std::make_unique<FakeScreen>();
}

class PlotTest : public ::testing::Test {
  protected:
    void SetUp() override {
        temp = std::make_unique<testkit::TempDir>("plotdev_test_");
        dir = temp->path();
        queue = dir + kSep + "queue";
        std::filesystem::create_directory(queue);
        plot_reset();
        keys().clear();
        fake_window() = FakeWindow{};
        PlotHooks h;
        h.key_waiting = &fake_key_waiting;
        h.read_key = &fake_read_key;
        h.make_screen = &make_fake_screen;
        plot_set_hooks(h);
    }
    void TearDown() override {
        plot_reset();
        temp.reset();
    }

    // Writes trelkit.ini with the given section lines and initialises from it.
    void init(const std::string& extra = "") {
        ini = dir + kSep + "trelkit.ini";
        std::ofstream(ini) << "[VORLANE]\nPLOTQUEUE=/nowhere\n[2.X_VEXIL]\nTEMPDIR=" << dir
                           << "\nPLOTQUEUE=" << queue << "\n"
                           << extra << "[OTHER]\nHARDCOPY=wrong\n";
        ASSERT_EQ(plot_initialize(ini.c_str()), 1);
    }

    std::vector<std::string> queue_files() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(queue))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::vector<uint8_t> read_bytes(const std::string& path) const {
        std::ifstream f(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
    }

    std::unique_ptr<testkit::TempDir> temp;
    std::string dir, queue, ini;
};

} // namespace plotdev_test
