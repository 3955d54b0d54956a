// vorlane: plots the traces of one SUDS file as seismogram sheets.
#include <platform/heap.h>

#include "vorlane_run.h"

int main(int argc, char** argv) {
    // Each trace's samples are one large block, allocated and freed per trace.
    platform::heap_keep_large_blocks();
    return vorlane_main(argc, argv);
}
