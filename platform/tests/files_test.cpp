// Folder listing with attributes, name patterns and file copies.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/files.h"

namespace {

class FilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char t[] = "/tmp/files_test_XXXXXX";
        ASSERT_NE(mkdtemp(t), nullptr);
        dir = t;
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string dir;
};

const platform::FolderEntry* find(const std::vector<platform::FolderEntry>& v,
                                  const std::string& name) {
    auto it = std::find_if(v.begin(), v.end(), [&](const auto& e) { return e.name == name; });
    return it == v.end() ? nullptr : &*it;
}

} // namespace

TEST_F(FilesTest, ListingGivesAttributesAndSizes) {
    std::ofstream(dir + "/plot0001.plx") << std::string(1234, 'x');
    std::ofstream(dir + "/.hidden.plx") << "x";
    std::filesystem::create_directory(dir + "/sub.plx");
    ASSERT_EQ(mkfifo((dir + "/pipe.plx").c_str(), 0600), 0);
    std::ofstream(dir + "/ro.plx") << "abc";
    chmod((dir + "/ro.plx").c_str(), 0444);

    std::vector<platform::FolderEntry> v;
    std::string error;
    ASSERT_TRUE(platform::list_folder(dir, v, error)) << error;
    ASSERT_EQ(v.size(), 5u); // no "." or ".."
    const auto* f = find(v, "plot0001.plx");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->size, 1234u);
    EXPECT_FALSE(f->is_folder || f->hidden || f->system || f->read_only);
    EXPECT_TRUE(find(v, ".hidden.plx")->hidden);
    EXPECT_TRUE(find(v, "sub.plx")->is_folder);
    EXPECT_TRUE(find(v, "pipe.plx")->system);
    if (geteuid() != 0) { // root may write anything
        EXPECT_TRUE(find(v, "ro.plx")->read_only);
    }

    EXPECT_FALSE(platform::list_folder(dir + "/none", v, error));
    EXPECT_FALSE(error.empty());
}

TEST(Files, NamePatterns) {
    EXPECT_TRUE(platform::name_matches("PLOT0007.PLX", "*.plx"));
    EXPECT_TRUE(platform::name_matches("a.b.plx", "*.plx"));
    EXPECT_FALSE(platform::name_matches("plot.plxx", "*.plx"));
    EXPECT_FALSE(platform::name_matches("plot.pl", "*.plx"));
    EXPECT_TRUE(platform::name_matches(".plx", "*.plx"));
    EXPECT_TRUE(platform::name_matches("abc", "a?c"));
    EXPECT_FALSE(platform::name_matches("abbc", "a?c"));
}

TEST_F(FilesTest, CopyLengthDelete) {
    const std::string a = dir + "/a", b = dir + "/b";
    std::string data(200000, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7);
    std::ofstream(a, std::ios::binary) << data;
    std::ofstream(b) << "old, longer content that must go away";
    std::string error;
    ASSERT_TRUE(platform::copy_file(a, b, error)) << error;
    EXPECT_EQ(platform::file_length(b), 200000);
    std::ifstream in(b, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), data);

    EXPECT_FALSE(platform::copy_file(a, b, error, false)); // b exists: left alone
    EXPECT_EQ(platform::file_length(b), 200000);
    EXPECT_TRUE(platform::copy_file(a, dir + "/new", error, false));
    EXPECT_FALSE(platform::copy_file(dir + "/missing", dir + "/c", error));
    EXPECT_FALSE(platform::file_exists(dir + "/c"));
    EXPECT_FALSE(platform::copy_file(a, dir + "/no/such/folder", error));

    EXPECT_EQ(platform::file_length(dir), -1);
    EXPECT_EQ(platform::file_length(dir + "/missing"), -1);
    EXPECT_TRUE(platform::delete_file(a, error));
    EXPECT_FALSE(platform::delete_file(a, error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(platform::rename_file(b, a, error));
    EXPECT_TRUE(platform::file_exists(a) && !platform::file_exists(b));
}
