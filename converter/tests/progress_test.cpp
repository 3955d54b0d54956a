// talvex's progress lines on an inherited descriptor, and the command-line
// answers that write nothing else (--help, --version) of talvex and cd11gen.
#include "recorder_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace {

struct Line {
    long long pass, passes, done, total;
};

// Runs talvex with TALVEX_PROGRESS_FD naming a pipe; returns the lines read
// from it (with `close_reader` the pipe has no reader: writes fail).
RunResult run_with_progress(const std::vector<std::string>& args, const std::string& dir,
                            bool close_reader, std::string* lines) {
    int p[2];
    EXPECT_EQ(pipe(p), 0);
    if (close_reader)
        ::close(p[0]);
    setenv("TALVEX_PROGRESS_FD", std::to_string(p[1]).c_str(), 1);
    RunResult r = run_program(TALVEX_BIN, args, dir);
    unsetenv("TALVEX_PROGRESS_FD");
    ::close(p[1]);
    if (!close_reader) {
        char buf[4096];
        ssize_t n;
        while ((n = ::read(p[0], buf, sizeof buf)) > 0)
            lines->append(buf, static_cast<std::size_t>(n));
        ::close(p[0]);
    }
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
    ASSERT_EQ(quiet.code, 0);
    const std::string quiet_wtx = read_file(dir.file("quiet.wtx"));

    std::string text;
    const RunResult r =
        run_with_progress({"-v", "-a", "rec.cd11", "quiet.asc"}, dir.path(), false, &text);
    ASSERT_EQ(r.code, 0) << r.err;
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
    ASSERT_EQ(run_with_progress({"-s", "rec.cd11"}, dir.path(), false, &text).code, 0);
    const auto suds = parse(text);
    ASSERT_GE(suds.size(), 2u);
    EXPECT_EQ(suds.front().passes, 1);
    EXPECT_EQ(suds.back().pass, 1);

    // A descriptor nobody reads, or one that is not open, changes nothing.
    const RunResult gone =
        run_with_progress({"-v", "-a", "rec.cd11", "quiet.asc"}, dir.path(), true, &text);
    EXPECT_EQ(gone.code, 0);
    EXPECT_EQ(gone.out, quiet.out);
    setenv("TALVEX_PROGRESS_FD", "977", 1);
    const RunResult closed =
        run_program(TALVEX_BIN, {"-v", "-a", "rec.cd11", "quiet.asc"}, dir.path());
    unsetenv("TALVEX_PROGRESS_FD");
    EXPECT_EQ(closed.code, 0);
    EXPECT_EQ(closed.err, "");
    EXPECT_EQ(read_file(dir.file("quiet.wtx")), quiet_wtx);
}

TEST(CommandLine, HelpAndVersionWriteNothingElse) {
    TempDir dir;
    for (const char* program : {TALVEX_BIN, CD11GEN_BIN}) {
        const std::string name = std::string(program).substr(std::string(program).rfind('/') + 1);
        RunResult r = run_program(program, {"--help"}, dir.path());
        EXPECT_EQ(r.code, 0) << name;
        EXPECT_EQ(r.out.rfind("Usage: ", 0), 0u) << r.out;
        EXPECT_EQ(r.err, "");
        r = run_program(program, {"--version"}, dir.path());
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.out, name + " 1.1.0\n");
        EXPECT_EQ(r.err, "");
    }
    // Also beside other arguments: no information file, no output.
    write_recorder(make_plan({{"BHZ", "00"}}, 2), dir.file("rec.cd11"));
    EXPECT_EQ(run_program(TALVEX_BIN, {"-v", "rec.cd11", "--help"}, dir.path()).code, 0);
    EXPECT_EQ(run_program(CD11GEN_BIN, {"-n", "2", "--version", "x.cd11"}, dir.path()).code, 0);
    EXPECT_FALSE(file_exists(dir.file("rec.wtx")));
    EXPECT_FALSE(file_exists(dir.file("rec.msed")));
    EXPECT_FALSE(file_exists(dir.file("rec.suds")));
    EXPECT_FALSE(file_exists(dir.file("x.cd11")));
}
