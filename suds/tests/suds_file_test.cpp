// Structure tag and file access on real files.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "suds/suds.h"

namespace {

using Bytes = std::vector<uint8_t>;

class SudsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        suds_reset();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = (std::filesystem::path(::testing::TempDir()) / (std::string("suds_") + info->name()))
                   .string();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
        std::filesystem::create_directories(dir_, ec);
        ASSERT_TRUE(std::filesystem::is_directory(dir_)) << ec.message();
    }
    void TearDown() override {
        suds_reset();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }

    static Bytes slurp(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    static void spit(const std::string& p, const Bytes& b) {
        std::ofstream out(p, std::ios::binary);
        out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    }
    // A file's name in the library's messages: absolute; upper case on
    // Windows, where names ignore case, and as it is elsewhere.
    static std::string upper(const std::string& p) {
        std::string s = std::filesystem::absolute(p).make_preferred().string();
#ifdef _WIN32
        for (char& c : s)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
#endif
        return s;
    }

    // A StationComp, a DescripTrace with n int32 samples, and a closing
    // StationComp; returns the sample values written.
    std::vector<int32_t> write_sample_file(const std::string& p, int n) {
        const int fd = suds_open(p.c_str(), SUDS_MODE_CREATE);
        EXPECT_EQ(fd, 1) << suds_error_text();
        SudsStationComp sc;
        sc.station.station_name = "ALPHA";
        SudsRecord rec;
        suds_record_put(sc, 0, &rec);
        EXPECT_EQ(suds_write_struct(fd, &rec), 1);
        SudsDescripTrace dt;
        dt.data_type = 'l';
        dt.number_of_samples = n;
        suds_record_put(dt, n * 4, &rec);
        EXPECT_EQ(suds_write_struct(fd, &rec), 1);
        std::vector<int32_t> samples(static_cast<size_t>(n));
        Bytes data(static_cast<size_t>(n) * 4);
        for (int i = 0; i < n; ++i) {
            samples[static_cast<size_t>(i)] = i * 7919 - 40000;
            suds_put_i32(data.data() + 4 * i, samples[static_cast<size_t>(i)]);
        }
        EXPECT_EQ(suds_write_data(fd, data.data(), n * 4), 1);
        sc.station.station_name = "OMEGA";
        suds_record_put(sc, 0, &rec);
        EXPECT_EQ(suds_write_struct(fd, &rec), 1);
        EXPECT_EQ(suds_close(fd), 1);
        return samples;
    }

    std::string dir_;
};

std::string station_of(const SudsRecord& rec) {
    SudsStationIdentifier id;
    suds_get_station_identifier(rec.body, &id);
    return id.station_name;
}

} // namespace

TEST_F(SudsFile, WrittenBytesFollowTheTagLayout) {
    const std::string p = path("layout.sud");
    write_sample_file(p, 3);
    const Bytes b = slurp(p);
    ASSERT_EQ(b.size(), size_t{12 + 108 + 12 + 96 + 12 + 12 + 108});
    const Bytes tag1 = {'S', '6', 5, 0, 108, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 12), tag1);
    const Bytes tag2 = {'S', '6', 7, 0, 96, 0, 0, 0, 12, 0, 0, 0};
    EXPECT_EQ(Bytes(b.begin() + 120, b.begin() + 132), tag2);
    // First sample -40000 = 0xFFFF63C0, little-endian, right after the body.
    const Bytes sample0 = {0xC0, 0x63, 0xFF, 0xFF};
    EXPECT_EQ(Bytes(b.begin() + 228, b.begin() + 232), sample0);
    EXPECT_EQ(std::memcmp(b.data() + 12, "unk\0ALPHA_", 10), 0);
}

TEST_F(SudsFile, ReadBackStructuresDataAndPositions) {
    const std::string p = path("round.sud");
    const auto samples = write_sample_file(p, 70000); // data above two transfer pieces
    const int fd = suds_open(p.c_str(), SUDS_MODE_READ);
    ASSERT_EQ(fd, 1);
    EXPECT_STREQ(suds_file_name(fd), upper(p).c_str());
    SudsRecord rec;
    ASSERT_EQ(suds_read_struct(fd, &rec), 1);
    EXPECT_EQ(rec.type, SUDS_STATION_COMP);
    EXPECT_EQ(rec.data_length, 0);
    EXPECT_EQ(station_of(rec), "ALPHA");
    EXPECT_EQ(suds_struct_position(fd), 0);

    // The first structure has no data block: the next one is read from the
    // present position, and its tag position is known.
    ASSERT_EQ(suds_read_struct(fd, &rec), 1);
    EXPECT_EQ(rec.type, SUDS_DESCRIP_TRACE);
    EXPECT_EQ(rec.data_length, 280000);
    EXPECT_EQ(suds_struct_position(fd), 120);
    EXPECT_EQ(suds_file_position(fd), 228);
    SudsDescripTrace dt;
    ASSERT_EQ(suds_record_get(rec, &dt), 1);
    EXPECT_EQ(dt.number_of_samples, 70000);
    std::vector<uint8_t> data(280000);
    ASSERT_EQ(suds_read_data(fd, data.data(), 280000), 1);
    for (int i = 0; i < 70000; i += 997)
        ASSERT_EQ(suds_get_i32(data.data() + 4 * i), samples[static_cast<size_t>(i)]);
    EXPECT_EQ(suds_get_i32(data.data() + 4 * 69999), samples.back());

    ASSERT_EQ(suds_read_struct(fd, &rec), 1);
    EXPECT_EQ(station_of(rec), "OMEGA");
    EXPECT_EQ(suds_struct_position(fd), 228 + 280000);
    suds_set_error_text("untouched");
    EXPECT_EQ(suds_read_struct(fd, &rec), -1);
    EXPECT_STREQ(suds_error_text(), "untouched");
    EXPECT_EQ(rec.type, 0);
    EXPECT_EQ(suds_read_struct(fd, &rec), -1); // and stays there

    // Rewind, then skip the data block unread or half read.
    ASSERT_EQ(suds_rewind(fd), 1);
    ASSERT_EQ(suds_read_struct(fd, &rec), 1);
    EXPECT_EQ(station_of(rec), "ALPHA");
    ASSERT_EQ(suds_read_struct(fd, &rec), 1);
    ASSERT_EQ(suds_read_data(fd, data.data(), 1001), 1);
    ASSERT_EQ(suds_read_struct(fd, &rec), 1);
    EXPECT_EQ(station_of(rec), "OMEGA");
    ASSERT_EQ(suds_seek(fd, 120), 1);
    ASSERT_EQ(suds_read_struct(fd, &rec), 1);
    EXPECT_EQ(rec.type, SUDS_DESCRIP_TRACE);
    ASSERT_EQ(suds_read_struct(fd, &rec), 1); // data not read at all
    EXPECT_EQ(station_of(rec), "OMEGA");
    EXPECT_EQ(suds_close(fd), 1);
    EXPECT_EQ(suds_open_count(), 0);
}

TEST_F(SudsFile, UpdateFillsInADataLengthAndWritingGoesOn) {
    const std::string p = path("update.sud");
    const int fd = suds_open(p.c_str(), SUDS_MODE_CREATE);
    ASSERT_GT(fd, 0);
    SudsRecord rec;
    SudsDescripTrace dt;
    dt.data_type = 'l';
    suds_record_put(dt, 0, &rec);
    ASSERT_EQ(suds_write_struct(fd, &rec), 1);
    const int32_t samples[5] = {1, -2, 3, -4, 5};
    uint8_t data[20];
    for (int i = 0; i < 5; ++i)
        suds_put_i32(data + 4 * i, samples[i]);
    ASSERT_EQ(suds_write_data(fd, data, 20), 1);
    const int32_t end = suds_file_position(fd);
    EXPECT_EQ(end, 12 + 96 + 20);
    dt.number_of_samples = 5;
    suds_record_put(dt, 20, &rec);
    ASSERT_EQ(suds_update(fd, &rec), 1);
    EXPECT_EQ(suds_file_position(fd), end);
    SudsStationComp sc;
    suds_record_put(sc, 0, &rec);
    ASSERT_EQ(suds_write_struct(fd, &rec), 1);
    EXPECT_EQ(suds_struct_position(fd), end);

    // A record of another type leaves the file as it is.
    ASSERT_EQ(suds_flush(fd), 1);
    const Bytes before = slurp(p);
    suds_record_put(dt, 99, &rec);
    EXPECT_EQ(suds_update(fd, &rec), 0);
    EXPECT_STREQ(suds_error_text(), "ERROR: suds_update(): structure type mismatch!");
    ASSERT_EQ(suds_flush(fd), 1);
    EXPECT_EQ(slurp(p), before);

    // An older structure: seek to its tag, read it, rewrite it.
    ASSERT_EQ(suds_seek(fd, 0), 1);
    ASSERT_EQ(suds_read_struct(fd, &rec), 1);
    ASSERT_EQ(rec.type, SUDS_DESCRIP_TRACE);
    suds_record_get(rec, &dt);
    dt.maximum_data_value = 5.0f;
    suds_record_put(dt, rec.data_length, &rec);
    ASSERT_EQ(suds_update(fd, &rec), 1);
    ASSERT_EQ(suds_close(fd), 1);

    const int rd = suds_open(p.c_str(), SUDS_MODE_READ);
    ASSERT_EQ(suds_read_struct(rd, &rec), 1);
    EXPECT_EQ(rec.data_length, 20);
    ASSERT_EQ(suds_record_get(rec, &dt), 1);
    EXPECT_EQ(dt.number_of_samples, 5);
    EXPECT_EQ(dt.maximum_data_value, 5.0f);
    uint8_t got[20];
    ASSERT_EQ(suds_read_data(rd, got, 20), 1);
    EXPECT_EQ(std::memcmp(got, data, 20), 0);
    ASSERT_EQ(suds_read_struct(rd, &rec), 1);
    EXPECT_EQ(rec.type, SUDS_STATION_COMP);
    EXPECT_EQ(suds_read_struct(rd, &rec), -1);
}

TEST_F(SudsFile, AppendAndUpdateModesOnAnExistingFile) {
    const std::string p = path("modes.sud");
    write_sample_file(p, 4);
    int fd = suds_open(p.c_str(), SUDS_MODE_APPEND);
    ASSERT_GT(fd, 0);
    EXPECT_EQ(suds_struct_position(fd), 12 + 108 + 12 + 96 + 16 + 12 + 108);
    SudsStationComp sc;
    sc.station.station_name = "ADDED";
    SudsRecord rec;
    suds_record_put(sc, 0, &rec);
    ASSERT_EQ(suds_write_struct(fd, &rec), 1);
    ASSERT_EQ(suds_close(fd), 1);

    fd = suds_open(p.c_str(), SUDS_MODE_UPDATE);
    ASSERT_GT(fd, 0);
    std::vector<std::string> names;
    while (suds_read_struct(fd, &rec) == 1)
        if (rec.type == SUDS_STATION_COMP)
            names.push_back(station_of(rec));
    EXPECT_EQ(names, (std::vector<std::string>{"ALPHA", "OMEGA", "ADDED"}));
    // Rewrite the first structure in place.
    ASSERT_EQ(suds_rewind(fd), 1);
    ASSERT_EQ(suds_read_struct(fd, &rec), 1);
    sc.station.station_name = "FIRST";
    suds_record_put(sc, 0, &rec);
    ASSERT_EQ(suds_update(fd, &rec), 1);
    ASSERT_EQ(suds_read_struct(fd, &rec), 1);
    EXPECT_EQ(rec.type, SUDS_DESCRIP_TRACE);
    ASSERT_EQ(suds_close(fd), 1);
    EXPECT_EQ(std::memcmp(slurp(p).data() + 16, "FIRST", 5), 0);

    // Unknown modes read only.
    fd = suds_open(p.c_str(), 9);
    ASSERT_GT(fd, 0);
    EXPECT_EQ(suds_write_struct(fd, &rec), 0);
    EXPECT_EQ(std::string(suds_error_text()), "ERROR: File open in read only mode: " + upper(p));
    EXPECT_EQ(suds_update(fd, &rec), 0);
    EXPECT_EQ(std::string(suds_error_text()), "ERROR: File open in read only mode: " + upper(p));
}

TEST_F(SudsFile, WriteChecksTypeAndDataLength) {
    const int fd = suds_open(path("types.sud").c_str(), SUDS_MODE_CREATE);
    SudsRecord rec;
    for (int16_t type : {int16_t{0}, int16_t{34}, int16_t{-5}}) {
        rec.type = type;
        EXPECT_EQ(suds_write_struct(fd, &rec), 0);
        EXPECT_EQ(std::string(suds_error_text()),
                  "ERROR: Unknown structure type: " + std::to_string(type));
    }
    rec.type = SUDS_CALIBRATION;
    suds_init_struct(&rec);
    ASSERT_EQ(suds_write_struct(fd, &rec), 1);
    EXPECT_EQ(suds_file_position(fd), 12 + 540);
    rec.data_length = -4;
    EXPECT_EQ(suds_write_struct(fd, &rec), 0);
    EXPECT_STREQ(suds_error_text(), "ERROR: Bad data length: -4");
    EXPECT_EQ(suds_file_position(fd), 12 + 540);
}

TEST_F(SudsFile, TenOpenFilesAndTheEleventh) {
    const std::string p = path("ten.sud");
    write_sample_file(p, 1);
    for (int i = 1; i <= 10; ++i)
        ASSERT_EQ(suds_open(p.c_str(), SUDS_MODE_READ), i);
    EXPECT_EQ(suds_open(p.c_str(), SUDS_MODE_READ), 0);
    EXPECT_STREQ(suds_error_text(), "ERROR: To many open files!");
    ASSERT_EQ(suds_close(7), 1);
    ASSERT_EQ(suds_close(3), 1);
    EXPECT_EQ(suds_open(p.c_str(), SUDS_MODE_READ), 3);
    EXPECT_EQ(suds_open(p.c_str(), SUDS_MODE_READ), 7);
    EXPECT_EQ(suds_open_count(), 10);
}

TEST_F(SudsFile, BadDescriptorsAndOpenFailures) {
    SudsRecord rec;
    uint8_t buf[4];
    for (int fd : {0, 11, -1, 2}) {
        suds_set_error_text("");
        EXPECT_EQ(suds_read_struct(fd, &rec), 0);
        EXPECT_STREQ(suds_error_text(), "ERROR: Invalid file descriptor!");
        EXPECT_EQ(suds_close(fd), 0);
        EXPECT_EQ(suds_read_data(fd, buf, 4), 0);
        EXPECT_EQ(suds_write_data(fd, buf, 4), 0);
        EXPECT_EQ(suds_write_struct(fd, &rec), 0);
        EXPECT_EQ(suds_update(fd, &rec), 0);
        EXPECT_EQ(suds_flush(fd), 0);
        EXPECT_EQ(suds_seek(fd, 0), 0);
        EXPECT_EQ(suds_rewind(fd), 0);
        EXPECT_EQ(suds_struct_position(fd), -1);
        EXPECT_EQ(suds_file_position(fd), -1);
        EXPECT_STREQ(suds_error_text(), "ERROR: Invalid file descriptor!");
    }
    const std::string missing = path("missing.sud");
    EXPECT_EQ(suds_open(missing.c_str(), SUDS_MODE_READ), 0);
    EXPECT_EQ(std::string(suds_error_text()),
              "ERROR: Unable to open file: " + missing + "\n       No such file or directory\n");
    EXPECT_EQ(suds_open(missing.c_str(), SUDS_MODE_APPEND), 0);
    EXPECT_EQ(suds_open_count(), 0);

    // A closed descriptor is invalid; the position queries empty the text.
    const int fd = suds_open(path("x.sud").c_str(), SUDS_MODE_CREATE);
    ASSERT_EQ(fd, 1);
    suds_set_error_text("old");
    EXPECT_EQ(suds_struct_position(fd), 0);
    EXPECT_STREQ(suds_error_text(), "");
    ASSERT_EQ(suds_close(fd), 1);
    EXPECT_EQ(suds_read_struct(fd, &rec), 0);
    EXPECT_STREQ(suds_error_text(), "ERROR: Invalid file descriptor!");

    // A relative path is named absolute, in its own case on Linux.
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    const int rel = suds_open("Rel.Sud", SUDS_MODE_CREATE);
    const std::string rel_name = suds_file_name(rel);
    std::filesystem::current_path(cwd);
    EXPECT_EQ(rel_name, upper(dir_ + "/Rel.Sud"));
#ifndef _WIN32
    EXPECT_EQ(rel_name, dir_ + "/Rel.Sud");
#endif
    suds_reset();

    // Messages name a long path by its first 260 characters.
    std::string deep = dir_;
    while (deep.size() < 300)
        deep += "/Folder_0123456789";
    std::filesystem::create_directories(deep);
    const std::string long_name = deep + "/Long.sud";
    const int lf = suds_open(long_name.c_str(), SUDS_MODE_CREATE);
    ASSERT_EQ(lf, 1) << suds_error_text();
    EXPECT_EQ(std::string(suds_file_name(lf)), upper(long_name).substr(0, 260));
}

TEST_F(SudsFile, OutOfSyncAndWrongMachineType) {
    const std::string p = path("sync.sud");
    write_sample_file(p, 2);
    Bytes b = slurp(p);
    const std::string bad = path("bad.sud");
    Bytes first = b;
    first[0] = 'X';
    spit(bad, first);
    int fd = suds_open(bad.c_str(), SUDS_MODE_READ);
    SudsRecord rec;
    EXPECT_EQ(suds_read_struct(fd, &rec), 0);
    EXPECT_EQ(std::string(suds_error_text()),
              "ERROR: File out of sync: " + upper(bad) + "\n       May not be a SUDS file.");
    suds_close(fd);

    Bytes machine = b;
    machine[120 + 1] = '7'; // the second tag
    spit(bad, machine);
    fd = suds_open(bad.c_str(), SUDS_MODE_UPDATE);
    ASSERT_EQ(suds_read_struct(fd, &rec), 1);
    EXPECT_EQ(suds_read_struct(fd, &rec), 0);
    EXPECT_EQ(std::string(suds_error_text()), "ERROR: Unrecognized machine type in: " + upper(bad));
    // Updating over a tag without its sync char is refused.
    Bytes lost = b;
    lost[0] = '?';
    spit(bad, lost);
    ASSERT_EQ(suds_rewind(fd), 1);
    rec.type = SUDS_STATION_COMP;
    EXPECT_EQ(suds_update(fd, &rec), 0);
    EXPECT_EQ(std::string(suds_error_text()),
              "ERROR: File out of sync: " + upper(bad) + "\n       Unable to update!");
    EXPECT_EQ(slurp(bad), lost);
}

TEST_F(SudsFile, OversizedAndNegativeLengthsStayInsideTheRecord) {
    // A tag announcing a 600-byte body and a 4-byte data block, then a StationComp.
    Bytes b = {'S', '6', 9, 0, 0x58, 0x02, 0, 0, 4, 0, 0, 0};
    for (int i = 0; i < 600; ++i)
        b.push_back(static_cast<uint8_t>(i));
    for (uint8_t d : {0xDE, 0xAD, 0xBE, 0xEF})
        b.push_back(d);
    SudsRecord sc;
    sc.type = SUDS_STATION_COMP;
    suds_init_struct(&sc);
    const Bytes tag = {'S', '6', 5, 0, 108, 0, 0, 0, 0, 0, 0, 0};
    b.insert(b.end(), tag.begin(), tag.end());
    b.insert(b.end(), sc.body, sc.body + 108);
    const std::string p = path("big.sud");
    spit(p, b);
    const int fd = suds_open(p.c_str(), SUDS_MODE_READ);
    SudsRecord rec;
    ASSERT_EQ(suds_read_struct(fd, &rec), 1);
    EXPECT_EQ(rec.type, SUDS_CALIBRATION);
    EXPECT_EQ(rec.body[539], static_cast<uint8_t>(539));
    uint8_t data[4];
    ASSERT_EQ(suds_read_data(fd, data, 4), 1); // the excess body was read past
    EXPECT_EQ(data[0], 0xDE);
    ASSERT_EQ(suds_read_struct(fd, &rec), 1);
    EXPECT_EQ(rec.type, SUDS_STATION_COMP);
    EXPECT_EQ(suds_read_struct(fd, &rec), -1);
    suds_close(fd);

    // A negative length fails the read and never sends the next one backwards.
    for (int field_at : {4, 8}) {
        Bytes neg = {'S', '6', 5, 0, 0xF4, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
        if (field_at == 8) {
            neg = {'S', '6', 5, 0, 0, 0, 0, 0, 0xF4, 0xFF, 0xFF, 0xFF};
        }
        neg.insert(neg.end(), tag.begin(), tag.end());
        neg.insert(neg.end(), sc.body, sc.body + 108);
        spit(p, neg);
        const int nfd = suds_open(p.c_str(), SUDS_MODE_READ);
        int results[4];
        for (int& r : results)
            r = suds_read_struct(nfd, &rec);
        EXPECT_EQ(results[0], 0);
        EXPECT_EQ(results[1], 1);
        EXPECT_EQ(rec.type, 0); // the -1 after it cleared the record
        EXPECT_EQ(results[2], -1);
        EXPECT_EQ(results[3], -1);
        suds_close(nfd);
    }
}

TEST_F(SudsFile, ATruncatedFileNeverCrashesAndEndsInEndOfFile) {
    const std::string full = path("full.sud");
    write_sample_file(full, 9);
    const Bytes b = slurp(full);
    const std::string cut = path("cut.sud");
    for (size_t n = 0; n < b.size(); ++n) {
        spit(cut, Bytes(b.begin(), b.begin() + static_cast<long>(n)));
        const int fd = suds_open(cut.c_str(), SUDS_MODE_READ);
        ASSERT_GT(fd, 0);
        SudsRecord rec;
        int result = 0, structures = 0;
        for (int guard = 0; guard < 10; ++guard) {
            result = suds_read_struct(fd, &rec);
            if (result != 1)
                break;
            ++structures;
            std::vector<uint8_t> data(static_cast<size_t>(rec.data_length));
            const int got = suds_read_data(fd, data.data(), rec.data_length);
            EXPECT_TRUE(got == 1 || got == 0);
        }
        EXPECT_EQ(result, -1) << "cut at " << n << ": " << suds_error_text();
        EXPECT_LT(structures, 3);
        ASSERT_EQ(suds_close(fd), 1);
    }
}
