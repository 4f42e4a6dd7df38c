// parse_coordinate and format_fixed7 against the exact GMP references on
// arbitrary texts and bit patterns. The whole input is a coordinate text;
// its first eight bytes are also taken as a double for the formatter.
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "conversion_check.hpp"
#include "exact_reference.hpp"
#include "fixed_format.hpp"
#include "fuzz_support.hpp"
#include "number_text.hpp"

namespace {

using namespace qolt2wpt;

// Texts longer than a line read can hold are never handed to the parser by
// the tool; the bound keeps the GMP reference fast.
constexpr std::size_t longest_text = 512;

std::string described(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g (%a)", value, value);
    return text;
}

void check_format(double value) {
    // Exactly the longest text: writing past it is caught by AddressSanitizer.
    const auto buffer = std::make_unique<char[]>(fixed7_max_length);
    const std::size_t length = format_fixed7(value, buffer.get());
    QOLT2WPT_EXPECT(length <= fixed7_max_length, "format_fixed7 wrote past its longest text");
    const std::string expected = testing_reference::reference_fixed7(value);
    const std::string_view actual(buffer.get(), length);
    QOLT2WPT_EXPECT(actual == expected, "format_fixed7(" + described(value) + ") gave \"" + std::string(actual) +
                                            "\", expected \"" + expected + "\"");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > longest_text) return -1;  // not added to the corpus
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const double result = parse_coordinate(text);
    std::string why;
    QOLT2WPT_EXPECT(testing_reference::parses_right(text, result, why),
                    "parse_coordinate(\"" + check::shown(text) + "\") gave " + described(result) + ", expected " + why);
    check_format(result);

    if (size >= 8) {
        std::uint64_t bits;
        std::memcpy(&bits, data, 8);
        const double value = std::bit_cast<double>(bits);
        if (!std::isnan(value)) check_format(value);
    }
    return 0;
}
