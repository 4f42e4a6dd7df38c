#include "line_reader.hpp"

#include "point_list_model.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace qolt2wpt {
namespace {

// An in-memory file that hands out at most `chunk` bytes per read, so that
// pairs and pieces can be made to straddle reads.
struct memory_source {
    std::string bytes;
    std::size_t chunk;
    std::size_t position = 0;
    int reads_after_end = 0;  // reads asked for once everything was handed out
    bool fail_at_end = false;
};

std::ptrdiff_t read_memory(void* source, unsigned char* buffer, std::size_t capacity) {
    auto& s = *static_cast<memory_source*>(source);
    if (s.position == s.bytes.size()) {
        ++s.reads_after_end;
        return s.fail_at_end ? -1 : 0;
    }
    const std::size_t n = std::min({capacity, s.chunk, s.bytes.size() - s.position});
    std::copy_n(s.bytes.data() + s.position, n, buffer);
    s.position += n;
    return static_cast<std::ptrdiff_t>(n);
}

struct read_result {
    std::vector<std::string> lines;  // the lines the driver would process
    line_status last;                // the status that ended reading
};

read_result read_all_lines(memory_source& source, std::size_t capacity) {
    std::vector<unsigned char> buffer(capacity);
    point_list_input input = start_point_list_input(read_memory, &source, buffer.data(), capacity);
    read_result result;
    point_list_line line;
    for (;;) {
        const line_status status = read_line(input, line);
        if (status != line_status::line) {
            result.last = status;
            return result;
        }
        EXPECT_EQ(line.text[line.length], '\0');
        result.lines.emplace_back(line.text, line.length);
    }
}

// The lines the driver processes, by the plain one-byte-at-a-time model of
// the reading rules that the fuzz targets also check against.
std::vector<std::string> model_lines(const std::string& file) {
    model::line_reader reader(file);
    std::vector<std::string> lines;
    std::string line;
    while (reader.next(line)) lines.push_back(line);
    return lines;
}

std::vector<std::string> read_lines(const std::string& file, std::size_t chunk = 4096, std::size_t capacity = 4096) {
    memory_source source{file, chunk};
    const read_result result = read_all_lines(source, capacity);
    EXPECT_EQ(result.last, line_status::end_of_file);
    return result.lines;
}

using lines = std::vector<std::string>;

TEST(ByteDelivery, FollowsTheReadingRules) {
    const std::string a255(255, 'a');
    const struct {
        const char* what;
        std::string file;
        lines expected;
    } cases[] = {
        {"CR LF becomes LF", "one\r\ntwo\r\n", {"one\n", "two\n"}},
        {"a lone CR stays", "a\rb\n", {"a\rb\n"}},
        {"CR CR LF keeps one CR", "a\r\r\n", {"a\r\n"}},
        {"a CR as the last byte stays (but the last read is dropped)", "x\n\r", {"x\n"}},
        {"LF CR is not a pair", "a\n\rb\n", {"a\n", "\rb\n"}},
        {"the first Ctrl-Z ends the file", "a\nb\x1a\nc\n", {"a\n"}},
        {"a CR before Ctrl-Z is a lone CR", "a\r\x1a\n", {}},
        {"Ctrl-Z first: an empty file", "\x1a" "Data\n", {}},
        {"NUL bytes are delivered", std::string("a\0b\n", 4), {std::string("a\0b\n", 4)}},
        {"bytes from 0x80 up are delivered", "\x82\xa0\x1b\xff\n", {"\x82\xa0\x1b\xff\n"}},
        {"an empty file", "", {}},
        {"the end right after an LF", "a\n", {"a\n"}},
        {"a last line without LF is dropped", "a\nb", {"a\n"}},
        {"CR-only line ends make one long line", "a\rb\rc\r", {}},
        {"a 255-byte line without LF is kept", a255, {a255}},
        {"a 300-byte line: 255 and 45", std::string(299, 'b') + "\n", {std::string(255, 'b'), std::string(44, 'b') + "\n"}},
        {"a 510-byte last line without LF: both pieces", a255 + a255, {a255, a255}},
        {"LF after 255 bytes is a line of its own", a255 + "\n", {a255, "\n"}},
        {"CR LF after 254 bytes fits as the 255th byte", std::string(254, 'c') + "\r\nz\n",
         {std::string(254, 'c') + "\n", "z\n"}},
        {"a CR as the 255th byte", std::string(254, 'c') + "\rz\n", {std::string(254, 'c') + "\r", "z\n"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(read_lines(c.file), c.expected);
        EXPECT_EQ(model_lines(c.file), c.expected);  // the model agrees with the table
    }
}

TEST(ByteDelivery, CrLfPairAcrossReadsBecomesLf) {
    // Every split of the file across reads and every buffer size that still
    // holds a kept-back CR.
    const std::string file = "ab\r\ncd\r\r\nef\rg\n\r\n";
    const lines expected = {"ab\n", "cd\r\n", "ef\rg\n", "\n"};
    for (std::size_t chunk = 1; chunk <= file.size(); ++chunk) {
        for (std::size_t capacity = 2; capacity <= file.size() + 1; ++capacity) {
            SCOPED_TRACE(testing::Message() << "chunk " << chunk << ", capacity " << capacity);
            EXPECT_EQ(read_lines(file, chunk, capacity), expected);
        }
    }
}

TEST(ByteDelivery, NothingIsReadAfterCtrlZ) {
    memory_source source{"a\n\x1arest\n", 2};
    read_all_lines(source, 4);
    EXPECT_LT(source.position, source.bytes.size());
    EXPECT_EQ(source.reads_after_end, 0);
}

TEST(ByteDelivery, MatchesTheModelOnRandomFiles) {
    std::mt19937 random(20261211);
    const char alphabet[] = {'a', 'D', '\r', '\n', '\x1a', '\0', '\xff'};
    for (int round = 0; round < 3000; ++round) {
        std::string file(random() % 700, 'x');
        // Mostly plain bytes, with the special ones often enough to meet each other.
        for (char& c : file) c = random() % 3 == 0 ? alphabet[random() % sizeof alphabet] : 'x';
        const std::size_t chunk = 1 + random() % 300;
        const std::size_t capacity = 2 + random() % 300;
        SCOPED_TRACE(testing::Message() << "round " << round << ", chunk " << chunk << ", capacity " << capacity);
        ASSERT_EQ(read_lines(file, chunk, capacity), model_lines(file));
    }
}

TEST(LineRead, EndOfFileOnlyWhenAByteIsAskedForPastTheEnd) {
    // After a line that ends exactly at the end of the file the next read
    // reports the end; after the end every read does.
    memory_source source{"Data\n", 4096};
    unsigned char buffer[16];
    point_list_input input = start_point_list_input(read_memory, &source, buffer, sizeof buffer);
    point_list_line line;
    EXPECT_EQ(read_line(input, line), line_status::line);
    EXPECT_EQ(read_line(input, line), line_status::end_of_file);
    EXPECT_EQ(std::string(line.text, line.length), "Data\n");  // nothing delivered: the buffer is left alone
    EXPECT_EQ(read_line(input, line), line_status::end_of_file);
}

TEST(LineRead, ReadErrorEndsReading) {
    for (const char* file : {"a\nbc", "a\nb\r", ""}) {
        SCOPED_TRACE(file);
        memory_source source{file, 1};
        source.fail_at_end = true;
        const read_result result = read_all_lines(source, 2);
        EXPECT_EQ(result.last, line_status::read_error);
        EXPECT_EQ(result.lines, model_lines(file));
    }
}

}  // namespace
}  // namespace qolt2wpt
