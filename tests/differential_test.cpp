// The number conversion and the seven-decimal text checked against exact
// rational arithmetic on many random and adversarial inputs, aimed at the
// edges of the fast paths (19 digits, 2^53, scales of 10^22, values from 2^-9
// to 2^29) and at the cases that break naive code: exact ties, carries
// through nines, neighbours of powers of ten.
//
// QOLT2WPT_DIFFERENTIAL_CASES sets the number of inputs per family (default
// 20,000); the long run (QOLT2WPT_LONG_TESTS) uses enough for ten million.
#include <gmpxx.h>
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "exact_reference.hpp"
#include "fixed_format.hpp"
#include "number_text.hpp"

namespace qolt2wpt {
namespace {

using testing_reference::exact_decimal;
using testing_reference::is_nearest_toward_zero;
using testing_reference::reference_fixed7;

long cases_per_family() {
    const char* setting = std::getenv("QOLT2WPT_DIFFERENTIAL_CASES");
    return setting != nullptr ? std::atol(setting) : 20000;
}

// A decimal text together with the exact value it spells.
struct decimal_case {
    std::string text;
    std::string digits;  // the digits without point or sign
    long exponent;       // value = digits * 10^exponent
    bool negative;
};

class text_source {
public:
    explicit text_source(std::uint64_t seed) : random_(seed) {}

    long pick(long low, long high) { return std::uniform_int_distribution<long>(low, high)(random_); }

    std::string random_digits(long count) {
        std::string digits;
        for (long i = 0; i < count; ++i) digits += static_cast<char>('0' + pick(0, 9));
        return digits;
    }

    // Writes digits * 10^exponent with a random sign, in one of two forms:
    // positional ("0.000123", "123000", "12.3"), sometimes with part of the
    // scale in an exponent; or scientific ("1.23e-4"), where no leading
    // zeros count against the 19 digits of the fast path.
    decimal_case write(const std::string& digits, long exponent) {
        decimal_case c{"", digits, exponent, pick(0, 1) == 1};
        const bool scientific = pick(0, 1) == 1;
        const long shift = scientific ? static_cast<long>(digits.size()) - 1 + exponent
                                      : (pick(0, 3) == 0 ? pick(-3, 3) : 0);  // scale moved into a written exponent
        const long point = static_cast<long>(digits.size()) + exponent - shift;
        std::string body;
        if (point <= 0) {
            body = "0." + std::string(static_cast<std::size_t>(-point), '0') + digits;
        } else if (point >= static_cast<long>(digits.size())) {
            body = digits + std::string(static_cast<std::size_t>(point) - digits.size(), '0');
        } else {
            body = digits.substr(0, static_cast<std::size_t>(point)) + "." + digits.substr(static_cast<std::size_t>(point));
        }
        c.text = (c.negative ? "-" : "") + body;
        if (shift != 0 || scientific) c.text += "eEdD"[pick(0, 3)] + std::to_string(shift);
        return c;
    }

    // A coordinate as point lists hold them: up to 3 integer digits, 1 to
    // 12 decimals.
    decimal_case coordinate() {
        const long decimals = pick(1, 12);
        return write(std::to_string(pick(0, 180)) + random_digits(decimals), -decimals);
    }

    // 15 to 19 significant digits at any scale the fast path might take.
    decimal_case long_text() {
        std::string digits = std::to_string(pick(1, 9)) + random_digits(pick(14, 18));
        return write(digits, pick(-25, 5));
    }

    // x.5 for x from 2^52 to 2^53: exact ties between two integers.
    decimal_case integer_tie() {
        const auto x = static_cast<std::uint64_t>(pick(std::int64_t{1} << 52, (std::int64_t{1} << 53) - 1));
        return write(std::to_string(x) + "5", -1);
    }

    // Digit strings around 2^53 and around the powers of ten that a double
    // holds exactly, where the one-division path begins and ends.
    decimal_case fast_path_edge() {
        const std::uint64_t bases[] = {std::uint64_t{1} << 53, std::uint64_t{1} << 54, 1000000000000000000u};
        const std::uint64_t digits = bases[pick(0, 2)] + static_cast<std::uint64_t>(pick(-5000, 5000));
        return write(std::to_string(digits), pick(-24, 2));
    }

    // Just beside a power of ten: 10^k minus or plus a few units of the 17th
    // to 19th digit.
    decimal_case beside_power_of_ten() {
        const long count = pick(17, 19);
        std::string digits = pick(0, 1) == 0 ? std::string(static_cast<std::size_t>(count), '9')
                                             : "1" + std::string(static_cast<std::size_t>(count - 2), '0') + static_cast<char>('1' + pick(0, 8));
        return write(digits, pick(-30, 10) - count);
    }

private:
    std::mt19937_64 random_;
};

std::string describe(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g (%a)", value, value);
    return text;
}

::testing::AssertionResult converts_exactly(const decimal_case& c) {
    const double result = parse_coordinate(c.text);
    const mpq_class value = exact_decimal(c.digits, c.exponent);
    const bool ok = value == 0 ? std::bit_cast<std::uint64_t>(result) == std::bit_cast<std::uint64_t>(c.negative ? -0.0 : 0.0)
                               : std::signbit(result) == c.negative && is_nearest_toward_zero(value, std::fabs(result));
    if (ok) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << c.text << "\" read as " << describe(result);
}

::testing::AssertionResult formats_exactly(double value) {
    char text[fixed7_max_length];
    const std::string actual(text, format_fixed7(value, text));
    const std::string expected = reference_fixed7(value);
    if (actual == expected) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << describe(value) << " written as " << actual << ", expected " << expected;
}

template <typename Make>
void check_conversions(Make make) {
    text_source source(0x5EED0001);
    int failures = 0;
    for (long i = 0; i < cases_per_family() && failures < 10; ++i) {
        const decimal_case c = make(source);
        const ::testing::AssertionResult result = converts_exactly(c);
        if (!result) ++failures;
        EXPECT_TRUE(result);
    }
}

TEST(Differential, CoordinateTexts) { check_conversions([](text_source& s) { return s.coordinate(); }); }
TEST(Differential, SeventeenToNineteenDigitTexts) { check_conversions([](text_source& s) { return s.long_text(); }); }
TEST(Differential, TiesBetweenIntegersAboveTwoTo52) { check_conversions([](text_source& s) { return s.integer_tie(); }); }
TEST(Differential, EdgesOfTheOneDivisionPath) { check_conversions([](text_source& s) { return s.fast_path_edge(); }); }
TEST(Differential, TextsBesidePowersOfTen) { check_conversions([](text_source& s) { return s.beside_power_of_ten(); }); }

template <typename Make>
void check_formatting(Make make) {
    std::mt19937_64 random(0x5EED0002);
    int failures = 0;
    for (long i = 0; i < cases_per_family() && failures < 10; ++i) {
        const ::testing::AssertionResult result = formats_exactly(make(random));
        if (!result) ++failures;
        EXPECT_TRUE(result);
    }
}

double uniform(std::mt19937_64& random, double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(random);
}

TEST(Differential, FormatsCoordinates) {
    // Coordinate texts with 6 to 9 decimals, many of them ending in 5 at the
    // 8th decimal, read as the tool reads them.
    check_formatting([](std::mt19937_64& random) {
        char text[48];
        std::snprintf(text, sizeof text, "%.*f", 6 + static_cast<int>(random() % 4), uniform(random, -180, 180));
        std::string s = text;
        if (random() % 2 == 0) s += '5';
        return parse_coordinate(s);
    });
}

TEST(Differential, FormatsAcrossTheFastRangeAndBeyond) {
    // Random bits between 2^-12 and 2^32, so both range limits are crossed.
    check_formatting([](std::mt19937_64& random) {
        const std::uint64_t exponent = 1023 - 12 + random() % 44;
        const std::uint64_t bits = (exponent << 52) | (random() & ((std::uint64_t{1} << 52) - 1));
        const double value = std::bit_cast<double>(bits);
        return random() % 2 == 0 ? value : -value;
    });
}

TEST(Differential, FormatsNearTiesAndCarriesAtTheEighthDecimal) {
    // k + 0.99999995 and x.xxxxxxx5, give or take a few units in the last place.
    check_formatting([](std::mt19937_64& random) {
        const double base = random() % 2 == 0 ? std::floor(uniform(random, 0, 1000)) + 0.99999995
                                              : std::round(uniform(random, 0, 1e3) * 1e8) / 1e8 + 5e-9;
        double value = base;
        for (int steps = static_cast<int>(random() % 5) - 2; steps != 0; steps += steps > 0 ? -1 : 1) {
            value = std::nextafter(value, steps > 0 ? INFINITY : 0.0);
        }
        return value;
    });
}

}  // namespace
}  // namespace qolt2wpt
