#include "platform/paths.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

namespace {

class TempDir {
  public:
    TempDir() {
        char t[] = "/tmp/paths_test_XXXXXX";
        if (mkdtemp(t) != nullptr)
            path_ = t;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

} // namespace

TEST(Paths, ReplaceExtensionTakesTheWholePartFromTheLastDot) {
    EXPECT_EQ(platform::replace_extension("/d/rec.cd11", ".msed"), "/d/rec.msed");
    EXPECT_EQ(platform::replace_extension("/d/rec.cd11x", ".msed"), "/d/rec.msed");
    EXPECT_EQ(platform::replace_extension("/d/rec.a.b", ".suds"), "/d/rec.a.suds");
    EXPECT_EQ(platform::replace_extension("/d/rec", ".suds"), "/d/rec.suds");
    EXPECT_EQ(platform::replace_extension("rec.", ".wtx"), "rec.wtx");
}

TEST(Paths, DotInAFolderNameIsNeverTheExtension) {
    EXPECT_EQ(platform::replace_extension("data.v2/rec", ".msed"), "data.v2/rec.msed");
    EXPECT_EQ(platform::replace_extension("/x/data.v2/rec", ".wtx"), "/x/data.v2/rec.wtx");
    EXPECT_EQ(platform::replace_extension("/x/data.v2/rec.cd11", ".wtx"), "/x/data.v2/rec.wtx");
    EXPECT_EQ(platform::extension_dot("/a.b/c"), std::string::npos);
}

TEST(Paths, FileNameAndFolderParts) {
    EXPECT_EQ(platform::file_name_part("/d/e/rec.cd11"), "rec.cd11");
    EXPECT_EQ(platform::file_name_part("rec.cd11"), "rec.cd11");
    EXPECT_EQ(platform::folder_part("/d/e/rec.cd11"), "/d/e");
    EXPECT_EQ(platform::folder_part("/rec.cd11"), "/");
    EXPECT_EQ(platform::folder_part("rec.cd11"), "");
}

TEST(Paths, FullPathResolvesAgainstTheCurrentFolder) {
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(platform::absolute_path("rec.cd11"), cwd + "/rec.cd11");
    EXPECT_EQ(platform::absolute_path("/abs/rec.cd11"), "/abs/rec.cd11");
    EXPECT_EQ(platform::absolute_path(""), "");
}

TEST(Paths, SameFileSeesLinksAndDotParts) {
    TempDir dir;
    const std::string a = dir.file("a.cd11");
    std::ofstream(a) << "x";
    EXPECT_TRUE(platform::same_file(a, dir.path() + "/./a.cd11"));
    EXPECT_TRUE(
        platform::same_file(a, dir.path() + "/sub/../a.cd11")); // missing folder: compared by name
    ASSERT_EQ(symlink(a.c_str(), dir.file("link").c_str()), 0);
    EXPECT_TRUE(platform::same_file(a, dir.file("link")));
    EXPECT_FALSE(platform::same_file(a, dir.file("b.cd11")));
    EXPECT_FALSE(platform::same_file(a, ""));
}
