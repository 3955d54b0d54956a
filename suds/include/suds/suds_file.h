// SUDS structure tag and file access: up to ten open files addressed by
// descriptors 1..10, reading and writing tagged structures and their data
// blocks, rewriting a structure in place, positioning.
//
// Structure tag, 12 bytes, little-endian, precedes every structure:
//   0 char  sync char       always 'S'
//   1 char  machine type    '6' (little-endian), the only one accepted
//   2 int16 struct number   structure id 1..33
//   4 int32 struct length   bytes of the structure body after the tag
//   8 int32 data length     bytes of the data block after the body (0: none)
// The next tag after a tag at P is at P + 12 + struct length + data length.
//
// Status values: 1 success, 0 failure (error text set, see suds_error.h),
// -1 end of file where an operation says so (error text unchanged).
#pragma once

#include <cstdint>

#include "suds_error.h"
#include "suds_struct.h"

inline constexpr int SUDS_MAX_FILES = 10;
inline constexpr int SUDS_TAG_SIZE = 12;
inline constexpr char SUDS_SYNC_CHAR = 'S';
inline constexpr char SUDS_MACHINE_TYPE = '6';
// Largest piece of one transfer of suds_read_data / suds_write_data.
inline constexpr int32_t SUDS_TRANSFER_PIECE = 32767;

// Open modes; any value other than 2, 3 or 4 is taken as 1.
inline constexpr int SUDS_MODE_READ = 1;   // read only
inline constexpr int SUDS_MODE_UPDATE = 2; // read and rewrite an existing file
inline constexpr int SUDS_MODE_APPEND = 3; // read and update, positioned at the end
inline constexpr int SUDS_MODE_CREATE = 4; // new file (truncates an existing one)

// A structure tag as held in memory.
struct SudsTag {
    char sync_char = 0;
    char machine_type = 0;
    int16_t struct_number = 0;
    int32_t struct_length = 0;
    int32_t data_length = 0;
};

// Opens path in mode; the descriptor 1..10, or 0.
int suds_open(const char* path, int mode);
// Closes the file; 1, or 0 (the slot is freed in both cases).
int suds_close(int fd);
// Reads the next structure into rec; 1, 0, or -1 at end of file. The stream
// is left at the first byte of the structure's data block.
int suds_read_struct(int fd, SudsRecord* rec);
// Reads count bytes at the present position; 1 or 0.
int suds_read_data(int fd, void* buffer, int32_t count);
// Writes a tag and the body of rec (size from the table); 1 or 0.
int suds_write_struct(int fd, const SudsRecord* rec);
// Writes count bytes at the present position; 1 or 0.
int suds_write_data(int fd, const void* buffer, int32_t count);
// Rewrites the structure at the current tag position with rec (its data
// length included), leaving the stream where it was; 1, 0, or -1.
int suds_update(int fd, const SudsRecord* rec);
// Flushes the stream; 1 or 0.
int suds_flush(int fd);
// Tag position of the current structure, or -1 (error text emptied first).
int32_t suds_struct_position(int fd);
// Present stream position, or -1 (error text emptied first).
int32_t suds_file_position(int fd);
// Positions at pos; the next suds_read_struct reads the tag there; 1, 0, or -1.
int suds_seek(int fd, int32_t pos);
// Positions at the start; the next suds_read_struct reads the first tag; 1 or 0.
int suds_rewind(int fd);

// Copy of the slot's current tag (last read or written); 1, or 0 for a bad
// descriptor.
int suds_current_tag(int fd, SudsTag* tag);
// Number of files open now.
int suds_open_count();
// The slot's name (absolute path as messages show it: upper case on Windows) or "" for a bad
// descriptor.
const char* suds_file_name(int fd);
// Closes every open file and empties the error text (a clean start for tests).
void suds_reset();
