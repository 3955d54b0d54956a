// The built program end to end: exit codes, console text, vorlane.log and plot files.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "platform/paths.h"
#include "test_util.h"

namespace {

namespace fs = std::filesystem;

// The example listings name TALV1 with three components; the converter calls the
// channels CH0..CH2 with long names TALV1:BHZ, BHN, BHE.
std::vector<TestChannel> example_channels() {
    std::vector<TestChannel> v;
    const char* comps[] = {"BHZ", "BHN", "BHE"};
    for (int i = 0; i < 3; ++i) {
        TestChannel c;
        c.station = "CH" + std::to_string(i);
        c.component = "VNE"[i];
        c.long_station = "TALV1";
        c.long_component = comps[i];
        c.data_type = 'l';
        c.ist = 1158920430.75;
        for (int k = 0; k < 3000; ++k)
            c.samples.push_back((k * 37 + i * 11) % 200 - 100);
        v.push_back(c);
    }
    return v;
}

class Cli : public ::testing::Test {
  protected:
    std::vector<std::string> env() const { return {"TMP=" + dir.path(), "SUDS_ETC=" + dir.path()}; }
    std::string log() const { return read_text_file(dir.file("vorlane.log")); }
    ScratchDir dir;
};

TEST_F(Cli, UsageEndsTheRunAfterTheArgumentsBeforeIt) {
    write_file(dir.file("trelkit.ini"), "[VORLANE]\nTRACES_PER_PAGE=99\n");
    const RunResult r = run_vorlane({"/p3", "/?", "quake"}, env());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(
        r.out.find("Usage: VORLANE [switches] SUDSfile [hypofile] [switches]\nSwitches:\n"
                   "   /Pn - Plot mode; 1=screen only, (2)=screen & hardcopy, 3=hardcopy only.\n"),
        std::string::npos);
    EXPECT_NE(
        r.out.find("   hypofile - HYPO71x output file. (same name as SUDSfile w/.PRT ext.) \n\n"
                   "()=default, []=optional, arguments are not case sensitive."),
        std::string::npos);
    EXPECT_EQ(log(),
              "VORLANE Win32 Version 3.0 Log\n\nCommand line arguments:\nProcessing INI file: " +
                  dir.file("trelkit.ini") +
                  "\n\nERROR in INI @ line 2: traces per page out of range: 99\n\n"
                  "  1 - /p3\n  2 - /?\n");
}

TEST_F(Cli, HelpAndVersionAnswerAloneAndWriteNothing) {
    const RunResult help = run_vorlane({"/p3", "--help", "q.suds"}, env());
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.substr(0, 57), "Usage: VORLANE [switches] SUDSfile [hypofile] [switches]\n");
    EXPECT_EQ(help.out.find("VORLANE - Win32"), std::string::npos);
    const RunResult version = run_vorlane({"--version"}, env());
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "vorlane 1.1.0\n");
    EXPECT_TRUE(fs::is_empty(dir.path())); // no log, no plot
}

TEST_F(Cli, HardcopyThatCannotBeWrittenFailsTheRun) {
    write_suds(dir.file("q.suds"), example_channels());
    write_file(dir.file("trelkit.ini"), "[2.X_VEXIL]\nTEMPDIR=" + dir.file("missing") + "\n");
    const RunResult r = run_vorlane({"/P3", "/H", "q.suds"}, env());
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("ERROR: Cannot open temporary file:"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(dir.file("plot0000.plx")));
}

TEST_F(Cli, NoSudsFileNamed) {
    const RunResult r = run_vorlane({"/p3"}, env());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "VORLANE - Win32 Version 3.0\n\nWARNING: unable to open INI file: " +
                         dir.file("trelkit.ini") + "\nERROR: no SUDS data input file specified\n");
}

TEST_F(Cli, HardcopyRunWithListingWritesTheLogInOrder) {
    write_suds(dir.file("event3.suds"), example_channels());
    fs::copy_file(testkit::fs_path(EXAMPLES_DIR "/event3.prt"),
                  testkit::fs_path(dir.file("event3.prt")));
    const RunResult r = run_vorlane({"/P3", "/H", "/D", "event3.suds", "/a2"}, env());
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Plot saved as " + dir.file("plot0000.plx") + "\n"), std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("Error(s)"), std::string::npos);
    const std::string l = log();
    const std::regex session(
        "Session time: \\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d\n\n");
    EXPECT_TRUE(std::regex_search(l, session)) << l;
    const std::string head =
        "VORLANE Win32 Version 3.0 Log\n\nCommand line arguments:\nWARNING: unable to open INI "
        "file: " +
        dir.file("trelkit.ini") +
        "\n  1 - /P3\n  2 - /H\n  3 - /D\n  4 - event3.suds\n  5 - /a2\n\n";
    EXPECT_EQ(l.substr(0, head.size()), head);
    const std::string body =
        "Input SUDS data file: event3.suds\n"
        "Hypocenter data file: event3.prt\n"
        "\n\nDecimation:   None\nJump seconds: 0.0\nPlot seconds: All\nScaling:      Absolute "
        "amplitude\n"
        "Baseline:     None\nPlot mode:    Hardcopy only\nTraces/page:  Best fit\n"
        "Plot window:  120.0 seconds about 1st IST.\nPhase arrivals with weight <= 2 will be "
        "plotted\n\n\n"
        "CH0:V 120 09/22/06 10:20:30.750\nCH1:N 12348 09/22/06 10:20:30.750\n"
        "\n*** Database dump ***\nRecord #0\n";
    EXPECT_NE(l.find(body), std::string::npos) << l;
    EXPECT_EQ(l.find("CH2:E"), std::string::npos); // P weight 3 is above /a2
    std::vector<PlxRecord> plx = read_plx(dir.file("plot0000.plx"));
    EXPECT_GT(plx.size(), 6000u);
}

TEST_F(Cli, NamedEventListsAreRead) {
    write_suds(dir.file("event3.suds"), example_channels());
    for (const char* kind : {"evl", "evt"}) {
        const std::string name = std::string("event3.") + kind;
        fs::copy_file(testkit::fs_path(std::string(EXAMPLES_DIR "/") + name),
                      testkit::fs_path(dir.file(name)), fs::copy_options::overwrite_existing);
        const RunResult r = run_vorlane({"/P3", "/H", "event3.suds", name}, env());
        ASSERT_EQ(r.status, 0) << r.out;
        EXPECT_NE(log().find("Hypocenter data file: " + name + "\n"), std::string::npos);
        EXPECT_NE(log().find("CH2:E"), std::string::npos); // all three components carry a P pick
    }
}

TEST_F(Cli, UnwritableLogIsAWarningAndTheRunGoesOn) {
    write_suds(dir.file("q.suds"), example_channels());
    fs::create_directory(dir.file("vorlane.log"));
    const RunResult r = run_vorlane({"/P3", "/H", "q.suds"}, env());
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("WARNING: unable to create log file: vorlane.log\n"), std::string::npos);
    EXPECT_TRUE(fs::exists(dir.file("plot0000.plx")));
}

TEST_F(Cli, TraceOutsideTheWindowIsLoggedAndFlagged) {
    std::vector<TestChannel> ch = example_channels();
    ch[1].ist += 200;
    write_suds(dir.file("q.suds"), ch);
    const RunResult r = run_vorlane({"/P3", "/H", "q.suds"}, env());
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(log().find("Station CH1 outside of plot window: IST=09/22/06 10:23:50.750\n"),
              std::string::npos);
    // Named as Windows users know it there.
    const std::string log_name = platform::kNamesIgnoreCase ? "VORLANE.LOG" : "vorlane.log";
    EXPECT_NE(r.out.find("\nError(s) have occured, please review " + log_name + ".\n"),
              std::string::npos)
        << r.out;
}

TEST_F(Cli, EscapeOnTheConsoleEndsTheRunWithStatusOne) {
    write_suds(dir.file("q.suds"), example_channels());
    write_file(dir.file("keys"), "\x1b");
    const RunResult r = run_vorlane({"/P3", "/H", "q.suds"}, env(), dir.file("keys"));
    EXPECT_EQ(r.status, 1) << r.out;
}

TEST_F(Cli, MultiplexedFileIsRefused) {
    write_suds(dir.file("q.suds"), example_channels(), true);
    const RunResult r = run_vorlane({"/P3", "q.suds"}, env());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("\nERROR: q.suds contains multiplexed data!\n"), std::string::npos);
}

TEST_F(Cli, MissingSudsFile) {
    const RunResult r = run_vorlane({"/P3", "none.suds"}, env());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("ERROR: Unable to open file: none.suds"), std::string::npos) << r.out;
}

} // namespace
