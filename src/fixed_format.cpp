#include "fixed_format.hpp"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "wide_multiply.hpp"

namespace qolt2wpt {
namespace {

constexpr int decimals = 7;
constexpr int significant_digits = 17;
constexpr int decimals_after_rounding_digit = decimals + 1;

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

// ---- Fast path: 2^-9 <= |value| < 2^29, which holds every coordinate. ----
//
// value = m * 2^-q with a 53-bit m and 24 <= q <= 61. Stage 1 needs the
// exact value scaled to 17 integer digits: y = m * 10^s / 2^q, s <= 19, so
// m * 10^s < 2^117 fits 128 bits and floor(y) < 10^18 fits 64; the bits
// shifted out are the exact remainder. Integers only, never value * 1e7.

constexpr std::uint64_t powers_of_ten[] = {1,
                                           10,
                                           100,
                                           1000,
                                           10000,
                                           100000,
                                           1000000,
                                           10000000,
                                           100000000,
                                           1000000000,
                                           10000000000,
                                           100000000000,
                                           1000000000000,
                                           10000000000000,
                                           100000000000000,
                                           1000000000000000,
                                           10000000000000000,
                                           100000000000000000,
                                           1000000000000000000,
                                           10000000000000000000u};

// The magnitude in units of 10^-7 after both rounding stages, or false when
// it lies outside the fast range.
bool round_in_units_of_1e7(double magnitude, std::uint64_t& units) {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(magnitude);
    const int binary_exponent = static_cast<int>(bits >> 52) - 1075;  // magnitude = m * 2^binary_exponent
    if (binary_exponent < -61 || binary_exponent > -24) return false;
    const std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
    const int q = -binary_exponent;

    // floor(log10(2^(binary_exponent + 52))), which is floor(log10(value)) or
    // one less (78913 / 2^18 is log10(2) closely enough for these exponents).
    const int estimate = ((binary_exponent + 52) * 78913) >> 18;
    int decimals = significant_digits - 1 - estimate;  // 8 to 19
    const uint128 product = multiply_64x64(m, powers_of_ten[decimals]);
    std::uint64_t scaled = (product.high << (64 - q)) | (product.low >> q);
    const std::uint64_t remainder = product.low & ((std::uint64_t{1} << q) - 1);
    const std::uint64_t half = std::uint64_t{1} << (q - 1);

    // Stage 1: 17 significant digits, half up on the exact remainder.
    if (scaled >= powers_of_ten[significant_digits]) {
        // 18 digits: the 18th decides, as the remainder below it is under one unit.
        scaled = scaled / 10 + static_cast<std::uint64_t>(scaled % 10 >= 5);
        --decimals;
    } else {
        scaled += static_cast<std::uint64_t>(remainder >= half);
    }
    // Stage 2: look only at the 8th decimal of the 17-digit value.
    const std::uint64_t eighths = scaled / powers_of_ten[decimals - decimals_after_rounding_digit];
    units = eighths / 10 + static_cast<std::uint64_t>(eighths % 10 >= 5);
    return true;
}

// Writes units of 10^-7 as "I.DDDDDDD".
std::size_t write_units_of_1e7(std::uint64_t units, char* out) {
    // "00" "01" ... "99": two digits per division.
    static constexpr char digit_pairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    char* p = std::to_chars(out, out + 20, units / 10000000).ptr;
    *p++ = '.';
    // Two independent halves, "DDD" and "DDDD", so that their divisions overlap.
    const auto fraction = static_cast<std::uint32_t>(units % 10000000);
    const std::uint32_t high = fraction / 10000;
    const std::uint32_t low = fraction % 10000;
    p[0] = static_cast<char>('0' + high / 100);
    std::memcpy(p + 1, digit_pairs + 2 * (high % 100), 2);
    std::memcpy(p + 3, digit_pairs + 2 * (low / 100), 2);
    std::memcpy(p + 5, digit_pairs + 2 * (low % 100), 2);
    return static_cast<std::size_t>(p + decimals - out);
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

    char* p = out;
    if (negative) *p++ = '-';
    std::uint64_t units;
    if (round_in_units_of_1e7(std::fabs(value), units)) return static_cast<std::size_t>(p - out) + write_units_of_1e7(units, p);

    exact_digits d;
    expand_exactly(std::fabs(value), d);
    round_half_up_to_17_digits(d);
    round_half_up_to_7_decimals(d);

    // Drop leading zeros of the integer part, but keep one digit before the point.
    int first = 0;
    while (first < d.integer_count - 1 && d.digits[first] == '0') ++first;
    const std::size_t integer_length = static_cast<std::size_t>(d.integer_count - first);
    std::memcpy(p, d.digits + first, integer_length);
    p += integer_length;
    *p++ = '.';
    std::memcpy(p, d.digits + d.integer_count, decimals);
    p += decimals;
    return static_cast<std::size_t>(p - out);
}

}  // namespace qolt2wpt
