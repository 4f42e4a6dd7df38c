#include "console_input.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace qolt2wpt {
namespace {

// Typed text handed out a few bytes per read, as a terminal or pipe might.
struct typed_text {
    std::string bytes;
    std::size_t chunk;
    std::size_t position = 0;
};

std::ptrdiff_t read_typed(void* source, unsigned char* buffer, std::size_t capacity) {
    auto& t = *static_cast<typed_text*>(source);
    const std::size_t n = std::min({capacity, t.chunk, t.bytes.size() - t.position});
    std::copy_n(t.bytes.data() + t.position, n, buffer);
    t.position += n;
    return static_cast<std::ptrdiff_t>(n);
}

struct word_result {
    word_status status;
    std::string word;
};

word_result first_word(const std::string& typed, std::size_t chunk, std::size_t capacity = 64) {
    typed_text source{typed, chunk};
    console_input input;
    start_console_input(input, read_typed, &source);
    std::string buffer(capacity, '?');
    std::size_t length = 0;
    const word_status status = read_word(input, buffer.data(), capacity, &length);
    return {status, status == word_status::no_word ? "" : buffer.substr(0, length)};
}

TEST(ConsoleInput, FirstWordDelimitedBySixWhiteSpaceBytes) {
    const struct {
        std::string typed;
        word_status status;
        std::string word;
    } cases[] = {
        {"track\n", word_status::word, "track"},
        {"\n\n  \t\r\n\v\ftrack two\n", word_status::word, "track"},
        {"track", word_status::word, "track"},              // the end of input ends the word
        {"dir/sub/track.qOLT.txt\n", word_status::word, "dir/sub/track.qOLT.txt"},
        {"\x93\x8c\x8b\x9e\x81\x40\x83^\n", word_status::word, "\x93\x8c\x8b\x9e\x81\x40\x83^"},  // 0x81 0x40, a full-width space, stays
        {"a\xa0" "b\x85" "c\n", word_status::word, "a\xa0" "b\x85" "c"},  // no byte from 0x80 up is white space
        {std::string("ab\0cd ef", 8), word_status::word, "ab"},  // a NUL ends the name
        {"", word_status::no_word, ""},
        {" \n\t\r\n", word_status::no_word, ""},
    };
    for (const auto& c : cases) {
        for (const std::size_t chunk : {1u, 3u, 512u}) {
            SCOPED_TRACE(testing::Message() << c.typed << " in reads of " << chunk);
            const word_result result = first_word(c.typed, chunk);
            EXPECT_EQ(result.status, c.status);
            EXPECT_EQ(result.word, c.word);
        }
    }
}

TEST(ConsoleInput, WordLongerThanTheBufferKeepsItsRestForTheMessage) {
    const std::string word = std::string(1500, 'n') + std::string(700, 'm');
    typed_text source{"  " + word + " next\n", 100};
    console_input input;
    start_console_input(input, read_typed, &source);
    char buffer[1500];
    std::size_t length = 0;
    ASSERT_EQ(read_word(input, buffer, sizeof buffer, &length), word_status::too_long);
    std::string whole(buffer, length);
    pass_rest_of_word(
        input, [](void* context, const char* bytes, std::size_t n) { static_cast<std::string*>(context)->append(bytes, n); },
        &whole);
    EXPECT_EQ(whole, word);
}

TEST(ConsoleInput, WordThatExactlyFillsTheBufferIsWhole) {
    EXPECT_EQ(first_word("abcd\n", 2, 4).status, word_status::word);
    EXPECT_EQ(first_word("abcd", 2, 4).status, word_status::word);
    EXPECT_EQ(first_word("abcde", 2, 4).status, word_status::too_long);
}

}  // namespace
}  // namespace qolt2wpt
