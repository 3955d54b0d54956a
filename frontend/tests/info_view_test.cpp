#include "info_view.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "shell.h"

using fenwold::info_order;

namespace {

// The two exchange sorts the order is defined by, step for step.
std::vector<std::string> reference_order(std::vector<std::string> v) {
    auto key = [](const std::string& s, size_t from, size_t n) {
        return from < s.size() ? s.substr(from, n) : std::string();
    };
    bool vertical = false;
    for (auto& l : v) {
        if (key(l, 15, 3).find_first_of("zZvV") != std::string::npos)
            vertical = true;
    }
    const size_t n = v.size();
    for (size_t i = 0; i + 1 < n; ++i)
        for (size_t j = 0; j + i + 1 < n; ++j)
            if (key(v[j], 0, 17) > key(v[j + 1], 0, 17))
                std::swap(v[j], v[j + 1]);
    for (size_t k = 0; k + 1 < n; ++k)
        for (size_t j = 0; j + k + 1 < n; ++j)
            if (key(v[j], 0, 14) == key(v[j + 1], 0, 14)) {
                auto a = key(v[j], 15, 3), b = key(v[j + 1], 15, 3);
                if (vertical ? a < b : a > b)
                    std::swap(v[j], v[j + 1]);
            }
    return v;
}

std::string line(const std::string& net, const std::string& sta, const std::string& comp,
                 const std::string& rest = "\t  2006/09/22 10:20:30.000") {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%-7.7s\t%-6.6s\t%-3.3s", net.c_str(), sta.c_str(),
                  comp.c_str());
    return buf + rest;
}

TEST(InfoOrder, VerticalFirstThenNorthThenEast) {
    std::vector<std::string> v{line("NET", "ABC", "BHE"), line("NET", "ABC", "BHN"),
                               line("NET", "ABC", "BHZ")};
    info_order(v);
    EXPECT_EQ(v[0].substr(15, 3), "BHZ");
    EXPECT_EQ(v[1].substr(15, 3), "BHN");
    EXPECT_EQ(v[2].substr(15, 3), "BHE");
    EXPECT_TRUE(fenwold::info_has_vertical(v));
}

TEST(InfoOrder, WithoutVerticalComponentsAscending) {
    std::vector<std::string> v{line("NET", "ABC", "HH3"), line("NET", "ABC", "HH1"),
                               line("NET", "ABC", "HH2")};
    info_order(v);
    EXPECT_FALSE(fenwold::info_has_vertical(v));
    EXPECT_EQ(v[0].substr(15, 3), "HH1");
    EXPECT_EQ(v[1].substr(15, 3), "HH2");
    EXPECT_EQ(v[2].substr(15, 3), "HH3");
}

TEST(InfoOrder, StationsByTheirFirstCharactersAndOneLineAlone) {
    // A "v" in one station turns every station's order to descending.
    std::vector<std::string> v{line("NET", "ZZZ", "EHN"), line("NET", "AAA", "EHE"),
                               line("NET", "ZZZ", "EHv"), line("NET", "AAA", "EHN")};
    info_order(v);
    EXPECT_EQ(v[0], line("NET", "AAA", "EHN"));
    EXPECT_EQ(v[1], line("NET", "AAA", "EHE"));
    EXPECT_EQ(v[2], line("NET", "ZZZ", "EHv"));
    EXPECT_EQ(v[3], line("NET", "ZZZ", "EHN"));

    std::vector<std::string> one{"just this"};
    info_order(one);
    EXPECT_EQ(one, std::vector<std::string>{"just this"});
}

TEST(InfoOrder, MatchesTheExchangeSortsOnRandomListings) {
    std::mt19937 rng(7);
    const std::string alphabet = "AZaz v1EN\t";
    for (int round = 0; round < 300; ++round) {
        std::vector<std::string> v(rng() % 12);
        for (auto& l : v) {
            // Few distinct characters and short lines make ties and prefixes common.
            size_t len = rng() % 22;
            for (size_t i = 0; i < len; ++i)
                l.push_back(alphabet[rng() % 3 == 0 ? rng() % alphabet.size() : rng() % 2]);
            if (rng() % 4 == 0)
                l += "\xe9"; // bytes above 127 sort high
        }
        auto expected = reference_order(v);
        info_order(v);
        ASSERT_EQ(v, expected) << "round " << round;
    }
}

class InfoFile : public ::testing::Test {
  protected:
    std::string path_ = ::testing::TempDir() + "info_view_test.info";
    void write(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
    void TearDown() override { std::filesystem::remove(path_); }
};

TEST_F(InfoFile, LineEndsLongLinesAndStrayCarriageReturns) {
    const size_t max = fenwold::kInfoLineMax;
    std::string long_line(max + 7, 'x');
    write("first\r\nsecond\n" + std::string(max, 'y') + "\n" + long_line + "\nab\rcd\nlast");
    std::vector<std::string> lines{"old"};
    ASSERT_TRUE(fenwold::info_read_listing(path_, lines));
    std::vector<std::string> expected{
        "first", "second", std::string(max, 'y'), std::string(max, 'x'), std::string(7, 'x'),
        "ab",    "last"};
    EXPECT_EQ(lines, expected);
}

TEST_F(InfoFile, EmptyFileReadsAsNoLinesAndMissingFileFails) {
    write("");
    std::vector<std::string> lines{"old"};
    ASSERT_TRUE(fenwold::info_read_listing(path_, lines));
    EXPECT_TRUE(lines.empty());
    lines = {"kept"};
    EXPECT_FALSE(fenwold::info_read_listing(path_ + ".absent", lines));
    EXPECT_EQ(lines, std::vector<std::string>{"kept"});
}

TEST(InfoHeader, ExpandsToTheColumnsTheListingUses) {
    const std::string h = fenwold::info_expand_tabs(fenwold::kInfoHeader);
    EXPECT_EQ(h.find("Station"), 8u);
    EXPECT_EQ(h.find("Component"), 16u);
    EXPECT_EQ(h.find("Begin"), 26u);
    EXPECT_EQ(h.find("Length(s)"), 52u);
    EXPECT_EQ(h.find("Rate(sps)"), 62u);
    EXPECT_EQ(h.find("Sensor"), 72u);
    EXPECT_EQ(h.find("Motion"), 79u);
    EXPECT_EQ(h.find("Units"), 86u);
}

TEST(FileFilter, SplitsNamesAndPatterns) {
    auto f = fenwold::parse_filter("Suds Files (*.sud*;*.dm*)|*.sud*;*.dm*|All Files (*.*)|*.*||");
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0].name, "Suds Files (*.sud*;*.dm*)");
    EXPECT_EQ(f[0].patterns, (std::vector<std::string>{"*.sud*", "*.dm*"}));
    EXPECT_EQ(f[1].patterns, (std::vector<std::string>{"*.*"}));
    EXPECT_TRUE(fenwold::parse_filter("").empty());
}

// Both window layers show this text; it follows the converter's passes.
TEST(ProgressText, NamesThePassAndTheWholeRunsPercent) {
    fenwold::ChildProgress p;
    EXPECT_EQ(fenwold::progress_text(p), "");
    EXPECT_EQ(fenwold::progress_percent(p), 0);
    p = {1, 2, 4, 10};
    EXPECT_EQ(fenwold::progress_text(p), "Pass 1 of 2: reading the recorder file - 20%");
    p = {2, 2, 10, 10};
    EXPECT_EQ(fenwold::progress_text(p), "Pass 2 of 2: writing the output - 100%");
    p = {1, 1, 1, 3};
    EXPECT_EQ(fenwold::progress_percent(p), 33);
}

} // namespace
