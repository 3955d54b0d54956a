// What the system takes in file names, files past 2 GiB (long has 32 bits on
// Windows) and the console's output code page.
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#include <winioctl.h>
#endif

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/console.h"
#include "platform/file_handle.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/temp_folder.h"

TEST(FileNames, CharactersNoNameCanHoldBecomeUnderscores) {
    std::string refused = std::string("/") + '\0';
#ifdef _WIN32
    refused += "\\:*?\"<>|\x01\x1f\t\n";
#else
    // Everything but '/' and NUL stands in a Linux name.
    for (char c : std::string("\\:*?\"<>|\x01\x1f\t\n"))
        EXPECT_EQ(platform::file_name_char(c), c) << static_cast<int>(c);
#endif
    for (char c : refused)
        EXPECT_EQ(platform::file_name_char(c), '_') << static_cast<int>(c);
    for (char c : std::string("AZaz09 -_.#~\x7f\xc3\xa9"))
        EXPECT_EQ(platform::file_name_char(c), c) << static_cast<int>(c);
}

TEST(LargeFiles, PositionsAndLengthsPast2GiB) {
    std::string error;
    const std::string dir = platform::make_private_folder("bigfile.", error);
    ASSERT_FALSE(dir.empty()) << error;
    const std::string name = platform::join_path(dir, "big.bin");
    const std::int64_t beyond = (std::int64_t{3} << 30) + 5;
    {
        platform::FileHandle f(platform::open_file(name, "wb"));
        ASSERT_TRUE(f);
#ifdef _WIN32
        // Sparse, so that the gap costs no disk and no time on NTFS.
        DWORD got = 0;
        DeviceIoControl(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f.get()))),
                        FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &got, nullptr);
#endif
        ASSERT_EQ(platform::seek_file(f.get(), beyond, SEEK_SET), 0);
        EXPECT_EQ(platform::tell_file(f.get()), beyond);
        ASSERT_EQ(std::fputc('x', f.get()), 'x');
        EXPECT_EQ(platform::tell_file(f.get()), beyond + 1);
        ASSERT_TRUE(platform::close_file(f));
    }
    EXPECT_EQ(platform::file_length(name), beyond + 1);
    std::filesystem::remove_all(std::filesystem::u8path(dir));
}

#ifdef _WIN32
TEST(Console, OutputIsUtf8UntilPutBack) {
    if (GetConsoleOutputCP() == 0) {
        // Under ctest there is none; the run on a terminal demands one.
        ASSERT_EQ(std::getenv("PLATFORM_TEST_NEEDS_CONSOLE"), nullptr) << "no console attached";
        GTEST_SKIP() << "no console attached";
    }
    const UINT before = 437;
    ASSERT_TRUE(SetConsoleOutputCP(before));
    platform::console_output_utf8();
    EXPECT_EQ(GetConsoleOutputCP(), static_cast<UINT>(CP_UTF8));
    platform::console_output_restore();
    EXPECT_EQ(GetConsoleOutputCP(), before);
    // A console already on UTF-8 is left as it is, also at the end.
    ASSERT_TRUE(SetConsoleOutputCP(CP_UTF8));
    platform::console_output_utf8();
    platform::console_output_restore();
    EXPECT_EQ(GetConsoleOutputCP(), static_cast<UINT>(CP_UTF8));
    SetConsoleOutputCP(before);
}
#endif
