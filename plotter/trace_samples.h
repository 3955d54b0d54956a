// The waveform of one trace, loaded by the trace database from its SUDS file:
// the samples of the record's data type in host order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "trace_db.h"

struct TraceSamples {
    // One of the three holds the samples, by the record's data type: "i", "q"
    // and "s" 16-bit, "f" float, the others 32-bit.
    std::unique_ptr<int16_t[]> i16;
    std::unique_ptr<int32_t[]> i32;
    std::unique_ptr<float[]> f32;
    int32_t count = 0;       // samples the data block really holds
    double start_time = 0.0; // "initial sample time" + "time correction" as stored
};

// Loads the samples of record r from the database's SUDS file. 1 on success;
// 0 with `message` set to the console-and-log message of the failure.
int trace_load_samples(const TraceDatabase& db, const TraceRecord& r, TraceSamples& samples,
                       std::string& message);
