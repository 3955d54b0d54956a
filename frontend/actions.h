// The front end's state and actions, without any toolkit: Open, File Info,
// Quick View, Convert with Save As and the final report, the set-aside of
// the SUDS file, and the private temp folder's life. Dialogs and child
// processes go through the Shell and Children interfaces (shell.h).
#pragma once

#include <string>
#include <vector>

#include "info_view.h"
#include "shell.h"

namespace fenwold {

enum OutputFormat : int {
    kFormatSuds = 0,
    kFormatMiniSeed = 1,
    kFormatAsciiOne = 2,   // one file per channel
    kFormatAsciiMulti = 3, // all channels in one file
};

// Message texts, exactly as the user sees them.
inline constexpr const char* kMsgNoInputFile = "No input TALVEX data file found!     ";
inline constexpr const char* kMsgErrorOpening = "Error opening selected file!     ";
inline constexpr const char* kMsgAlreadyOpen =
    "File is already open by other application. Retry importing the file after closing all "
    "application windows!     ";
inline constexpr const char* kMsgErrorImporting = "Error importing selected CD1.1 file!     ";
inline constexpr const char* kMsgErrorReadingTalvex = "Error reading selected TALVEX file!     ";
inline constexpr const char* kMsgNoWaveform = "No waveform file selected!     ";
inline constexpr const char* kMsgErrorDisplaying = "Error displaying selected file!     ";
inline constexpr const char* kMsgErrorConverting = "Error converting data file!     ";
inline constexpr const char* kMsgErrorConvertingSuds = "Error converting data file!      ";
inline constexpr const char* kMsgErrorConvertingSelected =
    "Error converting selected data file!     ";
inline constexpr const char* kMsgNotSaved = "Output file not saved";
inline constexpr const char* kMsgErrorReadingFile = "Error reading selected file!     ";
inline constexpr const char* kMsgErrorRetrieving =
    "Error retrieving information on selected file!     ";

// A child's work ended by the user's Cancel.
inline constexpr const char* kMsgCancelled = "Conversion cancelled!     ";
// The second button of a failure box whose converter left a report.
inline constexpr const char* kOfferSaveReport = "Save Report";

inline constexpr const char* kOpenTitle = "Open TALVEX Data File";
inline constexpr const char* kOpenFilter =
    "TALVEX Data Files (*.cd11*)|*.cd11*|All Files (*.*)|*.*||";
inline constexpr const char* kMultipleTitle = "Multiple SUDS Files generated - Select SUDS File";
inline constexpr const char* kSaveTitle = "Save Output File As";
inline constexpr const char* kSudsFilter =
    "Suds Files (*.sud*;*.dm*)|*.sud*;*.dm*|All Files (*.*)|*.*||";
inline constexpr const char* kMiniSeedFilter =
    "Mini-SEED Files (*.msed*)|*.msed*|All Files (*.*)|*.*||";
inline constexpr const char* kAsciiFilter = "ASCII Files (*.asc*)|*.asc*|All Files (*.*)|*.*||";

struct Frontend {
    // Where talvex, vorlane and ostrand are found.
    std::string program_folder;
    // The private temp folder (no trailing "/"), made by frontend_start.
    std::string temp_folder;
    // Where we were started: the children's working folder, where the
    // plotter's log and the user's trelkit.ini are, as on the command line.
    std::string start_folder;
    // Each Open works in a new folder inside the temp folder, so that a
    // failed one leaves the current recording's files as they were.
    std::string recording_folder;
    int opens = 0;

    std::string recorder_file;    // last file chosen with Open
    std::string last_open_folder; // its folder; initial folder of the next Open
    std::string save_folder;      // folder of the last Save As
    std::string working_copy;     // the recorder file's copy in the temp folder
    int output_format = kFormatSuds;
    std::string current_suds; // SUDS file of the last successful Open
    std::string file_label;
    std::string save_path; // offered and chosen in Save As; empty after Cancel
    std::string save_filter;
    bool file_open = false; // an Open has succeeded: every control enabled
    InfoList info;

    int settle_ms = 100; // pause before the import and the listing

    Shell* shell = nullptr;
    Children* children = nullptr;
};

// Makes the private temp folder under $TMPDIR (else /tmp). False with
// `error` set when it cannot be made.
bool frontend_start(Frontend& fe, std::string& error);
// Empties and removes the temp folder (after the window has closed).
void frontend_exit(Frontend& fe);

// Window initialisation: folders emptied, SUDS format, file controls off.
void frontend_init_window(Frontend& fe);

void action_open(Frontend& fe);
void action_file_info(Frontend& fe);
void action_quick_view(Frontend& fe);
void action_convert(Frontend& fe);
void set_output_format(Frontend& fe, int format);
// Close, Escape or the close box: closes the info window.
void action_close(Frontend& fe);

// Runs the listing tool on suds_file and reads its listing into fe.info;
// with show, opens a new info window. Reports failures itself. True when
// this reading gave at least one line.
bool load_file_info(Frontend& fe, const std::string& suds_file, bool show);

// The cause of a failed converter run for a failure box: the "ERROR: " and
// "WARNING: " lines of its information file and of its standard error, in
// that order and each once; else why it ended.
std::string converter_cause(const std::string& information_file, const ChildOutcome& run);

// Copies source to destination (a folder unless destination_is_name) and
// returns the report line, or "" when there is nothing to report.
std::string save_output_file(Frontend& fe, const std::string& source,
                             const std::string& destination, bool destination_is_name,
                             bool as_conversion);

// Moves the current SUDS file to its ".s$$$" name (aside) or back.
void set_aside_suds_file(Frontend& fe, bool aside);

// The output files named by the "Output file:" lines of a converter
// information file, in order. False when it cannot be opened.
bool read_information_file(const std::string& path, std::vector<std::string>& outputs);

// Path helpers: the part after the last "/", the part before it ("/" for a
// file in the root), and a folder joined with a name.
std::string file_name_of(const std::string& path);
std::string folder_of(const std::string& path);
std::string join_path(const std::string& folder, const std::string& name);

} // namespace fenwold
