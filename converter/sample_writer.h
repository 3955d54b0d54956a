// The samples step of pass 1 on a second thread: while the reader walks the
// recorder file, the subframes it has handed over are decoded and appended
// to the work file. Side effects stay in order: the step's failure is
// written (to standard error) only when the reader next drains, which it
// does before any message of its own and at every channel start and finish,
// so a run prints exactly what a step-by-step run prints.
#pragma once

#include "assembly.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class SampleWriter {
  public:
    SampleWriter();
    ~SampleWriter();
    SampleWriter(const SampleWriter&) = delete;
    SampleWriter& operator=(const SampleWriter&) = delete;

    // Queues one subframe's channel data (copied; see append_subframe_samples)
    // for the SUDS file `descriptor`. Nothing is queued after a failure.
    void submit(int descriptor, const std::uint8_t* data, std::size_t bytes, int transformation,
                long n, long data_size);

    // Waits until every queued subframe is appended. true when all were; false
    // when one failed, after its message was written to standard error (the
    // first drain after the failure writes it; later ones only return false).
    bool drain();

    // A failure was seen by a drain.
    bool failed() const { return failed_; }

  private:
    struct Job {
        int descriptor;
        std::size_t offset, bytes;
        int transformation;
        long n, data_size;
    };
    struct Batch {
        std::vector<std::uint8_t> bytes;
        std::vector<Job> jobs;
    };

    void hand_over(); // gives the filling batch to the worker (waits for the previous one)
    void run();       // the worker
    bool process(Batch& batch, std::string* error);

    std::mutex mutex_;
    std::condition_variable cv_;
    Batch filling_;     // the reader's side
    Batch working_;     // the worker's side, while busy_
    bool busy_ = false; // working_ holds a batch not yet done
    bool stop_ = false;
    std::string error_;     // the worker's failure message, empty while none
    bool failed_ = false;   // a drain has seen (and written) the failure
    bool threaded_ = false; // false: batches run on the reader's thread
    SampleScratch scratch_; // the worker's buffers
    std::thread worker_;
};
