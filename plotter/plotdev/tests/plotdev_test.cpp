// The plot state machine: records written, display list contents, queue
// saving, prompts, the hardcopy command, failures and events.
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <cmath>
#include <cstring>

#include "plot_fixture.h"

using namespace plotdev_test;
using ::testing::internal::CaptureStderr;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStderr;
using ::testing::internal::GetCapturedStdout;

namespace {

struct Tag {
    int32_t type;
    float a = 0, b = 0;        // move/line point
    int32_t style = 0;         // pen
    uint32_t rgb = 0;          // pen
    int16_t color = 0;         // fill
    float r[4] = {0, 0, 0, 0}; // fill corners
};

std::vector<Tag> tags() {
    const DisplayList& l = plot_state().display_list;
    std::vector<Tag> out;
    size_t pos = 0;
    while (pos + 4 <= l.size()) {
        Tag t{};
        std::memcpy(&t.type, l.data() + pos, 4);
        const uint8_t* f = l.data() + pos + 4;
        if (t.type == PAINT_END)
            break;
        if (t.type == PAINT_MOVE || t.type == PAINT_LINE) {
            std::memcpy(&t.a, f, 4);
            std::memcpy(&t.b, f + 4, 4);
            pos += 12;
        } else if (t.type == PAINT_PEN) {
            std::memcpy(&t.style, f, 4);
            std::memcpy(&t.rgb, f + 4, 4);
            pos += 12;
        } else {
            std::memcpy(&t.color, f, 2);
            std::memcpy(t.r, f + 2, 16);
            pos += 22;
        }
        out.push_back(t);
    }
    return out;
}

std::vector<PlxRecord> decode(const std::string& path) {
    std::vector<PlxRecord> r;
    std::string error;
    EXPECT_EQ(plx_read_file(path, r, error), 1) << error;
    return r;
}

void expect_pen(const PlxRecord& r, int16_t code, float x, float y) {
    EXPECT_EQ(r.code, code);
    EXPECT_FLOAT_EQ(r.v[0], x);
    EXPECT_FLOAT_EQ(r.v[1], y);
}

void expect_window(const PlxRecord& r, float a, float b, float c, float d) {
    ASSERT_EQ(r.code, PLX_WINDOW);
    EXPECT_FLOAT_EQ(r.v[0], a);
    EXPECT_FLOAT_EQ(r.v[1], b);
    EXPECT_FLOAT_EQ(r.v[2], c);
    EXPECT_FLOAT_EQ(r.v[3], d);
}

} // namespace

TEST_F(PlotTest, TwoPenPlotInModeTwoIsTheFortyEightByteFile) {
    init();
    ASSERT_EQ(plot_open(2), 1);
    EXPECT_EQ(fake_window().opened, 1);
    plot_pen(1, 1, PEN_UP);
    plot_pen(2, 2, PEN_DOWN);
    // pen tag, move, line and the end tag
    EXPECT_EQ(plot_state().display_list.size(), 4u + 12 + 12 + 12);
    CaptureStdout();
    plot_pen(0, 0, PEN_END_PLOT);
    const std::string out = GetCapturedStdout();

    const uint8_t golden[48] = {
        0x00, 0x7D, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x20, 0x41,                                     // window
        0x00, 0x00, 0x00, 0x41,                                     // ..8
        0x01, 0x7D, 0x07, 0x00,                                     // colour 7
        0x02, 0x7D, 0x00, 0x00,                                     // style 0
        0x03, 0x00, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x80, 0x3F, // up 1,1
        0x02, 0x00, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x40, // down 2,2
        0x01, 0x80};                                                // end
    ASSERT_EQ(queue_files(), std::vector<std::string>{"plot0000.plx"});
    EXPECT_EQ(read_bytes(queue + kSep + "plot0000.plx"), std::vector<uint8_t>(golden, golden + 48));
    EXPECT_EQ(out, "\nPlot saved as " + queue + kSep + "plot0000.plx\nPlot queue occupies 1 kb.\n");
    EXPECT_EQ(plot_state().saves_failed, 0);
    EXPECT_FALSE(std::filesystem::exists(dir + kSep + "TEMP$.PLX"));
    EXPECT_EQ(fake_window().closed, 1);
    EXPECT_EQ(plot_state().state, -1);
}

TEST_F(PlotTest, NegativeCodesShiftTheOrigin) {
    init();
    ASSERT_EQ(plot_open(2), 1);
    plot_pen(2, 3, -3);
    plot_pen(1, 0, PEN_DOWN);
    // On screen: a line from the old (2, 3) to the old (3, 3).
    const std::vector<Tag> t = tags();
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[1].type, PAINT_MOVE);
    EXPECT_FLOAT_EQ(t[1].a, 2);
    EXPECT_FLOAT_EQ(t[1].b, 3);
    EXPECT_EQ(t[2].type, PAINT_LINE);
    EXPECT_FLOAT_EQ(t[2].a, 3);
    EXPECT_FLOAT_EQ(t[2].b, 3);
    CaptureStdout();
    plot_pen(0, 0, PEN_END_PLOT);
    GetCapturedStdout();

    const std::vector<PlxRecord> r = decode(queue + kSep + "plot0000.plx");
    ASSERT_EQ(r.size(), 7u);
    expect_window(r[0], 0, 0, 10, 8);
    expect_pen(r[3], -3, 2, 3);
    expect_window(r[4], -2, -3, 8, 5);
    expect_pen(r[5], 2, 1, 0);
    EXPECT_EQ(r[6].code, PLX_END);
}

TEST_F(PlotTest, ReversedWindowShiftsTheOtherWay) {
    init();
    ASSERT_EQ(plot_open(3), 1);
    plot_set_window(10, 8, 0, 0);
    plot_pen(2, 3, -2);
    EXPECT_DOUBLE_EQ(plot_state().xmin, 12);
    EXPECT_DOUBLE_EQ(plot_state().xmax, 2);
    EXPECT_DOUBLE_EQ(plot_state().ymin, 11);
    EXPECT_DOUBLE_EQ(plot_state().ymax, 3);
    EXPECT_DOUBLE_EQ(plot_state().pen_x, 0);
}

TEST_F(PlotTest, RelativePensDrawFromThePenButRecordTheIncrement) {
    init();
    ASSERT_EQ(plot_open(2), 1);
    plot_set_window(-1, -1, 9, 7);
    plot_pen(2, 2, PEN_UP);
    plot_pen(1, 1, PEN_DOWN_RELATIVE);
    plot_pen(-4, 0.5f, PEN_UP_RELATIVE);
    EXPECT_DOUBLE_EQ(plot_state().pen_x, -1);
    EXPECT_DOUBLE_EQ(plot_state().pen_y, 3.5);
    const std::vector<Tag> t = tags();
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[2].type, PAINT_LINE); // (3, 3) measured from (xmin, ymin)
    EXPECT_FLOAT_EQ(t[2].a, 4);
    EXPECT_FLOAT_EQ(t[2].b, 4);
    EXPECT_EQ(t[3].type, PAINT_MOVE);
    EXPECT_FLOAT_EQ(t[3].a, 0);
    EXPECT_FLOAT_EQ(t[3].b, 4.5);
    CaptureStdout();
    plot_pen(0, 0, -PEN_END_PLOT);
    GetCapturedStdout();
    const std::vector<PlxRecord> r = decode(queue + kSep + "plot0000.plx");
    ASSERT_EQ(r.size(), 7u);
    expect_window(r[0], -1, -1, 9, 7); // the caller's window, set after opening
    expect_pen(r[4], 12, 1, 1);
    expect_pen(r[5], 13, -4, 0.5f);
}

TEST_F(PlotTest, PendingSettingsAreCoalescedAndClamped) {
    init();
    ASSERT_EQ(plot_open(2), 1);
    plot_pen(0, 0, PEN_UP);
    plot_set_color(4);
    plot_set_color(5);
    plot_set_line_style(3);
    plot_set_line_style(12);
    plot_pen(1, 1, PEN_DOWN);
    plot_set_line_style(-1);
    plot_pen(2, 1, PEN_DOWN);
    plot_pen(3, 1, PEN_DOWN); // nothing pending: no record, no pen tag
    const std::vector<Tag> t = tags();
    ASSERT_EQ(t.size(), 7u);
    EXPECT_EQ(t[2].type, PAINT_PEN);
    EXPECT_EQ(t[2].style, PEN_STYLE_DASHDOT);
    EXPECT_EQ(t[2].rgb, 0xFF00FFu);
    EXPECT_EQ(t[4].type, PAINT_PEN);
    EXPECT_EQ(t[4].style, PEN_STYLE_SOLID);
    CaptureStdout();
    plot_pen(0, 0, PEN_END_PLOT);
    GetCapturedStdout();
    const std::vector<PlxRecord> r = decode(queue + kSep + "plot0000.plx");
    std::vector<int16_t> codes;
    for (const PlxRecord& x : r)
        codes.push_back(x.code);
    EXPECT_EQ(codes, (std::vector<int16_t>{PLX_WINDOW, PLX_COLOR, PLX_LINE_STYLE, 3, PLX_COLOR,
                                           PLX_LINE_STYLE, 2, PLX_LINE_STYLE, 2, 2, PLX_END}));
    EXPECT_EQ(r[4].value, 5);
    EXPECT_EQ(r[5].value, 9);
    EXPECT_EQ(r[7].value, 0);
}

TEST_F(PlotTest, TextDrawsGlyphStrokesCellByCell) {
    init();
    ASSERT_EQ(plot_open(3), 1);
    plot_pen(0, 0, PEN_UP); // flush the opening records
    // Count 5 with two characters draws two; a blank leaves its cell empty.
    plot_text(1, 1, 1.6f, "A B", 0, 5);
    CaptureStdout();
    plot_pen(0, 0, PEN_END_PLOT);
    GetCapturedStdout();
    const std::vector<PlxRecord> r = decode(queue + kSep + "plot0000.plx");
    // 4 opening records, A (6 records), B (glyph records), the final move, end
    int b_records = 0;
    for (int i = stroke_font_glyph_index('B');; ++i) {
        ++b_records;
        const StrokeRecord s = stroke_font_record(i);
        if (s.pen == 0 && s.x == 0 && s.y == 0)
            break;
    }
    ASSERT_EQ(r.size(), 4u + 6 + b_records + 1 + 1);
    // "A" as the examples give it, at unit 0.1
    expect_pen(r[4], PEN_UP, 1.2f, 1.0f);
    expect_pen(r[5], PEN_DOWN, 1.8f, 2.6f);
    expect_pen(r[6], PEN_DOWN, 2.4f, 1.0f);
    expect_pen(r[9], PEN_UP, 1.0f, 1.0f); // the all-zero record: back to the cell origin
    // "B" starts two cells on: its first point is (2, 0) of the glyph
    const StrokeRecord b0 = stroke_font_record(stroke_font_glyph_index('B'));
    expect_pen(r[10], PEN_UP, 1 + 2 * 1.6f + b0.x * 0.1f, 1 + b0.y * 0.1f);
    expect_pen(r[r.size() - 2], PEN_UP, 1, 1);
}

TEST_F(PlotTest, NegativeCountCentresOnTheFullCount) {
    init();
    ASSERT_EQ(plot_open(3), 1);
    plot_pen(0, 0, PEN_UP);
    plot_text(5, 4, 0.8f, "AB", 0, -5); // as if five cells were drawn
    plot_text(5, 4, 0.8f, "A", 90, -1); // turned: the cell row runs up
    CaptureStdout();
    plot_pen(0, 0, PEN_END_PLOT);
    GetCapturedStdout();
    const std::vector<PlxRecord> r = decode(queue + kSep + "plot0000.plx");
    // first "A" point: a = 2 * 0.05 - 5 * 0.8 / 2 = -1.9, b = 0 - 0.4
    expect_pen(r[4], PEN_UP, 5 - 1.9f, 4 - 0.4f);
    // turned 90 degrees: x = 5 - b, y = 4 + a with a = 0.1 - 0.4, b = -0.4
    size_t i = 4;
    while (!(r[i].code == PEN_UP && std::fabs(r[i].v[0] - 5) < 1e-6 &&
             std::fabs(r[i].v[1] - 4) < 1e-6))
        ++i;
    const PlxRecord& turned = r[i + 1];
    EXPECT_EQ(turned.code, PEN_UP);
    EXPECT_NEAR(turned.v[0], 5.4f, 1e-5);
    EXPECT_NEAR(turned.v[1], 3.7f, 1e-5);
}

TEST_F(PlotTest, PromptAnswersDecideSaving) {
    init("PromptBeforeSaving=yes\n");
    EXPECT_TRUE(plot_state().prompt_before_saving);
    struct Case {
        int key;
        bool saved;
    } cases[] = {{'n', false}, {'y', true}, {13, true}, {'Y', true}, {'x', false}, {-1, true}};
    int saved = 0;
    for (const Case& c : cases) {
        ASSERT_EQ(plot_open(3), 1);
        plot_pen(1, 1, PEN_DOWN);
        keys().push_back(c.key);
        CaptureStdout();
        plot_pen(0, 0, PEN_END_PLOT);
        const std::string out = GetCapturedStdout();
        EXPECT_EQ(out.rfind("\nSave the current plot? (Y/n)\n", 0), 0u) << out;
        EXPECT_EQ(out.find("Plot saved as") != std::string::npos, c.saved) << c.key;
        saved += c.saved;
        EXPECT_EQ(queue_files().size(), static_cast<size_t>(saved)) << c.key;
        EXPECT_FALSE(std::filesystem::exists(dir + kSep + "TEMP$.PLX"));
    }
}

TEST_F(PlotTest, PromptOffSavesWithoutAsking) {
    init("PROMPTBEFORESAVING=N\n");
    ASSERT_EQ(plot_open(3), 1);
    plot_pen(1, 1, PEN_DOWN);
    keys().push_back('n');
    CaptureStdout();
    plot_pen(0, 0, PEN_END_PLOT);
    EXPECT_EQ(GetCapturedStdout().find("(Y/n)"), std::string::npos);
    EXPECT_EQ(queue_files().size(), 1u);
    EXPECT_EQ(keys().size(), 1u); // no key was read
}

TEST_F(PlotTest, ModeOneWritesNoFileAndSavesNothing) {
    init();
    ASSERT_EQ(plot_open(1), 1);
    plot_pen(1, 1, PEN_DOWN);
    EXPECT_FALSE(std::filesystem::exists(dir + kSep + "TEMP$.PLX"));
    CaptureStdout();
    plot_pen(0, 0, PEN_END_PLOT);
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_TRUE(queue_files().empty());
}

TEST_F(PlotTest, HardcopyCommandGetsTheQuotedFileName) {
    // A temp folder whose name holds blanks, quotes and shell characters.
#ifdef _WIN32
    // The command interpreter's own: "&" chains commands, "^" escapes, "(" groups.
    const std::string odd = dir + kSep + "it's a (x) & mkdir PWNED & mkdir PWNED2 & ^;x";
    const std::string script = dir + kSep + "fake-lp.cmd";
    std::ofstream(script)
        << "@echo off\nif \"%~1\"==\"\" exit /b 9\nif not \"%~2\"==\"\" exit /b 9\n"
        << "copy /b \"%~1\" \"" << dir << "\\printed.plx\" >nul\n"
        << "exit /b %errorlevel%\n";
#else
    const std::string odd = dir + kSep + "it's a $(touch PWNED) `touch PWNED2`;x";
    const std::string script = dir + kSep + "fake-lp";
    std::ofstream(script) << "#!/bin/sh\n[ $# -eq 1 ] || exit 9\ncp \"$1\" \"" << dir
                          << "/printed.plx\"\n";
    chmod(script.c_str(), 0755);
#endif
    std::filesystem::create_directory(odd);
    ini = dir + kSep + "trelkit.ini";
    std::ofstream(ini) << "[2.x_vexil]\nHARDCOPY = " << script << "\nTEMPDIR=" << odd
                       << "\nPLOTQUEUE=" << queue << "\n";
    ASSERT_EQ(plot_initialize(ini.c_str()), 1);
    plot_set_hardcopy(1);

    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    ASSERT_EQ(plot_open(3), 1);
    plot_pen(1, 1, PEN_UP);
    plot_pen(2, 2, PEN_DOWN);
    CaptureStdout();
    CaptureStderr();
    plot_pen(0, 0, PEN_END_PLOT);
    const std::string out = GetCapturedStdout(), err = GetCapturedStderr();
    std::filesystem::current_path(cwd);

    EXPECT_EQ(out, ""); // no "Plot saved as", no size report
    EXPECT_EQ(err, "");
    EXPECT_EQ(read_bytes(dir + kSep + "printed.plx").size(), 48u);
    EXPECT_FALSE(std::filesystem::exists(dir + kSep + "PWNED"));
    EXPECT_FALSE(std::filesystem::exists(dir + kSep + "PWNED2"));
    EXPECT_FALSE(std::filesystem::exists(odd + kSep + "TEMP$.PLX"));
    EXPECT_TRUE(queue_files().empty());
}

TEST_F(PlotTest, FailingHardcopyCommandIsReportedAndTheFileDeleted) {
#ifdef _WIN32
    init("HARDCOPY=exit 3 &\n");
    const std::string command = "exit 3 & \"" + dir + kSep + "TEMP$.PLX\"";
#else
    init("HARDCOPY=exit 3;\n");
    const std::string command = "exit 3; '" + dir + kSep + "TEMP$.PLX'";
#endif
    plot_set_hardcopy(1);
    ASSERT_EQ(plot_open(3), 1);
    plot_pen(1, 1, PEN_DOWN);
    CaptureStderr();
    plot_pen(0, 0, PEN_END_PLOT);
    EXPECT_EQ(GetCapturedStderr(), "\nERROR: Executing DOS command:\n\n   " + command + "\n\n");
    EXPECT_FALSE(std::filesystem::exists(dir + kSep + "TEMP$.PLX"));
    EXPECT_EQ(plot_state().saves_failed, 1); // the plotter's exit status tells
}

TEST_F(PlotTest, HardcopyPromptNamesHardcopy) {
    init("PROMPTBEFORESAVING=Y\nHARDCOPY=true\n");
    plot_set_hardcopy(1);
    ASSERT_EQ(plot_open(3), 1);
    keys().push_back('n');
    CaptureStdout();
    plot_pen(0, 0, PEN_END_PLOT);
    EXPECT_EQ(GetCapturedStdout(), "\nHardcopy the current plot? (Y/n)\n");
}

TEST_F(PlotTest, QueueCopyFailureIsReportedAndNotCalledSaved) {
    init();
    ASSERT_EQ(plot_open(3), 1);
    plot_pen(1, 1, PEN_DOWN);
    std::filesystem::remove_all(queue); // the queue went away during the plot
    CaptureStdout();
    CaptureStderr();
    plot_pen(0, 0, PEN_END_PLOT);
    const std::string out = GetCapturedStdout(), err = GetCapturedStderr();
    EXPECT_EQ(out.find("Plot saved as"), std::string::npos);
    EXPECT_EQ(err, "\nERROR: Executing DOS command:\n\n   COPY " + dir + kSep + "TEMP$.PLX " +
                       queue + kSep + "plot0000.plx > NUL\n\n");
    EXPECT_EQ(plot_state().saves_failed, 1);
}

TEST_F(PlotTest, SizeReportCountsTheQueueAndTheNewPlot) {
    init();
    std::ofstream(queue + kSep + "plot0003.plx") << std::string(3000, 'x');
    std::ofstream(queue + kSep + "Plot0001.PLX") << std::string(2000, 'x');
    ASSERT_EQ(plot_open(3), 1);
    plot_pen(1, 1, PEN_DOWN);
    CaptureStdout();
    plot_pen(0, 0, PEN_END_PLOT);
    // 5000 bytes in the queue plus 36 before the end record
    EXPECT_EQ(GetCapturedStdout(),
              "\nPlot saved as " + queue + kSep + "plot0004.plx\nPlot queue occupies 5 kb.\n");
    EXPECT_EQ(plot_state().next_queue_number, 4);
    EXPECT_EQ(plot_state().queue_total, 5036);
}

TEST_F(PlotTest, ModeMenuReadsOneKey) {
    init();
    const std::string menu =
        "\nChoose a plotting mode:\n   1) Display plot on screen only. (default)\n"
        "   2) Display and save plot to disk.\n   3) Save plot to disk only, no display.\nPlot "
        "mode? -> ";
    struct Case {
        int16_t arg;
        int key;
        int16_t mode;
        const char* tail;
    } cases[] = {{0, '3', 3, "\n"}, {0, '1', 1, ""}, {4, 13, 1, ""},
                 {-1, 'q', 1, ""},  {0, '2', 2, ""}, {0, -1, 1, ""}};
    for (const Case& c : cases) {
        keys().push_back(c.key);
        CaptureStdout();
        ASSERT_EQ(plot_open(c.arg), 1);
        EXPECT_EQ(GetCapturedStdout(), menu + c.tail);
        EXPECT_EQ(plot_state().mode, c.mode);
        CaptureStdout();
        plot_pen(0, 0, PEN_END_PLOT);
        GetCapturedStdout();
    }
}

TEST_F(PlotTest, IniSectionKeysValuesAndDefaults) {
    ini = dir + kSep + "trelkit.ini";
    std::ofstream(ini, std::ios::binary)
        << "[VORLANE]\r\nHARDCOPY=not this\r\n[2.x_vexil] trailing words\r\n"
           "displaymode = 3\r\n"
           "hardware =  lp -d Office  \r\n"
           "TEMPORARY_FOLDER=/var/Tmp/X\r\n"
           "PLOTQUEUE /ignored\r\n"
           "PlotQueue=\t/data/Plots\r\n"
           "promptbeforesaving=y\r\n"
           "[NEXT]\r\nTEMPDIR=/wrong\r\n";
    ASSERT_EQ(plot_initialize(ini.c_str()), 1);
    const PlotState& s = plot_state();
    EXPECT_EQ(s.hardcopy_command, "lp -d Office  "); // blanks after "=" skipped, trailing kept
    EXPECT_EQ(s.temp_dir, "/var/Tmp/X");             // letter case kept
    EXPECT_EQ(s.plot_queue, "/data/Plots");
    EXPECT_TRUE(s.prompt_before_saving);
    EXPECT_EQ(s.title, "Plot window");
    EXPECT_EQ(s.state, -1);
    EXPECT_EQ(s.mode, PLOT_UNSET);
    EXPECT_EQ(plot_initialize(ini.c_str()), 0); // only once
}

TEST_F(PlotTest, MissingIniWarnsAndKeepsDefaults) {
    const std::string missing = dir + kSep + "none.ini";
    CaptureStderr();
    ASSERT_EQ(plot_initialize(missing.c_str()), 1);
    EXPECT_EQ(GetCapturedStderr(),
              "\nWARNING: Unable to open initialization file: " + missing + "\n");
    EXPECT_EQ(plot_state().hardcopy_command, "kelpin");
    EXPECT_EQ(plot_state().plot_queue, std::filesystem::current_path().string());
    EXPECT_FALSE(plot_state().prompt_before_saving);
}

TEST_F(PlotTest, CallsOutOfOrderDoNothing) {
    plot_set_window(1, 2, 3, 4);
    EXPECT_DOUBLE_EQ(plot_state().xmax, 10);
    EXPECT_EQ(plot_open(1), 0);
    init();
    plot_pen(1, 1, PEN_DOWN);
    plot_set_color(4);
    plot_text(0, 0, 1, "A", 0, 1);
    EXPECT_EQ(plot_state().color_index, PLOT_UNSET);
    EXPECT_TRUE(plot_state().display_list.empty());
    plot_set_window(1, 2, 3, 4); // before a plot: replaced at plot_open
    ASSERT_EQ(plot_open(1), 1);
    EXPECT_DOUBLE_EQ(plot_state().xmax, 10);
    EXPECT_EQ(plot_open(1), 0);
    plot_set_title(std::string(300, 't').c_str());
    EXPECT_EQ(plot_state().title.size(), 127u);
}

TEST_F(PlotTest, UncreatableTempFileWritesNothingAndPlotGoesOn) {
    init("TEMPDIR=" + dir + kSep + "missing" + kSep + "folder\n");
    CaptureStderr();
    ASSERT_EQ(plot_open(3), 1);
    EXPECT_EQ(GetCapturedStderr(), "\nERROR: Cannot open temporary file: " + dir + kSep +
                                       "missing" + kSep + "folder" + kSep + "TEMP$.PLX\n");
    EXPECT_EQ(fake_window().opened, 0); // still no window for a hardcopy-only plot
    plot_pen(1, 1, PEN_DOWN);
    EXPECT_EQ(plot_wait_event(1), 0);
    CaptureStdout();
    CaptureStderr();
    plot_pen(0, 0, PEN_END_PLOT);
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_TRUE(queue_files().empty());
    EXPECT_EQ(plot_state().saves_failed, 1); // neither shown nor saved: the exit status tells
    // Mode 2 keeps its window.
    CaptureStderr();
    ASSERT_EQ(plot_open(2), 1);
    GetCapturedStderr();
    EXPECT_EQ(fake_window().opened, 1);
    plot_pen(1, 1, PEN_DOWN);
    EXPECT_EQ(tags().size(), 2u);
}

#ifndef _WIN32 // Windows has no device that opens for writing and then fails (/dev/full)
TEST_F(PlotTest, FailedWriteDropsToModeOne) {
    init();
    std::filesystem::create_symlink("/dev/full", dir + kSep + "TEMP$.PLX");
    ASSERT_EQ(plot_open(2), 1);
    for (int i = 0; i < 2000; ++i)
        plot_pen(i * 0.001f, 1, PEN_DOWN);
    EXPECT_EQ(plot_state().mode, 1);
    EXPECT_FALSE(plot_state().temp_file);
    EXPECT_EQ(tags().size(), 2001u); // the screen goes on
    EXPECT_EQ(plot_state().saves_failed, 1);
    CaptureStdout();
    plot_pen(0, 0, PEN_END_PLOT);
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_TRUE(queue_files().empty());
}
#endif

namespace {
size_t g_alloc_limit = 0;
void* limited_realloc(void* p, size_t n) {
    return n > g_alloc_limit ? nullptr : std::realloc(p, n);
}
} // namespace

TEST_F(PlotTest, AWindowClassThatCannotBeRegisteredFailsTheInitialisation) {
    PlotHooks h;
    h.make_screen = &make_fake_screen;
    h.prepare_screen = +[](std::string& error) {
        error = "Class already exists.";
        return 0;
    };
    plot_set_hooks(h);
    CaptureStdout();
    EXPECT_EQ(plot_initialize(nullptr), 0);
    EXPECT_EQ(GetCapturedStdout(), "ERROR: RegisterClass(&wc) failed: Class already exists.\n");
    EXPECT_EQ(plot_state().state, -1);
}

TEST_F(PlotTest, DisplayListThatCannotGrowStaysUsable) {
    PlotHooks h;
    h.key_waiting = &fake_key_waiting;
    h.read_key = &fake_read_key;
    h.make_screen = &make_fake_screen;
    h.realloc_fn = &limited_realloc;
    plot_set_hooks(h);
    g_alloc_limit = 3;
    init();
    CaptureStdout();
    EXPECT_EQ(plot_open(2), 0);
    EXPECT_EQ(GetCapturedStdout(), "ERROR: Not enough memory!\n");
    EXPECT_EQ(plot_state().state, -1);
    EXPECT_FALSE(std::filesystem::exists(dir + kSep + "TEMP$.PLX"));

    g_alloc_limit = 40; // room for the pen tag, one move and one line
    ASSERT_EQ(plot_open(1), 1);
    plot_pen(1, 1, PEN_UP);
    plot_pen(2, 2, PEN_DOWN);
    CaptureStdout();
    plot_pen(3, 3, PEN_DOWN);
    plot_fill_rect(0, 0, 1, 1, 4);
    EXPECT_EQ(
        GetCapturedStdout(),
        "ERROR: realloc failed, not enough memory!\nERROR: realloc failed, not enough memory!\n");
    EXPECT_EQ(plot_state().display_list.size(), 40u);
    EXPECT_EQ(tags().size(), 3u);
    RasterPainter r(401, 321);
    plot_paint(r, 401, 321); // still a well-formed list
    EXPECT_EQ(r.pixel(60, 260), 0u);
    g_alloc_limit = 1000;
    plot_pen(4, 4, PEN_DOWN);
    EXPECT_EQ(tags().size(), 4u);
}

namespace {
int g_exit_status = -1;
void record_exit(int status) {
    g_exit_status = status;
}
} // namespace

TEST_F(PlotTest, WindowThatCannotBeCreatedEndsTheProgramWithFailure) {
    PlotHooks h;
    h.make_screen = &make_fake_screen;
    h.exit_program = &record_exit;
    plot_set_hooks(h);
    fake_window().fail = true;
    g_exit_status = -1;
    init();
    CaptureStdout();
    EXPECT_EQ(plot_open(2), 0);
    EXPECT_EQ(GetCapturedStdout(), "ERROR: CreateWindow() failed: no display here\n");
    EXPECT_EQ(g_exit_status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir + kSep + "TEMP$.PLX"));
}

#ifdef TALVEX_HAVE_X11
TEST(PlotDeathTest, NoDisplayExitsWithStatusOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("DISPLAY", "unix:59999", 1);
            plot_reset();
            plot_initialize("");
            plot_open(1);
            std::exit(0);
        },
        ::testing::ExitedWithCode(1), "");
}
#endif

TEST_F(PlotTest, EventsFromTheWindowAndTheConsole) {
    init();
    EXPECT_EQ(plot_wait_event(0), 0); // no window yet
    ASSERT_EQ(plot_open(1), 1);
    EXPECT_EQ(plot_wait_event(0), 1); // nothing happened
    fake_window().pending = {static_cast<int16_t>(0x25 << 8), 27};
    EXPECT_EQ(plot_wait_event(1), 27); // the character wins over its key down
    EXPECT_EQ(plot_wait_event(0), 1);
    fake_window().pending = {2};
    EXPECT_EQ(plot_wait_event(1), 2);
    keys() = {'q'};
    EXPECT_EQ(plot_wait_event(1), 'q');
    keys() = {0, 72};
    EXPECT_EQ(plot_wait_event(1), 72 * 256);
    fake_window().close_on_pump = true;
    EXPECT_EQ(plot_wait_event(1), 0);
    EXPECT_EQ(plot_wait_event(1), 0); // at once, every time
    plot_pen(1, 1, PEN_DOWN);         // drawing still extends the list
    EXPECT_EQ(tags().size(), 2u);
    plot_pen(0, 0, PEN_END_PLOT);
    ASSERT_EQ(plot_open(3), 1);
    EXPECT_EQ(plot_wait_event(1), 0);
}

TEST_F(PlotTest, FilledRectanglesGoToTheScreenOnly) {
    init();
    ASSERT_EQ(plot_open(2), 1);
    plot_set_window(1, 1, 11, 9);
    plot_fill_rect(1, 1, 11, 9, 1);
    const std::vector<Tag> t = tags();
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].type, PAINT_FILL);
    EXPECT_EQ(t[0].color, 1);
    EXPECT_FLOAT_EQ(t[0].r[0], 0);
    EXPECT_FLOAT_EQ(t[0].r[2], 10);
    EXPECT_FLOAT_EQ(t[0].r[3], 8);
    EXPECT_DOUBLE_EQ(plot_state().pen_x, 0);
    EXPECT_TRUE(plot_state().color_changed); // still pending
    CaptureStdout();
    plot_pen(0, 0, PEN_END_PLOT);
    GetCapturedStdout();
    // Ending right away still writes the pending settings before the end.
    const std::vector<PlxRecord> r = decode(queue + kSep + "plot0000.plx");
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[3].code, PLX_END);
    ASSERT_EQ(plot_open(3), 1);
    plot_fill_rect(0, 0, 1, 1, 1);
    EXPECT_TRUE(tags().empty());
}

TEST_F(PlotTest, HardcopyWithoutACommandKeepsThePlotInTheQueue) {
    init("HARDCOPY=\n");
    plot_set_hardcopy(1);
    ASSERT_EQ(plot_open(3), 1);
    plot_pen(1, 1, PEN_DOWN);
    CaptureStdout();
    plot_pen(0, 0, PEN_END_PLOT);
    EXPECT_EQ(GetCapturedStdout(),
              "\nPlot saved as " + queue + kSep + "plot0000.plx\nPlot queue occupies 1 kb.\n");
    EXPECT_EQ(queue_files().size(), 1u);
}
