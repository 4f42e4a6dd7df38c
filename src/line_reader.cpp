#include "line_reader.hpp"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstring>

namespace qolt2wpt {
namespace {

constexpr unsigned char carriage_return = 0x0D;
constexpr unsigned char line_feed = 0x0A;
constexpr unsigned char ctrl_z = 0x1A;

// Moves the `keep` unread bytes at the end of the buffer to its start and
// reads more after them. Returns false when nothing new arrived (the source
// ended or failed; the flags say which).
bool refill(point_list_input& input, std::size_t keep) {
    if (input.exhausted || input.failed) return false;
    if (keep > 0) std::memmove(input.buffer, input.buffer + input.position, keep);
    input.position = 0;
    input.end = keep;
    const std::ptrdiff_t count = input.read(input.source, input.buffer + keep, input.capacity - keep);
    if (count < 0) {
        input.failed = true;
        return false;
    }
    if (count == 0) {
        input.exhausted = true;
        return false;
    }
    input.end = keep + static_cast<std::size_t>(count);
    return true;
}

bool is_special(unsigned char c) { return c <= ctrl_z && (c == carriage_return || c == line_feed || c == ctrl_z); }

// Length of the run of ordinary bytes at `bytes`, at most `limit`: it stops
// before the first CR, LF or Ctrl-Z. Eight bytes at a time: a word with no
// byte below 0x1B cannot hold any of the three, and most text has none.
std::size_t ordinary_run_length(const unsigned char* bytes, std::size_t limit) {
    constexpr std::uint64_t ones = 0x0101010101010101;
    constexpr std::uint64_t highs = 0x8080808080808080;
    std::size_t n = 0;
    for (; n + 8 <= limit; n += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + n, 8);
        // Non-zero when some byte is below 0x1B; bytes from 0x80 up never count.
        if (((word - ones * (ctrl_z + 1)) & ~word & highs) == 0) continue;
        for (std::size_t i = n; i < n + 8; ++i) {
            if (is_special(bytes[i])) return i;
        }
    }
    while (n < limit && !is_special(bytes[n])) ++n;
    return n;
}

line_status terminal_status(const point_list_input& input) {
    return input.failed ? line_status::read_error : line_status::end_of_file;
}

}  // namespace

point_list_input start_point_list_input(read_function read, void* source, unsigned char* buffer,
                                        std::size_t capacity) {
    assert(capacity >= 2);
    return point_list_input{read, source, buffer, capacity, 0, 0, false, false};
}

// Pointer-safety invariants:
//   1. position <= end <= capacity at every step.
//   2. count <= line_capacity, so line.text[count] is inside the line buffer.
//   3. A CR at the end of the buffer is kept (refill with keep = 1) until the
//      byte after it is known; capacity >= 2 leaves room for that byte.
line_status read_line(point_list_input& input, point_list_line& line) {
    std::size_t count = 0;
    for (;;) {
        if (count == line_capacity) break;
        if (input.position == input.end && !refill(input, 0)) {
            if (count > 0) line.text[count] = '\0', line.length = count;
            return terminal_status(input);
        }
        const unsigned char* bytes = input.buffer + input.position;
        const std::size_t run =
            ordinary_run_length(bytes, std::min(input.end - input.position, line_capacity - count));
        std::memcpy(line.text + count, bytes, run);
        count += run;
        input.position += run;
        if (count == line_capacity || input.position == input.end) continue;

        const unsigned char c = input.buffer[input.position];
        if (c == ctrl_z) {
            // Nothing after the first Ctrl-Z is ever delivered.
            input.exhausted = true;
            input.end = input.position;
            continue;
        }
        if (c == carriage_return) {
            if (input.position + 1 == input.end) {
                // The pair may straddle two reads: keep the CR and look further.
                if (!refill(input, 1) && input.failed) {
                    line.text[count] = '\0', line.length = count;
                    return line_status::read_error;
                }
                // Nothing more arrived: the CR is the file's last byte and is
                // delivered as it is.
            }
            if (input.position + 1 < input.end && input.buffer[input.position + 1] == line_feed) {
                ++input.position;  // CR LF: deliver the LF alone
            } else {
                line.text[count++] = static_cast<char>(carriage_return);
                ++input.position;
                continue;
            }
        }
        line.text[count++] = static_cast<char>(line_feed);
        ++input.position;
        break;
    }
    line.text[count] = '\0';
    line.length = count;
    return line_status::line;
}

}  // namespace qolt2wpt
