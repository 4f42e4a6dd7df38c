// Per-item costs of the hot steps: number conversion and formatting per
// coordinate, line read per line.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "conversion.hpp"
#include "fixed_format.hpp"
#include "line_reader.hpp"
#include "number_text.hpp"

namespace {

using namespace qolt2wpt;

// Coordinates as point lists hold them: 6 to 9 decimals, both signs.
const std::array<std::string_view, 8> typical_texts = {"35.681236",    "-139.7671248", "35.65858055", "-122.419416",
                                                       "139.74543295", "51.5007292",   "-0.1246254",  "2.294481"};
// Texts that leave the common path: 19+ digits, exact ties, exponents.
const std::array<std::string_view, 8> hard_texts = {
    "4503599627370497.5", "9007199254740995", "45.000000000000010658141036401502788066864013671875",
    "1.2345678901234567890123", "3.5D2", "-7.25e-3", "123456789012345678901", "0.000000000000000000012345"};

template <std::size_t N>
void convert_texts(benchmark::State& state, const std::array<std::string_view, N>& texts) {
    for (auto _ : state) {
        for (const std::string_view text : texts) benchmark::DoNotOptimize(parse_coordinate(text));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * N));
}

void BM_ParseTypical(benchmark::State& state) { convert_texts(state, typical_texts); }
void BM_ParseHard(benchmark::State& state) { convert_texts(state, hard_texts); }

template <std::size_t N>
void format_values(benchmark::State& state, const std::array<std::string_view, N>& texts) {
    std::array<double, N> values;
    std::transform(texts.begin(), texts.end(), values.begin(), parse_coordinate);
    char out[fixed7_max_length];
    for (auto _ : state) {
        for (const double value : values) {
            benchmark::DoNotOptimize(format_fixed7(value, out));
            benchmark::ClobberMemory();
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * N));
}

void BM_FormatTypical(benchmark::State& state) { format_values(state, typical_texts); }
void BM_FormatHard(benchmark::State& state) {
    // Far from coordinates: ties at the 8th decimal, 1e20, the subnormal range.
    static const std::array<std::string_view, 6> texts = {"35.42793485", "9.99999995", "1e20",
                                                          "-0.00000004", "5e-324",     "1.7976931348623157e308"};
    format_values(state, texts);
}

struct memory_file {
    const std::string* bytes;
    std::size_t position;
};

std::ptrdiff_t read_memory(void* source, unsigned char* buffer, std::size_t capacity) {
    auto& f = *static_cast<memory_file*>(source);
    const std::size_t n = std::min(capacity, f.bytes->size() - f.position);
    std::memcpy(buffer, f.bytes->data() + f.position, n);
    f.position += n;
    return static_cast<std::ptrdiff_t>(n);
}

void BM_ReadLine(benchmark::State& state) {
    std::string file;
    const bool crlf = state.range(0) != 0;
    for (int i = 0; i < 20000; ++i) file += crlf ? "Data = 35.6812362,-139.7671248)\r\n" : "Data = 35.6812362,-139.7671248)\n";
    std::vector<unsigned char> buffer(1 << 16);
    std::int64_t lines = 0;
    for (auto _ : state) {
        memory_file source{&file, 0};
        point_list_input input = start_point_list_input(read_memory, &source, buffer.data(), buffer.size());
        point_list_line line;
        while (read_line(input, line) == line_status::line) ++lines;
        benchmark::DoNotOptimize(line.length);
    }
    state.SetItemsProcessed(lines);
}

// The whole line loop in memory, on generator-like lines with varied digit
// counts and signs (what branch predictors see in a real run), to a sink that
// drops the bytes: everything but the system calls.
void BM_ConvertInMemory(benchmark::State& state) {
    std::string file;
    std::uint64_t seed = 12345;
    auto next = [&seed] { return seed = seed * 6364136223846793005u + 1442695040888963407u, seed >> 33; };
    char line[128];
    for (int label = 0; label < 2000; ++label) {
        file += "Label Trail head " + std::to_string(label) + "\n";
        for (int i = 0; i < 50; ++i) {
            const double lat = static_cast<double>(next() % 180000000) / 1e6 - 90;
            const double lon = static_cast<double>(next() % 360000000) / 1e6 - 180;
            const int n = std::snprintf(line, sizeof line, "Data = %.*f,%.*f)\n", 6 + static_cast<int>(next() % 4), lat,
                                        6 + static_cast<int>(next() % 4), lon);
            file.append(line, static_cast<std::size_t>(n));
        }
    }
    std::vector<unsigned char> buffer(1 << 16);
    for (auto _ : state) {
        memory_file source{&file, 0};
        point_list_input input = start_point_list_input(read_memory, &source, buffer.data(), buffer.size());
        crlf_output output;
        start_crlf_output(output, [](void*, const unsigned char*, std::size_t) { return true; }, nullptr);
        benchmark::DoNotOptimize(convert_point_list(input, output, "bench"));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 2000 * 51);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}

BENCHMARK(BM_ParseTypical);
BENCHMARK(BM_ParseHard);
BENCHMARK(BM_FormatTypical);
BENCHMARK(BM_FormatHard);
BENCHMARK(BM_ReadLine)->Arg(0)->Arg(1);
BENCHMARK(BM_ConvertInMemory);

}  // namespace

BENCHMARK_MAIN();
