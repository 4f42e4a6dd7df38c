// Buffered reading of the point-list file and its line read.
//
// Byte delivery (the same on every platform, whatever a C runtime's text mode
// would do):
//   - each CR LF pair is delivered as one LF, also where the pair straddles
//     two reads from the source;
//   - a CR not followed by LF is delivered unchanged, also as the last byte;
//   - the first Ctrl-Z (0x1A) ends the file: neither it nor any later byte is
//     ever delivered, and the source is not read again;
//   - every other byte, NUL included, is delivered unchanged.
//
// Line read: bytes are stored until an LF has been stored or 255 bytes have
// been stored. Like fgets followed by feof, a read reports the end of the file
// only when it asked for a byte after the last deliverable one; a read that
// stops at an LF or at the 255-byte limit reports a line even when the file
// ends right there. The driver drops whatever a read that met the end of the
// file delivered, so a last line without LF is lost unless its length is a
// multiple of 255 bytes.
#pragma once

#include <cstddef>

namespace qolt2wpt {

// Reads up to `capacity` bytes from `source` into `buffer`. Returns the count
// read (> 0), 0 at the end of the source, or -1 on a read error.
using read_function = std::ptrdiff_t (*)(void* source, unsigned char* buffer, std::size_t capacity);

// The longest line a read delivers; a longer line arrives as pieces of this
// size and a final remainder. The buffer keeps one byte more for the NUL.
constexpr std::size_t line_capacity = 255;

struct point_list_line {
    char text[line_capacity + 1];  // text[length] is always '\0'
    std::size_t length;            // bytes delivered, NULs inside the line included
};

// The state of one point-list file being read. The caller owns `buffer`
// (any capacity of at least 2 bytes: one CR kept back plus one new byte) and
// must keep it alive while reading.
struct point_list_input {
    read_function read;
    void* source;
    unsigned char* buffer;
    std::size_t capacity;
    std::size_t position;  // next unread byte in buffer
    std::size_t end;       // bytes held in buffer
    bool exhausted;        // the source ended, or a Ctrl-Z was met
    bool failed;           // the source reported a read error
};

enum class line_status {
    line,         // a line was read: it ends in LF or holds 255 bytes
    end_of_file,  // the read met the end of the file; what it delivered is to be dropped
    read_error,   // the source failed; reading cannot go on
};

// Starts reading `source` through the caller's buffer.
// Precondition: capacity >= 2.
point_list_input start_point_list_input(read_function read, void* source, unsigned char* buffer,
                                        std::size_t capacity);

// Reads the next line into `line` by the rules above. After a read that met
// the end of the file, `line` holds what it delivered (nothing changes when it
// delivered nothing). Once a read has met the end of the file, every later
// read does too.
line_status read_line(point_list_input& input, point_list_line& line);

}  // namespace qolt2wpt
