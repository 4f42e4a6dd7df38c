#include "crlf_output.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace qolt2wpt {
namespace {

// Records every write as one block, and can be told to fail from a given
// write on.
struct recording_sink {
    std::vector<std::string> writes;
    std::size_t fail_from_write = SIZE_MAX;
};

bool record_write(void* sink, const unsigned char* bytes, std::size_t length) {
    auto& s = *static_cast<recording_sink*>(sink);
    if (s.writes.size() >= s.fail_from_write) return false;
    s.writes.emplace_back(reinterpret_cast<const char*>(bytes), length);
    return true;
}

TEST(CrlfOutput, WritesEachLfAsCrLfAndNothingElseChanges) {
    recording_sink sink;
    crlf_output output;
    start_crlf_output(output, record_write, &sink);
    put_text(output, std::string("a\nb\r\n\rc\0\x82\xa0\n\n", 12));
    EXPECT_TRUE(sink.writes.empty());  // held until a block fills or the caller flushes
    EXPECT_TRUE(flush_output(output));
    EXPECT_EQ(sink.writes, std::vector<std::string>{std::string("a\r\nb\r\r\n\rc\0\x82\xa0\r\n\r\n", 16)});
}

TEST(CrlfOutput, BlocksHold4096BytesCountedBeforeExpansion) {
    recording_sink sink;
    crlf_output output;
    start_crlf_output(output, record_write, &sink);
    // 3000 LFs and then plain bytes, put in uneven pieces: the first block
    // ends after 4096 bytes of text, whatever the pieces were.
    std::string text(3000, '\n');
    text += std::string(6000, 'x');
    for (std::size_t i = 0; i < text.size(); i += 777) put_text(output, text.substr(i, 777));
    ASSERT_EQ(sink.writes.size(), 2u);
    std::string first_block;
    for (int i = 0; i < 3000; ++i) first_block += "\r\n";
    first_block += std::string(1096, 'x');
    EXPECT_EQ(sink.writes[0], first_block);
    EXPECT_EQ(sink.writes[1], std::string(4096, 'x'));
    EXPECT_TRUE(flush_output(output));
    EXPECT_EQ(sink.writes.back(), std::string(6000 - 1096 - 4096, 'x'));
}

TEST(CrlfOutput, FlushWithNothingHeldWritesNothing) {
    recording_sink sink;
    crlf_output output;
    start_crlf_output(output, record_write, &sink);
    put_text(output, std::string(4096, 'x'));
    EXPECT_TRUE(flush_output(output));
    EXPECT_EQ(sink.writes.size(), 1u);
}

TEST(CrlfOutput, FailedWriteIsReportedAndNothingIsWrittenAfterIt) {
    recording_sink sink;
    sink.fail_from_write = 1;
    crlf_output output;
    start_crlf_output(output, record_write, &sink);
    put_text(output, std::string(3 * 4096, 'x'));
    EXPECT_TRUE(output.failed);
    EXPECT_FALSE(flush_output(output));
    EXPECT_EQ(sink.writes.size(), 1u);  // no block after the failed one
}

TEST(CrlfOutput, FailureOfTheLastWriteIsReported) {
    recording_sink sink;
    sink.fail_from_write = 0;
    crlf_output output;
    start_crlf_output(output, record_write, &sink);
    put_text(output, "short\n");
    EXPECT_FALSE(output.failed);
    EXPECT_FALSE(flush_output(output));
}

TEST(CrlfOutput, LinesLaidOutInPlaceGiveTheSameBlocksAsPutText) {
    // Lines of many lengths, laid out in place where reserve_line allows and
    // put piece by piece where it refuses: the blocks must be those of
    // putting the same text in one go.
    std::string text;
    recording_sink in_place_sink;
    crlf_output in_place;
    start_crlf_output(in_place, record_write, &in_place_sink);
    int refused = 0;
    for (std::size_t i = 0; i < 400; ++i) {
        const std::string line(i * 37 % 300, static_cast<char>('a' + i % 26));
        text += line + "\n";
        if (char* room = reserve_line(in_place, line.size())) {
            std::copy(line.begin(), line.end(), room);
            end_reserved_line(in_place, line.size());
        } else {
            ++refused;
            put_text(in_place, line);
            put_text(in_place, "\n");
        }
    }
    EXPECT_TRUE(flush_output(in_place));
    EXPECT_GT(refused, 0);

    recording_sink whole_sink;
    crlf_output whole;
    start_crlf_output(whole, record_write, &whole_sink);
    put_text(whole, text);
    EXPECT_TRUE(flush_output(whole));
    EXPECT_EQ(in_place_sink.writes, whole_sink.writes);
}

TEST(CrlfOutput, NoRoomIsReservedAfterAFailure) {
    recording_sink sink;
    sink.fail_from_write = 0;
    crlf_output output;
    start_crlf_output(output, record_write, &sink);
    put_text(output, std::string(4096, 'x'));
    EXPECT_EQ(reserve_line(output, 1), nullptr);
}

TEST(CrlfOutput, LineFillingTheBlockExactlyGoesOutAtOnce) {
    // A line whose LF is the block's 4096th byte fills the block, which must
    // go to the sink then, not wait for the next text or the flush: so
    // reserve_line refuses the line and put_text writes the block as it fills.
    recording_sink sink;
    crlf_output output;
    start_crlf_output(output, record_write, &sink);
    put_text(output, std::string(4000, 'x'));
    const std::string line(95, 'y');  // 4000 + 95 + the LF = 4096
    if (char* room = reserve_line(output, line.size())) {
        std::copy(line.begin(), line.end(), room);
        end_reserved_line(output, line.size());
    } else {
        put_text(output, line + "\n");
    }
    ASSERT_EQ(sink.writes.size(), 1u);
    EXPECT_EQ(sink.writes[0], std::string(4000, 'x') + line + "\r\n");
}

}  // namespace
}  // namespace qolt2wpt
