#include "console_input.hpp"

#include "number_text.hpp"

namespace qolt2wpt {
namespace {

// The next byte, or -1 when the input has ended (a read error ends it too).
int next_byte(console_input& input) {
    if (input.position == input.end) {
        if (input.ended) return -1;
        const std::ptrdiff_t count = input.read(input.source, input.buffer, sizeof input.buffer);
        if (count <= 0) {
            input.ended = true;
            return -1;
        }
        input.position = 0;
        input.end = static_cast<std::size_t>(count);
    }
    return input.buffer[input.position++];
}

int peek_byte(console_input& input) {
    const int c = next_byte(input);
    if (c >= 0) --input.position;
    return c;
}

bool ends_word(int c) { return c < 0 || is_white_space(static_cast<unsigned char>(c)); }

// Reads and drops the word's bytes up to white space or the end.
void skip_rest_of_word(console_input& input) {
    while (!ends_word(peek_byte(input))) ++input.position;
}

}  // namespace

void start_console_input(console_input& input, read_function read, void* source) {
    input.read = read;
    input.source = source;
    input.position = 0;
    input.end = 0;
    input.ended = false;
}

word_status read_word(console_input& input, char* buffer, std::size_t capacity, std::size_t* length) {
    int c = next_byte(input);
    while (c >= 0 && is_white_space(static_cast<unsigned char>(c))) c = next_byte(input);
    if (c < 0) return word_status::no_word;
    std::size_t count = 0;
    for (;;) {
        if (c == '\0') {
            skip_rest_of_word(input);
            break;
        }
        if (count == capacity) {
            --input.position;  // c is the first byte that did not fit
            *length = count;
            return word_status::too_long;
        }
        buffer[count++] = static_cast<char>(c);
        if (ends_word(peek_byte(input))) break;
        c = next_byte(input);
    }
    *length = count;
    return word_status::word;
}

void pass_rest_of_word(console_input& input, void (*sink)(void* context, const char* bytes, std::size_t length),
                       void* context) {
    for (;;) {
        const int c = peek_byte(input);
        if (ends_word(c) || c == '\0') break;
        // Hand over the run of word bytes already buffered.
        const std::size_t start = input.position;
        while (input.position < input.end && !ends_word(input.buffer[input.position]) &&
               input.buffer[input.position] != '\0') {
            ++input.position;
        }
        sink(context, reinterpret_cast<const char*>(input.buffer + start), input.position - start);
    }
}

}  // namespace qolt2wpt
