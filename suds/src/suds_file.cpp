// SUDS structure tag and file access: the open-file table and its operations.
#include "suds/suds_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/file_handle.h"
#include "platform/paths.h"
#include "suds/suds_bytes.h"

namespace {

constexpr size_t kMaxName = 260;
constexpr const char* kIndent = "\n       ";

enum class Direction { kNone, kRead, kWrite };

struct Slot {
    FILE* stream = nullptr;
    std::string name; // absolute path as messages show it
    SudsTag tag;      // last tag read or written
    int64_t tag_position = 0;
    int mode = 0;
    bool positioned = false;
    Direction last = Direction::kNone; // a stream must be repositioned between reads and writes
};

Slot g_slots[SUDS_MAX_FILES];

// One stream buffer per slot. Traces are read and written in long runs, and a
// larger buffer saves most of the system calls of a 4 KiB one (a day of 20
// channels is 1.4 GB). Static storage outlives every stream, also one still
// open when the program exits; only the pages a file uses become resident.
constexpr size_t kStreamBuffer = 256 * 1024;
char g_buffers[SUDS_MAX_FILES][kStreamBuffer];
int g_open_count = 0;

void set_error(const std::string& text) {
    suds_set_error_text(text.c_str());
}

// The system's text for the last failed file operation, ending in a newline.
std::string system_text(int err) {
    // A short read at the end of the file has no system error behind it;
    // the system's text for "none" ("Success") would say the opposite.
    if (err == 0)
        return "Unexpected end of file\n";
    return std::string(std::strerror(err)) + "\n";
}

void clear_slot(Slot& s) {
    s = Slot{};
}

Slot* check(int fd) {
    if (fd < 1 || fd > SUDS_MAX_FILES || !g_slots[fd - 1].stream || g_slots[fd - 1].mode == 0) {
        set_error("ERROR: Invalid file descriptor!");
        return nullptr;
    }
    return &g_slots[fd - 1];
}

// Switching between reading and writing needs a positioning call in between.
void prepare(Slot& s, Direction d) {
    if (s.last != Direction::kNone && s.last != d)
        std::fseek(s.stream, 0, SEEK_CUR);
    s.last = d;
}

bool seek_to(Slot& s, int64_t pos) {
    // On failure the direction stays: written data that could not be flushed
    // is reported as the write error it is.
    if (platform::seek_file(s.stream, pos, SEEK_SET) != 0)
        return false;
    s.last = Direction::kNone;
    return true;
}

int64_t tell(Slot& s) {
    return platform::tell_file(s.stream);
}

// The slot name: the absolute path, cut to 260 characters, upper-cased where
// file names ignore case (Windows); on Linux names keep their case.
std::string message_name(const char* path) {
    std::string full = platform::absolute_path(path);
    if (full.size() > kMaxName)
        full.resize(kMaxName);
    return platform::display_name(full);
}

void decode_tag(const uint8_t* b, SudsTag* t) {
    t->sync_char = static_cast<char>(b[0]);
    t->machine_type = static_cast<char>(b[1]);
    t->struct_number = suds_get_i16(b + 2);
    t->struct_length = suds_get_i32(b + 4);
    t->data_length = suds_get_i32(b + 8);
}

void encode_tag(const SudsTag& t, uint8_t* b) {
    b[0] = static_cast<uint8_t>(t.sync_char);
    b[1] = static_cast<uint8_t>(t.machine_type);
    suds_put_i16(b + 2, t.struct_number);
    suds_put_i32(b + 4, t.struct_length);
    suds_put_i32(b + 8, t.data_length);
}

// Result of a failed read or seek: -1 at end of file (error text kept),
// else 0 with the message.
int write_failure(Slot& s, int err);

int read_failure(Slot& s, const char* what, int err) {
    if (std::feof(s.stream))
        return -1;
    if (s.last == Direction::kWrite && std::ferror(s.stream))
        return write_failure(s, err);
    set_error(std::string("ERROR: ") + what + ": " + s.name + kIndent + system_text(err));
    return 0;
}

int position_failure(Slot& s, int err, bool with_system_text) {
    std::string text = "ERROR: Unable to determine position in: " + s.name;
    if (with_system_text)
        text += kIndent + system_text(err);
    set_error(text);
    return 0;
}

int write_failure(Slot& s, int err) {
    set_error("ERROR: Write error: " + s.name + kIndent + system_text(err));
    return 0;
}

// Reads n bytes; true when all arrived.
bool read_bytes(Slot& s, void* buffer, size_t n) {
    prepare(s, Direction::kRead);
    return std::fread(buffer, 1, n, s.stream) == n;
}

bool write_bytes(Slot& s, const void* buffer, size_t n) {
    prepare(s, Direction::kWrite);
    return std::fwrite(buffer, 1, n, s.stream) == n;
}

// Checks shared by suds_write_struct and suds_update.
bool writable_record(Slot& s, const SudsRecord* rec) {
    if (s.mode == SUDS_MODE_READ) {
        set_error("ERROR: File open in read only mode: " + s.name);
        return false;
    }
    if (!rec || rec->type < 1 || rec->type > SUDS_MAX_STRUCT_ID) {
        set_error("ERROR: Unknown structure type: " + std::to_string(rec ? rec->type : 0));
        return false;
    }
    if (rec->data_length < 0) {
        set_error("ERROR: Bad data length: " + std::to_string(rec->data_length));
        return false;
    }
    return true;
}

int32_t public_position(Slot& s, int64_t pos) {
    if (pos < 0 || pos > INT32_MAX) {
        position_failure(s, errno ? errno : EOVERFLOW, true);
        return -1;
    }
    return static_cast<int32_t>(pos);
}

} // namespace

int suds_open(const char* path, int mode) {
    if (g_open_count == 0)
        for (Slot& s : g_slots)
            clear_slot(s);
    if (g_open_count >= SUDS_MAX_FILES) {
        set_error("ERROR: To many open files!");
        return 0;
    }
    int index = 0;
    while (index < SUDS_MAX_FILES && g_slots[index].stream)
        ++index;
    if (index == SUDS_MAX_FILES) {
        set_error("ERROR: To many open files!");
        return 0;
    }
    if (mode != SUDS_MODE_UPDATE && mode != SUDS_MODE_APPEND && mode != SUDS_MODE_CREATE)
        mode = SUDS_MODE_READ;
    const char* stream_mode = mode == SUDS_MODE_READ     ? "rb"
                              : mode == SUDS_MODE_CREATE ? "w+b"
                                                         : "r+b";
    const char* given = path ? path : "";
    errno = 0;
    FILE* f = given[0] ? platform::open_file(given, stream_mode) : nullptr;
    if (!f) {
        const int err = errno ? errno : ENOENT;
        set_error(std::string("ERROR: Unable to open file: ") + given + kIndent + system_text(err));
        return 0;
    }
    std::setvbuf(f, g_buffers[index], _IOFBF, kStreamBuffer);
    if (mode == SUDS_MODE_APPEND && platform::seek_file(f, 0, SEEK_END) != 0) {
        const int err = errno;
        std::fclose(f);
        set_error(std::string("ERROR: Seek error in: ") + given + kIndent + system_text(err));
        return 0;
    }
    ++g_open_count;
    Slot& s = g_slots[index];
    clear_slot(s);
    s.stream = f;
    s.name = message_name(given);
    s.tag_position = tell(s);
    if (s.tag_position < 0)
        s.tag_position = 0;
    s.mode = mode;
    return index + 1;
}

int suds_close(int fd) {
    Slot* s = check(fd);
    if (!s)
        return 0;
    int result = 1;
    errno = 0;
    if (std::fclose(s->stream) != 0) {
        set_error("ERROR: Unable to close file: " + s->name + kIndent + system_text(errno));
        result = 0;
    }
    --g_open_count;
    clear_slot(*s);
    return result;
}

int suds_read_struct(int fd, SudsRecord* rec) {
    if (rec) {
        rec->type = 0;
        rec->data_length = 0;
    }
    Slot* sp = check(fd);
    if (!sp)
        return 0;
    Slot& s = *sp;
    if (!rec) {
        set_error("ERROR: Read error: " + s.name + kIndent + system_text(EINVAL));
        return 0;
    }
    std::memset(rec->body, 0, sizeof rec->body);
    if (s.positioned) {
        s.positioned = false; // the tag position already holds the present position
    } else {
        if (!(s.tag_position == 0 && s.tag.data_length == 0)) {
            const int64_t next = s.tag_position + SUDS_TAG_SIZE +
                                 static_cast<int64_t>(s.tag.struct_length) + s.tag.data_length;
            errno = 0;
            if (!seek_to(s, next))
                return read_failure(s, "Seek error", errno);
        }
        // Also when no seek was needed: the tag we read next is here.
        errno = 0;
        const int64_t here = tell(s);
        if (here < 0)
            return position_failure(s, errno, false);
        s.tag_position = here;
    }
    uint8_t raw[SUDS_TAG_SIZE];
    errno = 0;
    if (!read_bytes(s, raw, sizeof raw)) {
        const int err = errno;
        s.tag = SudsTag{};
        return read_failure(s, "Read error", err);
    }
    decode_tag(raw, &s.tag);
    if (s.tag.sync_char != SUDS_SYNC_CHAR) {
        s.tag.struct_length = s.tag.data_length =
            0; // a bad tag never sends the next read backwards
        set_error("ERROR: File out of sync: " + s.name + kIndent + "May not be a SUDS file.");
        return 0;
    }
    if (s.tag.machine_type != SUDS_MACHINE_TYPE) {
        s.tag.struct_length = s.tag.data_length = 0;
        set_error("ERROR: Unrecognized machine type in: " + s.name);
        return 0;
    }
    if (s.tag.struct_length < 0 || s.tag.data_length < 0) {
        s.tag.struct_length = s.tag.data_length = 0;
        set_error("ERROR: File out of sync: " + s.name + kIndent + "May not be a SUDS file.");
        return 0;
    }
    // A body longer than a record holds: its first SUDS_BODY_SIZE bytes are
    // kept and the rest is read past, so the stream ends at the data block.
    const size_t length = static_cast<size_t>(s.tag.struct_length);
    const size_t kept = length < SUDS_BODY_SIZE ? length : SUDS_BODY_SIZE;
    errno = 0;
    if (!read_bytes(s, rec->body, kept))
        return read_failure(s, "Read error", errno);
    for (size_t left = length - kept; left > 0;) {
        uint8_t scratch[4096];
        const size_t n = left < sizeof scratch ? left : sizeof scratch;
        errno = 0;
        if (!read_bytes(s, scratch, n))
            return read_failure(s, "Read error", errno);
        left -= n;
    }
    rec->type = s.tag.struct_number;
    rec->data_length = s.tag.data_length;
    return 1;
}

int suds_read_data(int fd, void* buffer, int32_t count) {
    Slot* sp = check(fd);
    if (!sp)
        return 0;
    Slot& s = *sp;
    if (count < 0 || (count > 0 && !buffer)) {
        set_error("ERROR: Read error: " + s.name + kIndent + system_text(EINVAL));
        return 0;
    }
    uint8_t* p = static_cast<uint8_t*>(buffer);
    for (int32_t left = count; left > 0;) {
        const int32_t piece = left < SUDS_TRANSFER_PIECE ? left : SUDS_TRANSFER_PIECE;
        errno = 0;
        if (!read_bytes(s, p, static_cast<size_t>(piece))) {
            set_error("ERROR: Read error: " + s.name + kIndent + system_text(errno));
            return 0;
        }
        p += piece;
        left -= piece;
    }
    return 1;
}

int suds_write_data(int fd, const void* buffer, int32_t count) {
    Slot* sp = check(fd);
    if (!sp)
        return 0;
    Slot& s = *sp;
    if (count < 0 || (count > 0 && !buffer))
        return write_failure(s, EINVAL);
    const uint8_t* p = static_cast<const uint8_t*>(buffer);
    for (int32_t left = count; left > 0;) {
        const int32_t piece = left < SUDS_TRANSFER_PIECE ? left : SUDS_TRANSFER_PIECE;
        errno = 0;
        if (!write_bytes(s, p, static_cast<size_t>(piece)))
            return write_failure(s, errno);
        p += piece;
        left -= piece;
    }
    return 1;
}

int suds_write_struct(int fd, const SudsRecord* rec) {
    Slot* sp = check(fd);
    if (!sp)
        return 0;
    Slot& s = *sp;
    if (!writable_record(s, rec))
        return 0;
    errno = 0;
    const int64_t here = tell(s);
    if (here < 0)
        return position_failure(s, errno, true);
    s.tag_position = here;
    s.tag.sync_char = SUDS_SYNC_CHAR;
    s.tag.machine_type = SUDS_MACHINE_TYPE;
    s.tag.struct_number = rec->type;
    s.tag.struct_length = suds_struct_size(rec->type);
    s.tag.data_length = rec->data_length;
    uint8_t raw[SUDS_TAG_SIZE];
    encode_tag(s.tag, raw);
    errno = 0;
    if (!write_bytes(s, raw, sizeof raw) ||
        !write_bytes(s, rec->body, static_cast<size_t>(s.tag.struct_length)))
        return write_failure(s, errno);
    return 1;
}

int suds_update(int fd, const SudsRecord* rec) {
    Slot* sp = check(fd);
    if (!sp)
        return 0;
    Slot& s = *sp;
    if (!writable_record(s, rec))
        return 0;
    errno = 0;
    const int64_t here = tell(s);
    if (here < 0)
        return position_failure(s, errno, true);
    errno = 0;
    if (!seek_to(s, s.tag_position))
        return read_failure(s, "Seek error", errno);
    uint8_t raw[SUDS_TAG_SIZE];
    errno = 0;
    if (!read_bytes(s, raw, sizeof raw)) {
        const int err = errno;
        s.tag = SudsTag{};
        return read_failure(s, "Read error", err);
    }
    decode_tag(raw, &s.tag);
    // A length that no record body can supply is as bad as a lost sync char.
    if (s.tag.sync_char != SUDS_SYNC_CHAR || s.tag.struct_length < 0 ||
        s.tag.struct_length > SUDS_BODY_SIZE) {
        set_error("ERROR: File out of sync: " + s.name + kIndent + "Unable to update!");
        return 0;
    }
    if (s.tag.struct_number != rec->type) {
        set_error("ERROR: suds_update(): structure type mismatch!");
        return 0;
    }
    errno = 0;
    if (!seek_to(s, s.tag_position))
        return read_failure(s, "Seek error", errno);
    s.tag.data_length = rec->data_length;
    encode_tag(s.tag, raw);
    errno = 0;
    if (!write_bytes(s, raw, sizeof raw) ||
        !write_bytes(s, rec->body, static_cast<size_t>(s.tag.struct_length)))
        return write_failure(s, errno);
    errno = 0;
    if (!seek_to(s, here))
        return read_failure(s, "Seek error", errno);
    return 1;
}

int suds_flush(int fd) {
    Slot* s = check(fd);
    if (!s)
        return 0;
    errno = 0;
    if (std::fflush(s->stream) != 0) {
        set_error("ERROR: Unable to flush: " + s->name + kIndent + system_text(errno));
        return 0;
    }
    return 1;
}

int32_t suds_struct_position(int fd) {
    suds_set_error_text("");
    Slot* s = check(fd);
    if (!s)
        return -1;
    return public_position(*s, s->tag_position);
}

int32_t suds_file_position(int fd) {
    suds_set_error_text("");
    Slot* s = check(fd);
    if (!s)
        return -1;
    errno = 0;
    return public_position(*s, tell(*s));
}

int suds_seek(int fd, int32_t pos) {
    Slot* sp = check(fd);
    if (!sp)
        return 0;
    Slot& s = *sp;
    errno = 0;
    if (!seek_to(s, pos))
        return read_failure(s, "Seek error", errno ? errno : EINVAL);
    errno = 0;
    const int64_t here = tell(s);
    if (here < 0)
        return position_failure(s, errno, true);
    s.tag_position = here;
    if (pos == 0)
        s.tag = SudsTag{};
    s.positioned = true;
    return 1;
}

int suds_rewind(int fd) {
    Slot* s = check(fd);
    if (!s)
        return 0;
    std::rewind(s->stream);
    s->last = Direction::kNone;
    s->tag_position = 0;
    s->tag = SudsTag{};
    s->positioned = true;
    return 1;
}

int suds_current_tag(int fd, SudsTag* tag) {
    Slot* s = check(fd);
    if (!s || !tag)
        return 0;
    *tag = s->tag;
    return 1;
}

int suds_open_count() {
    return g_open_count;
}

const char* suds_file_name(int fd) {
    if (fd < 1 || fd > SUDS_MAX_FILES || !g_slots[fd - 1].stream)
        return "";
    return g_slots[fd - 1].name.c_str();
}

void suds_reset() {
    for (Slot& s : g_slots) {
        if (s.stream)
            std::fclose(s.stream);
        clear_slot(s);
    }
    g_open_count = 0;
    suds_set_error_text("");
}
