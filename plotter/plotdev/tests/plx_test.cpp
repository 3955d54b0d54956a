// .PLX records: exact bytes, decoding back, and damaged files.
#include <gtest/gtest.h>

#include "plotdev/plx.h"

namespace {

std::vector<uint8_t> cat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

} // namespace

TEST(Plx, RecordBytes) {
    EXPECT_EQ(plx_encode_window(-2, -3, 8, 5),
              (std::vector<uint8_t>{0x00, 0x7D, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x40, 0xC0,
                                    0x00, 0x00, 0x00, 0x41, 0x00, 0x00, 0xA0, 0x40}));
    EXPECT_EQ(plx_encode_color(-32767), (std::vector<uint8_t>{0x01, 0x7D, 0x01, 0x80}));
    EXPECT_EQ(plx_encode_line_style(9), (std::vector<uint8_t>{0x02, 0x7D, 0x09, 0x00}));
    EXPECT_EQ(plx_encode_pen(-13, 0.5f, -1.0f),
              (std::vector<uint8_t>{0xF3, 0xFF, 0x00, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x80, 0xBF}));
    EXPECT_EQ(plx_encode_end(), (std::vector<uint8_t>{0x01, 0x80}));
}

TEST(Plx, DecodeGivesBackWhatWasEncoded) {
    const std::vector<uint8_t> file =
        cat({plx_encode_window(0, 0, 10, 8), plx_encode_color(7), plx_encode_line_style(0),
             plx_encode_pen(3, 1.25f, 2), plx_encode_pen(-12, -1, 1e-3f), plx_encode_color(16),
             plx_encode_end()});
    std::vector<PlxRecord> r;
    std::string error;
    ASSERT_EQ(plx_decode(file.data(), file.size(), r, error), 1) << error;
    ASSERT_EQ(r.size(), 7u);
    EXPECT_EQ(r[0].code, PLX_WINDOW);
    EXPECT_FLOAT_EQ(r[0].v[2], 10);
    EXPECT_FLOAT_EQ(r[0].v[3], 8);
    EXPECT_EQ(r[1].value, 7);
    EXPECT_EQ(r[2].code, PLX_LINE_STYLE);
    EXPECT_EQ(r[3].code, 3);
    EXPECT_FLOAT_EQ(r[3].v[0], 1.25f);
    EXPECT_EQ(r[4].code, -12);
    EXPECT_FLOAT_EQ(r[4].v[1], 1e-3f);
    EXPECT_EQ(r[5].value, 16);
    EXPECT_EQ(r[6].code, PLX_END);
}

TEST(Plx, EveryCutEitherReadsOrFailsCleanly) {
    const std::vector<uint8_t> file = cat({plx_encode_window(0, 0, 10, 8), plx_encode_color(7),
                                           plx_encode_pen(2, 1, 1), plx_encode_end()});
    const size_t boundaries[] = {0, 18, 22, 32, 34};
    for (size_t n = 0; n <= file.size(); ++n) {
        std::vector<PlxRecord> r;
        std::string error;
        const bool whole =
            std::find(std::begin(boundaries), std::end(boundaries), n) != std::end(boundaries);
        EXPECT_EQ(plx_decode(file.data(), n, r, error), whole ? 1 : 0) << n;
        if (!whole) {
            EXPECT_NE(error.find("cut short"), std::string::npos) << error;
        }
    }
}

TEST(Plx, UnknownCodeIsAnError) {
    const std::vector<uint8_t> file =
        cat({plx_encode_color(1), {0x05, 0x00, 0, 0, 0, 0, 0, 0, 0, 0}});
    std::vector<PlxRecord> r;
    std::string error;
    EXPECT_EQ(plx_decode(file.data(), file.size(), r, error), 0);
    EXPECT_EQ(r.size(), 1u);
    EXPECT_EQ(error, "unknown record code 5 at byte 4");
    EXPECT_EQ(plx_read_file("/nonexistent/x.plx", r, error), 0);
    EXPECT_NE(error.find("cannot open"), std::string::npos);
}
