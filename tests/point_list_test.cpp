#include "point_list.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace qolt2wpt {
namespace {

point_list_line make_line(const std::string& bytes) {
    point_list_line line;
    EXPECT_LE(bytes.size(), line_capacity);
    std::memcpy(line.text, bytes.data(), bytes.size());
    line.text[bytes.size()] = '\0';
    line.length = bytes.size();
    return line;
}

TEST(PointList, ClassifiesByWordAnywhereBeforeTheFirstNul) {
    const struct {
        std::string line;
        bool label;
        bool data;
    } cases[] = {
        {"Label Tokyo\n", true, false},
        {"Data = 35.1,139.2)\n", false, true},
        {"  my Label here\n", true, false},
        {"xxData\n", false, true},
        {"Label Database\n", true, true},
        {"label data LABEL DATA\n", false, false},
        {"Labe Dat\n", false, false},
        {std::string("x\0Label Data\n", 13), false, false},
        {std::string("Label\0Data\n", 11), true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const point_list_line line = make_line(c.line);
        EXPECT_EQ(is_label_line(line), c.label);
        EXPECT_EQ(is_data_line(line), c.data);
    }
}

TEST(PointList, LabelIsTheTextFromOffsetSixLessTheLineEnd) {
    const struct {
        std::string line;
        std::string label;
    } cases[] = {
        {"Label Tokyo Tower\n", "Tokyo Tower"},
        {"Label:\x93\x8c\x8b\x9e \x83^\x83\x8f\x81[\n", "\x93\x8c\x8b\x9e \x83^\x83\x8f\x81["},  // Shift_JIS passes whole
        {"Label\n", ""},
        {"Label \n", ""},
        {"Label x\r\n", "x\r"},                                  // CR CR LF arrived as CR LF
        {"xxLabel  yy\n", "l  yy"},                              // the offset counts from the line start
        {std::string("Lab\0elLabel\n", 12), "Label"},           // a NUL before offset 6 hides nothing after it
        {std::string("Label ab\0cd\n", 12), "ab"},             // the label ends at a NUL
        {"Label " + std::string(249, 'z'), std::string(249, 'z')},  // a 255-byte piece: kept whole, nothing dropped
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        current_label label;
        label.length = 0;
        read_label(make_line(c.line), label);
        EXPECT_EQ(std::string(label.text, label.length), c.label);
    }
}

void expect_same_double(double actual, double expected) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(actual), std::bit_cast<std::uint64_t>(expected))
        << actual << " vs " << expected;
}

TEST(PointList, CoordinatesAreTokensFromOffsetSeven) {
    const double inf = INFINITY;
    const struct {
        std::string line;
        double latitude;
        double longitude;
    } cases[] = {
        {"Data = 35.6812362,139.7671248)\n", 35.6812362, 139.7671248},
        {"Data = -33.8688,-151.2093)\n", -33.8688, -151.2093},
        {"Data = 35.6812362,139.7671248\n", 35.6812362, 139.7671248},  // no ")": the LF is ignored
        {"Data = 35.25,  139.5   )\n", 35.25, 139.5},
        {"Data = 35,5,139,5)\n", 35, 5},                               // a decimal comma splits the latitude
        {"Data =,,,35.5,)))139.5)\n", 35.5, 139.5},                    // separators before a token are skipped
        {"Data (35.5,139.5)\n", 5.5, 139.5},                           // offset 7 is inside the number
        {"Data = (35.5,139.5)\n", 0, 139.5},                           // "(" starts no number
        {"xxData = 1.5,2.5)\n", 0, 2.5},                               // the word anywhere; offsets from the start
        {"Data = 1e999,-1e999)\n", inf, -inf},
        {"Data = -0.0,0x1A)\n", -0.0, 0},
        {"Label Database 7,8)\n", 0, 8},                               // "atabase 7" reads as no number
        // No text to convert reads as 0, and nothing beyond the line is read.
        {"Data\n", 0, 0},
        {"Data  \n", 0, 0},
        {"Data = ,,,,\n", 0, 0},
        {"Data = 12.5\n", 12.5, 0},
        {"Data = 12.5,)))", 12.5, 0},
        {"Data = 12.5,\n", 12.5, 0},
        {std::string("Data = 1.5\0,2.5)\n", 17), 1.5, 0},            // a NUL ends the text
        {std::string("Dat\0 = 1.5,2.5)\n", 16), 1.5, 2.5},           // a NUL before offset 7 hides nothing after it
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        // Stale bytes past the line's end must never be read as its text.
        point_list_line line = make_line(c.line);
        std::memset(line.text + line.length + 1, '9', sizeof line.text - line.length - 1);
        const coordinates point = read_coordinates(line);
        expect_same_double(point.latitude, c.latitude);
        expect_same_double(point.longitude, c.longitude);
    }
}

}  // namespace
}  // namespace qolt2wpt
