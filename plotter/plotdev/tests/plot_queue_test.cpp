// Choosing the next plot queue file.
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "plot_fixture.h"
#include "plot_queue.h"

using namespace plotdev_test;

namespace {

void touch(const std::string& path, size_t size = 10) {
    std::ofstream(path) << std::string(size, 'x');
}

} // namespace

TEST_F(PlotTest, QueueNumbering) {
    PlotQueueChoice c = plot_choose_queue_file(queue);
    EXPECT_EQ(c.folder, queue + kSep);
    EXPECT_EQ(c.path, queue + kSep + "plot0000.plx");
    EXPECT_EQ(c.number, 0);
    EXPECT_EQ(c.total, 0);

    touch(queue + kSep + "plotter.plx", 100); // no number: counts as 0
    EXPECT_EQ(plot_choose_queue_file(queue + kSep).path, queue + kSep + "plot0001.plx");

    touch(queue + kSep + "plot0000.plx", 1000);
    touch(queue + kSep + "PLOT0007.PLX", 2000);
    // Not counted: folders, hidden files, devices, other names and extensions.
    std::filesystem::create_directory(queue + kSep + "plot0040.plx");
    touch(queue + kSep + ".plot0050.plx");
#ifdef _WIN32
    std::filesystem::create_directory(queue + kSep + "plot0030.plx"); // no named pipes in folders
#else
    ASSERT_EQ(mkfifo((queue + kSep + "plot0030.plx").c_str(), 0600), 0);
#endif
    touch(queue + kSep + "plot0060.txt");
    touch(queue + kSep + "xplot0070.plx");
    c = plot_choose_queue_file(queue);
    EXPECT_EQ(c.path, queue + kSep + "plot0008.plx");
    EXPECT_EQ(c.number, 8);
    EXPECT_EQ(c.total, 3100);
}

TEST_F(PlotTest, QueueNeverChoosesATakenName) {
    // The four digits read cannot tell plot10000.plx from plot1000.plx.
    touch(queue + kSep + "plot9999.plx");
    touch(queue + kSep + "plot10000.plx");
    EXPECT_EQ(plot_choose_queue_file(queue).path, queue + kSep + "plot10001.plx");
    // A folder by the chosen name is skipped too.
    std::filesystem::remove(queue + kSep + "plot9999.plx");
    std::filesystem::remove(queue + kSep + "plot10000.plx");
    touch(queue + kSep + "plot0005.plx");
    std::filesystem::create_directory(queue + kSep + "plot0006.plx");
    EXPECT_EQ(plot_choose_queue_file(queue).path, queue + kSep + "plot0007.plx");
}

TEST_F(PlotTest, QueueSavesNeverOverwrite) {
    init();
    touch(queue + kSep + "plot9999.plx", 5);
    touch(queue + kSep + "plot10000.plx", 7);
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(plot_open(3), 1);
        plot_pen(1, 1, PEN_DOWN);
        testing::internal::CaptureStdout();
        plot_pen(0, 0, PEN_END_PLOT);
        testing::internal::GetCapturedStdout();
    }
    EXPECT_EQ(queue_files(), (std::vector<std::string>{"plot10000.plx", "plot10001.plx",
                                                       "plot10002.plx", "plot9999.plx"}));
    EXPECT_EQ(read_bytes(queue + kSep + "plot10000.plx").size(), 7u);
    EXPECT_EQ(read_bytes(queue + kSep + "plot10002.plx").size(), 38u);
}
