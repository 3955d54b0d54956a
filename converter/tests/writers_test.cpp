// Pass 2: the channel index of a work file, the channel codes and the three
// writers (ASCII byte for byte, Mini-SEED through our decoder and libmseed).
#include "channel_index.h"
#include "mseed_record.h"
#include "platform/mapped_file.h"
#include "steim.h"
#include "writers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <suds/suds.h>

#include "mseed_record_check.h"
#include "run.h"
#include "testkit/testkit.h"
#include "writers_capture.h"

namespace fs = std::filesystem;

namespace {

using Samples = std::vector<std::int32_t>;

using testkit::read_file;

// One channel of a work file to be written.
struct TraceSpec {
    std::string network = "TAL";
    std::string station = "STA1";
    char component = 'z';
    std::string long_network = "NET";
    std::string long_station = "TALV1";
    std::string long_component = "BHZ";
    char type = 'l';
    double start = 1158920430.75; // 2006-09-22 10:20:30.750
    float rate = 100.0f;
    double time_correction = 0.0;
    Samples samples;
    bool with_station_comp = true;
    bool with_descrip_trace = true;
    std::int32_t announced_bytes = -1; // data length to announce, -1: the true one
};

SudsStationIdentifier ident(const TraceSpec& t) {
    SudsStationIdentifier id;
    id.network = t.network;
    id.station_name = t.station;
    id.component = t.component;
    return id;
}

class Writers : public ::testing::Test {
  protected:
    void SetUp() override {
        run_reset();
        suds_reset();
        work_ = dir_ / "rec.suds";
    }
    void TearDown() override {
        suds_reset();
        run_reset();
    }

    std::string path(const std::string& name) const { return dir_ / name; }

    void write_work(const std::vector<TraceSpec>& traces) {
        const int fd = suds_open(work_.c_str(), SUDS_MODE_CREATE);
        ASSERT_GT(fd, 0) << suds_error_text();
        for (const TraceSpec& t : traces) {
            SudsRecord rec;
            if (t.with_station_comp) {
                SudsStationComp sc;
                sc.station = ident(t);
                suds_record_put(sc, 0, &rec);
                ASSERT_EQ(suds_write_struct(fd, &rec), 1) << suds_error_text();
            }
            if (!t.with_descrip_trace)
                continue;
            SudsDescripTrace dt;
            dt.station = ident(t);
            dt.long_station.long_network = t.long_network;
            dt.long_station.long_station = t.long_station;
            dt.long_station.long_component = t.long_component;
            dt.data_type = t.type;
            dt.initial_sample_time = t.start;
            dt.samples_per_second = t.rate;
            dt.time_correction = t.time_correction;
            dt.number_of_samples = static_cast<std::int32_t>(t.samples.size());
            const int width = (t.type == 'l' || t.type == '2') ? 4 : 2;
            std::vector<std::uint8_t> bytes;
            for (std::int32_t s : t.samples)
                for (int b = 0; b < width; ++b)
                    bytes.push_back(
                        static_cast<std::uint8_t>(static_cast<std::uint32_t>(s) >> (8 * b)));
            const auto len = static_cast<std::int32_t>(bytes.size());
            suds_record_put(dt, t.announced_bytes >= 0 ? t.announced_bytes : len, &rec);
            ASSERT_EQ(suds_write_struct(fd, &rec), 1) << suds_error_text();
            if (len > 0) {
                ASSERT_EQ(suds_write_data(fd, bytes.data(), len), 1) << suds_error_text();
            }
        }
        ASSERT_EQ(suds_close(fd), 1);
    }

    // Opens the work file, builds its index and writes every channel into `out`.
    int run_pass2(std::FILE* out, ChannelIndex* index_out = nullptr) {
        const int fd = suds_open(work_.c_str(), SUDS_MODE_READ);
        EXPECT_EQ(fd, 1);
        ChannelIndex index;
        const int n = channel_index_build(fd, &index);
        int ok = n >= 0;
        ctx_.format = g_run.asc    ? OutputFormat::Ascii
                      : g_run.casc ? OutputFormat::AsciiPerChannel
                                   : OutputFormat::MiniSeed;
        ctx_.verbose = g_run.verbose;
        ctx_.input_name = g_run.input_name;
        ctx_.current_output = g_run.current_output;
        ctx_.bit_weights = g_run.bit_weights;
        // Samples come from the mapped file as in a run; what it cannot give, through SUDS.
        platform::MappedFile map;
        ctx_.work = map.open(work_) ? &map : nullptr;
        MseedAheadPtr ahead =
            ahead_records_ > 0 ? mseed_ahead_open(work_, ahead_records_) : nullptr;
        ctx_.ahead = ahead.get();
        ctx_.index = &index;
        for (std::size_t i = 0; i < index.size() && ok; ++i) {
            ctx_.index_at = i;
            mseed_look_ahead(ctx_.ahead, fd, index, i);
            ok = write_channel(fd, index[i], out, ctx_);
        }
        ahead.reset();
        ctx_.ahead = nullptr;
        ctx_.index = nullptr;
        ctx_.work = nullptr;
        suds_close(fd);
        if (index_out)
            *index_out = index;
        return ok;
    }

    int ahead_records_ =
        0; // > 0: Mini-SEED records made ahead on a second thread, at most that many

    std::string run_to_file(const std::string& name, int* ok = nullptr) {
        const std::string p = path(name);
        std::FILE* f = std::fopen(p.c_str(), "wb");
        const int r = run_pass2(f);
        std::fclose(f);
        if (ok)
            *ok = r;
        return read_file(p);
    }

    testkit::TempDir dir_{"talvex-writers-"};
    std::string work_;
    WriterContext ctx_;
};

Samples random_walk(std::size_t n, unsigned seed, int step_bits = 8) {
    std::mt19937 rng(seed);
    Samples s(n);
    std::uint32_t x = rng();
    const std::uint32_t mask = step_bits >= 32 ? ~0u : ((1u << step_bits) - 1);
    for (auto& v : s) {
        x += (rng() & mask) - (mask >> 1);
        v = static_cast<std::int32_t>(x);
    }
    return s;
}

} // namespace

TEST_F(Writers, IndexFollowsFirstAppearanceAndKeepsLatestValues) {
    TraceSpec a, b, c;
    a.station = "AAA1";
    a.samples = {1, 2, 3};
    b.station = "BBB2";
    b.with_descrip_trace = false; // StationComp only
    c.station = "AAA1";           // a second DescripTrace of channel a
    c.with_station_comp = false;
    c.type = 'i';
    c.samples = {4, 5};
    write_work({a, b, c});

    const int fd = suds_open(work_.c_str(), SUDS_MODE_READ);
    ChannelIndex index;
    ASSERT_EQ(channel_index_build(fd, &index), 2);
    // Tag positions: StationComp 12+108, DescripTrace 12+96 + data.
    EXPECT_EQ(index[0].sc_pos, 0);
    EXPECT_EQ(index[0].in_pos, -1);
    // a: StationComp at 0 (12 + 108 bytes), DescripTrace at 120 (12 + 96 + 12);
    // b: StationComp at 240; c: DescripTrace at 360.
    EXPECT_EQ(index[0].dt_pos, 360);
    EXPECT_EQ(index[0].dt_len, 4); // the later DescripTrace: 2 samples of 2 bytes
    EXPECT_EQ(index[0].type, 'i');
    EXPECT_EQ(index[0].long_id.long_network, "NET");
    EXPECT_EQ(index[1].sc_pos, 120 + 108 + 12);
    EXPECT_EQ(index[1].dt_pos, -1);
    EXPECT_EQ(index[1].dt_len, 0);
    EXPECT_EQ(index[1].type, 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(index[1].identifier) + 4, 4), "BBB2");

    ReportCapture cap;
    channel_index_dump(index);
    const std::string want =
        "\nSUDS file index dump:\n"
        "\nEntry #1\nsc_pos = 0\nin_pos = -1\ndt_pos = 360\ndt_len = 4\ntype= i\n"
        "\nEntry #2\nsc_pos = 240\nin_pos = -1\ndt_pos = -1\ndt_len = 0\ntype= ";
    EXPECT_EQ(cap.text(), want + std::string(1, '\0') + "\n");
    suds_close(fd);
}

TEST_F(Writers, IndexOfAFileThatIsNotSuds) {
    {
        std::ofstream f(work_, std::ios::binary);
        f << "this is no SUDS file at all";
    }
    const int fd = suds_open(work_.c_str(), SUDS_MODE_READ);
    ChannelIndex index;
    ReportCapture cap;
    EXPECT_EQ(channel_index_build(fd, &index), -1);
    EXPECT_NE(cap.text().find("ERROR: File out of sync"), std::string::npos) << cap.text();
    suds_close(fd);

    write_work({}); // an empty file: no entries, no failure
    const int fd2 = suds_open(work_.c_str(), SUDS_MODE_READ);
    EXPECT_EQ(channel_index_build(fd2, &index), 0);
    suds_close(fd2);
}

TEST_F(Writers, CodesFromLongAndShortIdentifiers) {
    auto codes_of = [](const std::string& station, char comp, const std::string& lsta,
                       const std::string& lcomp, const std::string& lnet = "NET") {
        ChannelIndexEntry e;
        SudsStationIdentifier id;
        id.network = "TAL";
        id.station_name = station;
        id.component = comp;
        suds_put_station_identifier(id, e.identifier);
        e.long_id.long_network = lnet;
        e.long_id.long_station = lsta;
        e.long_id.long_component = lcomp;
        const ChannelCodes c = channel_codes(e);
        return std::string(c.network) + ":" + c.station + ":" + c.channel + ":" + c.location;
    };
    EXPECT_EQ(codes_of("X", 'z', "TALV1", "BHZ"), "NE:TALV1:BHZ:  ");
    EXPECT_EQ(codes_of("X", 'z', "LONGSTATION", "BHZ01"), "NE:LONGS:BHZ:  ");
    EXPECT_EQ(codes_of("X", 'z', "TALV1", "BHZ", ""), ":TALV1:BHZ:  ");
    // Without both long names: from the short identifier.
    EXPECT_EQ(codes_of("CH2", 'b', "TALV1", ""), "TA:CH2:BH :  ");
    EXPECT_EQ(codes_of("ABC5X", 'b', "", "BHZ"), "TA:ABC5X:BHN:  ");
    EXPECT_EQ(codes_of("ABC1", 'B', "", ""), "TA:ABC1:BHZ:  ");
    EXPECT_EQ(codes_of("ABC4", 'e', "", ""), "TA:ABC4:EHZ:  ");
    EXPECT_EQ(codes_of("ABC6", 'H', "", ""), "TA:ABC6:HLE:  ");
    EXPECT_EQ(codes_of("ABC3", 'z', "", ""), "TA:ABC3:z  :  ");
}

TEST_F(Writers, AsciiOneFileByteForByte) {
    TraceSpec a, b;
    a.samples = {0, -1, 2147483647, -2147483647 - 1};
    b.long_station = "TALV2";
    b.long_component = "BHN";
    b.station = "STA2";
    b.type = 'i'; // 16-bit samples, widened with their sign
    b.samples = {-32768, 32767, -5};
    b.rate = 40.0f;
    b.start = 1158920430.0 + 0.123;
    write_work({a, b});
    g_run.asc = true;
    g_run.casc = false;
    int ok = 0;
    const std::string text = run_to_file("rec.asc", &ok);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(text, "NE:TALV1:BHZ\n09/22/06 10:20:30.750\n100.00\n4\n"
                    "0\r\n-1\r\n2147483647\r\n-2147483648\r\n"
                    "NE:TALV2:BHN\n09/22/06 10:20:30.123\n40.00\n3\n"
                    "-32768\r\n32767\r\n-5\r\n");
}

TEST_F(Writers, AsciiSampleLinesAreThePrintfLinesAcrossReadsAndExtremes) {
    // Every length of number, both extremes, and values on both sides of a
    // read boundary (the writers read 16384 samples at a time).
    Samples s(16384 + 40, 7);
    const Samples special{0,          -1,          9,          -9,
                          10,         -10,         99999,      -100000,
                          1000000000, -1000000000, 2147483647, -2147483647 - 1,
                          2147483646, -2147483647};
    for (std::size_t i = 0; i < special.size(); ++i) {
        s[i] = special[i];
        s[16384 - special.size() / 2 + i] = special[i];
    }
    s.back() = -2147483647 - 1;
    std::string expected;
    char line[16];
    for (const std::int32_t v : s) {
        std::snprintf(line, sizeof line, "%d\r\n", v);
        expected += line;
    }
    std::vector<char> direct(s.size() * 13);
    const char* end = format_sample_lines(s.data(), static_cast<long>(s.size()), direct.data());
    EXPECT_EQ(std::string(static_cast<const char*>(direct.data()), end), expected);

    TraceSpec a;
    a.samples = s;
    write_work({a});
    g_run.asc = true;
    int ok = 0;
    const std::string text = run_to_file("rec.asc", &ok);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(text, "NE:TALV1:BHZ\n09/22/06 10:20:30.750\n100.00\n16424\n" + expected);
    g_run.asc = false;
    g_run.casc = true;
    g_run.current_output = path("rec.asc");
    EXPECT_EQ(run_pass2(nullptr), 1);
    EXPECT_EQ(read_file(path("rec_BHZ.asc")),
              "H 1158920430.750000 1 100.00 0.000000e+00\n" + expected);
}

TEST_F(Writers, AsciiPerChannelFilesCountChannelsOverTheRun) {
    TraceSpec a, b;
    a.samples = {10, 20};
    b.long_component = "BHN";
    b.station = "STA2";
    b.samples = {-7};
    b.rate = 0.5f;
    write_work({a, b});
    g_run.casc = true;
    g_run.verbose = true;
    g_run.bit_weights = {1.5e-6, 2.5e-7, 3.0};
    ctx_.channel_ordinal = 1; // a channel of an earlier work file
    g_run.current_output = path("rec.asc");
    ReportCapture cap;
    EXPECT_EQ(run_pass2(nullptr), 1);
    EXPECT_EQ(cap.text(), "Output file: " + path("rec_BHZ.asc") +
                              "\nOutput file: " + path("rec_BHN.asc") + "\n");
    EXPECT_EQ(read_file(path("rec_BHZ.asc")),
              "H 1158920430.750000 2 100.00 2.500000e-07\n10\r\n20\r\n");
    EXPECT_EQ(read_file(path("rec_BHN.asc")), "H 1158920430.750000 3 0.50 3.000000e+00\n-7\r\n");
    EXPECT_EQ(ctx_.channel_ordinal, 3);
    EXPECT_FALSE(testkit::file_exists(path("rec.asc")));
}

TEST_F(Writers, AsciiPerChannelNameWithoutDotAndUnwritableFolder) {
    TraceSpec a;
    a.samples = {1};
    write_work({a});
    g_run.casc = true;
    g_run.current_output = path("out.d/rec"); // no "." in the file name
    fs::create_directories(testkit::fs_path(path("out.d")));
    EXPECT_EQ(run_pass2(nullptr), 1);
    EXPECT_EQ(read_file(path("out.d/rec_BHZ.asc")),
              "H 1158920430.750000 1 100.00 0.000000e+00\n1\r\n");

    g_run.current_output = path("missing/rec.asc");
    ReportCapture cap;
    EXPECT_EQ(run_pass2(nullptr), 0);
    EXPECT_EQ(cap.text(),
              "\nERROR: unable ot open output file: " + path("missing/rec_BHZ.asc") + "\n");
}

TEST_F(Writers, ChannelsWithoutSamplesOrOfUnknownTypeWriteNothing) {
    TraceSpec none, odd, good;
    none.station = "NON1";
    none.long_component = "BHE";
    none.with_descrip_trace = false;
    odd.station = "ODD1";
    odd.long_component = "BHN";
    odd.type = 'f';
    odd.samples = {1, 2};
    good.samples = {5, 6, 7};
    write_work({none, odd, good});
    g_run.asc = true;
    ReportCapture cap;
    int ok = 0;
    const std::string text = run_to_file("rec.asc", &ok);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(cap.text(), "\nWARNING: unrecognized data type: f\n");
    EXPECT_EQ(text, "NE:TALV1:BHZ\n09/22/06 10:20:30.750\n100.00\n3\n5\r\n6\r\n7\r\n");
}

TEST_F(Writers, TruncatedSamplesFailWithTheLibraryText) {
    TraceSpec a;
    a.samples = {1, 2, 3};
    a.announced_bytes = 400; // more than the file holds
    write_work({a});
    for (int format = 0; format < 2; ++format) {
        g_run.asc = format == 1;
        ReportCapture cap;
        int ok = 1;
        run_to_file("rec.out", &ok);
        EXPECT_EQ(ok, 0);
        EXPECT_NE(cap.text().find("ERROR: Read error"), std::string::npos) << cap.text();
        EXPECT_NE(cap.text().find("Unexpected end of file"), std::string::npos) << cap.text();
    }
}

#ifdef HAVE_LIBMSEED
TEST_F(Writers, MiniSeedRecordsFollowOneAnotherInTime) {
    TraceSpec a;
    a.samples = random_walk(10000, 1, 6);
    a.start = 1158920437.72; // .72 has no exact binary form
    write_work({a});
    int ok = 0;
    const std::string bytes = run_to_file("rec.msed", &ok);
    ASSERT_EQ(ok, 1);
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const LibmseedResult r = libmseed_read(p, bytes.size());
    ASSERT_TRUE(r.ok) << r.messages;
    EXPECT_EQ(libmseed_samples(r), a.samples);
    ASSERT_GE(r.records.size(), 3u);
    std::int64_t expected_us = 1158920437720000;
    long done = 0;
    for (std::size_t i = 0; i < r.records.size(); ++i) {
        const LibmseedRecord& rec = r.records[i];
        EXPECT_EQ(rec.sequence_number, static_cast<int>(i + 1));
        EXPECT_EQ(rec.network, "NE");
        EXPECT_EQ(rec.station, "TALV1");
        EXPECT_EQ(rec.channel, "BHZ");
        EXPECT_EQ(rec.location, "");
        EXPECT_DOUBLE_EQ(rec.rate, 100.0);
        EXPECT_EQ(rec.start_us, expected_us + done * 10000) << i; // 1/100 s per sample
        done += static_cast<long>(rec.samples.size());
        // Our own decoder agrees and frames past the data are zero.
        Samples back(rec.samples.size());
        ReportCapture cap;
        const std::uint8_t* record = p + i * MSEED_RECORD_SIZE;
        ASSERT_EQ(steim_decompress_record(record, back.data()), static_cast<int>(back.size()));
        EXPECT_EQ(cap.text(), "");
        EXPECT_EQ(back, rec.samples);
        EXPECT_EQ(std::string(bytes, i * MSEED_RECORD_SIZE, 6),
                  (i < 9 ? "00000" : "0000") + std::to_string(i + 1));
    }
}

TEST_F(Writers, MiniSeedOfEverySignalIsReadExactlyByLibmseed) {
    std::vector<TraceSpec> traces;
    auto add = [&](const char* comp, Samples s, char type = 'l') {
        TraceSpec t;
        t.long_component = comp;
        t.station = std::string("S") + comp;
        t.samples = std::move(s);
        t.type = type;
        traces.push_back(t);
    };
    add("RW1", random_walk(30000, 2, 10));
    Samples sine(9000);
    for (std::size_t k = 0; k < sine.size(); ++k)
        sine[k] = static_cast<std::int32_t>(2.0e6 * std::sin(static_cast<double>(k) * 0.01));
    add("SIN", sine);
    add("CON", Samples(10000, 5));
    Samples jumps(5000);
    for (std::size_t k = 0; k < jumps.size(); ++k)
        jumps[k] = (k % 2) ? 2147483647 : -2147483647 - 1;
    add("JMP", jumps);
    add("ONE", {123456});
    add("I16", {-32768, 0, 32767, 1, -1}, 'i');
    add("NOI", random_walk(8000, 3, 32));
    write_work(traces);

    int ok = 0;
    const std::string bytes = run_to_file("rec.msed", &ok);
    ASSERT_EQ(ok, 1);
    const LibmseedResult r =
        libmseed_read(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    ASSERT_TRUE(r.ok) << r.messages;
    // Split the records by channel; each channel's sequence starts at 1.
    std::size_t i = 0;
    for (const TraceSpec& t : traces) {
        Samples got;
        int seq = 1;
        while (i < r.records.size() && r.records[i].channel == t.long_component) {
            EXPECT_EQ(r.records[i].sequence_number, seq++);
            got.insert(got.end(), r.records[i].samples.begin(), r.records[i].samples.end());
            ++i;
        }
        EXPECT_EQ(got, t.samples) << t.long_component;
    }
    EXPECT_EQ(i, r.records.size());
    // The constant 5 of 10000 samples takes records of 3772, 3772 and 2456.
    int con = 0;
    for (const auto& rec : r.records)
        if (rec.channel == "CON") {
            EXPECT_EQ(rec.samples.size(), con < 2 ? 3772u : 2456u);
            ++con;
        }
    EXPECT_EQ(con, 3);
}
#endif

TEST_F(Writers, MiniSeedWriteFailureIsReported) {
    TraceSpec a;
    a.samples = {1, 2, 3};
    write_work({a});
#ifdef _WIN32
    // No full device here: a stream open for reading only fails every write alike.
    testkit::write_file(path("full.msed"), "");
    std::FILE* full = std::fopen(path("full.msed").c_str(), "rb");
#else
    std::FILE* full = std::fopen("/dev/full", "wb");
#endif
    ASSERT_NE(full, nullptr);
    std::setvbuf(full, nullptr, _IONBF, 0);
    ReportCapture cap;
    EXPECT_EQ(run_pass2(full), 0);
    std::fclose(full);
    EXPECT_EQ(cap.text(), "\nERROR: write error to output file!\n");
}

TEST_F(Writers, MiniSeedMadeAheadIsTheSameWhereverTheWorkChangesHands) {
    // Records made ahead on the second thread, at most 2 of a channel, then
    // the writer goes on: channels that fit, that do not, without samples,
    // and of 16-bit samples give the bytes of a writer working alone.
    TraceSpec a, b, none, c, d;
    a.samples = random_walk(9000, 3, 6);
    b.samples = random_walk(20000, 4, 14);
    b.station = "STA2";
    none.station = "STA3";
    c.samples = random_walk(4000, 5, 6);
    c.station = "STA4";
    c.type = 's';
    for (auto& v : c.samples)
        v = static_cast<std::int16_t>(v);
    d.samples = random_walk(30000, 6, 31);
    d.station = "STA5";
    write_work({a, b, none, c, d});
    int ok = 0;
    const std::string alone = run_to_file("alone.msed", &ok);
    ASSERT_EQ(ok, 1);
    for (int records : {1, 2, 1000}) {
        ahead_records_ = records;
        const std::string ahead = run_to_file("ahead.msed", &ok);
        ASSERT_EQ(ok, 1);
        EXPECT_TRUE(ahead == alone) << records;
    }
}
