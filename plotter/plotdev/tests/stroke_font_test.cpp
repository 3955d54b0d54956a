// The stroke font tables.
#include <gtest/gtest.h>

#include <vector>

#include "plotdev/stroke_font.h"

namespace {

std::vector<std::vector<int>> glyph(int code) {
    std::vector<std::vector<int>> g;
    for (int i = stroke_font_glyph_index(code); i > 0; ++i) {
        const StrokeRecord r = stroke_font_record(i);
        g.push_back({r.pen, r.x, r.y});
        if (r.pen == 0 && r.x == 0 && r.y == 0)
            break;
    }
    return g;
}

using G = std::vector<std::vector<int>>;

} // namespace

TEST(StrokeFont, ExampleGlyphsAreExact) {
    EXPECT_EQ(glyph('A'), (G{{0, 2, 0}, {1, 8, 16}, {1, 14, 0}, {0, 12, 6}, {1, 4, 6}, {0, 0, 0}}));
    EXPECT_EQ(glyph('1'), (G{{0, 8, 0}, {1, 8, 16}, {1, 4, 13}, {0, 4, 0}, {1, 12, 0}, {0, 0, 0}}));
    EXPECT_EQ(glyph('-'), (G{{0, 3, 8}, {1, 13, 8}, {0, 0, 0}}));
    EXPECT_EQ(glyph('T'), (G{{0, 8, 0}, {1, 8, 16}, {0, 2, 16}, {1, 14, 16}, {0, 0, 0}}));
}

TEST(StrokeFont, EveryPrintableCodeHasAWellFormedGlyph) {
    for (int c = -1; c <= 300; ++c) {
        const bool printable = c >= 33 && c <= 126;
        ASSERT_EQ(stroke_font_glyph_index(c) != 0, printable) << c;
        if (!printable)
            continue;
        const G g = glyph(c);
        ASSERT_GE(g.size(), 3u) << c;
        EXPECT_EQ(g.front()[0], 0) << c; // starts with a move
        EXPECT_EQ(g.back(), (std::vector<int>{0, 0, 0})) << c;
        bool draws = false;
        for (const auto& r : g) {
            EXPECT_TRUE(r[1] >= 0 && r[1] <= 15 && r[2] >= -3 && r[2] <= 16)
                << static_cast<char>(c);
            draws |= r[0] == 1;
        }
        EXPECT_TRUE(draws) << c;
    }
    // Glyphs follow each other in the stroke table without gaps.
    int next = 1;
    for (int c = 33; c <= 126; ++c) {
        EXPECT_EQ(stroke_font_glyph_index(c), next) << c;
        next += static_cast<int>(glyph(c).size());
    }
    EXPECT_EQ(stroke_font_record_count(), next - 1);
    EXPECT_EQ(stroke_font_record_count(), 831);
    const StrokeRecord out = stroke_font_record(next);
    EXPECT_EQ(out.pen | out.x | out.y, 0);
}
