// The built-in stroke font: 16 units high, descenders to -3, cells as wide
// as they are high. Codes 33..126 have a glyph; 0..32 and 127 have none.
#pragma once

#include <cstdint>

// One stroke record: pen 1 draws to (x, y), pen 0 moves there. A glyph ends
// with a record whose three values are all 0.
struct StrokeRecord {
    int8_t pen;
    int8_t x;
    int8_t y;
};

// Number of stroke records; records are numbered from 1.
int stroke_font_record_count();

// Index of the first stroke record of the glyph for `code`, 0 for no glyph
// (also for codes outside 0..127).
int16_t stroke_font_glyph_index(int code);

// Stroke record `n` (1..stroke_font_record_count()); all zero otherwise.
StrokeRecord stroke_font_record(int n);
