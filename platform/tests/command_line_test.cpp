#include "platform/command_line.h"

#include <gtest/gtest.h>

// The splitting rules of the Windows C run time, read backwards.
TEST(CommandLine, ArgumentsSurviveTheWindowsSplit) {
    using platform::windows_command_line;
    EXPECT_EQ(windows_command_line({"C:\\t\\talvex.exe", "-v", "rec.cd11"}),
              "C:\\t\\talvex.exe -v rec.cd11");
    EXPECT_EQ(windows_command_line({"a b", ""}), "\"a b\" \"\"");
    // Backslashes stay single unless a quote follows them.
    EXPECT_EQ(windows_command_line({"C:\\my data\\rec.cd11"}), "\"C:\\my data\\rec.cd11\"");
    EXPECT_EQ(windows_command_line({"C:\\my data\\"}), "\"C:\\my data\\\\\"");
    EXPECT_EQ(windows_command_line({"say \"hi\""}), "\"say \\\"hi\\\"\"");
    EXPECT_EQ(windows_command_line({"a\\\"b"}), "\"a\\\\\\\"b\"");
    EXPECT_EQ(windows_command_line({"tab\there"}), "\"tab\there\"");
}

TEST(CommandLine, SwitchesByTheRulesOfTheSystem) {
    using platform::is_switch_argument;
    EXPECT_TRUE(is_switch_argument("-v"));
    EXPECT_TRUE(is_switch_argument("-/x/y"));
    EXPECT_TRUE(is_switch_argument("/p1"));
    EXPECT_TRUE(is_switch_argument("/MF2.5"));
    EXPECT_FALSE(is_switch_argument("rec.cd11"));
#ifdef _WIN32
    EXPECT_TRUE(is_switch_argument("/home/x/rec.cd11")); // no Windows path begins with "/"
#else
    EXPECT_FALSE(is_switch_argument("/home/x/rec.cd11"));
#endif
}
