// Captures the report messages written while it lives (through the
// information file slot of the run state).
#pragma once

#include <cstdio>
#include <string>

#include "platform/file_handle.h"
#include "run.h"
#include "testkit/testkit.h"

class ReportCapture {
  public:
    // A file of our own scratch folder: tmpfile() of the Windows C run time
    // creates its file in the root of the drive, which users cannot write.
    ReportCapture() : saved_(g_run.info_file), file_(platform::open_file(dir_ / "report", "w+b")) {
        g_run.info_file = file_;
    }
    ~ReportCapture() {
        g_run.info_file = saved_;
        if (file_)
            std::fclose(file_);
    }
    ReportCapture(const ReportCapture&) = delete;
    ReportCapture& operator=(const ReportCapture&) = delete;

    // Everything reported so far.
    std::string text() const {
        std::string out;
        if (!file_)
            return out;
        std::fflush(file_);
        std::rewind(file_);
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, file_)) > 0)
            out.append(buf, n);
        std::fseek(file_, 0, SEEK_END);
        return out;
    }

  private:
    testkit::TempDir dir_{"talvex-report-"};
    std::FILE* saved_;
    std::FILE* file_;
};
