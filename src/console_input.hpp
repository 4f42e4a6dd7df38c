// Reading the base name typed at the prompt: one whitespace-delimited word.
#pragma once

#include <cstddef>

#include "line_reader.hpp"

namespace qolt2wpt {

struct console_input {
    read_function read;
    void* source;
    // A terminal hands over one typed line per read; 512 bytes take a usual
    // line in one go.
    unsigned char buffer[512];
    std::size_t position;
    std::size_t end;
    bool ended;  // the source ended or failed: no further byte comes
};

void start_console_input(console_input& input, read_function read, void* source);

enum class word_status {
    word,      // a word was read whole
    too_long,  // the word fills the buffer and goes on; the rest is still unread
    no_word,   // the input ended before any word
};

// Skips white space (the six bytes of is_white_space, empty lines included)
// and reads the word up to the next white space or the end of the input into
// `buffer`, without a NUL. Every other byte is part of the word, 0x80 to 0xFF
// included. A NUL byte ends the name: the word's bytes after it are read and
// dropped, as a C string would drop them.
word_status read_word(console_input& input, char* buffer, std::size_t capacity, std::size_t* length);

// After too_long: hands the rest of the word, up to white space, a NUL or the
// end of the input, to `sink` in pieces of at most 512 bytes.
void pass_rest_of_word(console_input& input, void (*sink)(void* context, const char* bytes, std::size_t length),
                       void* context);

}  // namespace qolt2wpt
