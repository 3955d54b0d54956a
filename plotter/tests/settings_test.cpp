// Switches, the [VORLANE] section, the settings summary and the sheet label.
#include <gtest/gtest.h>

#include <string>

#include "test_util.h"
#include "vorlane_log.h"
#include "vorlane_settings.h"
#include "vorlane_state.h"

namespace {

class Settings : public ::testing::Test {
  protected:
    void SetUp() override {
        vorlane_reset();
        ASSERT_EQ(vorlane_log_open("vorlane.log"), 1);
    }
    void TearDown() override { vorlane_reset(); }
    void args(std::initializer_list<const char*> list) {
        for (const char* a : list)
            EXPECT_EQ(vorlane_argument(a), ArgResult::kOk) << a;
        vorlane_finish_switch_text();
    }
    std::string log() {
        vorlane_log_close();
        return read_text_file(dir.file("vorlane.log"));
    }
    void ini(const std::string& text) {
        write_file(dir.file("trelkit.ini"), text);
        vorlane_read_ini(dir.file("trelkit.ini").c_str());
    }
    std::string summary(bool listing = false, float range_min = 0, float range_max = 0) {
        vorlane_settings_summary(listing, range_min, range_max);
        return log();
    }
    PlotSettings& s() { return vorlane_state().settings; }
    ScratchDir dir;
};

TEST_F(Settings, FrontEndArgumentsOpenDmxFileAndBuildSwitchText) {
    args({"/p1", "/m", "quake"});
    EXPECT_EQ(vorlane_state().suds_name, "quake.dmx");
    EXPECT_EQ(s().plot_mode, 1);
    EXPECT_EQ(s().magnification, 2.0e9f);
    EXPECT_EQ(vorlane_state().switch_text, " /P1 /M");
    EXPECT_NE(summary().find("Scaling:      Peak magnified to full scale\n"), std::string::npos);
}

TEST_F(Settings, FileNamesAbsolutePathsAndDotsInFolders) {
#ifdef _WIN32
    // "/" always starts a switch here; absolute names begin with a drive.
    const char* suds = "C:\\work\\data.v2\\quake";
    const char* hypo = "C:\\tmp\\q.evl";
#else
    const char* suds = "/work/data.v2/quake";
    const char* hypo = "/tmp/q.evl";
#endif
    args({suds, "-x0", "/ABSbig1", hypo, "extra"});
    EXPECT_EQ(vorlane_state().suds_name, suds); // no ".dmx": a dot stands in the path
    EXPECT_EQ(vorlane_state().hypo_name, hypo);
    EXPECT_EQ(s().decimation, 0);
    ASSERT_EQ(vorlane_state().abs_count, 1);
    EXPECT_STREQ(vorlane_state().abs_list[0], "BIG1");
    EXPECT_EQ(vorlane_state().switch_text, " -X0 /ABSBIG1");
}

TEST_F(Settings, OutOfRangeSwitchesRestoreDefaultsWithTheirMessages) {
    args({"/t40", "/a9", "/B0", "/p7", "/g20", "/J-1", "/L-2", "/W-3"});
    EXPECT_EQ(s().traces_per_page, 0);
    EXPECT_EQ(s().weight_criterion, 5);
    EXPECT_EQ(s().baseline, 0);
    EXPECT_EQ(s().plot_mode, 1);
    EXPECT_EQ(s().plot_resolution, 300);
    EXPECT_EQ(s().half_window, 60.0);
    EXPECT_TRUE(vorlane_state().error_flag);
    EXPECT_EQ(log(), "ERROR: /T switch: value out of range: 1-32\n"
                     "ERROR: /A switch: value out of range: 0-5\n"
                     "ERROR: /B switch: value must be positive\n"
                     "ERROR: /P switch: value out of range: 1-3\n"
                     "ERROR: /G switch: value out of range: 50-3000\n"
                     "ERROR: /J switch: value must be positive\n"
                     "ERROR: /L switch: value must be positive\n"
                     "ERROR: /W switch: value must be positive\n");
}

TEST_F(Settings, AcceptedSwitchValuesAndLaterSwitchWins) {
    args({"/T30", "/a0", "/W30", "/x-4", "/G3000", "/B12", "/J2.5", "/L90", "/D", "/dj", "/P2",
          "/p3", "/H", "/R"});
    EXPECT_EQ(s().traces_per_page, 30);
    EXPECT_EQ(s().weight_criterion, 0);
    EXPECT_EQ(s().half_window, 15.0);
    EXPECT_EQ(s().decimation, 4);
    EXPECT_EQ(s().plot_resolution, 3000);
    EXPECT_EQ(s().baseline, 12);
    EXPECT_EQ(s().jump, 2.5f);
    EXPECT_EQ(s().length, 90.0f);
    EXPECT_EQ(s().dump, 1);
    EXPECT_EQ(s().doy_dates, 1);
    EXPECT_EQ(s().plot_mode, 3);
    EXPECT_EQ(s().record_section, 1);
    EXPECT_FALSE(vorlane_state().hardcopy_printer);
    EXPECT_FALSE(vorlane_state().error_flag);
    args({"/Dm", "/Dq", "/Zed"});
    EXPECT_EQ(s().doy_dates, 0);
}

TEST_F(Settings, MagnificationForms) {
    args({"/MF2.5"});
    EXPECT_EQ(s().magnification, -2.5f);
    args({"/M0"});
    EXPECT_EQ(s().magnification, 0.001f);
    args({"/mf9e12"});
    EXPECT_EQ(s().magnification, -2.0e9f);
    args({"/M4"});
    EXPECT_EQ(s().magnification, 4.0f);
    args({"/MF2.5"});
    EXPECT_NE(summary().find("Scaling:      Fixed 2.5X magnifacation on amplitude axis\n"),
              std::string::npos);
}

TEST_F(Settings, AbsoluteAmplitudeListHoldsTwelve) {
    for (int i = 0; i < 14; ++i) {
        const std::string a = "/abs" + std::to_string(100 + i) + "xyz";
        vorlane_argument(a.c_str());
    }
    EXPECT_EQ(vorlane_state().abs_count, 12);
    EXPECT_STREQ(vorlane_state().abs_list[0], "100X");
    EXPECT_STREQ(vorlane_state().abs_list[11], "111X");
}

TEST_F(Settings, OverlongArgumentsAreCutToFit) {
    const std::string name(400, 'n');
    std::string sw = "/Q" + std::string(300, 'q');
    args({name.c_str(), sw.c_str(), "hypo.prt"});
    EXPECT_EQ(vorlane_state().suds_name.size(), 260u);
    EXPECT_EQ(vorlane_state().suds_name.substr(256), ".dmx");
    EXPECT_EQ(vorlane_state().switch_text.size(), 255u);
    EXPECT_EQ(vorlane_state().hypo_name, "hypo.prt");
}

TEST_F(Settings, NumbersAreReadFromTheLeadingCharacters) {
    EXPECT_EQ(vorlane_read_int("12abc"), 12);
    EXPECT_EQ(vorlane_read_int("-7"), -7);
    EXPECT_EQ(vorlane_read_int("x5"), 0);
    EXPECT_EQ(vorlane_read_int(""), 0);
    EXPECT_DOUBLE_EQ(vorlane_read_real("2.5e2x"), 250.0);
    EXPECT_DOUBLE_EQ(vorlane_read_real("-.5"), -0.5);
    EXPECT_DOUBLE_EQ(vorlane_read_real("3e"), 3.0);
    EXPECT_DOUBLE_EQ(vorlane_read_real("inf"), 0.0);
    EXPECT_DOUBLE_EQ(vorlane_read_real("0x10"), 0.0);
}

TEST_F(Settings, IniSectionKeysValuesAndMessages) {
    ini("[OTHER]\nMAX_MAG=7\n"
        "[vorlane]\n"
        "# comment\n"
        "; comment\n"
        "\n"
        "max_mag = 4 extra\n"
        "TRACES_PER_PAGE=30\n"
        "WEIGHT_CRITERIA=0\n"
        "ALIGN_WINDOW=-30\n"
        "DECIMATE=-3\n"
        "JUMP=-1.5\n"
        "RANGE_AXIS=yes\n"
        "AMPLITUDE_UNIT=volts\n"
        "ANNOT_AMP_TEXT= microVolts/s long\n"
        "ANNOT_SIDELINE=N\n"
        "ANNOT_SIDELINE=no\n"
        "ANNOT_EVENTLINE=n\n"
        "ANNOT_P_REMARK=Y\n"
        "ABS_amplitude=xyzzy\n"
        "COUNTS_PER_VOLT=-1000\n"
        "BASELINE\n"
        "PAUSE=2\n"
        "[NEXT]\n"
        "LENGTH=5\n");
    EXPECT_EQ(s().magnification, 4.0f);
    EXPECT_EQ(s().traces_per_page, 0);
    EXPECT_EQ(s().weight_criterion, 5);
    EXPECT_EQ(s().half_window, 30.0);
    EXPECT_EQ(s().decimation, 3);
    EXPECT_EQ(s().jump, 1.5f);
    EXPECT_EQ(s().record_section, 1);
    EXPECT_EQ(s().amp_unit, 1);
    EXPECT_STREQ(s().amp_unit_text, "microVolts/s");
    EXPECT_EQ(s().annot, 0xFFFF ^ kAnnotEventLine);
    EXPECT_STREQ(vorlane_state().abs_list[0], "XYZZ");
    EXPECT_EQ(s().counts_per_volt, 1000.0);
    EXPECT_EQ(s().pause, 2.0f);
    EXPECT_EQ(s().length, kLengthAll);
    const std::string ini_path = dir.file("trelkit.ini");
    EXPECT_EQ(log(), "Processing INI file: " + ini_path +
                         "\n"
                         "\nERROR in INI @ line 8: traces per page out of range: 30\n\n"
                         "\nERROR in INI @ line 9: weight criteria out of range: 0\n\n");
}

TEST_F(Settings, MissingIniIsAWarningOnly) {
    vorlane_read_ini("no/such/trelkit.ini");
    EXPECT_EQ(log(), "WARNING: unable to open INI file: no/such/trelkit.ini\n");
    EXPECT_FALSE(vorlane_state().error_flag);
}

TEST_F(Settings, IniPathFromSudsEtc) {
    testkit::set_env("SUDS_ETC", "/opt/etc");
    EXPECT_EQ(vorlane_ini_path(), testkit::join("/opt/etc", "trelkit.ini"));
    testkit::unset_env("SUDS_ETC");
    EXPECT_EQ(vorlane_ini_path(), "trelkit.ini");
}

TEST_F(Settings, SummaryOfDefaults) {
    EXPECT_EQ(summary(), "\n\nDecimation:   None\n"
                         "Jump seconds: 0.0\n"
                         "Plot seconds: All\n"
                         "Scaling:      Absolute amplitude\n"
                         "Baseline:     None\n"
                         "Plot mode:    Display only\n"
                         "Traces/page:  Best fit\n"
                         "Plot window:  120.0 seconds about 1st IST.\n"
                         "\n\n");
}

TEST_F(Settings, SummaryOfEverySetting) {
    args({"/x5", "/j3", "/l90", "/m8", "/b20", "/p3", "/t12", "/w30", "/r", "/a3"});
    EXPECT_EQ(summary(true, 1.5f, 80.25f),
              "\n\nDecimation:   Simple decimation, factor = 5.\n"
              "Jump seconds: 3.0\n"
              "Plot seconds: 90.0\n"
              "Scaling:      Up to 8.0X magnifacation on amplitude axis\n"
              "Baseline:     20 samples\n"
              "Plot mode:    Hardcopy only\n"
              "Traces/page:  12\n"
              "Plot window:  30.0 seconds about 1st IST.\n"
              "Plotting record section, range: 1.5 - 80.2\n"
              "Phase arrivals with weight <= 3 will be plotted\n"
              "\n\n");
}

TEST_F(Settings, AlignWindowIsTheHalfWidthItself) {
    ini("[VORLANE]\nALIGN_WINDOW=30\n");
    EXPECT_NE(summary().find("Plot window:  60.0 seconds about 1st IST.\n"), std::string::npos);
}

TEST(SheetLabel, ShortNamesStayLongFoldersAreCut) {
    EXPECT_EQ(vorlane_sheet_label("/data/quake.dmx"), "/data/quake.dmx");
    const std::string dir = "/very/long/folder/name/that/goes/on/and/on/";
    EXPECT_EQ(vorlane_sheet_label(dir + "quake.dmx"), dir.substr(0, 31) + ".../quake.dmx");
    const std::string file(40, 'f');
    EXPECT_EQ(vorlane_sheet_label(dir + file), dir.substr(0, 4) + ".../" + file);
}

TEST(Switches, SlashArgumentIsASwitchOnlyWithoutFurtherSlash) {
    EXPECT_TRUE(vorlane_is_switch("/p1"));
    EXPECT_TRUE(vorlane_is_switch("/MF2.5"));
    EXPECT_TRUE(vorlane_is_switch("-x"));
    EXPECT_TRUE(vorlane_is_switch("-a/b"));
#ifdef _WIN32
    EXPECT_TRUE(vorlane_is_switch("/home/x/rec.suds")); // no Windows path begins with "/"
#else
    EXPECT_FALSE(vorlane_is_switch("/home/x/rec.suds"));
#endif
    EXPECT_FALSE(vorlane_is_switch("rec.suds"));
}

} // namespace
