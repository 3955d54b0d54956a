#include "paths.h"

#include "recorder_fixture.h"

#include <gtest/gtest.h>

TEST(Paths, ReplaceExtensionTakesTheWholePartFromTheLastDot)
{
    EXPECT_EQ(replace_extension("/d/rec.cd11", ".msed"), "/d/rec.msed");
    EXPECT_EQ(replace_extension("/d/rec.cd11x", ".msed"), "/d/rec.msed");
    EXPECT_EQ(replace_extension("/d/rec.a.b", ".suds"), "/d/rec.a.suds");
    EXPECT_EQ(replace_extension("/d/rec", ".suds"), "/d/rec.suds");
    EXPECT_EQ(replace_extension("rec.", ".wtx"), "rec.wtx");
}

TEST(Paths, DotInAFolderNameIsNeverTheExtension)
{
    EXPECT_EQ(replace_extension("data.v2/rec", ".msed"), "data.v2/rec.msed");
    EXPECT_EQ(replace_extension("/x/data.v2/rec", ".wtx"), "/x/data.v2/rec.wtx");
    EXPECT_EQ(replace_extension("/x/data.v2/rec.cd11", ".wtx"), "/x/data.v2/rec.wtx");
    EXPECT_EQ(extension_dot("/a.b/c"), std::string::npos);
}

TEST(Paths, FullPathResolvesAgainstTheCurrentFolder)
{
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(full_path("rec.cd11"), cwd + "/rec.cd11");
    EXPECT_EQ(full_path("/abs/rec.cd11"), "/abs/rec.cd11");
    EXPECT_EQ(full_path(""), "");
}

TEST(Paths, SameFileSeesLinksAndDotParts)
{
    TempDir dir;
    const std::string a = dir.file("a.cd11");
    std::ofstream(a) << "x";
    EXPECT_TRUE(same_file(a, dir.path() + "/./a.cd11"));
    EXPECT_TRUE(same_file(a, dir.path() + "/sub/../a.cd11")); // missing folder: compared by name
    ASSERT_EQ(symlink(a.c_str(), dir.file("link").c_str()), 0);
    EXPECT_TRUE(same_file(a, dir.file("link")));
    EXPECT_FALSE(same_file(a, dir.file("b.cd11")));
    EXPECT_FALSE(same_file(a, ""));
}
