#include "platform/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"

TEST(TempFolder, PrivateFoldersAreNewEmptyAndDistinct) {
    const std::string base = platform::temp_folder();
    ASSERT_TRUE(platform::is_folder(base)) << base;
    std::string error;
    const std::string a = platform::make_private_folder("tftest.", error);
    const std::string b = platform::make_private_folder("tftest.", error);
    ASSERT_FALSE(a.empty()) << error;
    ASSERT_FALSE(b.empty()) << error;
    EXPECT_NE(a, b);
    EXPECT_TRUE(std::filesystem::is_empty(a));
    EXPECT_EQ(std::filesystem::path(a).parent_path(), std::filesystem::path(base));
    std::filesystem::remove(a);
    std::filesystem::remove(b);
    EXPECT_EQ(
        platform::make_private_folder("x.", error, (std::filesystem::path(a) / "missing").string()),
        "");
    EXPECT_NE(error.find("cannot make a folder in "), std::string::npos) << error;
}
