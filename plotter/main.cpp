// vorlane: plots the traces of one SUDS file as seismogram sheets.
#include <malloc.h>

#include "vorlane_run.h"

int main(int argc, char** argv) {
    // Each trace's samples are one large block, allocated and freed per trace.
    // Kept in the heap instead of fresh mappings, the next trace reuses the
    // pages instead of faulting in and zeroing tens of megabytes again.
    mallopt(M_MMAP_THRESHOLD, 512 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
    return vorlane_main(argc, argv);
}
