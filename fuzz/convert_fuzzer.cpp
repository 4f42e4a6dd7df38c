// The whole conversion of arbitrary point-list bytes, through the functions
// the tool uses, with an in-memory file on either side. Checked:
//   - the waypoint file against the point list (conversion_check.hpp);
//   - the output goes to the sink in blocks of exactly 4096 bytes counted
//     before CR LF, and the remainder at the flush;
//   - a write failing at any block stops the conversion: the sink holds the
//     blocks before it and is never called again, the input is not read
//     again, and the status says so;
//   - a read failing at any read gives read_failed, and what was written is
//     a prefix of the full output.
// The failure runs use a small input buffer, so lines also straddle reads.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "conversion.hpp"
#include "conversion_check.hpp"
#include "crlf_output.hpp"
#include "fuzz_support.hpp"
#include "line_reader.hpp"

namespace {

using namespace qolt2wpt;

constexpr std::string_view base_name = "fuzz";

struct memory_source {
    std::string_view bytes;
    std::size_t position = 0;
    std::size_t reads = 0;
    std::size_t fail_at_read = SIZE_MAX;  // this read and every later one fails
    bool ended = false;                   // returned 0 or -1 once
    const bool* stop_reading = nullptr;   // set once a write has failed
};

std::ptrdiff_t read_memory(void* source, unsigned char* buffer, std::size_t capacity) {
    auto& s = *static_cast<memory_source*>(source);
    QOLT2WPT_EXPECT(capacity > 0, "read asked for 0 bytes");
    QOLT2WPT_EXPECT(!s.ended, "the input was read again after it ended or failed");
    QOLT2WPT_EXPECT(s.stop_reading == nullptr || !*s.stop_reading, "the input was read after a write failed");
    if (s.reads++ >= s.fail_at_read) {
        s.ended = true;
        return -1;
    }
    const std::size_t count = std::min(capacity, s.bytes.size() - s.position);
    if (count == 0) {
        s.ended = true;
        return 0;
    }
    for (std::size_t i = 0; i < count; ++i) buffer[i] = static_cast<unsigned char>(s.bytes[s.position + i]);
    s.position += count;
    return static_cast<std::ptrdiff_t>(count);
}

struct memory_sink {
    std::string bytes;
    std::vector<std::size_t> write_ends;  // bytes held after each write
    std::size_t fail_at_write = SIZE_MAX;
    std::size_t calls = 0;
    bool failed = false;
};

bool write_memory(void* sink, const unsigned char* bytes, std::size_t length) {
    auto& s = *static_cast<memory_sink*>(sink);
    QOLT2WPT_EXPECT(!s.failed, "the output was written after a failed write");
    QOLT2WPT_EXPECT(length > 0, "empty write");
    if (s.calls++ == s.fail_at_write) {
        s.failed = true;
        return false;
    }
    s.bytes.append(reinterpret_cast<const char*>(bytes), length);
    s.write_ends.push_back(s.bytes.size());
    return true;
}

std::size_t counted_length(std::string_view written) {
    std::size_t lfs = 0;
    for (const char c : written) lfs += c == '\n';
    return written.size() - lfs;
}

struct run_result {
    conversion_status status;
    bool flushed;
    std::size_t writes_before_flush;
};

run_result convert(memory_source& source, memory_sink& sink, std::size_t capacity) {
    // Exactly the capacity, so that a read past it is caught by AddressSanitizer;
    // the tool's 64 KiB one is made once.
    static std::vector<unsigned char> tool_sized(64 * 1024);
    std::vector<unsigned char> small(capacity == tool_sized.size() ? 0 : capacity);
    unsigned char* buffer = capacity == tool_sized.size() ? tool_sized.data() : small.data();
    point_list_input input = start_point_list_input(read_memory, &source, buffer, capacity);
    static crlf_output output;  // 8 KiB: kept off the fuzzer's stack
    start_crlf_output(output, write_memory, &sink);
    const conversion_status status = convert_point_list(input, output, base_name);
    const std::size_t writes = sink.calls;
    const bool flushed = flush_output(output);
    return {status, flushed, writes};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);

    // The tool's own set-up: a 64 KiB buffer.
    memory_source source{file};
    memory_sink sink;
    const run_result full = convert(source, sink, 64 * 1024);
    QOLT2WPT_EXPECT(full.status == conversion_status::completed && full.flushed, "conversion did not complete");
    const std::string fault = check::check_conversion(file, sink.bytes, base_name);
    QOLT2WPT_EXPECT(fault.empty(), fault);
    std::size_t previous_end = 0;
    for (std::size_t i = 0; i < sink.write_ends.size(); ++i) {
        const std::size_t counted =
            counted_length(std::string_view(sink.bytes).substr(previous_end, sink.write_ends[i] - previous_end));
        if (i < full.writes_before_flush) {
            QOLT2WPT_EXPECT(counted == 4096,
                            "block " + std::to_string(i) + " holds " + std::to_string(counted) + " bytes");
        } else {
            QOLT2WPT_EXPECT(i == sink.write_ends.size() - 1 && counted > 0 && counted < 4096,
                            "the flush wrote " + std::to_string(counted) + " bytes");
        }
        previous_end = sink.write_ends[i];
    }

    // Small buffers, so that CR LF pairs and lines straddle reads.
    const std::size_t small_capacity = 2 + size % 61;

    // A write failing at one of the blocks.
    if (!sink.write_ends.empty()) {
        const std::size_t failing = size % sink.write_ends.size();
        memory_sink failing_sink;
        failing_sink.fail_at_write = failing;
        memory_source again{file};
        again.stop_reading = &failing_sink.failed;
        const run_result cut = convert(again, failing_sink, small_capacity);
        const std::size_t kept = failing == 0 ? 0 : sink.write_ends[failing - 1];
        QOLT2WPT_EXPECT(failing_sink.bytes == std::string_view(sink.bytes).substr(0, kept),
                        "after a failed write the output is not the blocks before it");
        QOLT2WPT_EXPECT(failing_sink.calls == failing + 1, "the output was written again after a failed write");
        QOLT2WPT_EXPECT(!cut.flushed, "the flush did not report the failed write");
        QOLT2WPT_EXPECT(cut.status == (failing < full.writes_before_flush ? conversion_status::write_failed
                                                                          : conversion_status::completed),
                        "wrong status after a failed write");
    }

    // A read failing, at the first read or any later one.
    {
        memory_source counting{file};
        memory_sink ignored;
        convert(counting, ignored, small_capacity);
        QOLT2WPT_EXPECT(ignored.bytes == sink.bytes, "the output depends on the input buffer size");
        memory_source failing_source{file};
        failing_source.fail_at_read = size % counting.reads;
        memory_sink partial;
        const run_result cut = convert(failing_source, partial, small_capacity);
        QOLT2WPT_EXPECT(cut.status == conversion_status::read_failed, "a read error was not reported");
        QOLT2WPT_EXPECT(std::string_view(sink.bytes).substr(0, partial.bytes.size()) == partial.bytes,
                        "after a read error the output is not a prefix of the full output");
    }
    return 0;
}
