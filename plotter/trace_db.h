// The trace database: one record per station/component channel of the SUDS
// input file, merged by channel key, packed and (after some listings) sorted.
#pragma once

#include <string>
#include <vector>

#include "trace_record.h"

// A new record with the values of a fresh channel and this key.
TraceRecord trace_new_record(const unsigned char key[12]);

// Make the record with this key current (the last one that matches), appending
// a new one when none does. Returns the index of the current record, or -1 when
// the database cannot grow (message given).
int trace_add_record(std::vector<TraceRecord>& db, const unsigned char key[12]);

// Keep records with a waveform and, when a listing was read, a P weight not above
// the weight criterion. Returns the new count.
int trace_pack(std::vector<TraceRecord>& db, bool listing_read, int weight_criterion);

// Long identifier as text: network, station, component joined by ":" where set.
std::string trace_long_id_text(const TraceRecord& r);

// Full scale count and bias of a SUDS data type letter; false for an unsupported one.
bool trace_data_type(char type, int32_t* sample_max, int32_t* sample_bias);

// Build the database from the run's SUDS and hypocentre file names. Returns the
// number of records; 0 on any failure. On success the SUDS file stays open.
int trace_build_database();

// Write every record to the log.
void trace_dump();
