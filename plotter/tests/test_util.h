// Helpers of the plotter tests: a scratch folder, hand-made SUDS files, the
// built program run as a child, and .PLX pen strokes.
#pragma once

#include <string>
#include <vector>

#include <plotdev/plotdev.h>
#include <testkit/testkit.h>

// testkit's scratch folder (the current directory for the test's life), whole
// files and program runs.
using testkit::read_file;
using testkit::RunResult;
using testkit::ScratchDir;
using testkit::write_file;

// A file the program writes in text mode (vorlane.log): on Windows every line
// must end in "\r\n"; returned with "\n" line ends, as the tests expect them.
std::string read_text_file(const std::string& path);

// One channel of a hand-made SUDS file.
struct TestChannel {
    std::string station = "ABC";
    char component = 'Z';
    std::string long_station;
    std::string long_component;
    char data_type = 'i';
    float rate = 100.0f;
    double ist = 1.0e9;
    std::vector<double> samples;
    bool station_comp = true;   // write a StationComp before the trace
    float mvolts = -32767.0f;   // StationComp "conversion to mvolts"
    int16_t atod_gain = -32767; // StationComp "atod gain"
    bool instrument = false;    // write an Instrument after the trace
    float digitizing_constant = -32767.0f;
    float amplifier_gain_db = -32767.0f;
    bool trace = true; // write the DescripTrace and its samples
};

// Writes the channels (and a MuxData first when asked) with the SUDS library.
void write_suds(const std::string& path, const std::vector<TestChannel>& channels,
                bool mux = false);

// Runs the built vorlane in the current directory with the arguments,
// standard error joined to standard output, the variables of `env`
// ("NAME=value") set and standard input from the file `input` (or the null
// device). Its output is text: on Windows its "\r\n" line ends are checked
// and given back as "\n".
RunResult run_vorlane(const std::vector<std::string>& args,
                      const std::vector<std::string>& env = {}, const std::string& input = "");

// Pen strokes of a .PLX file, in order.
std::vector<PlxRecord> read_plx(const std::string& path);
