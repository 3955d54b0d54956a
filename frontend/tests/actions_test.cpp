// The actions against scripted dialogs and fake programs that behave as the
// converter and the listing tool do on the outside: outputs named after the
// input, an information file with "Output file:" lines, a listing beside
// the SUDS file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "fakes.h"

using fenwold::MessageIcon;
using fenwold_test::ScriptedShell;
namespace fs = std::filesystem;

namespace {

// Settings files beside the fake programs steer them:
//   locations  one location code a line: -s writes one SUDS file each
//   sleep      seconds to sleep first
//   channels   number of per-channel files of -casc (default 3)
const char* kFakeConverter = R"SH(
dir=$(dirname "$0")
sw=""
for a; do case "$a" in -*) sw="$sw $a";; *) in="$a";; esac; done
for a; do printf '[%s]\n' "$a"; done > "$dir/talvex.args"
pwd > "$dir/talvex.pwd"
base="${in%.*}"
if [ -f "$dir/sleep" ]; then
  echo partial > "${base}_partial.msed"
  echo "progress 1 2 0 10" >&$TALVEX_PROGRESS_FD
  echo "progress 1 2 4 10" >&$TALVEX_PROGRESS_FD
  sleep "$(cat "$dir/sleep")"
fi
if [ -e "$base.suds" ]; then echo yes; else echo no; fi > "$dir/suds-present"
exec > "$base.wtx"
echo "CD1.1 to MiniSEED/SUDS/ASCII data file conversion, Version 1.6"
echo "Input file : $in"
echo "; a comment line naming Output file: nothing"
case "$sw" in
*-s*)
  if [ -f "$dir/locations" ]; then
    for loc in $(cat "$dir/locations"); do
      echo "suds $loc" > "${base}_$loc.suds"; echo "Output file: ${base}_$loc.suds"
    done
  else
    cat "$in" > "$base.suds"; printf 'Output file: %s\r\n\n' "$base.suds"
  fi ;;
*-casc*)
  echo work > "$base.suds"
  n=$(cat "$dir/channels" 2>/dev/null || echo 3)
  i=1; while [ $i -le $n ]; do
    echo "channel $i" > "${base}_CH$i.asc"; echo "Output file: ${base}_CH$i.asc"; i=$((i+1))
  done
  rm "$base.suds" ;;
*-a*)
  echo work > "$base.suds"; echo ascii > "$base.asc"; echo "Output file: $base.asc"; rm "$base.suds" ;;
*)
  echo work > "$base.suds"
  if [ -f "$dir/locations" ]; then
    for loc in $(cat "$dir/locations"); do
      echo "mseed $loc" > "${base}_$loc.msed"; echo "Output file: ${base}_$loc.msed"
    done
  else
    echo mseed > "$base.msed"; echo "Output file: $base.msed"
  fi
  rm "$base.suds" ;;
esac
)SH";

// Lists a SUDS file: "listing" beside it gives the lines, "nolisting"
// makes it fail without a listing file.
const char* kFakeLister = R"SH(
dir=$(dirname "$0")
[ "$1" = "/l" ] || exit 1
[ -n "$TALVEX_PROGRESS_FD" ] && echo "$TALVEX_PROGRESS_FD" > "$dir/ostrand.progress"
info="${2%.*}.info"
rm -f "$info"
[ -f "$dir/nolisting" ] && exit 1
if [ -f "$dir/listing" ]; then cat "$dir/listing" > "$info"
else printf 'NET    \tSITE1 \tBHE\r\nNET    \tSITE1 \tBHZ\r\nNET    \tSITE1 \tBHN\r\n' > "$info"; fi
)SH";

class Actions : public fenwold_test::Bed {
  protected:
    // What a failed Open must leave as it was.
    using Frontend_state_t = std::vector<std::string>;
    Frontend_state_t state() {
        Frontend_state_t s{fe_.recorder_file, fe_.working_copy,       fe_.current_suds,
                           shell_.label,      read(fe_.working_copy), read(fe_.current_suds)};
        s.insert(s.end(), fe_.info.lines.begin(), fe_.info.lines.end());
        return s;
    }
    void SetUp() override {
        Bed::SetUp();
        install_script("talvex", kFakeConverter);
        install_script("ostrand", kFakeLister);
        install_script("vorlane", "d=$(dirname \"$0\"); pwd > \"$d/vorlane.pwd\"; echo "
                                  "\"$SUDS_ETC\" > \"$d/vorlane.etc\"\n"
                                  "printf '[%s]\\n' \"$@\" > \"$d/vorlane.args\"\n");
        write(data("rec.cd11"), "recorder bytes");
    }
    std::string saved(const std::string& name) { return (root_ / "saved" / name).string(); }
    void make_saved_folder() { fs::create_directory(root_ / "saved"); }
};

TEST_F(Actions, ImportMakesTheSudsFileCurrentAndEnablesEverything) {
    EXPECT_FALSE(shell_.enabled);
    open(data("rec.cd11"));
    ASSERT_TRUE(shell_.messages.empty()) << shell_.last_message();
    ASSERT_EQ(shell_.open_dialogs.size(), 1u);
    EXPECT_EQ(shell_.open_dialogs[0].title, "Open TALVEX Data File");
    EXPECT_EQ(shell_.open_dialogs[0].default_ext, "cd11");
    EXPECT_EQ(fe_.current_suds, temp("rec.suds"));
    EXPECT_EQ(read(temp("rec.cd11")), "recorder bytes");
    EXPECT_EQ(shell_.label, "File: " + data("rec.cd11"));
    EXPECT_TRUE(shell_.enabled);
    EXPECT_EQ(fe_.last_open_folder, (root_ / "data").string());
    EXPECT_EQ(fe_.save_folder, (root_ / "data").string());
    // The listing was read and ordered: vertical first.
    ASSERT_EQ(fe_.info.lines.size(), 3u);
    EXPECT_EQ(fe_.info.lines[0].substr(15, 3), "BHZ");
    EXPECT_EQ(shell_.info_windows, 0);
    EXPECT_FALSE(fs::exists(programs("ostrand.progress"))); // only the converter's
    EXPECT_EQ(shell_.works,
              (std::vector<std::string>{"Importing rec.cd11", "Listing the channels of rec.suds"}));
    // The converter ran in the working folder with the import switches.
    EXPECT_EQ(read(programs("talvex.args")), "[-s]\n[-v]\n[" + temp("rec.cd11") + "]\n");
    EXPECT_EQ(
        fs::path(read(programs("talvex.pwd")).substr(0, read(programs("talvex.pwd")).size() - 1)),
        fs::canonical(root_ / "work"));

    // The next Open starts in the folder of this one.
    shell_.opens.push_back(std::nullopt);
    fenwold::action_open(fe_);
    EXPECT_EQ(shell_.open_dialogs.back().folder, (root_ / "data").string());
}

TEST_F(Actions, PathsWithBlanksReachTheChildrenWhole) {
    fs::create_directory(root_ / "data" / "my files");
    write(data("my files/a rec.cd11"), "bytes");
    open(data("my files/a rec.cd11"));
    ASSERT_TRUE(shell_.messages.empty()) << shell_.last_message();
    EXPECT_EQ(read(programs("talvex.args")), "[-s]\n[-v]\n[" + temp("a rec.cd11") + "]\n");
    fenwold::action_quick_view(fe_);
    for (int i = 0; i < 500 && !fs::exists(programs("vorlane.args")); ++i)
        shell_.pause_ms(0), usleep(10000);
    EXPECT_EQ(read(programs("vorlane.args")), "[/p1]\n[/m]\n[a rec.suds]\n");
}

TEST_F(Actions, QuickViewRunsBesideTheFileWithItsListingsAsOnTheDesk) {
    write(data("rec.prt"), "hypo71 listing");
    write(data("rec.evt"), "old");
    write((root_ / "work" / "trelkit.ini").string(), "[VORLANE]\n");
    const char* etc = getenv("SUDS_ETC");
    const std::string saved_etc = etc ? etc : "";
    unsetenv("SUDS_ETC");
    open(data("rec.cd11"));
    fs::remove(data("rec.evt"));
    write(temp("rec.evt"), "stale");
    fenwold::action_quick_view(fe_);
    for (int i = 0; i < 500 && !fs::exists(programs("vorlane.args")); ++i)
        usleep(10000);
    if (etc)
        setenv("SUDS_ETC", saved_etc.c_str(), 1);
    EXPECT_EQ(read(programs("vorlane.args")), "[/p1]\n[/m]\n[rec.suds]\n");
    EXPECT_EQ(
        fs::path(read(programs("vorlane.pwd")).substr(0, read(programs("vorlane.pwd")).size() - 1)),
        fs::canonical(fe_.recording_folder));
    EXPECT_EQ(read(programs("vorlane.etc")), (root_ / "work").string() + "\n");
    EXPECT_EQ(read(temp("rec.prt")), "hypo71 listing");
    EXPECT_FALSE(fs::exists(temp("rec.evt")));
    // The log is written where the plotter would write it from the start folder.
    EXPECT_EQ(fs::read_symlink(temp("vorlane.log")), root_ / "work" / "vorlane.log");
}

TEST_F(Actions, AFileFromTheTempFolderIsImportedIntoANewFolder) {
    open(data("rec.cd11"));
    const std::string first = temp("rec.cd11");
    write(first, "changed in place");
    chmod(first.c_str(), 0444);
    open(first);
    ASSERT_TRUE(shell_.messages.empty()) << shell_.last_message();
    EXPECT_NE(fe_.working_copy, first);
    EXPECT_EQ(read(temp("rec.suds")), "changed in place");
    EXPECT_EQ(read(first), "changed in place");
    // A read-only recorder file is copied to a working copy that the next
    // Open can replace.
    chmod(data("rec.cd11").c_str(), 0444);
    open(data("rec.cd11"));
    open(data("rec.cd11"));
    ASSERT_TRUE(shell_.messages.empty()) << shell_.last_message();
}

TEST_F(Actions, OpenFailures) {
    open(data("missing.cd11"));
    EXPECT_EQ(shell_.last_message(), "No input TALVEX data file found!     ");

    fs::remove(programs("talvex"));
    open(data("rec.cd11"));
    EXPECT_EQ(shell_.last_message(), "Error importing selected CD1.1 file!     ");
    EXPECT_FALSE(shell_.enabled);

    install_script("talvex", "exit 0\n"); // writes no information file
    open(data("rec.cd11"));
    EXPECT_EQ(shell_.last_message(), "Error importing selected CD1.1 file!     ");

    // A converter that names a file it did not write.
    install_script("talvex",
                   "in=\"$3\"; echo \"Output file: ${in%.*}_gone.suds\" > \"${in%.*}.wtx\"\n");
    open(data("rec.cd11"));
    EXPECT_EQ(shell_.last_message(), "Error importing selected CD1.1 file!     ");
}

TEST_F(Actions, AFileThatListsNothingIsRefusedEvenAfterAGoodOne) {
    open(data("rec.cd11"));
    ASSERT_TRUE(shell_.enabled);
    const std::string good = fe_.current_suds;
    write(data("bad.cd11"), "bad");

    write(programs("listing"), "");
    open(data("bad.cd11"));
    EXPECT_EQ(shell_.last_message(), "Error reading selected TALVEX file!     ");
    EXPECT_EQ(shell_.last_detail(), "The listing of " + fe_.temp_folder + "/" +
                                        std::to_string(fe_.opens) + "/bad.suds is empty.");
    EXPECT_EQ(fe_.current_suds, good);

    // A listing that cannot be read keeps the old list but does not pass.
    fs::remove(programs("listing"));
    write(programs("nolisting"), "");
    install_script("ostrand", "echo 'ERROR: cannot list' >&2\n" + std::string(kFakeLister));
    open(data("bad.cd11"));
    ASSERT_EQ(shell_.messages.size(), 3u);
    EXPECT_EQ(shell_.messages[1].first, "Error retrieving information on selected file!     ");
    EXPECT_EQ(shell_.messages[2].first, "Error reading selected TALVEX file!     ");
    EXPECT_EQ(shell_.details[2], "ERROR: cannot list");
    EXPECT_EQ(fe_.current_suds, good);
    EXPECT_EQ(fe_.info.lines.size(), 3u);
    EXPECT_TRUE(shell_.enabled);
}

TEST_F(Actions, SeveralSudsFilesAfterALocationSplit) {
    write(programs("locations"), "00\n10\n");
    shell_.opens.push_back(data("rec.cd11"));
    shell_.opens.push_back(next_temp("rec_10.suds"));
    fenwold::action_open(fe_);
    ASSERT_EQ(shell_.messages.size(), 1u);
    EXPECT_EQ(shell_.messages[0].first,
              "Multiple SUDS files were generated in the temporary folder " + fe_.recording_folder +
                  ". Select one file to be processed now; the others can be processed later. "
                  "\nWARNING: Files not saved before exiting the program will be removed from "
                  "the temporary folder!");
    EXPECT_EQ(shell_.messages[0].second, MessageIcon::warning);
    ASSERT_EQ(shell_.open_dialogs.size(), 2u);
    const fenwold::FileDialog& d = shell_.open_dialogs[1];
    EXPECT_EQ(d.title, "Multiple SUDS Files generated - Select SUDS File");
    EXPECT_EQ(d.folder, fe_.recording_folder);
    EXPECT_EQ(d.filter, "Suds Files (rec_*.suds)|rec_*.suds||");
    EXPECT_EQ(d.default_ext, "suds");
    EXPECT_EQ(fe_.current_suds, temp("rec_10.suds"));
    EXPECT_TRUE(shell_.enabled);

    // Mini-SEED saves the output of the location in use, not just the first.
    make_saved_folder();
    fe_.save_folder = (root_ / "saved").string();
    fenwold::set_output_format(fe_, fenwold::kFormatMiniSeed);
    shell_.saves.push_back(ScriptedShell::kKeep);
    fenwold::action_convert(fe_);
    EXPECT_EQ(read(saved("rec_10.msed")), "mseed 10\n");

    // Cancelling the choice stops the Open.
    shell_.opens.push_back(data("rec.cd11"));
    shell_.opens.push_back(std::nullopt);
    fenwold::action_open(fe_);
    EXPECT_EQ(fe_.current_suds, temp("rec_10.suds"));
}

TEST_F(Actions, EachOutputFormatRunsItsSwitchesAndSaves) {
    make_saved_folder();
    open(data("rec.cd11"));
    fe_.save_folder = (root_ / "saved").string();
    struct Case {
        int format;
        const char* args;
        const char* output;
        const char* filter;
    } cases[] = {
        {fenwold::kFormatSuds, "[-s]\n[-v]\n", "rec.suds", fenwold::kSudsFilter},
        {fenwold::kFormatMiniSeed, "[-v]\n", "rec.msed", fenwold::kMiniSeedFilter},
        {fenwold::kFormatAsciiMulti, "[-v]\n[-a]\n", "rec.asc", fenwold::kAsciiFilter},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output);
        shell_.messages.clear();
        fenwold::set_output_format(fe_, c.format);
        shell_.saves.push_back(ScriptedShell::kKeep);
        fenwold::action_convert(fe_);
        EXPECT_EQ(read(programs("talvex.args")),
                  std::string(c.args) + "[" + temp("rec.cd11") + "]\n");
        ASSERT_EQ(shell_.save_dialogs.size() > 0, true);
        const auto& d = shell_.save_dialogs.back();
        EXPECT_EQ(d.title, "Save Output File As");
        EXPECT_EQ(d.name, saved(c.output));
        EXPECT_EQ(d.filter, c.filter);
        ASSERT_EQ(shell_.messages.size(), 1u);
        EXPECT_EQ(shell_.messages[0].first,
                  "File " + data("rec.cd11") + " converted to " + saved(c.output));
        EXPECT_EQ(shell_.messages[0].second, MessageIcon::information);
        EXPECT_TRUE(fs::exists(saved(c.output)));
        // The information file is kept beside the output (the second time it
        // asks before replacing the first one's).
        EXPECT_TRUE(fs::exists(saved("rec.wtx")));
        shell_.answers.push_back(true);
    }
    EXPECT_EQ(read(saved("rec.msed")), "mseed\n");
    // The SUDS file of the Open survived the conversions beside it.
    EXPECT_EQ(read(fe_.current_suds), "recorder bytes");
}

TEST_F(Actions, TheSudsFileIsSetAsideDuringAConversionAndPutBack) {
    open(data("rec.cd11"));
    fenwold::set_output_format(fe_, fenwold::kFormatMiniSeed);
    shell_.saves.push_back(std::nullopt);
    fenwold::action_convert(fe_);
    EXPECT_EQ(read(programs("suds-present")), "no\n");
    EXPECT_EQ(read(temp("rec.suds")), "recorder bytes");
    EXPECT_FALSE(fs::exists(temp("rec.s$$$")));

    // Also when the converter cannot be started.
    fs::remove(programs("talvex"));
    fenwold::action_convert(fe_);
    EXPECT_EQ(shell_.last_message(), "Error converting selected data file!     ");
    EXPECT_EQ(read(temp("rec.suds")), "recorder bytes");
    fenwold::set_output_format(fe_, fenwold::kFormatAsciiMulti);
    fenwold::action_convert(fe_);
    EXPECT_EQ(shell_.last_message(), "Error converting data file!     ");
    EXPECT_EQ(read(temp("rec.suds")), "recorder bytes");
}

TEST_F(Actions, AWorkingChildShowsProgressAndCancelLeavesNothingOfIt) {
    open(data("rec.cd11"));
    write(programs("sleep"), "30");
    shell_.cancel_after_polls = 10;
    fenwold::set_output_format(fe_, fenwold::kFormatMiniSeed);
    fenwold::action_convert(fe_);
    EXPECT_EQ(shell_.last_message(), "Conversion cancelled!     ");
    EXPECT_EQ(shell_.works.back(), "Converting rec.cd11 to Mini-SEED");
    ASSERT_FALSE(shell_.progress.empty());
    EXPECT_EQ(shell_.progress.back().pass, 1);
    EXPECT_EQ(shell_.progress.back().passes, 2);
    EXPECT_EQ(shell_.progress.back().done, 4);
    EXPECT_EQ(shell_.progress.back().total, 10);
    // Only the working copy and the SUDS file of the Open remain.
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(fe_.recording_folder)) {
        left.push_back(e.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"rec.cd11", "rec.info", "rec.suds"}));
    EXPECT_EQ(read(temp("rec.suds")), "recorder bytes");
    EXPECT_TRUE(shell_.save_dialogs.empty());

    // A cancelled import keeps the recording that was open.
    const std::string suds = fe_.current_suds;
    open(data("rec.cd11"));
    EXPECT_EQ(shell_.last_message(), "Conversion cancelled!     ");
    EXPECT_EQ(fe_.current_suds, suds);
    EXPECT_FALSE(fs::exists(next_temp("")));
}

TEST_F(Actions, AFailedOpenChangesNothingAndSaysWhy) {
    open(data("rec.cd11"));
    const Frontend_state_t kept = state();
    fs::create_directory(root_ / "data" / "other");
    write(data("other/rec.cd11"), "other bytes");
    install_script(
        "talvex",
        "in=\"$3\"; printf 'Input file : x\\nStart Time: 1\\tERROR: Unexpected data frame type "
        "found: 7\\n' > \"${in%.*}.wtx\"\n"
        "echo 'WARNING: from stderr' >&2; exit 1\n");
    shell_.offers_taken.push_back(true);
    open(data("other/rec.cd11"));
    ASSERT_EQ(shell_.messages.size(), 2u);
    EXPECT_EQ(shell_.messages[0].first, "Error importing selected CD1.1 file!     ");
    EXPECT_EQ(shell_.details[0],
              "ERROR: Unexpected data frame type found: 7\nWARNING: from stderr");
    // The report offered was kept beside the recording.
    EXPECT_EQ(shell_.messages[1].first, data("other/rec.wtx"));
    EXPECT_NE(read(data("other/rec.wtx")).find("ERROR: Unexpected"), std::string::npos);
    EXPECT_EQ(state(), kept);

    fs::remove(programs("talvex"));
    open(data("other/rec.cd11"));
    EXPECT_EQ(shell_.last_message(), "Error importing selected CD1.1 file!     ");
    EXPECT_EQ(
        shell_.last_detail().rfind("The program could not be started: " + programs("talvex"), 0),
        0u);
    EXPECT_EQ(state(), kept);
}

TEST_F(Actions, SaveAsksBeforeReplacing) {
    make_saved_folder();
    open(data("rec.cd11"));
    fe_.save_folder = (root_ / "saved").string();
    write(saved("rec.suds"), "old");

    // No: nothing saved, yet the information file is copied beside.
    shell_.saves.push_back(ScriptedShell::kKeep);
    shell_.answers.push_back(false);
    fenwold::action_convert(fe_);
    ASSERT_EQ(shell_.questions.size(), 1u);
    EXPECT_EQ(shell_.questions[0],
              saved("rec.suds") + " already exists. \n Do you want to replace it?");
    EXPECT_EQ(shell_.last_message(), "Output file not saved");
    EXPECT_EQ(shell_.messages.back().second, MessageIcon::none);
    EXPECT_EQ(read(saved("rec.suds")), "old");

    // Yes: replaced.
    shell_.saves.push_back(ScriptedShell::kKeep);
    shell_.answers.push_back(true);
    shell_.answers.push_back(false); // the information file of the first round
    fenwold::action_convert(fe_);
    EXPECT_EQ(read(saved("rec.suds")), "recorder bytes");
    EXPECT_EQ(shell_.last_message(),
              "File " + data("rec.cd11") + " converted to " + saved("rec.suds"));
}

TEST_F(Actions, SavingAFileOntoItselfIsRefused) {
    open(data("rec.cd11"));
    shell_.saves.push_back(temp("rec.suds"));
    shell_.answers.push_back(true);  // replace it? Yes, but it is the same file
    shell_.answers.push_back(false); // the information file onto itself: No
    fenwold::action_convert(fe_);
    EXPECT_EQ(shell_.last_message(), "Error saving file " + temp("rec.suds") +
                                         " - source and destination filename identical");
    EXPECT_EQ(read(temp("rec.suds")), "recorder bytes");

    // The report of a copy that fails names both files.
    shell_.saves.push_back((root_ / "nowhere" / "rec.suds").string());
    fenwold::action_convert(fe_);
    EXPECT_EQ(shell_.last_message(), "Error saving file " + temp("rec.suds") + " to " +
                                         (root_ / "nowhere" / "rec.suds").string());
}

TEST_F(Actions, CancelledSaveStillKeepsTheInformationFile) {
    open(data("rec.cd11"));
    fenwold::set_output_format(fe_, fenwold::kFormatAsciiMulti);
    shell_.saves.push_back(std::nullopt);
    fenwold::action_convert(fe_);
    EXPECT_EQ(shell_.last_message(), "Output file not saved");
    EXPECT_TRUE(fe_.save_path.empty());
    EXPECT_TRUE(fs::exists(data("rec.wtx")));
    EXPECT_FALSE(fs::exists(data("rec.asc")));
}

TEST_F(Actions, OneChannelAsciiWithTheOfferedName) {
    make_saved_folder();
    open(data("rec.cd11"));
    fe_.save_folder = (root_ / "saved").string();
    fenwold::set_output_format(fe_, fenwold::kFormatAsciiOne);
    // The offered name in other letter case still counts as kept.
    shell_.saves.push_back(saved("REC_ch1.ASC"));
    fenwold::action_convert(fe_);
    EXPECT_EQ(shell_.save_dialogs.size(), 1u);
    EXPECT_EQ(read(programs("talvex.args")), "[-v]\n[-casc]\n[" + temp("rec.cd11") + "]\n");
    for (int i = 2; i <= 3; ++i) {
        EXPECT_EQ(read(saved("rec_CH" + std::to_string(i) + ".asc")),
                  "channel " + std::to_string(i) + "\n");
    }
    EXPECT_EQ(shell_.last_message(), "File " + data("rec.cd11") + " converted to " +
                                         saved("REC_ch1.ASC") + "     \r" + saved("rec_CH2.asc") +
                                         "     \r" + saved("rec_CH3.asc"));
    EXPECT_TRUE(fs::exists(saved("rec.wtx")));
}

TEST_F(Actions, OneChannelAsciiWithAChangedNameAsksForEachFile) {
    make_saved_folder();
    fs::create_directory(root_ / "other");
    open(data("rec.cd11"));
    fe_.save_folder = (root_ / "saved").string();
    write(programs("channels"), "25"); // more than the 20 of old: all are kept
    fenwold::set_output_format(fe_, fenwold::kFormatAsciiOne);
    shell_.saves.push_back(saved("first.asc"));
    shell_.saves.push_back((root_ / "other" / "second.asc").string());
    for (int i = 3; i <= 24; ++i)
        shell_.saves.push_back(ScriptedShell::kKeep);
    shell_.saves.push_back(std::nullopt);
    fenwold::action_convert(fe_);
    ASSERT_EQ(shell_.save_dialogs.size(), 25u);
    // Each further dialog starts in the folder of the previous choice.
    EXPECT_EQ(shell_.save_dialogs[1].name, saved("rec_CH2.asc"));
    EXPECT_EQ(shell_.save_dialogs[2].name, (root_ / "other" / "rec_CH3.asc").string());
    EXPECT_EQ(read(saved("first.asc")), "channel 1\n");
    EXPECT_EQ(read((root_ / "other" / "second.asc").string()), "channel 2\n");
    EXPECT_EQ(read((root_ / "other" / "rec_CH24.asc").string()), "channel 24\n");
    EXPECT_FALSE(fs::exists((root_ / "other" / "rec_CH25.asc")));
    EXPECT_TRUE(fs::exists((root_ / "other" / "rec.wtx")));
}

TEST_F(Actions, FileInfoShowsANewWindowEachTime) {
    open(data("rec.cd11"));
    fenwold::action_file_info(fe_);
    fenwold::action_file_info(fe_);
    EXPECT_EQ(shell_.info_windows, 2);
    EXPECT_EQ(shell_.info_file_line, "File: " + data("rec.cd11"));
    ASSERT_EQ(shell_.info_lines.size(), 3u);
    EXPECT_EQ(shell_.info_lines[0], "NET    \tSITE1 \tBHZ");
    EXPECT_EQ(shell_.info_lines[2], "NET    \tSITE1 \tBHE");
    fenwold::action_close(fe_);
    EXPECT_EQ(shell_.info_closes, 1);
}

TEST_F(Actions, QuickViewThatCannotStart) {
    open(data("rec.cd11"));
    fs::remove(programs("vorlane"));
    fenwold::action_quick_view(fe_);
    EXPECT_EQ(shell_.last_message(), "Error displaying selected file!     ");
}

TEST_F(Actions, TheTempFolderIsPrivateAndGoesAtExit) {
    const std::string folder = fe_.temp_folder;
    EXPECT_EQ(folder.find((root_ / "tmp").string()), 0u);
    struct stat st;
    ASSERT_EQ(stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 077, 0u);
    open(data("rec.cd11"));
    write(temp(".hidden"), "x");
    fenwold::frontend_exit(fe_);
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(fs::exists(data("rec.cd11")));
}

TEST(InformationFile, NamesTheOutputs) {
    const std::string path = ::testing::TempDir() + "actions_test.wtx";
    fenwold_test::Bed::write(path,
                             "\nCD1.1 to MiniSEED/SUDS/ASCII data file conversion, Version 1.6\n"
                             "Input file : /a/rec.cd11\n"
                             ";Output file: /commented\n"
                             "Output file: /a/rec_00.suds\r\n"
                             "Output file: /a/b c/rec;1.msed\n"
                             "Channel 1: BHZ   Location: 00   Rate:  100 sps\n"
                             "Output file: /a/" +
                                 std::string(200, 'x') + ".asc");
    std::vector<std::string> outputs;
    ASSERT_TRUE(fenwold::read_information_file(path, outputs));
    EXPECT_EQ(outputs, (std::vector<std::string>{"/a/rec_00.suds", "/a/b c/rec;1.msed",
                                                 "/a/" + std::string(200, 'x') + ".asc"}));
    std::filesystem::remove(path);
    EXPECT_FALSE(fenwold::read_information_file(path, outputs));
}

} // namespace
