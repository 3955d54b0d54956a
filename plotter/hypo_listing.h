// Readers of the three hypocentre listings: HYPO71 printed output (.prt),
// local event list (.evl) and teleseismic event list (.evt). Each fills the
// run's HypoSummary and the listing fields of the matching trace records.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "hypo_summary.h"
#include "trace_record.h"

// Fixed-column fields: `width` characters from column `col` (counted from 0),
// fewer when the line ends first, converted after skipping leading blanks.
// When the characters hold no number the destination keeps its value and the
// result is false.
bool read_fixed_field(const char* line, int col, int width, int16_t* dest);
bool read_fixed_field(const char* line, int col, int width, int32_t* dest);
bool read_fixed_field(const char* line, int col, int width, float* dest);
bool read_fixed_field(const char* line, int col, int width, double* dest);

// Each reader reads the open listing to its end and returns the record count unchanged.
int hypo_read_prt(FILE* f, std::vector<TraceRecord>& db, HypoSummary& hypo);
int hypo_read_evl(FILE* f, std::vector<TraceRecord>& db, HypoSummary& hypo);
int hypo_read_evt(FILE* f, std::vector<TraceRecord>& db, HypoSummary& hypo);
