#include "fixed_format.hpp"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace qolt2wpt {
namespace {

constexpr int decimals = 7;
constexpr int significant_digits = 17;

// The exact decimal digits of a positive finite double: 309 integer digits at
// most, and at most 1074 decimals (the weight of the smallest subnormal).
// One leading zero is kept free for a carry out of the first digit, and eight
// decimals are always present so that the rounding digit exists.
struct exact_digits {
    char digits[1 + 309 + 1074 + 1];
    int count;          // digits held
    int integer_count;  // digits before the point, the carry slot included
};

// Number of decimals needed to write `magnitude` exactly: the binary weight
// of its lowest set bit, when that lies below 1.
int exact_decimal_count(double magnitude) {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(magnitude);
    const int biased = static_cast<int>(bits >> 52);
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    int exponent = biased == 0 ? -1074 : biased - 1075;
    if (biased != 0) mantissa |= std::uint64_t{1} << 52;
    exponent += std::countr_zero(mantissa);
    return exponent < 0 ? -exponent : 0;
}

void expand_exactly(double magnitude, exact_digits& out) {
    // <charconv>'s fixed form is exact once the precision covers every bit.
    char text[309 + 1 + 1074];
    const int fraction_count = exact_decimal_count(magnitude);
    const char* end = std::to_chars(text, text + sizeof text, magnitude, std::chars_format::fixed, fraction_count).ptr;
    const char* point = static_cast<const char*>(std::memchr(text, '.', static_cast<std::size_t>(end - text)));
    const char* integer_end = point != nullptr ? point : end;

    out.digits[0] = '0';
    out.count = 1;
    for (const char* p = text; p != integer_end; ++p) out.digits[out.count++] = *p;
    out.integer_count = out.count;
    if (point != nullptr) {
        for (const char* p = point + 1; p != end; ++p) out.digits[out.count++] = *p;
    }
    while (out.count < out.integer_count + decimals + 1) out.digits[out.count++] = '0';
}

// Adds one unit at index `position`, carrying to the left through 9s. The
// leading carry slot is '0' and receives any carry out of the first digit.
void increment_at(exact_digits& d, int position) {
    while (d.digits[position] == '9') d.digits[position--] = '0';
    ++d.digits[position];
}

// Stage 1: keep 17 significant digits; a cut part of half a unit or more
// (its first digit 5 or more) raises the last kept digit.
void round_half_up_to_17_digits(exact_digits& d) {
    int first = 0;
    while (d.digits[first] == '0') ++first;
    const int cut = first + significant_digits;
    if (cut >= d.count) return;
    const bool round_up = d.digits[cut] >= '5';
    std::memset(d.digits + cut, '0', static_cast<std::size_t>(d.count - cut));
    if (round_up) increment_at(d, cut - 1);
}

// Stage 2: round at the 7th decimal, looking only at the 8th.
void round_half_up_to_7_decimals(exact_digits& d) {
    const int eighth = d.integer_count + decimals;
    const bool round_up = d.digits[eighth] >= '5';
    d.count = eighth;
    if (round_up) increment_at(d, eighth - 1);
}

std::size_t copy_text(char* out, const char* text) {
    const std::size_t length = std::strlen(text);
    std::memcpy(out, text, length);
    return length;
}

}  // namespace

std::size_t format_fixed7(double value, char* out) {
    const bool negative = std::signbit(value);
    if (std::isinf(value)) return copy_text(out, negative ? "-1.#INF000" : "1.#INF000");
    if (std::isnan(value)) return copy_text(out, negative ? "-1.#QNAN00" : "1.#QNAN00");
    if (value == 0) return copy_text(out, "0.0000000");

    exact_digits d;
    expand_exactly(std::fabs(value), d);
    round_half_up_to_17_digits(d);
    round_half_up_to_7_decimals(d);

    // Drop leading zeros of the integer part, but keep one digit before the point.
    int first = 0;
    while (first < d.integer_count - 1 && d.digits[first] == '0') ++first;
    char* p = out;
    if (negative) *p++ = '-';
    const std::size_t integer_length = static_cast<std::size_t>(d.integer_count - first);
    std::memcpy(p, d.digits + first, integer_length);
    p += integer_length;
    *p++ = '.';
    std::memcpy(p, d.digits + d.integer_count, decimals);
    p += decimals;
    return static_cast<std::size_t>(p - out);
}

}  // namespace qolt2wpt
