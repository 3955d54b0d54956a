// The plotter's run from start to end, callable from main and from tests.
#pragma once

// Runs the plotter on the arguments (argv[0] is the program name). Returns the exit status.
int vorlane_main(int argc, char** argv);
