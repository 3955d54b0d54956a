// vorlane: plots the traces of one SUDS file as seismogram sheets.
#include "vorlane_run.h"

int main(int argc, char** argv) { return vorlane_main(argc, argv); }
