// kelpin on hand-made plot files: each export type, the page orientation,
// damaged input, and printing or keeping the plot when no -o is given.
#include <cairo.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Window (0, 0, 10, 8), colour 4 (red), style 0, pen up to (5, 0), pen down
// to (5, 8), end: written byte by byte.
const std::vector<uint8_t> kLinePlot = {
    0x00, 0x7D, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x20, 0x41, 0x00, 0x00,
    0x00, 0x41, 0x01, 0x7D, 0x04, 0x00, 0x02, 0x7D, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0xA0, 0x40,
    0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0xA0, 0x40, 0x00, 0x00, 0x00, 0x41, 0x01, 0x80};

class KelpinTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char t[] = "/tmp/kelpin_test_XXXXXX";
        ASSERT_NE(mkdtemp(t), nullptr);
        dir = t;
        plot = dir + "/in plot.plx"; // a blank in the name on purpose
        write(plot, kLinePlot);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    static void write(const std::string& path, const std::vector<uint8_t>& bytes) {
        std::ofstream f(path, std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
    }
    static std::string slurp(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
    static std::string q(const std::string& s) {
        std::string r = "'";
        for (char c : s)
            r += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return r + "'";
    }
    // Runs kelpin with `env` settings in front; returns its exit status.
    int kelpin(const std::string& args, const std::string& env = "") {
        const std::string cmd = "env " + env + " " + q(KELPIN_BIN) + " " + args + " >" +
                                q(dir + "/out") + " 2>" + q(dir + "/err");
        const int s = std::system(cmd.c_str());
        out = slurp(dir + "/out");
        err = slurp(dir + "/err");
        return WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    }
    // The line is antialiased: red means full red with little green or blue.
    static bool red(uint32_t p) {
        return (p >> 16) == 0xFF && ((p >> 8) & 0xFF) < 0x80 && (p & 0xFF) < 0x80;
    }
    static uint32_t pixel(cairo_surface_t* s, int x, int y) {
        const unsigned char* d = cairo_image_surface_get_data(s);
        const int stride = cairo_image_surface_get_stride(s);
        uint32_t v;
        std::memcpy(&v, d + y * stride + x * 4, 4);
        return v & 0xFFFFFF;
    }

    std::string dir, plot, out, err;
};

} // namespace

TEST_F(KelpinTest, PngShowsThePageAsThePlotWindowDoes) {
    ASSERT_EQ(kelpin("-o " + q(dir + "/a.png") + " " + q(plot)), 0) << err;
    cairo_surface_t* s = cairo_image_surface_create_from_png((dir + "/a.png").c_str());
    ASSERT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
    cairo_surface_flush(s);
    const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
    EXPECT_GT(h, w); // x (10 units) runs down, y (8 units) across
    // x = 5 is half way down: a red line from left to right.
    EXPECT_TRUE(red(pixel(s, w / 2, h / 2))) << std::hex << pixel(s, w / 2, h / 2);
    EXPECT_TRUE(red(pixel(s, w / 4, h / 2)));
    EXPECT_EQ(pixel(s, w / 2, h / 2 - 10), 0xFFFFFFu);
    EXPECT_EQ(pixel(s, 5, h / 2), 0xFFFFFFu); // the margin stays blank
    cairo_surface_destroy(s);

    ASSERT_EQ(kelpin("-u -o " + q(dir + "/b.png") + " " + q(plot)), 0) << err;
    s = cairo_image_surface_create_from_png((dir + "/b.png").c_str());
    ASSERT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
    const int uw = cairo_image_surface_get_width(s), uh = cairo_image_surface_get_height(s);
    EXPECT_GT(uw, uh);
    EXPECT_TRUE(red(pixel(s, uw / 2, uh / 4))); // now a vertical line
    EXPECT_EQ(pixel(s, uw / 2 + 10, uh / 4), 0xFFFFFFu);
    cairo_surface_destroy(s);
}

TEST_F(KelpinTest, OriginShiftsAndRelativePens) {
    // pen (2, 3, -3); window (-2, -3, 8, 5); pen (1, 0, 2); pen (0, 1, 12)
    const std::vector<uint8_t> shifted = {
        0x00, 0x7D, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x20,
        0x41, 0x00, 0x00, 0x00, 0x41, 0x01, 0x7D, 0x04, 0x00, 0x02, 0x7D, 0x00, 0x00,
        0xFD, 0xFF, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x40, 0x40, 0x00, 0x7D, 0x00,
        0x00, 0x00, 0xC0, 0x00, 0x00, 0x40, 0xC0, 0x00, 0x00, 0x00, 0x41, 0x00, 0x00,
        0xA0, 0x40, 0x02, 0x00, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x0C,
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3F, 0x01, 0x80};
    write(dir + "/s.plx", shifted);
    ASSERT_EQ(kelpin("-u -o " + q(dir + "/s.png") + " " + q(dir + "/s.plx")), 0) << err;
    cairo_surface_t* s = cairo_image_surface_create_from_png((dir + "/s.png").c_str());
    ASSERT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
    // 1600 x 1296 pixels, 40 pixels of margin, 152 pixels per unit; y up.
    ASSERT_EQ(cairo_image_surface_get_width(s), 1600);
    ASSERT_EQ(cairo_image_surface_get_height(s), 1296);
    EXPECT_TRUE(red(pixel(s, 420, 800)));      // old (2, 3) to old (3, 3)
    EXPECT_TRUE(red(pixel(s, 496, 724)));      // on up to old (3, 4)
    EXPECT_EQ(pixel(s, 192, 1180), 0xFFFFFFu); // not where unshifted numbers would go
    cairo_surface_destroy(s);
}

TEST_F(KelpinTest, VectorFormats) {
    ASSERT_EQ(kelpin("-o " + q(dir + "/a.pdf") + " " + q(plot)), 0) << err;
    const std::string pdf = slurp(dir + "/a.pdf");
    EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
    EXPECT_NE(pdf.find("%%EOF"), std::string::npos);

    ASSERT_EQ(kelpin("-o " + q(dir + "/a.SVG") + " " + q(plot)), 0) << err;
    const std::string svg = slurp(dir + "/a.SVG");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("rgb(100%,0%,0%)"), std::string::npos) << svg.substr(0, 2000);

    ASSERT_EQ(kelpin("-o " + q(dir + "/a.ps") + " " + q(plot)), 0) << err;
    EXPECT_EQ(slurp(dir + "/a.ps").rfind("%!PS", 0), 0u);
    EXPECT_EQ(out, "");
}

TEST_F(KelpinTest, BadInputAndArguments) {
    std::vector<uint8_t> cut(kLinePlot.begin(), kLinePlot.begin() + 30);
    write(dir + "/cut.plx", cut);
    EXPECT_EQ(kelpin("-o " + q(dir + "/c.png") + " " + q(dir + "/cut.plx")), 1);
    EXPECT_NE(err.find("cut short"), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(dir + "/c.png"));
    EXPECT_EQ(kelpin("-o " + q(dir + "/c.png") + " " + q(dir + "/missing.plx")), 1);
    EXPECT_NE(err.find("cannot open"), std::string::npos);
    EXPECT_EQ(kelpin("-o " + q(dir + "/c.gif") + " " + q(plot)), 1);
    EXPECT_NE(err.find("unknown output type"), std::string::npos);
    EXPECT_EQ(kelpin("-o " + q(dir + "/no/such/c.pdf") + " " + q(plot)), 1);
    EXPECT_EQ(kelpin(""), 2);
    EXPECT_EQ(kelpin("-x " + q(plot)), 2);
    EXPECT_EQ(err.substr(0, 6), "kelpin"); // a mistake is told on standard error
    // Asked for, help and version go to standard output.
    EXPECT_EQ(kelpin("--help"), 0);
    EXPECT_EQ(out.substr(0, 22), "usage: kelpin [-u] PLO");
    EXPECT_EQ(err, "");
    EXPECT_EQ(kelpin("--version " + q(plot)), 0);
    EXPECT_EQ(out, "kelpin 1.1.0\n");
}

TEST_F(KelpinTest, WithoutPrinterThePlotIsKeptAsPdf) {
    const std::string bin = dir + "/bin", kept = dir + "/kept";
    std::filesystem::create_directory(bin); // no lpstat on this PATH
    const std::string env = "PATH=" + q(bin) + " KELPIN_DIR=" + q(kept);
    ASSERT_EQ(kelpin(q(plot), env), 0) << err;
    ASSERT_EQ(out.rfind("kelpin: no printer is set up; plot kept as " + kept + "/plot-", 0), 0u)
        << out;
    ASSERT_EQ(kelpin(q(plot), env), 0) << err; // a second plot never replaces the first
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(kept))
        files.push_back(e.path().string());
    ASSERT_EQ(files.size(), 2u);
    for (const std::string& f : files)
        EXPECT_EQ(slurp(f).rfind("%PDF-", 0), 0u);
}

TEST_F(KelpinTest, WithPrinterThePlotGoesToLp) {
    const std::string bin = dir + "/bin", tmp = dir + "/tmp";
    std::filesystem::create_directory(bin);
    std::filesystem::create_directory(tmp);
    std::ofstream(bin + "/lpstat") << "#!/bin/sh\necho 'system default destination: office'\n";
    std::ofstream(bin + "/lp") << "#!/bin/sh\nfor a; do last=$a; done\n/bin/cp \"$last\" "
                               << q(dir + "/printed.pdf") << "\n";
    chmod((bin + "/lpstat").c_str(), 0755);
    chmod((bin + "/lp").c_str(), 0755);
    ASSERT_EQ(kelpin(q(plot), "PATH=" + q(bin) + " TMPDIR=" + q(tmp)), 0) << err;
    EXPECT_EQ(slurp(dir + "/printed.pdf").rfind("%PDF-", 0), 0u);
    EXPECT_TRUE(std::filesystem::is_empty(tmp)); // its own PDF is gone again
    EXPECT_EQ(out, "");

    std::ofstream(bin + "/lp") << "#!/bin/sh\nexit 1\n";
    EXPECT_EQ(kelpin(q(plot), "PATH=" + q(bin) + " TMPDIR=" + q(tmp)), 1);
    EXPECT_NE(err.find("lp could not print"), std::string::npos);
}
