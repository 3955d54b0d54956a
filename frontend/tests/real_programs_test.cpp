// The actions with the real talvex, ostrand and vorlane on the example
// recorder files. Skipped where a program or an example is not built.
#include <gtest/gtest.h>

#include "fakes.h"

using fenwold_test::ScriptedShell;
namespace fs = std::filesystem;

namespace {

class RealPrograms : public fenwold_test::Bed {
  protected:
    void SetUp() override {
        Bed::SetUp();
        if (!link_program("talvex", TALVEX_BIN) || !link_program("ostrand", OSTRAND_BIN)) {
            GTEST_SKIP() << "talvex or ostrand not built";
        }
        link_program("vorlane", VORLANE_BIN);
        for (auto name : {"event3.cd11", "twoloc.cd11"}) {
            const fs::path example = fs::path(EXAMPLES_DIR) / name;
            if (!fs::exists(example))
                GTEST_SKIP() << "no example " << name;
            fs::copy_file(example, data(name));
        }
        fs::create_directory(root_ / "saved");
    }
    std::string saved(const std::string& name) { return (root_ / "saved" / name).string(); }
    void open_ok(const std::string& name) {
        open(data(name));
        ASSERT_TRUE(shell_.messages.empty()) << shell_.last_message();
        ASSERT_TRUE(shell_.enabled);
        fe_.save_folder = (root_ / "saved").string();
    }
    void convert(int format) {
        shell_.messages.clear();
        fenwold::set_output_format(fe_, format);
        fenwold::action_convert(fe_);
    }
};

TEST_F(RealPrograms, ImportListsTheChannelsVerticalFirst) {
    open_ok("event3.cd11");
    EXPECT_EQ(fe_.current_suds, temp("event3.suds"));
    ASSERT_EQ(fe_.info.lines.size(), 3u);
    EXPECT_EQ(fe_.info.lines[0].substr(15, 3), "BHZ");
    EXPECT_EQ(fe_.info.lines[1].substr(15, 3), "BHN");
    EXPECT_EQ(fe_.info.lines[2].substr(15, 3), "BHE");
    fenwold::action_file_info(fe_);
    EXPECT_EQ(shell_.info_windows, 1);
    EXPECT_EQ(shell_.info_lines, fe_.info.lines);
}

TEST_F(RealPrograms, EveryFormatIsSavedAndTheSudsFileSurvives) {
    open_ok("event3.cd11");
    const auto suds_size = fs::file_size(fe_.current_suds);

    shell_.saves.push_back(ScriptedShell::kKeep);
    convert(fenwold::kFormatSuds);
    EXPECT_EQ(shell_.last_message(),
              "File " + data("event3.cd11") + " converted to " + saved("event3.suds"));
    EXPECT_EQ(fs::file_size(saved("event3.suds")), suds_size);

    shell_.saves.push_back(ScriptedShell::kKeep);
    shell_.answers.push_back(true); // replace the information file of the first round
    convert(fenwold::kFormatMiniSeed);
    EXPECT_EQ(shell_.messages.front().first,
              "File " + data("event3.cd11") + " converted to " + saved("event3.msed"));
    const auto mseed = fs::file_size(saved("event3.msed"));
    EXPECT_GT(mseed, 0u);
    EXPECT_EQ(mseed % 4096, 0u);

    shell_.saves.push_back(ScriptedShell::kKeep);
    shell_.answers.push_back(true);
    convert(fenwold::kFormatAsciiMulti);
    EXPECT_GT(fs::file_size(saved("event3.asc")), 0u);

    shell_.saves.push_back(ScriptedShell::kKeep);
    shell_.answers.push_back(true);
    convert(fenwold::kFormatAsciiOne);
    EXPECT_EQ(shell_.save_dialogs.size(), 4u); // one dialog for three files
    for (auto c : {"BHZ", "BHN", "BHE"}) {
        EXPECT_GT(fs::file_size(saved(std::string("event3_") + c + ".asc")), 0u) << c;
    }
    // The converter's work file of the same name did not take the SUDS file.
    ASSERT_TRUE(fs::exists(fe_.current_suds));
    EXPECT_EQ(fs::file_size(fe_.current_suds), suds_size);
    EXPECT_TRUE(fs::exists(saved("event3.wtx")));
    EXPECT_TRUE(shell_.answers.empty());
}

TEST_F(RealPrograms, ALocationSplitOffersItsSudsFilesAndConvertsTheChosenOne) {
    shell_.opens.push_back(data("twoloc.cd11"));
    shell_.opens.push_back(next_temp("twoloc_10.suds"));
    fenwold::action_open(fe_);
    ASSERT_EQ(shell_.messages.size(), 1u) << shell_.last_message();
    EXPECT_EQ(shell_.messages[0].second, fenwold::MessageIcon::warning);
    EXPECT_EQ(shell_.open_dialogs.at(1).filter, "Suds Files (twoloc_*.suds)|twoloc_*.suds||");
    EXPECT_EQ(fe_.current_suds, temp("twoloc_10.suds"));
    EXPECT_EQ(fe_.info.lines.size(), 1u);
    fe_.save_folder = (root_ / "saved").string();

    shell_.saves.push_back(ScriptedShell::kKeep);
    convert(fenwold::kFormatMiniSeed);
    EXPECT_EQ(shell_.save_dialogs.back().name, saved("twoloc_10.msed"));
    EXPECT_TRUE(fs::exists(saved("twoloc_10.msed")));
}

TEST_F(RealPrograms, QuickViewStartsThePlotterWithoutWaiting) {
    if (!fs::exists(programs("vorlane")))
        GTEST_SKIP() << "vorlane not built";
    open_ok("event3.cd11");
    // Without a display the plotter fails on its own; the front end only
    // reports a plotter that cannot be started.
    unsetenv("DISPLAY");
    fenwold::action_quick_view(fe_);
    EXPECT_TRUE(shell_.messages.empty()) << shell_.last_message();
}

} // namespace
