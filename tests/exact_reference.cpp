#include "exact_reference.hpp"

#include <cmath>
#include <algorithm>
#include <cstdlib>
#include <limits>

namespace qolt2wpt::testing_reference {
namespace {

mpz_class power(unsigned base, unsigned long exponent) {
    mpz_class result;
    mpz_ui_pow_ui(result.get_mpz_t(), base, exponent);
    return result;
}

mpq_class power_of_ten(long exponent) {
    const mpz_class p = power(10, static_cast<unsigned long>(std::labs(exponent)));
    if (exponent >= 0) return mpq_class(p);
    return mpq_class(mpz_class(1), p);
}

mpz_class floor_of(const mpq_class& q) {
    mpz_class result;
    mpz_fdiv_q(result.get_mpz_t(), q.get_num_mpz_t(), q.get_den_mpz_t());
    return result;
}

// A number text taken apart by the rule's grammar:
// white space, [+|-] digits [. digits] [(E|e|D|d) [+|-] digits].
struct number_form {
    bool found = false;  // at least one mantissa digit
    bool negative = false;
    std::string digits;      // the mantissa digits, point removed, leading zeros kept
    long long exponent = 0;  // value = digits * 10^exponent; saturated far past any double
};

number_form read_number_form(std::string_view text) {
    auto digit = [&](std::size_t i) { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
    number_form form;
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= 0x09 && text[i] <= 0x0D))) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) form.negative = text[i++] == '-';
    long long decimals = 0;
    while (digit(i)) form.digits += text[i++];
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (digit(i)) form.digits += text[i++], ++decimals;
    }
    form.found = !form.digits.empty();
    if (!form.found) return form;
    long long written = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
        std::size_t j = i + 1;
        bool exponent_negative = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) exponent_negative = text[j++] == '-';
        while (digit(j)) {
            written = std::min(written * 10 + (text[j++] - '0'), 1'000'000'000'000LL);
        }
        if (exponent_negative) written = -written;
    }
    form.exponent = written - decimals;
    return form;
}

}  // namespace

mpq_class exact_decimal(const std::string& digits, long exponent) {
    const mpz_class n(digits, 10);
    if (exponent >= 0) return mpq_class(n * power(10, static_cast<unsigned long>(exponent)));
    mpq_class q(n, power(10, static_cast<unsigned long>(-exponent)));
    q.canonicalize();
    return q;
}

mpq_class exact_midpoint_above(double value) {
    constexpr double largest = std::numeric_limits<double>::max();
    if (value == largest) return mpq_class((mpz_class(1) << 1024) - (mpz_class(1) << 970));
    return (mpq_class(value) + mpq_class(std::nextafter(value, std::numeric_limits<double>::infinity()))) / 2;
}

bool is_nearest_toward_zero(const mpq_class& value, double result) {
    if (std::signbit(result) || std::isnan(result)) return false;
    if (std::isinf(result)) return value > exact_midpoint_above(std::numeric_limits<double>::max());
    if (value > exact_midpoint_above(result)) return false;
    return result == 0 || value > exact_midpoint_above(std::nextafter(result, 0.0));
}

std::string reference_fixed7(double value) {
    if (std::isinf(value)) return value < 0 ? "-1.#INF000" : "1.#INF000";
    if (value == 0) return "0.0000000";
    const mpq_class magnitude(std::fabs(value));
    // 10^e <= magnitude < 10^(e + 1)
    long e = std::lround(std::floor(std::log10(std::fabs(value))));
    while (magnitude < power_of_ten(e)) --e;
    while (magnitude >= power_of_ten(e + 1)) ++e;
    // Stage 1: whole units of the 17th significant digit; a remainder of
    // half a unit or more rounds up.
    const mpq_class units = magnitude / power_of_ten(e - 16);
    mpz_class kept = floor_of(units);
    if (units - kept >= mpq_class(1, 2)) ++kept;
    // Stage 2: the kept value cut after its 8th decimal; that digit alone
    // decides the 7th.
    const mpz_class eighths = floor_of(kept * power_of_ten(e - 16 + 8));
    mpz_class sevenths = eighths / 10;
    if (eighths % 10 >= 5) ++sevenths;
    const mpz_class integer = sevenths / 10000000;
    std::string fraction = mpz_class(sevenths % 10000000).get_str();
    fraction.insert(0, 7 - fraction.size(), '0');
    std::string text(value < 0 ? "-" : "");
    return text += integer.get_str() + "." + fraction;
}

bool parses_right(std::string_view text, double result, std::string& why) {
    const number_form form = read_number_form(text);
    if (!form.found) {
        why = "no number: +0";
        return result == 0 && !std::signbit(result);
    }
    const std::size_t first = form.digits.find_first_not_of('0');
    if (first == std::string::npos) {
        why = form.negative ? "all-zero digits: -0" : "all-zero digits: +0";
        return result == 0 && std::signbit(result) == form.negative;
    }
    why = "the nearest double (ties toward zero) with the text's sign";
    if (std::signbit(result) != form.negative) return false;
    const std::string significant = form.digits.substr(first);
    const long long n = static_cast<long long>(significant.size());
    // 10^(n - 1 + exponent) <= value < 10^(n + exponent)
    if (n - 1 + form.exponent >= 309) return std::isinf(result);
    if (n + form.exponent <= -325) return result == 0;
    const mpq_class value = mpq_class(mpz_class(significant, 10)) * power_of_ten(static_cast<long>(form.exponent));
    return is_nearest_toward_zero(value, std::fabs(result));
}

}  // namespace qolt2wpt::testing_reference
