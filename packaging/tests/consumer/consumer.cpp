// A program of someone else's, built against the installed SUDS library:
// given a SUDS file it counts the waveforms in it; without one it writes a
// file of one DescripTrace with four samples and reads it back.
#include <suds/suds.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

static int count_traces(const char* path, int32_t* data_bytes) {
    int fd = suds_open(path, SUDS_MODE_READ);
    if (fd == 0) {
        std::fprintf(stderr, "%s\n", suds_error_text());
        return -1;
    }
    int traces = 0;
    SudsRecord rec;
    int status;
    while ((status = suds_read_struct(fd, &rec)) == 1) {
        if (rec.type == SUDS_DESCRIP_TRACE) {
            ++traces;
            *data_bytes += rec.data_length;
        }
    }
    suds_close(fd);
    if (status == 0) {
        std::fprintf(stderr, "%s\n", suds_error_text());
        return -1;
    }
    return traces;
}

int main(int argc, char** argv) {
    std::string path;
    if (argc > 1) {
        path = argv[1];
    } else {
        const char* tmp = std::getenv("TMPDIR");
        path = std::string(tmp ? tmp : "/tmp") + "/suds_consumer_" + std::to_string(getpid()) +
               ".suds";
        int fd = suds_open(path.c_str(), SUDS_MODE_CREATE);
        SudsRecord rec;
        rec.type = SUDS_DESCRIP_TRACE;
        const int32_t samples[4] = {1, -2, 3, -4};
        if (fd == 0 || suds_init_struct(&rec) != 1) {
            std::fprintf(stderr, "%s\n", suds_error_text());
            return 1;
        }
        rec.data_length = sizeof samples;
        if (suds_write_struct(fd, &rec) != 1 || suds_write_data(fd, samples, sizeof samples) != 1 ||
            suds_close(fd) != 1) {
            std::fprintf(stderr, "%s\n", suds_error_text());
            return 1;
        }
    }
    int32_t bytes = 0;
    int traces = count_traces(path.c_str(), &bytes);
    if (argc <= 1)
        std::remove(path.c_str());
    if (traces < 1 || bytes <= 0) {
        std::fprintf(stderr, "no waveform read from %s\n", path.c_str());
        return 1;
    }
    std::printf("%d waveform(s), %ld bytes of samples; 2004-12-31 12:00 is %s\n", traces,
                static_cast<long>(bytes),
                suds_time_text(suds_make_time(2004, 12, 31, 12, 0, 0.0), 4));
    return 0;
}
