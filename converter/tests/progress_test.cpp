// talvex's progress lines on an inherited descriptor, and the command-line
// answers that write nothing else (--help, --version) of talvex and cd11gen.
#include "recorder_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <sstream>

#include "platform/paths.h"
#include "platform/process.h"

namespace {

struct Line {
    long long pass, passes, done, total;
};

// Runs talvex with TALVEX_PROGRESS_FD naming a pipe; returns the lines read
// from it (with `close_reader` the pipe has no reader: writes fail).
RunResult run_with_progress(const std::vector<std::string>& args, const std::string& dir,
                            bool close_reader, std::string* lines) {
    RunResult r;
    const TempDir io("talvex-progress-");
    platform::ProcessOptions o;
    o.working_folder = dir;
    o.progress_variable = "TALVEX_PROGRESS_FD";
    o.output_file = io / "stdout";
    o.error_file = io / "stderr";
    std::vector<std::string> argv{TALVEX_BIN};
    argv.insert(argv.end(), args.begin(), args.end());
    platform::ChildProcess child;
    std::string error;
    EXPECT_TRUE(child.start(argv, o, error)) << error;
    if (close_reader)
        child.close_progress();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (child.poll(50)) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "talvex still ran after 120 s";
            child.cancel();
        }
    }
    if (!close_reader)
        *lines += child.take_progress();
    if (child.result().status == platform::ProcessStatus::finished)
        r.status = child.result().exit_code;
    r.out = read_file(o.output_file);
    r.err = read_file(o.error_file);
    return r;
}

std::vector<Line> parse(const std::string& text) {
    std::vector<Line> out;
    std::istringstream in(text);
    std::string word;
    while (in >> word) {
        EXPECT_EQ(word, "progress");
        Line l{};
        in >> l.pass >> l.passes >> l.done >> l.total;
        out.push_back(l);
    }
    EXPECT_TRUE(text.empty() || text.back() == '\n');
    return out;
}

} // namespace

TEST(TalvexProgress, LinesOnTheDescriptorLeaveEveryOutputAsItWas) {
    TempDir dir;
    write_recorder(make_plan({{"BHZ", "00"}, {"BHN", "00"}}, 600), dir.file("rec.cd11"));
    const RunResult quiet =
        run_program(TALVEX_BIN, {"-v", "-a", "rec.cd11", "quiet.asc"}, dir.path());
    ASSERT_EQ(quiet.status, 0);
    const std::string quiet_wtx = read_file(dir.file("quiet.wtx"));

    std::string text;
    const RunResult r =
        run_with_progress({"-v", "-a", "rec.cd11", "quiet.asc"}, dir.path(), false, &text);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, quiet.out);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(read_file(dir.file("quiet.wtx")), quiet_wtx);

    const auto lines = parse(text);
    ASSERT_GE(lines.size(), 4u) << text;
    // Each pass starts at 0, never goes back, and ends with done == total.
    int pass = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& l = lines[i];
        EXPECT_EQ(l.passes, 2);
        EXPECT_GT(l.total, 0);
        EXPECT_LE(l.done, l.total);
        if (l.pass != pass) {
            EXPECT_EQ(l.pass, pass + 1);
            EXPECT_EQ(l.done, 0);
            if (i > 0) {
                EXPECT_EQ(lines[i - 1].done, lines[i - 1].total);
            }
            pass = static_cast<int>(l.pass);
        } else {
            EXPECT_GE(l.done, lines[i - 1].done);
            EXPECT_EQ(l.total, lines[i - 1].total);
        }
    }
    EXPECT_EQ(pass, 2);
    EXPECT_EQ(lines.back().done, lines.back().total);

    // A SUDS run has one pass.
    text.clear();
    ASSERT_EQ(run_with_progress({"-s", "rec.cd11"}, dir.path(), false, &text).status, 0);
    const auto suds = parse(text);
    ASSERT_GE(suds.size(), 2u);
    EXPECT_EQ(suds.front().passes, 1);
    EXPECT_EQ(suds.back().pass, 1);

    // A descriptor nobody reads, or one that is not open, changes nothing.
    const RunResult gone =
        run_with_progress({"-v", "-a", "rec.cd11", "quiet.asc"}, dir.path(), true, &text);
    EXPECT_EQ(gone.status, 0);
    EXPECT_EQ(gone.out, quiet.out);
    testkit::RunOptions not_open;
    not_open.env = {"TALVEX_PROGRESS_FD=977"};
    const RunResult closed =
        run_program(TALVEX_BIN, {"-v", "-a", "rec.cd11", "quiet.asc"}, dir.path(), not_open);
    EXPECT_EQ(closed.status, 0);
    EXPECT_EQ(closed.err, "");
    EXPECT_EQ(read_file(dir.file("quiet.wtx")), quiet_wtx);
}

TEST(CommandLine, HelpAndVersionWriteNothingElse) {
    TempDir dir;
    for (const char* program : {TALVEX_BIN, CD11GEN_BIN}) {
        std::string name = platform::file_name_part(program);
        name.resize(name.size() - std::strlen(platform::kProgramSuffix));
        RunResult r = run_program(program, {"--help"}, dir.path());
        EXPECT_EQ(r.status, 0) << name;
        EXPECT_EQ(r.out.rfind("Usage: ", 0), 0u) << r.out;
        EXPECT_EQ(r.err, "");
        r = run_program(program, {"--version"}, dir.path());
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, text_lines(name + " 1.1.0\n"));
        EXPECT_EQ(r.err, "");
    }
    // Also beside other arguments: no information file, no output.
    write_recorder(make_plan({{"BHZ", "00"}}, 2), dir.file("rec.cd11"));
    EXPECT_EQ(run_program(TALVEX_BIN, {"-v", "rec.cd11", "--help"}, dir.path()).status, 0);
    EXPECT_EQ(run_program(CD11GEN_BIN, {"-n", "2", "--version", "x.cd11"}, dir.path()).status, 0);
    EXPECT_FALSE(file_exists(dir.file("rec.wtx")));
    EXPECT_FALSE(file_exists(dir.file("rec.msed")));
    EXPECT_FALSE(file_exists(dir.file("rec.suds")));
    EXPECT_FALSE(file_exists(dir.file("x.cd11")));
}
