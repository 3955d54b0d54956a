// talvex: converts one recorder CD1.1 file into SUDS, Mini-SEED or ASCII.
#include "driver.h"
#include "platform/console.h"

int main(int argc, char** argv) {
    // Names outside ASCII are written as UTF-8: the console is to show them so.
    platform::console_output_utf8();
    return driver_run(argc, argv);
}
