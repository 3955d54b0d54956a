#include "driver.h"

#include "platform/paths.h"
#include "run.h"

#include "recorder_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// An absolute name in this system's form: "/d/rec" on Linux, "C:\\d\\rec" on
// Windows (where an argument beginning with "/" is always a switch).
std::string abs_name(std::string path) {
#ifdef _WIN32
    if (path.empty())
        return path;
    std::replace(path.begin(), path.end(), '/', '\\');
    return "C:" + path;
#else
    return path;
#endif
}

// The names among args (not the switches) in this system's form.
std::vector<std::string> abs_names(std::vector<std::string> args) {
    for (auto& a : args)
        if (a[0] == '/')
            a = abs_name(a);
    return args;
}

class Driver : public ::testing::Test {
  protected:
    void SetUp() override { run_reset(); }
    void TearDown() override { run_reset(); }

    void parse(std::vector<std::string> args) {
        std::vector<const char*> argv{"talvex"};
        for (const auto& a : args)
            argv.push_back(a.c_str());
        testing::internal::CaptureStderr();
        parse_arguments(static_cast<int>(argv.size()), argv.data());
        err_ = testing::internal::GetCapturedStderr();
    }
    std::string err_;
};

} // namespace

TEST_F(Driver, SlashStartsASwitchOnlyWithoutAFurtherSlash) {
    EXPECT_TRUE(is_switch("-v"));
    EXPECT_TRUE(is_switch("/v"));
    EXPECT_TRUE(is_switch("/S"));
    EXPECT_TRUE(is_switch("-"));
    EXPECT_TRUE(is_switch("-a/b"));
#ifdef _WIN32
    EXPECT_TRUE(is_switch("/home/x/rec.cd11")); // no Windows path begins with "/"
#else
    EXPECT_FALSE(is_switch("/home/x/rec.cd11"));
#endif
    EXPECT_FALSE(is_switch("rec.cd11"));
}

TEST_F(Driver, SwitchesAreKnownByTheirSecondCharacter) {
    parse({"-V", "/s", "-vanilla", "-Asc", abs_name("/home/x/rec.cd11")});
    EXPECT_TRUE(g_run.verbose);
    EXPECT_TRUE(g_run.suds);
    EXPECT_TRUE(g_run.asc);
    EXPECT_FALSE(g_run.casc);
    EXPECT_EQ(g_run.input_name, abs_name("/home/x/rec.cd11"));
    EXPECT_EQ(err_, "");
}

TEST_F(Driver, UnknownSwitchesAndExtraNamesWarnAndTheRunGoesOn) {
    parse({"-x", "-", "a.cd11", "b.msed", "c.extra"});
    EXPECT_EQ(err_, "WARNING: Unrecognized command line switch: -x\n"
                    "WARNING: Unrecognized command line switch: -\n"
                    "WARNING: Unrecognized command line argument: c.extra\n");
    EXPECT_EQ(g_run.input_name, platform::absolute_path("a.cd11"));
    EXPECT_EQ(g_run.output_name, platform::absolute_path("b.msed"));
}

TEST_F(Driver, AscWinsOverCasc) {
    parse({"-casc", "-asc", "r.cd11"});
    EXPECT_TRUE(g_run.asc);
    EXPECT_FALSE(g_run.casc);
}

TEST_F(Driver, DefaultNamesFollowTheFormat) {
    struct Case {
        std::vector<std::string> args;
        const char* output;
        const char* work;
        const char* info;
    } cases[] = {
        {{"/d/rec.cd11"}, "/d/rec.msed", "/d/rec.suds", ""},
        {{"-v", "/d/rec.cd11x"}, "/d/rec.msed", "/d/rec.suds", "/d/rec.wtx"},
        {{"-s", "-v", "/d/rec.cd11"}, "/d/rec.suds", "/d/rec.suds", "/d/rec.wtx"},
        {{"-asc", "/d/rec.cd11"}, "/d/rec.asc", "/d/rec.suds", ""},
        {{"-casc", "-v", "/d/rec"}, "/d/rec.asc", "/d/rec.suds", "/d/rec.wtx"},
        {{"-v", "/d.v2/rec", "/o.x/out"}, "/o.x/out", "/o.x/out.suds", "/o.x/out.wtx"},
    };
    for (const auto& c : cases) {
        run_reset();
        parse(abs_names(c.args));
        derive_names();
        EXPECT_EQ(g_run.output_name, abs_name(c.output));
        EXPECT_EQ(g_run.work_name, abs_name(c.work));
        EXPECT_EQ(g_run.info_name, abs_name(c.info));
        EXPECT_STREQ(format_extension(), g_run.suds                  ? ".suds"
                                         : (g_run.asc || g_run.casc) ? ".asc"
                                                                     : ".msed");
    }
}

TEST_F(Driver, NamesThatWouldOverwriteTheInputOrEachOtherAreRefused) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
    } cases[] = {
        {{"/d/rec.msed"}, false},                // output is the input
        {{"-s", "/d/rec.suds"}, false},          // SUDS output is the input
        {{"-v", "/d/rec.wtx"}, false},           // information file is the input
        {{"/d/rec.cd11", "/d/out.suds"}, false}, // output is its own work file
        {{"-v", "/d/rec.cd11", "/d/out.wtx"}, false},
        {{"-casc", "/d/rec.asc"}, true}, // -casc writes no file of that name
        {{"-v", "-s", "/d/rec.cd11"}, true},
        {{"-v", "/d/rec.cd11", "/d/out.msed"}, true},
        // The input again where names ignore case.
        {{"/d/Rec.cd11", "/d/rec.CD11"}, !platform::kNamesIgnoreCase},
    };
    for (const auto& c : cases) {
        run_reset();
        parse(abs_names(c.args));
        derive_names();
        testing::internal::CaptureStdout();
        const bool ok = check_names();
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(ok, c.ok) << c.args.back();
        EXPECT_EQ(out.find("ERROR: ") != std::string::npos, !c.ok) << out;
    }
}

TEST_F(Driver, ReportReachesStandardOutputAndTheInformationFile) {
    TempDir dir;
    g_run.info_name = dir.file("r.wtx");
    testing::internal::CaptureStdout();
    report("before %d\n", 1);
    ASSERT_TRUE(run_open_info());
    report_info_only("only %s\n", "info");
    report("both %s\n", "x");
    run_close_info();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "before 1\nboth x\n");
    EXPECT_EQ(read_file(g_run.info_name), text_lines("only info\nboth x\n"));
}

TEST_F(Driver, UsageAndMissingInputEndWithCodeOne) {
    const char* none[] = {"talvex"};
    const char* question[] = {"talvex", "-?"};
    const char* only_switches[] = {"talvex", "-v", "-s"};
    testing::internal::CaptureStdout();
    EXPECT_EQ(driver_run(1, none), 1);
    run_reset();
    EXPECT_EQ(driver_run(2, question), 1);
    run_reset();
    EXPECT_EQ(driver_run(3, only_switches), 1);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string usage =
        "\nUsage: TALVEX InputFile (OutputFile) (-verbose) (-suds) (-asc) (-casc)\n\n";
    EXPECT_NE(out.find(usage), std::string::npos);
    EXPECT_NE(out.find(usage, out.find(usage) + 1), std::string::npos);
    EXPECT_NE(out.find("ERROR: Unable to open: \n"), std::string::npos);
    EXPECT_NE(out.find("CD1.1 to MiniSEED/SUDS/ASCII data file conversion, Version 1.6\n"),
              std::string::npos);
}

TEST_F(Driver, PassTwoFailuresAndEmptyWorkFiles) {
    TempDir dir;
    suds_reset();
    g_run.input_name = dir.file("rec.cd11");
    g_run.output_name = dir.file("rec.msed");
    WriterContext ctx = writer_context();
    testing::internal::CaptureStdout();

    // The work file is missing.
    EXPECT_FALSE(convert_work_file(dir.file("rec.suds"), ctx));

    // A work file without structures: a warning, an empty output, success.
    std::ofstream(dir.file("rec.suds"), std::ios::binary).flush();
    EXPECT_TRUE(convert_work_file(dir.file("rec.suds"), ctx));
    EXPECT_TRUE(file_exists(dir.file("rec.msed")));
    EXPECT_EQ(read_file(dir.file("rec.msed")), "");
    EXPECT_FALSE(file_exists(dir.file("rec.suds")));

    // The output cannot be created.
    std::ofstream(dir.file("rec.suds"), std::ios::binary).flush();
    g_run.output_name = dir.file("no/such/folder/rec.msed");
    EXPECT_FALSE(convert_work_file(dir.file("rec.suds"), ctx));

    // SUDS descriptor 1 is taken: the work file would not be the first open file.
    g_run.output_name = dir.file("rec.msed");
    const int other = suds_open(dir.file("rec.suds").c_str(), SUDS_MODE_READ);
    ASSERT_EQ(other, 1);
    EXPECT_FALSE(convert_work_file(dir.file("rec.suds"), ctx));
    suds_close(other);

    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("\nERROR: input file does not exist: " + dir.file("rec.suds") + "\n"),
              std::string::npos);
    EXPECT_NE(
        out.find("\nWARNING: input file contains no usable data: " + dir.file("rec.suds") + "\n"),
        std::string::npos);
    EXPECT_NE(out.find("\nERROR: unable ot open output file: " +
                       dir.file("no/such/folder/rec.msed") + "\n"),
              std::string::npos);
    EXPECT_NE(out.find("\nERROR: SUDS descriptor 1 is not free\n"), std::string::npos) << out;
    suds_reset();
}
