// The trace database: one record per station/component channel of the SUDS
// input file, merged by channel key, packed and (after some listings) sorted.
#pragma once

#include <string>
#include <vector>

#include "hypo_summary.h"
#include "trace_record.h"

struct PlotSettings;

// A SUDS file of the library, closed when its owner goes.
class SudsFileHandle {
  public:
    SudsFileHandle() = default;
    explicit SudsFileHandle(int fd) : fd_(fd) {}
    SudsFileHandle(SudsFileHandle&& other) noexcept : fd_(other.fd_) { other.fd_ = 0; }
    SudsFileHandle& operator=(SudsFileHandle&& other) noexcept;
    SudsFileHandle(const SudsFileHandle&) = delete;
    SudsFileHandle& operator=(const SudsFileHandle&) = delete;
    ~SudsFileHandle();
    int get() const { return fd_; }

  private:
    int fd_ = 0; // 0: none
};

// The channels of one SUDS file with what the listing adds, and the file they
// are read from, open while the database lives.
struct TraceDatabase {
    std::vector<TraceRecord> records;
    HypoSummary hypo;      // kind 0 when no listing was read
    std::string suds_name; // as named on the command line
    std::string hypo_name; // the listing read; "" when none
    SudsFileHandle file;
    float range_min = 0.0f; // distance range of the record section
    float range_max = 0.0f;
    bool listing_read() const { return hypo.kind != 0; }
};

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

// Builds the database of the SUDS file `suds_name` with the hypocentre listing
// `hypo_name` (one beside the SUDS file when empty) and the weight criterion and
// range of the settings. No records on any failure (message given).
TraceDatabase trace_build_database(const std::string& suds_name, const std::string& hypo_name,
                                   const PlotSettings& settings);

// Write every record to the log.
void trace_dump(const TraceDatabase& db);
