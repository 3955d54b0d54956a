// Outputs move into place only when complete: successful runs leave no
// staging file behind, failed ones leave earlier results as they were.
#include "recorder_fixture.h"

#include "staging.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace {

std::vector<std::string> part_files(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(testkit::fs_path(folder)))
        if (e.path().extension() == ".part")
            found.push_back(e.path().filename().string());
    return found;
}

TEST(Staging, CommitReplacesAndDiscardRemoves) {
    TempDir dir;
    const std::string name = dir.file("out.msed");
    {
        std::FILE* f = std::fopen(name.c_str(), "wb");
        std::fputs("earlier", f);
        std::fclose(f);
    }
    std::FILE* f = staging_open(name);
    ASSERT_NE(f, nullptr);
    std::fputs("new", f);
    std::fclose(f);
    EXPECT_EQ(read_file(name), "earlier"); // untouched until committed
    EXPECT_TRUE(staging_commit(name));
    EXPECT_EQ(read_file(name), "new");
    EXPECT_FALSE(file_exists(staging_name(name)));

    f = staging_open(name);
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    staging_discard(name);
    EXPECT_FALSE(file_exists(staging_name(name)));
    EXPECT_EQ(read_file(name), "new");

    // A folder under the final name can never be replaced: refused up front.
    std::filesystem::create_directory(testkit::fs_path(dir.file("folder.msed")));
    EXPECT_EQ(staging_open(dir.file("folder.msed")), nullptr);
    EXPECT_FALSE(staging_commit(dir.file("missing.msed")));
}

TEST(Staging, SuccessfulRunsLeaveNoStagingFiles) {
    TempDir dir;
    RecorderPlan plan = make_plan({{"BHZ", "00"}, {"BHZ", "10"}, {"BHN", "00"}}, 3);
    write_recorder(plan, dir.file("rec.cd11"));
    for (const auto& sw : {"-s", "-a", "-casc", "-v"}) {
        const RunResult r = run_program(TALVEX_BIN, {sw, dir.file("rec.cd11")}, dir.path());
        ASSERT_EQ(r.status, 0) << sw << r.out << r.err;
        EXPECT_TRUE(part_files(dir.path()).empty()) << sw;
        if (std::string(sw) == "-s") {
            EXPECT_TRUE(file_exists(dir.file("rec_10.suds")));
        }
    }
    EXPECT_TRUE(file_exists(dir.file("rec_10.msed")));
    EXPECT_TRUE(file_exists(dir.file("rec_00_BHN.asc")));
}

TEST(Staging, FailedPerChannelFileKeepsItsEarlierVersion) {
    TempDir dir;
    write_recorder(make_plan({{"BHZ", "00"}, {"BHN", "00"}}, 2), dir.file("rec.cd11"));
    ASSERT_EQ(run_program(TALVEX_BIN, {"-casc", dir.file("rec.cd11")}, dir.path()).status, 0);
    const std::string earlier = read_file(dir.file("rec_BHZ.asc"));
    // The second channel's file cannot be written: the run fails after the first.
    std::filesystem::remove(testkit::fs_path(dir.file("rec_BHN.asc")));
    std::filesystem::create_directory(testkit::fs_path(dir.file("rec_BHN.asc")));
    write_recorder(make_plan({{"BHZ", "00"}, {"BHN", "00"}}, 4), dir.file("rec.cd11"));
    const RunResult r = run_program(TALVEX_BIN, {"-casc", dir.file("rec.cd11")}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(read_file(dir.file("rec_BHZ.asc")), earlier); // the first channel completed
    EXPECT_TRUE(part_files(dir.path()).empty());
}

} // namespace
