#include "conversion.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace qolt2wpt {
namespace {

struct memory_file {
    std::string bytes;
    std::size_t position = 0;
};

std::ptrdiff_t read_memory(void* source, unsigned char* buffer, std::size_t capacity) {
    auto& f = *static_cast<memory_file*>(source);
    const std::size_t n = std::min(capacity, f.bytes.size() - f.position);
    std::copy_n(f.bytes.data() + f.position, n, buffer);
    f.position += n;
    return static_cast<std::ptrdiff_t>(n);
}

bool append_to_string(void* sink, const unsigned char* bytes, std::size_t length) {
    static_cast<std::string*>(sink)->append(reinterpret_cast<const char*>(bytes), length);
    return true;
}

std::string convert(const std::string& point_list) {
    memory_file file{point_list};
    unsigned char buffer[64];  // small, so that lines straddle reads
    point_list_input input = start_point_list_input(read_memory, &file, buffer, sizeof buffer);
    std::string waypoints;
    crlf_output output;
    start_crlf_output(output, append_to_string, &waypoints);
    EXPECT_EQ(convert_point_list(input, output, "t"), conversion_status::completed);
    EXPECT_TRUE(flush_output(output));
    return waypoints;
}

const std::string title = "H  t.WPT\r\n\r\n";
const std::string header = "H  IDNT   LATITUDE    LONGITUDE    DATE      TIME     ALT  DESCRIPTION\r\n";

std::string record(const std::string& numbers, const std::string& label) {
    return "W  _      N" + numbers + " 01-JAN-00 00:00:00     0 " + label + "\r\n";
}

TEST(Conversion, LineLoop) {
    const std::string a = "Data = 1.5,2.5)\n";
    const std::string a_record = record(" 1.5000000 E  2.5000000", "L");
    const struct {
        const char* what;
        std::string input;
        std::string output;
    } cases[] = {
        {"an empty file", "", title},
        {"a record before any label has an empty description", "Data = 1,2)\n",
         title + record(" 1.0000000 E  2.0000000", "")},
        {"each label line writes a header and replaces the label",
         "Label A\nData = 1,2)\nLabel B\nLabel C\nData = 3,4)\nnoise\n",
         title + header + record(" 1.0000000 E  2.0000000", "A") + header + header +
             record(" 3.0000000 E  4.0000000", "C")},
        {"a line both Label and Data: header, then a record with the new label", "Label Database 7,8)\n",
         title + header + record(" 0.0000000 E  8.0000000", "Database 7,8)")},
        {"CR LF line ends convert like LF", "Label L\r\nData = 1.5,2.5)\r\n", title + header + a_record},
        {"a last line without LF is dropped", "Label L\n" + a + "Data = 9,9)", title + header + a_record},
        {"a CR-only file converts nothing", "Label L\rData = 1.5,2.5)\r", title},
        {"the first Ctrl-Z ends the file", "Label L\n" + a + "\x1a" + a, title + header + a_record},
        {"a 300-byte line: two pieces, a word cut at the boundary is in neither",
         std::string(253, ' ') + "Data = 1,2)" + std::string(35, ' ') + "\n", title},
        {"a 255-byte piece is a line of its own",
         "Label L\nData = 1.5,2.5)" + std::string(255 - 15, ' ') + "Data = 3,4)\n",
         title + header + record(" 1.5000000 E  2.5000000", "L") + record(" 3.0000000 E  4.0000000", "L")},
        {"a last piece of exactly 255 bytes without LF is kept",
         "Label L\nData = 1.5,2.5)" + std::string(255 - 15, ' '), title + header + a_record},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(convert(c.input), c.output);
    }
}

TEST(Conversion, StopsAtTheFirstFailedWrite) {
    memory_file file{"Label L\n" + std::string(100000, 'x') + "\n"};
    for (int i = 0; i < 1000; ++i) file.bytes += "Data = 1,2)\n";
    unsigned char buffer[4096];
    point_list_input input = start_point_list_input(read_memory, &file, buffer, sizeof buffer);
    crlf_output output;
    start_crlf_output(output, [](void*, const unsigned char*, std::size_t) { return false; }, nullptr);
    EXPECT_EQ(convert_point_list(input, output, "t"), conversion_status::write_failed);
    EXPECT_LT(file.position, file.bytes.size());  // no point reading on into a full disk
}

TEST(Conversion, ReadErrorEndsTheLoopAsAFailure) {
    // A source that hands out two lines and then reports an error.
    struct failing_file {
        std::string bytes = "Label L\nData = 1,2)\n";
        bool read = false;
    } file;
    unsigned char buffer[64];
    point_list_input input = start_point_list_input(
        [](void* source, unsigned char* out, std::size_t capacity) -> std::ptrdiff_t {
            auto& f = *static_cast<failing_file*>(source);
            if (f.read) return -1;
            f.read = true;
            const std::size_t n = std::min(capacity, f.bytes.size());
            std::copy_n(f.bytes.data(), n, out);
            return static_cast<std::ptrdiff_t>(n);
        },
        &file, buffer, sizeof buffer);
    std::string waypoints;
    crlf_output output;
    start_crlf_output(output, append_to_string, &waypoints);
    EXPECT_EQ(convert_point_list(input, output, "t"), conversion_status::read_failed);
    EXPECT_TRUE(flush_output(output));
    EXPECT_EQ(waypoints, title + header + record(" 1.0000000 E  2.0000000", "L"));
}

}  // namespace
}  // namespace qolt2wpt
