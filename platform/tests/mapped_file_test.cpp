// The read window over a file: views inside and across the window's edge,
// copies of any length, and what lies outside the file.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/mapped_file.h"

namespace {

std::uint8_t byte_at(std::int64_t i) {
    return static_cast<std::uint8_t>((i * 131 + (i >> 12)) & 0xff);
}

} // namespace

TEST(MappedFile, ViewsAndCopiesAcrossTheWindowAndTheEnd) {
    const auto path = std::filesystem::temp_directory_path() / "mapped_file_test.bin";
    // A little more than one window, so that views must move it.
    const std::int64_t size = platform::MappedFile::kWindow + 70000;
    {
        std::vector<char> data(static_cast<std::size_t>(size));
        for (std::int64_t i = 0; i < size; ++i)
            data[static_cast<std::size_t>(i)] = static_cast<char>(byte_at(i));
        std::ofstream(path, std::ios::binary)
            .write(data.data(), static_cast<std::streamsize>(size));
    }
    platform::MappedFile f;
    ASSERT_TRUE(f.open(path.string()));
    EXPECT_EQ(f.size(), size);
    // Every view holds the file's bytes, wherever the window stood before.
    for (const std::int64_t at :
         {std::int64_t{0}, platform::MappedFile::kWindow - 3, std::int64_t{5}, size - 10,
          std::int64_t{4093}, platform::MappedFile::kWindow - 4096}) {
        const std::uint8_t* p = f.view(at, 10);
        ASSERT_NE(p, nullptr) << at;
        for (int i = 0; i < 10; ++i)
            EXPECT_EQ(p[i], byte_at(at + i)) << at + i;
    }
    // A copy longer than a view.
    std::vector<std::uint8_t> all(static_cast<std::size_t>(size));
    ASSERT_TRUE(f.read(0, all.data(), all.size()));
    for (std::int64_t i = 0; i < size; i += 4099)
        EXPECT_EQ(all[static_cast<std::size_t>(i)], byte_at(i));
    EXPECT_EQ(all.back(), byte_at(size - 1));
    // Nothing outside the file, and nothing larger than a view.
    EXPECT_EQ(f.view(size - 9, 10), nullptr);
    EXPECT_EQ(f.view(-1, 1), nullptr);
    EXPECT_NE(f.view(size, 0), nullptr);
    EXPECT_EQ(f.view(0, platform::MappedFile::kMaxView + 1), nullptr);
    EXPECT_FALSE(f.read(size - 1, all.data(), 2));
    f.close();
    EXPECT_EQ(f.view(0, 1), nullptr);
    std::filesystem::remove(path);
    // Folders and missing files are not opened.
    EXPECT_FALSE(f.open(std::filesystem::temp_directory_path().string()));
    EXPECT_FALSE(f.open((std::filesystem::temp_directory_path() / "no-such-file-here").string()));
}
