// vorlane: plots the traces of one SUDS file as seismogram sheets.
#include <platform/console.h>
#include <platform/heap.h>

#include "vorlane_run.h"

int main(int argc, char** argv) {
    // Names outside ASCII are written as UTF-8: the console is to show them so.
    platform::console_output_utf8();
    // Each trace's samples are one large block, allocated and freed per trace.
    platform::heap_keep_large_blocks();
    return vorlane_main(argc, argv);
}
