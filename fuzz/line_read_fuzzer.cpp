// read_line and the byte delivery against the plain model in
// point_list_model.hpp, with the input buffer capacity and the size of every
// read chosen by the fuzz input, and optionally a read that fails.
//
// Input layout: byte 0 picks the buffer capacity, byte 1 seeds the read
// sizes, byte 2 picks a failing read (or none); the rest is the file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "conversion_check.hpp"
#include "fuzz_support.hpp"
#include "line_reader.hpp"
#include "point_list_model.hpp"

namespace {

using namespace qolt2wpt;

constexpr std::size_t header_size = 3;

std::size_t capacity_for(std::uint8_t pick) {
    constexpr std::size_t notable[] = {255, 256, 257, 510, 4096, 64 * 1024};
    if (pick >= 250) return notable[pick - 250];
    return 2 + pick % 40;
}

struct chunked_source {
    std::string_view bytes;
    std::size_t position = 0;
    std::uint32_t state = 0;  // picks the size of each read
    std::uint32_t largest_read = 1;
    std::size_t reads = 0;
    std::size_t fail_at_read = SIZE_MAX;  // this read fails
    bool ended = false;                   // returned 0 or -1, or delivered a Ctrl-Z
    const unsigned char* buffer_start = nullptr;
    std::size_t buffer_capacity = 0;
};

std::ptrdiff_t read_chunk(void* source, unsigned char* buffer, std::size_t capacity) {
    auto& s = *static_cast<chunked_source*>(source);
    QOLT2WPT_EXPECT(!s.ended, "the source was read after it ended, failed or gave a Ctrl-Z");
    QOLT2WPT_EXPECT(capacity > 0, "a read of 0 bytes");
    QOLT2WPT_EXPECT(buffer >= s.buffer_start && buffer + capacity <= s.buffer_start + s.buffer_capacity,
                    "a read outside the caller's buffer");
    if (s.reads++ == s.fail_at_read) {
        s.ended = true;
        return -1;
    }
    s.state = s.state * 1103515245u + 12345u;
    const std::size_t wanted = 1 + (s.state >> 16) % s.largest_read;
    const std::size_t count = std::min({capacity, wanted, s.bytes.size() - s.position});
    if (count == 0) {
        s.ended = true;
        return 0;
    }
    std::memcpy(buffer, s.bytes.data() + s.position, count);
    if (std::memchr(buffer, 0x1A, count) != nullptr) s.ended = true;
    s.position += count;
    return static_cast<std::ptrdiff_t>(count);
}

std::string_view text_of(const point_list_line& line) { return {line.text, line.length}; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < header_size) return 0;
    const std::size_t capacity = capacity_for(data[0]);
    const std::string_view file(reinterpret_cast<const char*>(data + header_size), size - header_size);
    std::vector<unsigned char> buffer(capacity);  // exactly: overruns are caught by AddressSanitizer
    chunked_source source{file};
    source.state = data[1];
    source.largest_read = data[1] < 128 ? 3 : 300;
    if (data[2] >= 0xC0) source.fail_at_read = data[2] - 0xC0u;
    source.buffer_start = buffer.data();
    source.buffer_capacity = capacity;
    const auto context = [&] {
        return " (capacity " + std::to_string(capacity) + ", file \"" + check::shown(file) + "\")";
    };

    point_list_input input = start_point_list_input(read_chunk, &source, buffer.data(), capacity);
    model::line_reader expected(file);
    std::string expected_line;
    static point_list_line line;
    for (std::size_t number = 0;; ++number) {
        const bool more = expected.next(expected_line);
        // Marks the line, to see whether a read that delivers nothing leaves it alone.
        std::memset(line.text, '#', sizeof line.text);
        line.length = 7;
        const line_status status = read_line(input, line);
        const auto where = [&] { return "line " + std::to_string(number) + context(); };
        if (status == line_status::read_error) {
            // Every line before the failing read came out right; the model
            // says whether the file had more to give.
            QOLT2WPT_EXPECT(source.reads > source.fail_at_read, "read_error without a failed read, " + where());
            return 0;
        }
        QOLT2WPT_EXPECT(source.reads <= source.fail_at_read,
                        "a failed read was not reported as read_error, " + where());
        if (more) {
            QOLT2WPT_EXPECT(line.length <= line_capacity, "line longer than 255 bytes, " + where());
            QOLT2WPT_EXPECT(line.text[line.length] == '\0', "line not NUL-terminated, " + where());
            QOLT2WPT_EXPECT(status == line_status::line, "end of file too early, " + where());
            QOLT2WPT_EXPECT(text_of(line) == expected_line, "read \"" + check::shown(text_of(line)) +
                                                                "\", expected \"" + check::shown(expected_line) +
                                                                "\", " + where());
            continue;
        }
        QOLT2WPT_EXPECT(status == line_status::end_of_file, "a line after the end of the file, " + where());
        if (expected_line.empty()) {
            QOLT2WPT_EXPECT(line.length == 7 && std::memcmp(line.text, "########", 8) == 0,
                            "a read that delivered nothing changed the line, " + where());
        } else {
            QOLT2WPT_EXPECT(line.length <= line_capacity && line.text[line.length] == '\0',
                            "a cut-off line not NUL-terminated, " + where());
            QOLT2WPT_EXPECT(text_of(line) == expected_line, "the read that met the end delivered \"" +
                                                                check::shown(text_of(line)) + "\", expected \"" +
                                                                check::shown(expected_line) + "\", " + where());
        }
        // Once at the end, always at the end.
        for (int again = 0; again < 2; ++again) {
            QOLT2WPT_EXPECT(read_line(input, line) == line_status::end_of_file,
                            "a read after the end did not meet it, " + where());
        }
        return 0;
    }
}
