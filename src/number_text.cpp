#include "number_text.hpp"

#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

#include "big_integer.hpp"

// The one-division fast path relies on each operation being rounded once, to
// double precision.
static_assert(FLT_EVAL_METHOD == 0, "double arithmetic must not use extended precision");

namespace qolt2wpt {
namespace {

// A decimal number reduced to value = digits * 10^exponent, where `digits`
// has no leading or trailing zero.
struct decimal_value {
    // An exact midpoint between two doubles has at most 768 significant
    // digits; 800 are kept, and any further digits are represented by one
    // sticky non-zero digit, which keeps both the rounding and the tie test
    // exact.
    static constexpr std::size_t kept_digits = 800;
    char digits[kept_digits + 1];
    std::size_t count;
    std::int64_t exponent;
    bool truncated;  // digits beyond kept_digits were dropped (and a sticky one added)
};

// The pieces of the number form found in the text.
struct number_form {
    bool negative;
    const char* integer_digits;
    std::size_t integer_count;
    const char* fraction_digits;
    std::size_t fraction_count;
    std::int64_t exponent;  // saturated far beyond any value that matters
    std::uint64_t digits_value;  // all digits as one integer, exact when there are at most 19
};

// Exponents beyond this magnitude already put every value out of the double
// range (a text holds far fewer than 10^9 digits), so accumulation stops here.
constexpr std::int64_t exponent_saturation = 1'000'000'000;

// Counts the run of digits at `p`, folding them into `value` as it goes
// (value * 10 + digit, wrapping: the value is only used for texts of at most
// 19 digits, which it holds exactly).
std::size_t scan_digits(const char* p, const char* end, std::uint64_t& value) {
    const char* start = p;
    for (; p != end; ++p) {
        const unsigned digit = static_cast<unsigned char>(*p) - unsigned{'0'};
        if (digit > 9) break;
        value = value * 10 + digit;
    }
    return static_cast<std::size_t>(p - start);
}

// Reads an exponent after its letter, if one is there; `p` is moved past it
// only when it is complete.
std::int64_t scan_exponent(const char*& p, const char* end) {
    const char* q = p + 1;  // past the letter
    bool negative = false;
    if (q != end && (*q == '+' || *q == '-')) negative = *q++ == '-';
    if (q == end || !is_digit(static_cast<unsigned char>(*q))) return 0;
    std::int64_t value = 0;
    for (; q != end && is_digit(static_cast<unsigned char>(*q)); ++q) {
        if (value < exponent_saturation) value = value * 10 + (*q - '0');
    }
    p = q;
    return negative ? -value : value;
}

// Finds the number form at the start of the text. Returns false when there
// is no digit to read.
bool scan_number_form(std::string_view text, number_form& form) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p != end && is_white_space(static_cast<unsigned char>(*p))) ++p;
    form.negative = false;
    if (p != end && (*p == '+' || *p == '-')) form.negative = *p++ == '-';
    form.digits_value = 0;
    form.integer_digits = p;
    form.integer_count = scan_digits(p, end, form.digits_value);
    p += form.integer_count;
    form.fraction_digits = p;
    form.fraction_count = 0;
    if (p != end && *p == '.') {
        form.fraction_digits = ++p;
        form.fraction_count = scan_digits(p, end, form.digits_value);
        p += form.fraction_count;
    }
    if (form.integer_count == 0 && form.fraction_count == 0) return false;
    form.exponent = 0;
    if (p != end && (*p == 'e' || *p == 'E' || *p == 'd' || *p == 'D')) form.exponent = scan_exponent(p, end);
    return true;
}

// Reduces the form to significant digits and a power of ten. Returns false
// when every digit is zero.
bool reduce_to_decimal(const number_form& form, decimal_value& value) {
    // Walk the digits as one sequence: integer digits, then fraction digits.
    const std::size_t total = form.integer_count + form.fraction_count;
    auto digit_at = [&form](std::size_t i) {
        return i < form.integer_count ? form.integer_digits[i] : form.fraction_digits[i - form.integer_count];
    };
    std::size_t first = 0;
    while (first < total && digit_at(first) == '0') ++first;
    if (first == total) return false;
    std::size_t last = total;  // one past the last non-zero digit
    while (digit_at(last - 1) == '0') --last;

    const std::size_t significant = last - first;
    const std::size_t kept = significant < decimal_value::kept_digits ? significant : decimal_value::kept_digits;
    for (std::size_t i = 0; i < kept; ++i) value.digits[i] = digit_at(first + i);
    value.count = kept;
    value.truncated = kept < significant;
    if (value.truncated) value.digits[value.count++] = '1';  // the dropped tail is non-zero

    // The digit at index last - 1 has weight 10^(integer_count - last + exponent);
    // each kept digit (or the sticky one) stands where the significant
    // digits would, so the weight moves by the difference in count.
    const std::int64_t last_weight = static_cast<std::int64_t>(form.integer_count) - static_cast<std::int64_t>(last);
    value.exponent = form.exponent + last_weight + static_cast<std::int64_t>(significant) -
                     static_cast<std::int64_t>(value.count);
    return true;
}

// The midpoint between a positive double (or +infinity, standing for 2^1024)
// and its neighbour toward zero, as mantissa * 2^exponent with an odd mantissa.
struct binary_midpoint {
    std::uint64_t mantissa;
    int exponent;
};

binary_midpoint midpoint_below(double value) {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    const int biased = static_cast<int>(bits >> 52);
    if (biased == 0) return {2 * fraction - 1, -1075};  // subnormal: spacing 2^-1074
    const std::uint64_t mantissa = fraction | (std::uint64_t{1} << 52);
    const int exponent = biased - 1075;  // value = mantissa * 2^exponent
    if (fraction == 0 && biased > 1) {
        // A power of two: the neighbour below is half as far away.
        return {4 * mantissa - 1, exponent - 2};
    }
    return {2 * mantissa - 1, exponent - 1};
}

// True when the decimal value is exactly the midpoint below `value`.
bool is_midpoint_below(const decimal_value& decimal, double value) {
    if (decimal.truncated || value == 0) return false;
    const binary_midpoint midpoint = midpoint_below(value);
    // Cheap necessary conditions first; most texts fail them.
    if (midpoint.exponent < 0) {
        // The midpoint has exactly -exponent decimals (an odd mantissa times
        // 5^-exponent, over 10^-exponent), and the decimal value has exactly
        // -decimal.exponent decimals, since its last digit is not zero.
        if (decimal.exponent != midpoint.exponent) return false;
    } else if (decimal.exponent < 0 || decimal.exponent > 309) {
        return false;  // an integer midpoint (values from 2^53 up) has at most 309 digits
    }
    big_integer left = big_integer_from_digits(decimal.digits, decimal.count);
    big_integer right = big_integer_from_u64(midpoint.mantissa);
    if (midpoint.exponent < 0) {
        multiply_by_power_of_5(right, static_cast<unsigned>(-midpoint.exponent));
    } else {
        multiply_by_power_of_10(left, static_cast<unsigned>(decimal.exponent));
        multiply_by_power_of_2(right, static_cast<unsigned>(midpoint.exponent));
    }
    return big_integers_equal(left, right);
}

// Writes the digits as "DDDDeX" for from_chars. Returns the end of the text.
char* write_plain_text(const decimal_value& decimal, char* out) {
    std::memcpy(out, decimal.digits, decimal.count);
    out += decimal.count;
    *out++ = 'e';
    return std::to_chars(out, out + 24, decimal.exponent).ptr;
}

// The magnitude of a non-zero decimal value: nearest double, ties toward zero.
double nearest_double_toward_zero_on_tie(const decimal_value& decimal) {
    // The value lies in [10^(magnitude-1), 10^magnitude).
    const std::int64_t magnitude = decimal.exponent + static_cast<std::int64_t>(decimal.count);
    if (magnitude > 310) return std::numeric_limits<double>::infinity();
    if (magnitude < -330) return 0.0;  // below 10^-330, far under half the smallest subnormal

    char text[decimal_value::kept_digits + 1 + 32];
    const char* text_end = write_plain_text(decimal, text);
    double result = 0;
    const auto [ptr, ec] = std::from_chars(text, text_end, result);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        // from_chars leaves the result alone when it rounds to 0 or overflows.
        result = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    // from_chars sends exact ties to the even neighbour; the rule wants the
    // one nearer zero.
    if (is_midpoint_below(decimal, result)) result = std::nextafter(result, 0.0);
    return result;
}

// The powers of ten that a double holds exactly (5^22 < 2^53).
constexpr double exact_powers_of_ten[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                          1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr std::uint64_t two_to_53 = std::uint64_t{1} << 53;

// The common case in one division: at most 19 digits forming an integer D
// below 2^53, and a value D / 10^n with n <= 22. Both operands are exact, so
// the quotient is the correctly rounded value, and it is never an exact tie
// (a midpoint M * 2^e has an odd M above 2^53, and D * 2^-(e+n) = M * 5^n
// would make an even number odd), so ties-to-even never applies. An integer
// value below 2^53 is exact as it is. Returns false for everything else.
bool convert_short_form(const number_form& form, double& magnitude) {
    if (form.integer_count + form.fraction_count > 19) return false;
    const std::uint64_t digits = form.digits_value;
    if (digits > two_to_53) return false;
    const std::int64_t exponent = form.exponent - static_cast<std::int64_t>(form.fraction_count);
    if (exponent < 0 && exponent >= -22) {
        magnitude = static_cast<double>(digits) / exact_powers_of_ten[-exponent];
        return true;
    }
    if (exponent >= 0 && exponent <= 15 && digits <= two_to_53 / static_cast<std::uint64_t>(exact_powers_of_ten[exponent])) {
        magnitude = static_cast<double>(digits * static_cast<std::uint64_t>(exact_powers_of_ten[exponent]));
        return true;
    }
    return false;
}

}  // namespace

double parse_coordinate(std::string_view text) {
    number_form form;
    if (!scan_number_form(text, form)) return 0.0;
    double short_magnitude;
    if (convert_short_form(form, short_magnitude)) return form.negative ? -short_magnitude : short_magnitude;
    decimal_value decimal;
    if (!reduce_to_decimal(form, decimal)) return form.negative ? -0.0 : 0.0;
    const double magnitude = nearest_double_toward_zero_on_tie(decimal);
    return form.negative ? -magnitude : magnitude;
}

}  // namespace qolt2wpt
