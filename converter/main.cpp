// talvex: converts one recorder CD1.1 file into SUDS, Mini-SEED or ASCII.
#include "driver.h"

int main(int argc, char** argv) {
    return driver_run(argc, argv);
}
