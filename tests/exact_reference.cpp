#include "exact_reference.hpp"

#include <cmath>
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

}  // namespace qolt2wpt::testing_reference
