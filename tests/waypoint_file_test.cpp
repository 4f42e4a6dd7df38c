#include "waypoint_file.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace qolt2wpt {
namespace {

bool append_to_string(void* sink, const unsigned char* bytes, std::size_t length) {
    static_cast<std::string*>(sink)->append(reinterpret_cast<const char*>(bytes), length);
    return true;
}

// Runs `write` against a fresh output and returns the bytes of the file.
template <typename Write>
std::string written_bytes(Write write) {
    std::string file;
    crlf_output output;
    start_crlf_output(output, append_to_string, &file);
    write(output);
    EXPECT_TRUE(flush_output(output));
    return file;
}

TEST(WaypointFile, HeaderLines) {
    EXPECT_EQ(written_bytes([](crlf_output& o) { write_title_header(o, "dir/My Track"); }),
              "H  dir/My Track.WPT\r\n\r\n");
    const std::string column_header =
        "H  IDNT   LATITUDE    LONGITUDE    DATE      TIME     ALT  DESCRIPTION\r\n";
    EXPECT_EQ(written_bytes([](crlf_output& o) { write_column_header(o); }), column_header);
    EXPECT_EQ(column_header.size(), 72u);  // 71 bytes of text, the LF as CR LF
}

TEST(WaypointFile, RecordLayout) {
    const struct {
        double latitude;
        double longitude;
        std::string description;
        std::string record;
    } cases[] = {
        {35.6812362, 139.7671248, "Tokyo", "W  _      N35.6812362 E139.7671248 01-JAN-00 00:00:00     0 Tokyo\r\n"},
        {9.5, 35.25, "", "W  _      N 9.5000000 E 35.2500000 01-JAN-00 00:00:00     0 \r\n"},
        {-0.0, -122.4194, "a\rb", "W  _      N 0.0000000 E-122.4194000 01-JAN-00 00:00:00     0 a\rb\r\n"},
        {-0.00000004, -9.5, "x", "W  _      N-0.0000000 E -9.5000000 01-JAN-00 00:00:00     0 x\r\n"},
        {-10, -99.99999996, "x", "W  _      N-10.0000000 E-100.0000000 01-JAN-00 00:00:00     0 x\r\n"},
        {100, 1000, "x", "W  _      N100.0000000 E1000.0000000 01-JAN-00 00:00:00     0 x\r\n"},
        {INFINITY, -INFINITY, "x", "W  _      N 1.#INF000 E -1.#INF000 01-JAN-00 00:00:00     0 x\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.record);
        EXPECT_EQ(written_bytes([&](crlf_output& o) { write_waypoint_record(o, c.latitude, c.longitude, c.description); }),
                  c.record);
    }
}

TEST(WaypointFile, RecordOfAnyLengthIsWrittenWhole) {
    // Far beyond a 200-byte line: 310-digit numbers, and labels up to the
    // longest a line can carry and beyond.
    for (const std::size_t label_length : {249u, 256u, 5000u}) {
        const std::string label(label_length, 'L');
        const std::string record =
            written_bytes([&](crlf_output& o) { write_waypoint_record(o, -1e308, 1e308, label); });
        // 1e308 is stored as 1000000000000000010979...; its 17 significant
        // digits are 1 and zeros, and every later digit is written as 0.
        const std::string big = "1" + std::string(308, '0') + ".0000000";
        EXPECT_EQ(record, "W  _      N-" + big + " E" + big + " 01-JAN-00 00:00:00     0 " + label + "\r\n");
    }
}

}  // namespace
}  // namespace qolt2wpt
