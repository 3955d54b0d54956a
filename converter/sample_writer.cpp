#include "sample_writer.h"

#include <cstdio>
#include <system_error>

namespace {

// Enough subframes per hand-over that the two threads rarely wait on each other.
constexpr std::size_t kBatchJobs = 512;
constexpr std::size_t kBatchBytes = 1u << 20;

} // namespace

SampleWriter::SampleWriter() {
    filling_.bytes.reserve(kBatchBytes);
    working_.bytes.reserve(kBatchBytes);
    try {
        worker_ = std::thread(&SampleWriter::run, this);
        threaded_ = true;
    } catch (const std::system_error&) {
        threaded_ = false; // no second thread: every batch runs where it is handed over
    }
}

SampleWriter::~SampleWriter() {
    if (threaded_) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        cv_.notify_all();
        worker_.join();
    }
}

bool SampleWriter::process(Batch& batch, std::string* error) {
    for (const Job& job : batch.jobs) {
        if (append_subframe_samples_text(batch.bytes.data() + job.offset, job.transformation, job.n,
                                         job.data_size, job.descriptor, scratch_, error) != 1)
            return false;
    }
    return true;
}

void SampleWriter::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        cv_.wait(lock, [this] { return busy_ || stop_; });
        if (busy_) {
            lock.unlock();
            std::string error;
            const bool ok = process(working_, &error);
            lock.lock();
            if (!ok && error_.empty())
                error_ = error.empty() ? std::string("ERROR: write error\n") : error;
            working_.jobs.clear();
            working_.bytes.clear();
            busy_ = false;
            cv_.notify_all();
        } else if (stop_) {
            return;
        }
    }
}

void SampleWriter::hand_over() {
    if (filling_.jobs.empty())
        return;
    if (!threaded_) {
        std::string error;
        if (error_.empty() && !process(filling_, &error))
            error_ = error;
        filling_.jobs.clear();
        filling_.bytes.clear();
        return;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait(lock, [this] { return !busy_; });
    if (error_.empty()) {
        std::swap(filling_, working_);
        busy_ = true;
        cv_.notify_all();
    }
    filling_.jobs.clear();
    filling_.bytes.clear();
}

void SampleWriter::submit(int descriptor, const std::uint8_t* data, std::size_t bytes,
                          int transformation, long n, long data_size) {
    if (failed_)
        return;
    Job job{descriptor, filling_.bytes.size(), bytes, transformation, n, data_size};
    filling_.bytes.insert(filling_.bytes.end(), data, data + bytes);
    filling_.jobs.push_back(job);
    if (filling_.jobs.size() >= kBatchJobs || filling_.bytes.size() >= kBatchBytes)
        hand_over();
}

bool SampleWriter::drain() {
    if (failed_)
        return false;
    hand_over();
    std::string error;
    if (threaded_) {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait(lock, [this] { return !busy_; });
        error = error_;
    } else {
        error = error_;
    }
    if (error.empty())
        return true;
    failed_ = true;
    std::fputs(error.c_str(), stderr);
    return false;
}
