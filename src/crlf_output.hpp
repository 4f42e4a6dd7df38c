// Buffered text output that writes each LF as CR LF.
//
// Bytes are collected in blocks of 4096, counted before LF becomes CR LF, and
// each full block goes to the sink in one write; the remainder goes out when
// the caller flushes. Used for the waypoint file and for standard output.
#pragma once

#include <cstddef>
#include <string_view>

namespace qolt2wpt {

// Writes all `length` bytes to `sink`; returns false on any failure.
using write_function = bool (*)(void* sink, const unsigned char* bytes, std::size_t length);

// Bytes per block before LF expansion, as a C runtime's 4096-byte stream
// buffer counts them.
constexpr std::size_t output_block_size = 4096;

struct crlf_output {
    write_function write;
    void* sink;
    // A block of 4096 bytes is at most 8192 once every LF became CR LF.
    unsigned char block[2 * output_block_size];
    std::size_t block_length;    // bytes held, after expansion
    std::size_t counted_length;  // bytes held, before expansion: at most output_block_size
    bool failed;                 // a write to the sink failed; nothing is written after it
};

void start_crlf_output(crlf_output& output, write_function write, void* sink);

// Appends `text`, writing out each block as it fills. After a failed write
// further text is dropped, so the sink never receives bytes after a gap.
void put_text(crlf_output& output, std::string_view text);

// For a writer that lays out a line in place: room for `length` bytes of
// text at the end of the current block, when the block can take them and
// the line's LF without reaching its end; nullptr otherwise (the caller then
// uses put_text). The caller writes exactly `length` bytes there, none of
// them an LF, and then calls end_reserved_line.
char* reserve_line(crlf_output& output, std::size_t length);

// Adds the `length` bytes written at the reserved place, and the LF (as
// CR LF) that ends the line.
void end_reserved_line(crlf_output& output, std::size_t length);

// Writes out the held remainder. Returns false if this or any earlier write
// failed.
bool flush_output(crlf_output& output);

}  // namespace qolt2wpt
