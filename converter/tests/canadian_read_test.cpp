// The samples step: plain and compressed channel data of a subframe into the
// SUDS file, padding, limits and its messages.
#include "assembly.h"
#include "canadian.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <suds/suds.h>

#include "testkit/testkit.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class ReadSamples : public ::testing::Test {
  protected:
    void SetUp() override {
        suds_reset();
        out_ = dir_ / "read.suds";
        fd_ = suds_open(out_.c_str(), SUDS_MODE_CREATE);
        ASSERT_GT(fd_, 0);
    }
    void TearDown() override { suds_reset(); }

    // Runs the step on `input` (the bytes that follow the subframe's data
    // size), returning its result, the bytes it appended and what it wrote to
    // standard error; `left` receives the input bytes the step does not take.
    int run(const Bytes& input, int transformation, long n, long size, Bytes* written,
            std::string* err, long* left = nullptr) {
        RecorderSubframe sf;
        sf.transformation = static_cast<std::uint8_t>(transformation);
        sf.samples = static_cast<std::int32_t>(n);
        sf.data_size = static_cast<std::int32_t>(size);
        const long long take = subframe_data_bytes(sf);
        const bool whole = take <= static_cast<long long>(input.size());
        ::testing::internal::CaptureStderr();
        const int r = append_subframe_samples(whole ? input.data() : nullptr, transformation, n,
                                              size, fd_, scratch_);
        *err = ::testing::internal::GetCapturedStderr();
        // A refused subframe takes nothing.
        if (left)
            *left = static_cast<long>(input.size()) - (r == 1 ? static_cast<long>(take) : 0);
        suds_close(fd_);
        const std::string bytes = testkit::read_file(out_);
        written->assign(bytes.begin(), bytes.end());
        fd_ = suds_open(out_.c_str(), SUDS_MODE_CREATE);
        return r;
    }

    static Bytes le(const std::vector<std::int32_t>& s) {
        Bytes b;
        for (std::int32_t v : s)
            for (int k = 0; k < 4; ++k)
                b.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * k)));
        return b;
    }

    testkit::TempDir dir_;
    std::string out_;
    int fd_ = 0;
    SampleScratch scratch_;
};

} // namespace

TEST_F(ReadSamples, PlainSamplesAreCopied) {
    const std::vector<std::int32_t> s{1, -2, 2147483647, -2147483647 - 1, 0};
    Bytes written;
    std::string err;
    long left = 0;
    Bytes input = le(s);
    input.push_back(0x55); // the trailer follows
    EXPECT_EQ(run(input, 0, 5, 20, &written, &err, &left), 1);
    EXPECT_EQ(written, le(s));
    EXPECT_EQ(err, "");
    EXPECT_EQ(left, 1);
}

TEST_F(ReadSamples, CompressedBlockReadsItsPaddingButDecodesWithinItsSize) {
    // A block of 20 equal samples is 16 bytes; with the data size set to 17 the step
    // reads 20 bytes (padding to a multiple of 4) and decodes within 17.
    std::vector<std::int32_t> s(20, 42);
    std::vector<std::int32_t> work = s;
    Bytes block(canadian_max_block_size(20));
    long len = 0;
    ASSERT_EQ(canadian_compress(block.data(), work.data(), &len, 20, 42), 0);
    ASSERT_EQ(len, 16);
    block.resize(20, 0xEE);
    block.push_back(0x77); // first trailer byte
    Bytes written;
    std::string err;
    long left = 0;
    EXPECT_EQ(run(block, 1, 20, 17, &written, &err, &left), 1);
    EXPECT_EQ(written, le(s));
    EXPECT_EQ(left, 1);
    EXPECT_EQ(err, "");
    // No samples: the (padded) block is passed over, nothing is appended.
    EXPECT_EQ(run(Bytes(5, 0), 1, 0, 2, &written, &err, &left), 1);
    EXPECT_TRUE(written.empty());
    EXPECT_EQ(left, 1);
}

TEST_F(ReadSamples, FailuresAndTheirMessages) {
    Bytes written;
    std::string err;
    // Short plain data.
    EXPECT_EQ(run(Bytes(7, 0), 0, 2, 8, &written, &err), 0);
    EXPECT_EQ(err, "ERROR: read error\n");
    // Short compressed data.
    EXPECT_EQ(run(Bytes(10, 0), 1, 20, 16, &written, &err), 0);
    EXPECT_EQ(err, "ERROR: read error\n");
    // A count the block format cannot hold.
    EXPECT_EQ(run(Bytes(64, 0), 1, 30, 64, &written, &err), 0);
    EXPECT_EQ(err, "ERROR: decompression error\n");
    // A data size smaller than the code words demand.
    EXPECT_EQ(run(Bytes(64, 0), 1, 20, 8, &written, &err), 0);
    EXPECT_EQ(err, "ERROR: decompression error\n");
    EXPECT_TRUE(written.empty());
    // Beyond the buffers and unknown transformations: refused before reading.
    long left = 0;
    EXPECT_EQ(run(Bytes(8, 0), 0, 120001, 480004, &written, &err, &left), 0);
    EXPECT_EQ(err, "ERROR: subframe too large: 120001 samples, 480004 bytes\n");
    EXPECT_EQ(left, 8);
    EXPECT_EQ(run(Bytes(8, 0), 1, 20, 480001, &written, &err), 0);
    EXPECT_EQ(run(Bytes(8, 0), 0, -1, 0, &written, &err), 0);
    EXPECT_EQ(run(Bytes(8, 0), 2, 2, 8, &written, &err, &left), 0);
    EXPECT_EQ(err, "ERROR: unsupported data transformation: 2\n");
    EXPECT_EQ(left, 8);
}

TEST_F(ReadSamples, SudsWriteFailureShowsTheLibraryText) {
    suds_close(fd_);
    fd_ = suds_open(out_.c_str(), SUDS_MODE_READ); // read only: writing fails
    Bytes written;
    std::string err;
    EXPECT_EQ(run(le({1, 2}), 0, 2, 8, &written, &err), 0);
    EXPECT_EQ(err.rfind("\nERROR: Write error: ", 0), 0u) << err;
}
