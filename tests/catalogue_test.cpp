// The bad-input catalogue. Every case gives a built program one malformed
// input or one fault of the machine and checks three things: the exact
// message, the exit status, and that the files present before the run
// (the recorder file, earlier outputs, the plot queue) are still whole.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "catalogue_util.h"
#include "platform/paths.h"
#include "recorder_bytes.h"

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

// Byte positions of a recorder file that the cases below damage.
constexpr int kFrameTypeAt = 0;
constexpr int kChannelCountAt = 36;
constexpr int kChannelStringAt = 68;
// Within a subframe.
constexpr int kSfLength = 0, kSfTransformation = 9, kSfChannel = 17, kSfTimeLength = 52,
              kSfSamples = 56, kSfStatusSize = 60, kSfStatus = 64;

// The plotter's closing notice names the log as the system names it.
#ifdef _WIN32
const char* const kLogNotice = "\nError(s) have occured, please review VORLANE.LOG.\n";
#else
const char* const kLogNotice = "\nError(s) have occured, please review vorlane.log.\n";
#endif

int first_subframe_at(int channels) {
    return kChannelStringAt + 10 * channels + (10 * channels) % 4;
}

void put_i32(std::string& b, std::size_t at, std::int32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
}

std::int32_t get_i32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + i])) << (8 * i);
    return static_cast<std::int32_t>(v);
}

// A small valid recording: `channels` channels of 20 samples a subframe.
Recording small_recording(int channels = 2, bool compressed = true) {
    Recording s;
    const char* names[] = {"BHZ", "BHN", "BHE"};
    for (int c = 0; c < channels; ++c) {
        RecChannel ch;
        ch.name = names[c % 3];
        ch.compressed = compressed;
        s.channels.push_back(ch);
    }
    return s;
}

class Catalogue : public ::testing::Test {
  protected:
    TempDir dir;

    // Writes a recording and returns its bytes.
    std::string make(const Recording& rec, const std::string& name = "rec.cd11") {
        const std::string bytes = recorder_bytes(rec);
        write_file(dir / name, bytes);
        return bytes;
    }

    RunResult talvex(const std::vector<std::string>& args,
                     const std::vector<std::string>& env = {}) {
        return run_program(TALVEX_BIN, args, dir.path(), env);
    }

    // Runs talvex on bytes saved as rec.cd11 and checks the failure: exit
    // status 1, the message on the expected stream, and the recorder file
    // untouched. A recorder file path in `message` is written as "%s".
    void expect_refused(const std::string& bytes, const std::vector<std::string>& switches,
                        const std::string& message, bool on_stderr = false) {
        write_file(dir / "rec.cd11", bytes);
        const Snapshot before = snapshot(dir.path());
        std::vector<std::string> args = {"rec.cd11"};
        args.insert(args.end(), switches.begin(), switches.end());
        const RunResult r = talvex(args);
        std::string text = message;
        for (auto s = text.find("%s"); s != std::string::npos; s = text.find("%s", s))
            text.replace(s, 2, dir / "rec.cd11");
        EXPECT_EQ(r.status, 1) << r.out << r.err;
        EXPECT_THAT(on_stderr ? r.err : r.out, HasSubstr(text)) << "stdout:\n"
                                                                << r.out << "stderr:\n"
                                                                << r.err;
        EXPECT_THAT(damaged_files(before, dir.path(), {dir / "rec.wtx"}), IsEmpty());
        // No Mini-SEED or ASCII output is left behind by a failed pass 1.
        EXPECT_FALSE(file_exists(dir / "rec.msed"));
        EXPECT_FALSE(file_exists(dir / "rec.asc"));
    }
};

// ---------------------------------------------------------------------------
// The converter's command line.

TEST_F(Catalogue, TalvexWithoutArgumentsGivesUsage) {
    const RunResult r = talvex({});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(
        r.out,
        HasSubstr("\nUsage: TALVEX InputFile (OutputFile) (-verbose) (-suds) (-asc) (-casc)\n\n"));
}

TEST_F(Catalogue, TalvexQuestionMarkGivesUsageBeforeTouchingFiles) {
    make(small_recording());
    const Snapshot before = snapshot(dir.path());
    for (const char* first : {"?", "-?", "/?"}) {
        const RunResult r = talvex({first, "rec.cd11", "-v"});
        EXPECT_EQ(r.status, 1) << first;
        EXPECT_THAT(r.out, HasSubstr("Usage: TALVEX")) << first;
    }
    EXPECT_EQ(snapshot(dir.path()), before);
}

TEST_F(Catalogue, TalvexUnknownSwitchesWarnAndTheRunGoesOn) {
    make(small_recording());
    const RunResult r = talvex({"rec.cd11", "-x", "-", "/q", "-s"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_THAT(r.err, HasSubstr("WARNING: Unrecognized command line switch: -x\n"));
    EXPECT_THAT(r.err, HasSubstr("WARNING: Unrecognized command line switch: -\n"));
    EXPECT_THAT(r.err, HasSubstr("WARNING: Unrecognized command line switch: /q\n"));
    EXPECT_TRUE(file_exists(dir / "rec.suds"));
}

TEST_F(Catalogue, TalvexThirdFileArgumentIsIgnored) {
    make(small_recording());
    const RunResult r = talvex({"rec.cd11", "out.suds", "extra.txt", "-s"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_THAT(r.err, HasSubstr("WARNING: Unrecognized command line argument: extra.txt\n"));
    EXPECT_TRUE(file_exists(dir / "out.suds"));
    EXPECT_FALSE(file_exists(dir / "extra.txt"));
}

TEST_F(Catalogue, TalvexOnlySwitchesCannotOpenAnEmptyName) {
    const RunResult r = talvex({"-v", "-s"});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.out, HasSubstr("ERROR: Unable to open: \n"));
}

TEST_F(Catalogue, TalvexMissingInputFile) {
    const RunResult r = talvex({"nothing.cd11", "-v"});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.out, HasSubstr("ERROR: Unable to open: " + (dir / "nothing.cd11") + "\n"));
    EXPECT_FALSE(file_exists(dir / "nothing.msed"));
    EXPECT_FALSE(file_exists(dir / "nothing.suds"));
}

TEST_F(Catalogue, TalvexRefusesOutputNamesThatOverwriteTheInput) {
    const std::string original = make(small_recording());
    // The output named as the input, with each format that writes it.
    for (const char* sw : {"-s", "-a", "-v"}) {
        const RunResult r = talvex({"rec.cd11", "rec.cd11", sw});
        EXPECT_EQ(r.status, 1) << sw << "\n" << r.out;
        EXPECT_THAT(r.out, HasSubstr("would overwrite the input file: " + (dir / "rec.cd11")))
            << sw;
        EXPECT_EQ(read_file(dir / "rec.cd11"), original) << sw;
    }
}

TEST_F(Catalogue, TalvexRefusesAnOutputThatIsItsOwnWorkFile) {
    make(small_recording());
    write_file(dir / "out.suds", "an earlier output");
    const RunResult r = talvex({"rec.cd11", "out.suds"});
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_THAT(r.out, HasSubstr("have the same name: " + (dir / "out.suds")));
    EXPECT_THAT(r.out, HasSubstr("       Use -suds for SUDS output, or another output name.\n"));
    EXPECT_EQ(read_file(dir / "out.suds"), "an earlier output");
}

// ---------------------------------------------------------------------------
// Recorder files: the header.

TEST_F(Catalogue, RecorderEmptyFile) {
    expect_refused("", {"-v"}, "ERROR: Unable to read: %s\n");
}

TEST_F(Catalogue, RecorderWrongFrameType) {
    std::string b = make(small_recording());
    put_i32(b, kFrameTypeAt, 1);
    expect_refused(b, {"-v"}, "ERROR: Unexpected data frame type found: 1\n");
}

TEST_F(Catalogue, RecorderCutInsideTheFrameHeaders) {
    const std::string b = make(small_recording());
    for (int cut : {20, 35, 36, 50, 67}) {
        SCOPED_TRACE(cut);
        expect_refused(b.substr(0, cut), {"-v"}, "ERROR: Unable to read: %s\n");
    }
}

TEST_F(Catalogue, RecorderCutInsideTheChannelString) {
    const std::string b = make(small_recording(3));
    expect_refused(b.substr(0, kChannelStringAt + 15), {"-v"}, "ERROR: Unable to read: %s\n");
}

TEST_F(Catalogue, RecorderEndsRightAfterItsHeader) {
    const std::string b = make(small_recording(2));
    expect_refused(b.substr(0, first_subframe_at(2)), {"-v"},
                   "ERROR: No data subframes found for channel 1 in: %s\n");
}

TEST_F(Catalogue, RecorderChannelCountOutOfRange) {
    std::string b = make(small_recording());
    for (int n : {21, -1, 1000000}) {
        SCOPED_TRACE(n);
        put_i32(b, kChannelCountAt, n);
        expect_refused(b, {"-v"},
                       "\nERROR: Number of channels out of range (0 to 20): " + std::to_string(n) +
                           "\n");
    }
}

TEST_F(Catalogue, RecorderWithNoChannelsWritesNothingAndSucceeds) {
    Recording s = small_recording();
    s.declared_channels = 0;
    std::string b = make(s);
    write_file(dir / "rec.cd11", b.substr(0, first_subframe_at(0)));
    const RunResult r = talvex({"rec.cd11"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_FALSE(file_exists(dir / "rec.msed"));
    EXPECT_FALSE(file_exists(dir / "rec.suds"));
}

// ---------------------------------------------------------------------------
// Recorder files: the subframes.

TEST_F(Catalogue, RecorderCutInsideTheFixedPartOfASubframe) {
    const std::string b = make(small_recording(1));
    expect_refused(b.substr(0, first_subframe_at(1) + 30), {"-v"}, "ERROR: Unable to read: %s\n");
}

TEST_F(Catalogue, RecorderCutInsideTheChannelStatus) {
    const std::string b = make(small_recording(1));
    expect_refused(b.substr(0, first_subframe_at(1) + kSfStatus + 20), {"-v"},
                   "ERROR: Unable to read channel status from: %s\n");
}

TEST_F(Catalogue, RecorderCutInsideTheCoordinates) {
    const std::string b = make(small_recording(1));
    expect_refused(b.substr(0, first_subframe_at(1) + kSfStatus + 38), {"-v"},
                   "ERROR: Unable to read coordinates from: %s\n");
}

TEST_F(Catalogue, RecorderCutBeforeTheDataSize) {
    const std::string b = make(small_recording(1));
    expect_refused(b.substr(0, first_subframe_at(1) + kSfStatus + 48 + 2), {"-v"},
                   "ERROR: Unable to read: %s\n");
}

TEST_F(Catalogue, RecorderPlainDataOfTheWrongSize) {
    Recording s = small_recording(1, false);
    s.data_size_delta = 4;
    expect_refused(make(s), {"-v"}, "ERROR: Unexpected data size found: 84\n");
}

TEST_F(Catalogue, RecorderCutInsideTheSampleData) {
    const std::string b = make(small_recording(1, false));
    expect_refused(b.substr(0, first_subframe_at(1) + kSfStatus + 48 + 4 + 30), {"-v"},
                   "ERROR: read error\n", true);
}

TEST_F(Catalogue, RecorderCompressedBlockThatDoesNotDecode) {
    std::string b = make(small_recording(1));
    const int sf = first_subframe_at(1);
    // 30 samples is not a whole number of Canadian groups of 20.
    put_i32(b, sf + kSfSamples, 30);
    expect_refused(b, {"-v"}, "ERROR: decompression error\n", true);
}

TEST_F(Catalogue, RecorderCompressedBlockShorterThanItsCodeWords) {
    Recording s = small_recording(1);
    s.signal = Signal::FullRange;
    std::string b = make(s);
    const int sf = first_subframe_at(1);
    const int d_at = sf + kSfStatus + get_i32(b, sf + kSfStatusSize);
    // Claim an 8-byte block: the code words say more follows.
    put_i32(b, d_at, 8);
    expect_refused(b, {"-v"}, "ERROR: decompression error\n", true);
}

TEST_F(Catalogue, RecorderUnknownTransformation) {
    std::string b = make(small_recording(1));
    b[first_subframe_at(1) + kSfTransformation] = 2;
    expect_refused(b, {"-v"}, "ERROR: Unsupported data transformation: 2 in: %s\n");
}

TEST_F(Catalogue, RecorderSubframeBeyondTheBuffers) {
    std::string b = make(small_recording(1));
    put_i32(b, first_subframe_at(1) + kSfSamples, 120020);
    expect_refused(b, {"-v"},
                   "ERROR: Number of samples out of range (0 to 120000): 120020 in: %s\n");
}

TEST_F(Catalogue, RecorderNegativeSampleCount) {
    std::string b = make(small_recording(1, false));
    put_i32(b, first_subframe_at(1) + kSfSamples, -20);
    expect_refused(b, {"-v"}, "ERROR: Number of samples out of range (0 to 120000): -20 in: %s\n");
}

TEST_F(Catalogue, RecorderSubframeOfAnotherChannelInTheInterleaving) {
    std::string b = make(small_recording(2));
    // The second group's first subframe names channel 2's channel.
    const int sf0 = first_subframe_at(2);
    const int sf1 = sf0 + 4 + get_i32(b, sf0 + kSfLength);
    const int sf2 = sf1 + 4 + get_i32(b, sf1 + kSfLength);
    std::memcpy(&b[sf2 + kSfChannel], "BHX", 3);
    expect_refused(b, {"-v"}, "ERROR: Unable to locate datablocks for channel: BHX\n");
}

TEST_F(Catalogue, RecorderTrailerCutShort) {
    const std::string b = make(small_recording(1));
    const int sf = first_subframe_at(1);
    const int end = sf + 4 + get_i32(b, sf + kSfLength);
    expect_refused(
        b.substr(0, end - 6), {"-v"},
        "ERROR: Unable to read: %s\nERROR: Unable to read data subframe signature: %s\n");
}

TEST_F(Catalogue, RecorderEndsInsideASkippedSubframe) {
    const std::string b = make(small_recording(2));
    const int sf0 = first_subframe_at(2);
    const int sf1 = sf0 + 4 + get_i32(b, sf0 + kSfLength);
    // Channel 1's walk passes over channel 2's subframe, which the file cuts.
    expect_refused(b.substr(0, sf1 + 40), {"-v"},
                   "ERROR: Unable to read: %s\nERROR: Unable to skip data records: %s\n");
}

TEST_F(Catalogue, RecorderSubframeLengthThatCannotBeSkipped) {
    std::string b = make(small_recording(2));
    const int sf0 = first_subframe_at(2);
    const int sf1 = sf0 + 4 + get_i32(b, sf0 + kSfLength);
    put_i32(b, sf1 + kSfLength, -8);
    expect_refused(b, {"-v"}, "ERROR: Invalid subframe length -8 in: %s\n");
}

TEST_F(Catalogue, RecorderSubframeLengthPastTheEnd) {
    std::string b = make(small_recording(2));
    const int sf0 = first_subframe_at(2);
    const int sf1 = sf0 + 4 + get_i32(b, sf0 + kSfLength);
    put_i32(b, sf1 + kSfLength, 0x7FFFFFF0);
    expect_refused(b, {"-v"},
                   "ERROR: Unable to read: %s\nERROR: Unable to skip data records: %s\n");
}

TEST_F(Catalogue, RecorderAuthenticationSizeOutOfRange) {
    Recording s = small_recording(1);
    s.auth_size = 8;
    std::string b = make(s);
    const int sf = first_subframe_at(1);
    const int end = sf + 4 + get_i32(b, sf + kSfLength);
    put_i32(b, end - 8 - 4, -4);
    expect_refused(b, {"-v"}, "ERROR: Invalid authentication size: -4 in: %s\n");
}

TEST_F(Catalogue, RecorderChannelStatusTooShort) {
    std::string b = make(small_recording(1));
    put_i32(b, first_subframe_at(1) + kSfStatusSize, 16);
    expect_refused(b, {"-v"}, "\nERROR: Channel status size below 32 bytes: 16 in: %s\n");
}

TEST_F(Catalogue, RecorderZeroSubframeTimeLength) {
    // The sample rate would be a division by zero.
    std::string b = make(small_recording(1));
    put_i32(b, first_subframe_at(1) + kSfTimeLength, 0);
    expect_refused(b, {"-v"}, "\nERROR: Invalid subframe time length: 0 ms in: %s\n");
}

TEST_F(Catalogue, RecorderDataSizeOutOfRange) {
    std::string b = make(small_recording(1));
    const int sf = first_subframe_at(1);
    const int d_at = sf + kSfStatus + get_i32(b, sf + kSfStatusSize);
    for (int d : {480004, -4}) {
        SCOPED_TRACE(d);
        put_i32(b, d_at, d);
        expect_refused(b, {"-v"},
                       "\nERROR: Data size out of range (0 to 480000): " + std::to_string(d) +
                           " in: %s\n");
    }
}

TEST_F(Catalogue, RecorderLocationCodeWithASlashStaysInTheFolder) {
    Recording s = small_recording(2);
    s.channels[1].name = "BHZ"; // the location split
    s.channels[0].location = "/0";
    s.channels[1].location = "..";
    make(s);
    const RunResult r = talvex({"rec.cd11", "-s", "-v"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    // Every work file lands beside the recorder file.
    for (const auto& [path, bytes] : snapshot(dir.path()))
        EXPECT_EQ(platform::last_separator(path), dir.path().size()) << path;
    EXPECT_TRUE(file_exists(dir / "rec__0.suds"));
    EXPECT_TRUE(file_exists(dir / "rec_...suds"));
}

// ---------------------------------------------------------------------------
// The converter's outputs and the machine.

TEST_F(Catalogue, TalvexOutputFolderDoesNotExist) {
    make(small_recording());
    const Snapshot before = snapshot(dir.path());
    const std::string out = testkit::join(dir / "missing", "out.msed");
    const RunResult r = talvex({"rec.cd11", out});
    EXPECT_EQ(r.status, 1);
    // The work file beside the output cannot be created: the SUDS library's text.
    EXPECT_THAT(r.err, HasSubstr("ERROR: Unable to open file: " +
                                 testkit::join(dir / "missing", "out.suds")));
    EXPECT_THAT(damaged_files(before, dir.path()), IsEmpty());
}

TEST_F(Catalogue, TalvexOutputThatIsAFolder) {
    make(small_recording());
    std::filesystem::create_directory(dir / "rec.msed");
    const Snapshot before = snapshot(dir.path());
    const RunResult r = talvex({"rec.cd11", "-v"});
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_THAT(r.out,
                HasSubstr("\nERROR: unable ot open output file: " + (dir / "rec.msed") + "\n"));
    EXPECT_THAT(damaged_files(before, dir.path(), {dir / "rec.wtx"}), IsEmpty());
    // The information file names the output it could not write and ends with the error.
    EXPECT_THAT(read_file(dir / "rec.wtx"), HasSubstr("unable ot open output file"));
}

TEST_F(Catalogue, TalvexPerChannelOutputThatIsAFolder) {
    make(small_recording());
    std::filesystem::create_directory(dir / "rec_BHN.asc");
    const RunResult r = talvex({"rec.cd11", "-casc"});
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_THAT(r.out,
                HasSubstr("\nERROR: unable ot open output file: " + (dir / "rec_BHN.asc") + "\n"));
    EXPECT_TRUE(file_exists(dir / "rec_BHZ.asc"));
}

// The full-disk cases need a small file system of their own, which only a
// Linux tmpfs gives here: Windows has no equivalent a test can make.
#ifndef _WIN32
// A recording large enough that its SUDS work file fills a 64 KiB disk.
Recording disk_filling_recording() {
    Recording s = small_recording(3);
    s.samples = 100;
    s.subframes = 60; // 3 x 6000 samples: a 72 KB work file
    s.signal = Signal::Walk;
    s.amplitude = 100;
    return s;
}

TEST_F(Catalogue, TalvexDiskFullWhileWritingTheWorkFile) {
    SmallDisk disk(64 * 1024);
    if (!disk.ok())
        GTEST_SKIP() << disk.why();
    make(disk_filling_recording());
    write_file(disk / "earlier.msed", std::string(1000, 'm'));
    const Snapshot before = snapshot(dir.path()), before_disk = snapshot(disk.path());
    const RunResult r = talvex({dir / "rec.cd11", disk / "rec.msed", "-v"});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_THAT(r.err, HasSubstr("ERROR: Write error: "));
    EXPECT_THAT(r.err, HasSubstr("No space left on device"));
    EXPECT_THAT(damaged_files(before, dir.path()), IsEmpty());
    EXPECT_THAT(damaged_files(before_disk, disk.path(), {disk / "rec.wtx"}), IsEmpty());
    EXPECT_FALSE(file_exists(disk / "rec.msed"));
}

TEST_F(Catalogue, TalvexDiskFullWhileWritingTheOutput) {
    // The work file fits, the ASCII output (some ten bytes a sample) does not.
    Recording s = small_recording(1);
    s.samples = 100;
    s.subframes = 20; // 2000 samples: an 8 KB work file, a 20+ KB ASCII file
    s.signal = Signal::Walk;
    s.amplitude = 1000000;
    make(s);
    SmallDisk disk(64 * 1024);
    if (!disk.ok())
        GTEST_SKIP() << disk.why();
    write_file(disk / "earlier.asc", std::string(100, 'a'));
    if (!disk.fill_leaving(16 * 1024))
        GTEST_SKIP() << "cannot fill the small disk";
    const Snapshot before = snapshot(dir.path()), before_disk = snapshot(disk.path());
    const RunResult r = talvex({dir / "rec.cd11", disk / "rec.asc", "-a"});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("\nERROR: write error to output file!\n"));
    EXPECT_THAT(damaged_files(before, dir.path()), IsEmpty());
    EXPECT_THAT(damaged_files(before_disk, disk.path()), IsEmpty());
}

TEST_F(Catalogue, TalvexDiskFullWhileWritingMiniSeed) {
    // Samples over the whole 32-bit range do not compress: the Mini-SEED
    // output is as large as the work file and cannot be written beside it.
    Recording s = small_recording(1);
    s.samples = 100;
    s.subframes = 40;
    s.signal = Signal::FullRange;
    make(s);
    SmallDisk disk(64 * 1024);
    if (!disk.ok())
        GTEST_SKIP() << disk.why();
    if (!disk.fill_leaving(24 * 1024))
        GTEST_SKIP() << "cannot fill the small disk";
    const Snapshot before = snapshot(dir.path());
    const RunResult r = talvex({dir / "rec.cd11", disk / "rec.msed"});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("\nERROR: write error to output file!\n"));
    EXPECT_THAT(damaged_files(before, dir.path()), IsEmpty());
}
#endif

TEST_F(Catalogue, TalvexInputThatIsAFolder) {
    std::filesystem::create_directory(dir / "folder.cd11");
    const RunResult r = talvex({"folder.cd11"});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.out, HasSubstr("ERROR: Unable to open: " + (dir / "folder.cd11") + "\n"));
}

TEST_F(Catalogue, TalvexInformationFileThatCannotBeCreated) {
    // The run goes on without it: the report still reaches standard output.
    make(small_recording());
    std::filesystem::create_directory(dir / "rec.wtx");
    const RunResult r = talvex({"rec.cd11", "-v"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("Output file: " + (dir / "rec.msed") + "\n"));
    EXPECT_TRUE(file_exists(dir / "rec.msed"));
}

// A run that fails must leave an earlier result of the same name as it was:
// outputs are written under a staging name and moved into place on success.
TEST_F(Catalogue, FailedRunKeepsAnEarlierSudsOutput) {
    const std::string good = make(small_recording(2));
    ASSERT_EQ(talvex({"rec.cd11", "-s"}).status, 0);
    const std::string earlier = read_file(dir / "rec.suds");
    write_file(dir / "rec.cd11", good.substr(0, good.size() - 10));
    const RunResult r = talvex({"rec.cd11", "-s"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(read_file(dir / "rec.suds"), earlier);
    // What the failed run wrote stays beside it for inspection.
    EXPECT_TRUE(file_exists(dir / "rec.suds.part"));
}

#ifndef _WIN32 // a full disk needs a Linux tmpfs
TEST_F(Catalogue, FailedRunKeepsAnEarlierMiniSeedOutput) {
    Recording s = small_recording(1);
    s.samples = 100;
    s.subframes = 40;
    s.signal = Signal::FullRange;
    make(s);
    SmallDisk disk(64 * 1024);
    if (!disk.ok())
        GTEST_SKIP() << disk.why();
    write_file(disk / "rec.msed", std::string(4096, 'm'));
    if (!disk.fill_leaving(20 * 1024))
        GTEST_SKIP() << "cannot fill the small disk";
    const RunResult r = talvex({dir / "rec.cd11", disk / "rec.msed"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(read_file(disk / "rec.msed"), std::string(4096, 'm'));
}
#endif

// ---------------------------------------------------------------------------
// SUDS files given to the plotter.

class PlotterCatalogue : public Catalogue {
  protected:
    void SetUp() override {
        write_file(dir / "trelkit.ini", "[VORLANE]\nMAX_MAG=2e9\n[2.X_VEXIL]\nHARDCOPY=true\n");
    }

    // A good SUDS file made by the converter, returned as bytes.
    std::string good_suds() {
        make(small_recording(2));
        const RunResult r = talvex({"rec.cd11", "quake.sud", "-s"});
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        std::filesystem::remove(dir / "rec.cd11");
        return read_file(dir / "quake.sud");
    }

    RunResult vorlane(const std::vector<std::string>& args,
                      const std::vector<std::string>& env = {}) {
        std::vector<std::string> e = {"SUDS_ETC=" + dir.path()};
        e.insert(e.end(), env.begin(), env.end());
        return run_program(VORLANE_BIN, args, dir.path(), e);
    }

    // vorlane /P3 /H on bytes saved as quake.sud: status 1, the message, and
    // every file before the run intact but the log.
    RunResult expect_plot_refused(const std::string& bytes, const std::string& message,
                                  bool on_stderr) {
        write_file(dir / "quake.sud", bytes);
        const Snapshot before = snapshot(dir.path());
        const RunResult r = vorlane({"/P3", "/H", "quake.sud"});
        EXPECT_EQ(r.status, 1) << r.out << r.err;
        if (!message.empty()) {
            EXPECT_THAT(on_stderr ? r.err : r.out, HasSubstr(message)) << r.out << r.err;
        }
        EXPECT_THAT(damaged_files(before, dir.path(), {dir / "vorlane.log"}), IsEmpty());
        return r;
    }
};

// Structure tags: the first at 0 (StationComp, 108 bytes), the DescripTrace at 120.
constexpr int kDescripTraceAt = 12 + 108;
constexpr int kDataTypeAt = kDescripTraceAt + 12 + 22;

TEST_F(PlotterCatalogue, SudsFileOutOfSync) {
    std::string b = good_suds();
    b[0] = 'X';
    expect_plot_refused(b, "ERROR: File out of sync: ", true);
}

TEST_F(PlotterCatalogue, SudsFileOfAnotherMachineType) {
    std::string b = good_suds();
    b[1] = '7';
    expect_plot_refused(b, "ERROR: Unrecognized machine type in: ", true);
}

TEST_F(PlotterCatalogue, SudsFileThatIsText) {
    expect_plot_refused("this is not a SUDS file at all\n", "May not be a SUDS file.", true);
}

TEST_F(PlotterCatalogue, SudsFileMissing) {
    const RunResult r = vorlane({"/P3", "/H", "nothing.sud"});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("ERROR: Unable to open file: "));
}

TEST_F(PlotterCatalogue, SudsUnsupportedDataType) {
    std::string b = good_suds();
    ASSERT_EQ(b[kDataTypeAt], 'l');
    b[kDataTypeAt] = 'x';
    expect_plot_refused(b, "\nERROR: unsupported data type: x in ", false);
}

TEST_F(PlotterCatalogue, SudsMultiplexedData) {
    std::string b = good_suds();
    b[2] = 6; // the first structure becomes a MuxData
    expect_plot_refused(b, " contains multiplexed data!\n", false);
}

TEST_F(PlotterCatalogue, SudsWithoutAnyWaveform) {
    const std::string b = good_suds();
    expect_plot_refused(b.substr(0, kDescripTraceAt), "", false);
}

TEST_F(PlotterCatalogue, SudsCutInsideASampleBlock) {
    const std::string b = good_suds();
    write_file(dir / "quake.sud", b.substr(0, b.size() - 50));
    const RunResult r = vorlane({"/P3", "/H", "quake.sud"});
    // The last trace is short; the run must neither crash nor hang.
    EXPECT_LT(r.status, 2) << r.out << r.err;
}

TEST_F(PlotterCatalogue, SudsStructureLengthBeyondTheRecord) {
    std::string b = good_suds();
    // The StationComp claims a 600-byte body, more than any structure has:
    // its excess is read past and the next tag is not where it claims.
    put_i32(b, 4, 600);
    expect_plot_refused(b, "ERROR: File out of sync: ", true);
}

#ifdef OSTRAND_BIN
TEST_F(PlotterCatalogue, ListingToolOnDamagedSudsFiles) {
    const std::string good = good_suds();
    std::string bad_machine = good;
    bad_machine[1] = '7';
    const struct {
        std::string bytes;
        std::string message;
    } cases[] = {
        {"a text file, long enough to hold a structure tag\n", "ERROR: File out of sync: "},
        {bad_machine, "ERROR: Unrecognized machine type in: "},
    };
    for (const auto& c : cases) {
        write_file(dir / "quake.sud", c.bytes);
        write_file(dir / "quake.info", "a listing of another file\n");
        const RunResult r = run_program(OSTRAND_BIN, {"/l", "quake.sud"}, dir.path());
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_THAT(r.err, HasSubstr(c.message));
        EXPECT_EQ(read_file(dir / "quake.sud"), c.bytes);
        // An old listing must not pass for one of this file.
        EXPECT_FALSE(file_exists(dir / "quake.info"));
    }
    const RunResult r = run_program(OSTRAND_BIN, {"/l", "none.sud"}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(
        r.err,
        HasSubstr("\nERROR: Unable to open file: none.sud\n       No such file or directory\n"));
}
#endif

// ---------------------------------------------------------------------------
// The plotter's switches and INI file.

TEST_F(PlotterCatalogue, VorlaneWithoutAFile) {
    const RunResult r = vorlane({"/P3"});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.out, HasSubstr("ERROR: no SUDS data input file specified\n"));
    // The log is a text file: the system's line ends.
    const std::string log = read_file(dir / "vorlane.log");
    EXPECT_FALSE(testkit::has_bare_line_feed(log));
    EXPECT_THAT(testkit::plain_lines(log), HasSubstr("ERROR: no SUDS data input file specified\n"));
}

TEST_F(PlotterCatalogue, VorlaneUsage) {
    const RunResult r = vorlane({"/P3", "/?", "quake.sud"});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.out, HasSubstr("Usage: VORLANE [switches] SUDSfile [hypofile] [switches]\n"));
}

TEST_F(PlotterCatalogue, VorlaneSwitchValuesOutOfRange) {
    write_file(dir / "quake.sud", good_suds());
    const struct {
        const char* sw;
        const char* message;
    } cases[] = {
        {"/P4", "ERROR: /P switch: value out of range: 1-3\n"},
        {"/T40", "ERROR: /T switch: value out of range: 1-32\n"},
        {"/A9", "ERROR: /A switch: value out of range: 0-5\n"},
        {"/B0", "ERROR: /B switch: value must be positive\n"},
        {"/J-1", "ERROR: /J switch: value must be positive\n"},
        {"/L-5", "ERROR: /L switch: value must be positive\n"},
        {"/W-2", "ERROR: /W switch: value must be positive\n"},
        {"/G10", "ERROR: /G switch: value out of range: 50-3000\n"},
    };
    for (const auto& c : cases) {
        // The run goes on with the default and plots; the error is noted at the end.
        const RunResult r = vorlane({c.sw, "/P3", "/H", "quake.sud"});
        EXPECT_EQ(r.status, 0) << c.sw << "\n" << r.out << r.err;
        EXPECT_THAT(r.out, HasSubstr(c.message)) << c.sw;
        EXPECT_THAT(r.out, HasSubstr(kLogNotice)) << c.sw;
    }
}

TEST_F(PlotterCatalogue, IniValuesOutOfRange) {
    write_file(dir / "quake.sud", good_suds());
    write_file(
        dir / "trelkit.ini",
        "; "
        "comment\n[VORLANE]\nTRACES_PER_PAGE=30\nWEIGHT_CRITERIA=9\n[2.X_VEXIL]\nHARDCOPY=true\n");
    const RunResult r = vorlane({"/P3", "/H", "quake.sud"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("\nERROR in INI @ line 3: traces per page out of range: 30\n\n"));
    EXPECT_THAT(r.out, HasSubstr("\nERROR in INI @ line 4: weight criteria out of range: 9\n\n"));
    EXPECT_THAT(r.out, HasSubstr(kLogNotice));
}

TEST_F(PlotterCatalogue, IniFileMissing) {
    write_file(dir / "quake.sud", good_suds());
    std::filesystem::remove(dir / "trelkit.ini");
    const RunResult r = vorlane({"/P3", "/H", "quake.sud"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_THAT(r.out,
                HasSubstr("WARNING: unable to open INI file: " + (dir / "trelkit.ini") + "\n"));
    EXPECT_THAT(r.err, HasSubstr("\nWARNING: Unable to open initialization file: " +
                                 (dir / "trelkit.ini") + "\n"));
}

TEST_F(PlotterCatalogue, IniFileOfBinaryGarbage) {
    write_file(dir / "quake.sud", good_suds());
    std::string junk;
    for (int i = 0; i < 3000; ++i)
        junk += static_cast<char>((i * 37 + 11) % 256);
    write_file(dir / "trelkit.ini", "[VORLANE]\n" + junk + "\n[2.X_VEXIL]\n" + junk);
    const RunResult r = vorlane({"/P3", "/H", "quake.sud"});
    EXPECT_LT(r.status, 2) << r.out << r.err;
}

// ---------------------------------------------------------------------------
// Hypocentre listings.

TEST_F(PlotterCatalogue, ListingThatNamesNoChannelDropsEveryTrace) {
    write_file(dir / "quake.sud", good_suds());
    write_file(dir / "quake.prt", "no summary and no station header here\n");
    const Snapshot before = snapshot(dir.path());
    const RunResult r = vorlane({"/P3", "/H", "quake.sud"});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("Hypocenter data file: quake.prt"));
    EXPECT_THAT(damaged_files(before, dir.path(), {dir / "vorlane.log"}), IsEmpty());
}

TEST_F(PlotterCatalogue, ListingsOfGarbageNeverCrash) {
    write_file(dir / "quake.sud", good_suds());
    std::string junk;
    for (int i = 0; i < 4000; ++i)
        junk += (i % 97 == 0) ? '\n' : static_cast<char>(32 + (i * 53) % 95);
    for (const char* ext : {"prt", "evl", "evt"}) {
        const std::string listing = dir / (std::string("quake.") + ext);
        write_file(listing, junk);
        const RunResult r = vorlane({"/P3", "/H", "quake.sud", listing});
        EXPECT_LT(r.status, 2) << ext << "\n" << r.out << r.err;
        std::filesystem::remove(listing);
    }
}

TEST_F(PlotterCatalogue, RecordSectionWithoutAListing) {
    write_file(dir / "quake.sud", good_suds());
    const RunResult r = vorlane({"/P3", "/H", "/R", "quake.sud"});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("No hypocenter data found.\n"));
}

// ---------------------------------------------------------------------------
// The plot queue and .PLX files.

TEST_F(PlotterCatalogue, PlotQueueFolderDoesNotExist) {
    write_file(dir / "quake.sud", good_suds());
    write_file(dir / "trelkit.ini", "[VORLANE]\n[2.X_VEXIL]\nPLOTQUEUE=" + (dir / "gone") + "\n");
    const RunResult r = vorlane({"/P3", "/H", "quake.sud"});
    EXPECT_NE(r.status, 0) << r.out << r.err;
    EXPECT_THAT(r.err, HasSubstr("\nERROR: Executing DOS command:\n\n   "));
    EXPECT_THAT(r.out, Not(HasSubstr("Plot saved as")));
}

#ifndef _WIN32 // a full disk needs a Linux tmpfs
TEST_F(PlotterCatalogue, PlotQueueOnAFullDisk) {
    write_file(dir / "quake.sud", good_suds());
    SmallDisk disk(64 * 1024);
    if (!disk.ok())
        GTEST_SKIP() << disk.why();
    write_file(disk / "plot0000.plx", std::string(2000, 'p'));
    if (!disk.fill_leaving(0))
        GTEST_SKIP() << "cannot fill the small disk";
    write_file(dir / "trelkit.ini", "[VORLANE]\n[2.X_VEXIL]\nPLOTQUEUE=" + disk.path() + "\n");
    const Snapshot before_disk = snapshot(disk.path()), before = snapshot(dir.path());
    const RunResult r = vorlane({"/P3", "/H", "quake.sud"});
    EXPECT_NE(r.status, 0) << r.out << r.err;
    EXPECT_THAT(r.err, HasSubstr("\nERROR: Executing DOS command:\n\n   "));
    EXPECT_THAT(r.out, Not(HasSubstr("Plot saved as")));
    EXPECT_THAT(damaged_files(before_disk, disk.path()), IsEmpty());
    EXPECT_THAT(damaged_files(before, dir.path(), {dir / "vorlane.log"}), IsEmpty());
    // No half-written queue file is left to be mistaken for a plot.
    EXPECT_FALSE(file_exists(disk / "plot0001.plx"));
}
#endif

TEST_F(PlotterCatalogue, LogFileThatCannotBeCreated) {
    write_file(dir / "quake.sud", good_suds());
    std::filesystem::create_directory(dir / "vorlane.log");
    const RunResult r = vorlane({"/P3", "/H", "quake.sud"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("WARNING: unable to create log file: vorlane.log\n"));
    EXPECT_TRUE(file_exists(dir / "plot0000.plx"));
}

TEST_F(PlotterCatalogue, PlotQueueKeepsEarlierPlots) {
    write_file(dir / "quake.sud", good_suds());
    write_file(dir / "plot0000.plx", std::string(100, 'x'));
    write_file(dir / "PLOT0007.PLX", std::string(200, 'y'));
    const Snapshot before = snapshot(dir.path());
    const RunResult r = vorlane({"/P3", "/H", "quake.sud"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("\nPlot saved as " + (dir / "plot0008.plx") + "\n"));
    EXPECT_THAT(damaged_files(before, dir.path(), {dir / "vorlane.log"}), IsEmpty());
}

#ifndef _WIN32 // a Windows desktop always has one: the window would open and wait
TEST_F(PlotterCatalogue, PlotWindowWithoutADisplay) {
    write_file(dir / "quake.sud", good_suds());
    for (const char* mode : {"/P1", "/P2"}) {
        const RunResult r = vorlane({mode, "quake.sud"});
        EXPECT_NE(r.status, 0) << mode;
        EXPECT_THAT(r.out, HasSubstr("ERROR: CreateWindow() failed: ")) << mode;
    }
}
#endif

TEST_F(PlotterCatalogue, SavePromptWithoutAConsoleTakesTheDefault) {
    // Standard input is not a terminal: the prompt must not wait for a key.
    write_file(dir / "quake.sud", good_suds());
    write_file(dir / "trelkit.ini", "[VORLANE]\n[2.X_VEXIL]\nPROMPTBEFORESAVING=Y\n");
    const RunResult r = vorlane({"/P3", "/H", "quake.sud"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("\nSave the current plot? (Y/n)\n"));
    EXPECT_TRUE(file_exists(dir / "plot0000.plx"));
}

TEST_F(PlotterCatalogue, TemporaryPlotFolderDoesNotExist) {
    write_file(dir / "quake.sud", good_suds());
    write_file(dir / "trelkit.ini", "[VORLANE]\n[2.X_VEXIL]\nTEMPDIR=" + (dir / "gone") + "\n");
    const RunResult r = vorlane({"/P3", "/H", "quake.sud"});
    EXPECT_THAT(r.err, HasSubstr("\nERROR: Cannot open temporary file: " + (dir / "gone")));
    EXPECT_FALSE(file_exists(dir / "plot0000.plx"));
}

#ifdef KELPIN_BIN
TEST_F(Catalogue, PlxFilesThatCannotBeRead) {
    const std::string window =
        std::string("\x00\x7d", 2) + std::string(16, '\0'); // 32000 and four floats
    const struct {
        const char* name;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"cut.plx", window.substr(0, 9), "record cut short at byte 0"},
        {"odd.plx", window + "\x01", "record cut short at byte 18"},
        {"code.plx", window + std::string("\x39\x30\0\0", 4),
         "unknown record code 12345 at byte 18"},
    };
    // An earlier export of the same name survives a plot file that cannot be read.
    write_file(dir / "out.pdf", "an earlier export");
    for (const auto& c : cases) {
        write_file(dir / c.name, c.bytes);
        const Snapshot before = snapshot(dir.path());
        const RunResult r =
            run_program(KELPIN_BIN, {"-o", dir / "out.pdf", dir / c.name}, dir.path());
        EXPECT_EQ(r.status, 1) << c.name;
        EXPECT_EQ(r.err, "kelpin: " + (dir / c.name) + ": " + c.message + "\n") << c.name;
        EXPECT_THAT(damaged_files(before, dir.path()), IsEmpty());
    }
}

TEST_F(Catalogue, PlxExportIntoAMissingFolder) {
    const std::string plx =
        std::string("\x02\0", 2) + std::string(8, '\0') + std::string("\x01\x80", 2);
    write_file(dir / "sheet.plx", plx);
#ifdef _WIN32
    const char* const formats[] = {"emf", "png"}; // what Windows' imaging services write
#else
    const char* const formats[] = {"pdf", "png"};
#endif
    for (const char* ext : formats) {
        const std::string out = testkit::join(dir / "missing", std::string("out.") + ext);
        const RunResult r = run_program(KELPIN_BIN, {"-o", out, dir / "sheet.plx"}, dir.path());
        EXPECT_EQ(r.status, 1) << ext;
        // The reason after the name is the graphics library's own text.
        EXPECT_THAT(r.err, HasSubstr("kelpin: cannot write " + out + ": ")) << ext;
        EXPECT_FALSE(file_exists(out)) << ext;
    }
}

TEST_F(Catalogue, PlxMissingFile) {
    const RunResult r =
        run_program(KELPIN_BIN, {"-o", dir / "out.pdf", dir / "none.plx"}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "kelpin: " + (dir / "none.plx") + ": cannot open " + (dir / "none.plx") +
                         ": No such file or directory\n");
}
#endif

} // namespace
