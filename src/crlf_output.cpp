#include "crlf_output.hpp"

#include <algorithm>
#include <cstring>

namespace qolt2wpt {
namespace {

void write_block(crlf_output& output) {
    if (!output.failed && output.block_length > 0 &&
        !output.write(output.sink, output.block, output.block_length)) {
        output.failed = true;
    }
    output.block_length = 0;
    output.counted_length = 0;
}

// Copies `length` bytes into the block, LF as CR LF.
// Precondition: counted_length + length <= output_block_size, so the block,
// which has room for every byte doubled, cannot overflow.
void append_expanded(crlf_output& output, const char* bytes, std::size_t length) {
    unsigned char* out = output.block + output.block_length;
    const char* end = bytes + length;
    while (bytes != end) {
        const void* found = std::memchr(bytes, '\n', static_cast<std::size_t>(end - bytes));
        const char* stop = found != nullptr ? static_cast<const char*>(found) : end;
        std::memcpy(out, bytes, static_cast<std::size_t>(stop - bytes));
        out += stop - bytes;
        bytes = stop;
        if (bytes != end) {
            *out++ = '\r';
            *out++ = '\n';
            ++bytes;
        }
    }
    output.block_length = static_cast<std::size_t>(out - output.block);
    output.counted_length += length;
}

}  // namespace

void start_crlf_output(crlf_output& output, write_function write, void* sink) {
    output.write = write;
    output.sink = sink;
    output.block_length = 0;
    output.counted_length = 0;
    output.failed = false;
}

void put_text(crlf_output& output, std::string_view text) {
    while (!text.empty() && !output.failed) {
        const std::size_t room = output_block_size - output.counted_length;
        const std::size_t take = std::min(room, text.size());
        append_expanded(output, text.data(), take);
        text.remove_prefix(take);
        if (output.counted_length == output_block_size) write_block(output);
    }
}

char* reserve_line(crlf_output& output, std::size_t length) {
    // Strictly below the block size with the LF, so the block never fills
    // here and a line never needs splitting across two blocks.
    if (output.failed || length + 1 >= output_block_size - output.counted_length) return nullptr;
    return reinterpret_cast<char*>(output.block + output.block_length);
}

void end_reserved_line(crlf_output& output, std::size_t length) {
    unsigned char* end = output.block + output.block_length + length;
    end[0] = '\r';
    end[1] = '\n';
    output.block_length += length + 2;
    output.counted_length += length + 1;
}

bool flush_output(crlf_output& output) {
    write_block(output);
    return !output.failed;
}

}  // namespace qolt2wpt
