#include "number_text.hpp"

#include "exact_reference.hpp"

#include <gmpxx.h>
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace qolt2wpt {
namespace {

using testing_reference::exact_decimal;
using testing_reference::is_nearest_toward_zero;

using namespace std::literals;

constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr double largest = std::numeric_limits<double>::max();
constexpr double smallest_subnormal = std::numeric_limits<double>::denorm_min();
constexpr double smallest_normal = std::numeric_limits<double>::min();

std::string describe(double value) {
    char text[96];
    std::snprintf(text, sizeof text, "%.17g (%a, bits %016llx)", value, value,
                  static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(value)));
    return text;
}

// Control bytes made visible, and long texts cut to their start.
std::string shown(std::string_view text) {
    std::string s;
    for (const char c : text.substr(0, 70)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            s += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            s += escaped;
        }
    }
    if (text.size() > 70) s += "... (" + std::to_string(text.size()) + " bytes)";
    return s;
}

// The one check on a result: the exact bits, so that -0.0 differs from +0.0.
::testing::AssertionResult reads_as(std::string_view text, double expected) {
    const double actual = parse_coordinate(text);
    if (std::bit_cast<std::uint64_t>(actual) == std::bit_cast<std::uint64_t>(expected)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "\"" << shown(text) << "\" read as " << describe(actual) << ", expected "
                                         << describe(expected);
}

struct text_case {
    std::string_view text;
    double expected;
};

void expect_all(const std::vector<text_case>& cases) {
    for (const auto& c : cases) EXPECT_TRUE(reads_as(c.text, c.expected));
}

// ---------------------------------------------------------------------------
// Exact decimal texts of binary values, for the ties.

mpz_class power(unsigned base, unsigned exponent) {
    mpz_class result;
    mpz_ui_pow_ui(result.get_mpz_t(), base, exponent);
    return result;
}

// value = digits * 10^exponent
struct decimal_text {
    std::string digits;  // no leading zero
    long exponent;
};

// The midpoint between a non-negative finite double and the next double up
// (for the largest double, the 2^1024 just past it). With the double written
// as m * 2^e, the next one up is (m + 1) * 2^e, even where the next one up
// starts a new power of two, so the midpoint is (2m + 1) * 2^(e - 1).
decimal_text midpoint_above(double lower) {
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(lower);
    const int biased = static_cast<int>(bits >> 52);
    std::uint64_t m = bits & ((std::uint64_t{1} << 52) - 1);
    if (biased != 0) m |= std::uint64_t{1} << 52;
    const int e = (biased == 0 ? -1074 : biased - 1075) - 1;
    const mpz_class odd = mpz_class(static_cast<unsigned long>(2 * m + 1));
    if (e >= 0) return {mpz_class(odd << e).get_str(), 0};
    // odd * 2^e = odd * 5^-e / 10^-e
    return {mpz_class(odd * power(5, static_cast<unsigned>(-e))).get_str(), e};
}

std::string signed_exponent(long exponent) {
    std::string text(exponent < 0 ? "-" : "+");
    return text += std::to_string(std::labs(exponent));
}

std::string with_sign(bool negative, const std::string& text) {
    std::string signed_text(negative ? "-" : "");
    return signed_text += text;
}

// "12.345", "0.00012", "12000": the value with a point and no exponent.
std::string positional(const decimal_text& d) {
    if (d.exponent >= 0) return d.digits + std::string(static_cast<std::size_t>(d.exponent), '0');
    const auto decimals = static_cast<std::size_t>(-d.exponent);
    const std::size_t padding = d.digits.size() <= decimals ? decimals - d.digits.size() + 1 : 0;
    const std::string padded = std::string(padding, '0') + d.digits;
    return padded.substr(0, padded.size() - decimals) + "." + padded.substr(padded.size() - decimals);
}

// The same value followed by `zeros` zeros and, when `hair` is set, a final 1.
std::string positional_extended(const decimal_text& d, std::size_t zeros, bool hair) {
    std::string s = positional(d);
    if (d.exponent >= 0) s += '.';
    return s + std::string(zeros, '0') + (hair ? "1" : "");
}

// An exact tie written in one of several forms.
constexpr int tie_forms = 7;
std::string tie_form(const decimal_text& d, int form) {
    const std::string& s = d.digits;
    const long n = static_cast<long>(s.size());
    switch (form) {
        case 0: return positional(d);
        case 1: return positional_extended(d, 30, false);
        case 2: return positional_extended(d, 1000, false);  // far more digits than any tie needs, all zero
        case 3: return s + "e" + std::to_string(d.exponent);
        case 4: return s.substr(0, 1) + "." + s.substr(1) + "D" + signed_exponent(d.exponent + n - 1);
        case 5: return ".00000" + s + "E" + signed_exponent(d.exponent + n + 5);
        default: return "000" + s + "000d" + signed_exponent(d.exponent - 3);
    }
}

// A text a hair above the tie: a 1 after many zeros.
constexpr int above_forms = 3;
std::string above_form(const decimal_text& d, int form) {
    switch (form) {
        case 0: return positional_extended(d, 20, true);
        case 1: return positional_extended(d, 1000, true);  // the deciding digit lies past the 800 digits kept
        default: return d.digits + std::string(40, '0') + "1e" + std::to_string(d.exponent - 41);
    }
}

TEST(NumberText, TypicalCoordinates) {
    expect_all({
        {"35.6812362", 35.6812362},
        {"-122.4194", -122.4194},
        {"139.7671248)", 139.7671248},
        {"+51.5007", 51.5007},
        {" -1.5D2)", -150.0},
        {"0.5", 0.5},
        {".5", 0.5},
        {"5.", 5.0},
        {"-.25", -0.25},
        {"1e5", 1e5},
        {"1E+5", 1e5},
        {"25e-1", 2.5},
        {"1d-2", 0.01},
        {"1D2", 100.0},
        {"1.5d+002", 150.0},
        {"5.e1", 50.0},
        {".5E1", 5.0},
        {"1e0000000000000000000000000002", 100.0},  // leading zeros of an exponent count for nothing
        {"00000000000000000000000035.68", 35.68},
    });
}

TEST(NumberText, OnlyTheSixWhiteSpaceBytesAreSkipped) {
    expect_all({
        {"\t7", 7.0},
        {"\n7", 7.0},
        {"\v7", 7.0},
        {"\f7", 7.0},
        {"\r7", 7.0},
        {" 7", 7.0},
        {" \t\n\v\f\r -7", -7.0},
        // Anything else stops the reading before a digit is seen.
        {"\0" "7"sv, 0.0},
        {"\x08" "7", 0.0},
        {"\x0E" "7", 0.0},
        {"\x1F" "7", 0.0},
        {"\x80" "7", 0.0},
        {"\x85" "7", 0.0},   // NEL in some character sets
        {"\xA0" "7", 0.0},   // no-break space in Latin-1
        {"\x81\x40" "7", 0.0},  // the Shift_JIS ideographic space
        {"\xFF" "7", 0.0},
        {"- 7", 0.0},  // no space between the sign and the digits
    });
}

TEST(NumberText, NumberEndsWhereItsFormEnds) {
    expect_all({
        {"12e", 12.0},
        {"12e+", 12.0},
        {"12E-", 12.0},
        {"12D", 12.0},
        {"12d-x", 12.0},
        {"12e 3", 12.0},
        {"12ex", 12.0},
        {"12e+-3", 12.0},
        {"1e2e3", 100.0},
        {"1e2.5", 100.0},
        {"1.2.3", 1.2},
        {"1-2", 1.0},
        {"1+2", 1.0},
        {"-1-2", -1.0},
        {"1,5", 1.0},
        {"35.5 139.7", 35.5},
        {"35.5\n", 35.5},
        {"35.5)", 35.5},
        {"35.5N", 35.5},
        {"0x1A", 0.0},
        {"-0x1A", -0.0},  // "-0" then junk: the zero keeps its sign
        {"1x2", 1.0},
        {"7f", 7.0},
    });
}

TEST(NumberText, NoDigitReadsAsPositiveZero) {
    expect_all({
        {"", 0.0},
        {"   ", 0.0},
        {"-", 0.0},
        {"+", 0.0},
        {".", 0.0},
        {"-.", 0.0},
        {"+.", 0.0},
        {"-.e5", 0.0},
        {"-e5", 0.0},
        {"e5", 0.0},
        {"--5", 0.0},
        {"+-5", 0.0},
        {"inf", 0.0},
        {"-inf", 0.0},
        {"INFINITY", 0.0},
        {"nan", 0.0},
        {"-NaN", 0.0},
        {"N35.5", 0.0},
        {"\x82\x50", 0.0},  // a Shift_JIS full-width digit is not a digit
    });
}

TEST(NumberText, AllZeroDigitsKeepTheSign) {
    expect_all({
        {"0", 0.0},
        {"+0", 0.0},
        {"-0", -0.0},
        {"-0.0", -0.0},
        {"-.0", -0.0},
        {"-0.", -0.0},
        {"-0e5", -0.0},
        {"-000.000e-999", -0.0},
        {"-0e99999999999999999999", -0.0},
        {"0e99999999999999999999", 0.0},
    });
}

TEST(NumberText, BeyondTheDoubleRange) {
    expect_all({
        {"1.7976931348623157e308", largest},
        {"-1.7976931348623157e308", -largest},
        {"1.8e308", infinity},
        {"1e309", infinity},
        {"-1e309", -infinity},
        {"1e99999999999999999999", infinity},
        {"-1D99999999999999999999", -infinity},
        {"0.00000000000000000001e99999999999999999999", infinity},
        // Exponents past any machine word: 2^63 and 2^64 must not wrap round.
        {"1e9223372036854775808", infinity},
        {"1e18446744073709551616", infinity},
        {"1e-18446744073709551616", 0.0},
        {"1e-99999999999999999999", 0.0},
        {"-1e-99999999999999999999", -0.0},
        {"100000000000000000000e-99999999999999999999", 0.0},
        {"1e-400", 0.0},
        {"-1e-400", -0.0},
        {"4.9406564584124654e-324", smallest_subnormal},
        {"-4.9406564584124654e-324", -smallest_subnormal},
        // 2^-1075, half the smallest subnormal, is 2.47032822920623272088...e-324.
        {"2.4703282292062327e-324", 0.0},
        {"2.4703282292062328e-324", smallest_subnormal},
        {"2.2250738585072014e-308", smallest_normal},
        {"2.2250738585072009e-308", std::nextafter(smallest_normal, 0.0)},
    });
}

TEST(NumberText, LongDigitStrings) {
    const std::string zeros(100000, '0');
    const std::string nines(100000, '9');
    const std::vector<std::pair<std::string, double>> cases = {
        {"1" + zeros + "e-100000", 1.0},
        {"-1" + zeros + "D-100000", -1.0},
        {"0." + zeros + "35e100002", 35.0},
        {"35.6812362" + zeros + ")", 35.6812362},
        {"0." + nines, 1.0},
        {nines + "e-100000", 1.0},
        {"1." + zeros + "1", 1.0},
        {"9" + zeros, infinity},
        {"0." + zeros + "1", 0.0},
    };
    for (const auto& [text, expected] : cases) EXPECT_TRUE(reads_as(text, expected));
}

TEST(NumberText, ExactTiesGoTowardZero) {
    struct tie_case {
        std::string_view text;  // the midpoint as written here, when it is short enough
        double toward_zero;
        const char* why;
    };
    const tie_case cases[] = {
        // Ties whose neighbour nearer zero is odd, where ties-to-even would
        // pick the farther one.
        {"4503599627370497.5", 4503599627370497.0, "spacing 1 from 2^52"},
        {"9007199254740995", 9007199254740994.0, "spacing 2 from 2^53"},
        {"45.000000000000010658141036401502788066864013671875", std::nextafter(45.0, 64.0),
         "between 45 + 2^-47 and 45 + 2^-46"},
        {"9007199254740991.5", 9007199254740991.0, "just below the power of two 2^53"},
        {"0.999999999999999944488848768742172978818416595458984375", std::nextafter(1.0, 0.0),
         "1 - 2^-54, just below the power of two 1"},
        {"1267650600228229823709168271360", std::bit_cast<double>(std::uint64_t{0x4630000000000001}),
         "an integer midpoint of 2^100 + 2^48 and 2^100 + 2^49 ending in a zero"},
        {"", largest, "the largest double and the 2^1024 past it"},
        {"", 0.0, "2^-1075, between zero and the smallest subnormal"},
        {"", smallest_subnormal, "1.5 times the smallest subnormal"},
        {"", std::nextafter(smallest_normal, 0.0), "between the largest subnormal and the smallest normal"},
        // Ties whose neighbour nearer zero is even: both rules agree, and the
        // result must not step below it.
        {"4503599627370496.5", 4503599627370496.0, "even neighbour below"},
        {"1.00000000000000011102230246251565404236316680908203125", 1.0, "just above the power of two 1"},
        {"", 2 * smallest_subnormal, "2.5 times the smallest subnormal"},
        {"", smallest_normal, "just above the smallest normal"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        const decimal_text midpoint = midpoint_above(c.toward_zero);
        if (!c.text.empty()) {
            ASSERT_EQ(c.text, positional(midpoint));  // the literal is the exact midpoint
        }
        const double away = std::nextafter(c.toward_zero, infinity);
        for (int form = 0; form < tie_forms; ++form) {
            const std::string text = tie_form(midpoint, form);
            EXPECT_TRUE(reads_as(text, c.toward_zero));
            EXPECT_TRUE(reads_as(with_sign(true, text), -c.toward_zero));
        }
        for (int form = 0; form < above_forms; ++form) {
            const std::string text = above_form(midpoint, form);
            EXPECT_TRUE(reads_as(text, away));
            EXPECT_TRUE(reads_as(with_sign(true, text), -away));
        }
    }
    // The forms named above, written out.
    expect_all({
        {"45035996273704975e-1", 4503599627370497.0},
        {"4.5035996273704975D15", 4503599627370497.0},
        {"-4.5035996273704975d+15", -4503599627370497.0},
        {"4503599627370497.500000000000000000000000000001", 4503599627370498.0},
        {"-9007199254740995.0000000000000000000000000000000001", -9007199254740996.0},
    });
}

TEST(NumberText, RandomTextsAreRoundedToNearestWithTiesTowardZero) {
    std::mt19937_64 random(0x9E3779B97F4A7C15);
    auto pick = [&random](long low, long high) { return std::uniform_int_distribution<long>(low, high)(random); };
    const char letters[] = {'e', 'E', 'd', 'D'};
    int failures = 0;
    for (int i = 0; i < 20000 && failures < 10; ++i) {
        // digits * 10^exponent, from far below the smallest subnormal to far
        // above the largest double.
        const auto count = static_cast<std::size_t>(pick(1, 19));
        std::string digits;
        for (std::size_t k = 0; k < count; ++k) digits += static_cast<char>('0' + pick(0, 9));
        const long exponent = pick(-345, 310);
        const bool negative = pick(0, 1) == 1;

        // The point anywhere in the digits, and the written exponent making
        // up for where it is.
        const auto point = static_cast<std::size_t>(pick(0, static_cast<long>(count)));
        const long written_exponent = exponent + static_cast<long>(count - point);
        std::string text = negative ? "-" : "";
        text += digits.substr(0, point);
        if (point < count || pick(0, 1) == 1) text += '.';
        text += digits.substr(point);
        if (written_exponent != 0 || pick(0, 1) == 1) {
            text += letters[pick(0, 3)];
            text += written_exponent < 0 || pick(0, 1) == 1 ? signed_exponent(written_exponent)
                                                            : std::to_string(written_exponent);
        }

        const double result = parse_coordinate(text);
        const mpq_class value = exact_decimal(digits, exponent);
        const bool ok = value == 0 ? std::bit_cast<std::uint64_t>(result) == std::bit_cast<std::uint64_t>(negative ? -0.0 : 0.0)
                                   : std::signbit(result) == negative && is_nearest_toward_zero(value, std::fabs(result));
        if (!ok) {
            ++failures;
            ADD_FAILURE() << "\"" << text << "\" read as " << describe(result);
        }
    }
}

TEST(NumberText, RandomExactMidpointsGoTowardZero) {
    std::mt19937_64 random(20240611);
    auto pick = [&random](std::uint64_t low, std::uint64_t high) {
        return std::uniform_int_distribution<std::uint64_t>(low, high)(random);
    };
    int failures = 0;
    for (int i = 0; i < 5000 && failures < 10; ++i) {
        // Every eighth one a subnormal, the rest spread over all exponents.
        const std::uint64_t bits = i % 8 == 0 ? pick(0, (std::uint64_t{1} << 52) - 1) : pick(0, 0x7FEFFFFFFFFFFFFF);
        const double lower = std::bit_cast<double>(bits);
        const double upper = std::nextafter(lower, infinity);
        const decimal_text midpoint = midpoint_above(lower);
        // The tie and a text just above it, in forms and with signs picked at
        // random.
        const bool negative = pick(0, 1) == 1;
        const std::string tie = with_sign(negative, tie_form(midpoint, static_cast<int>(pick(0, tie_forms - 1))));
        const std::string above = with_sign(negative, above_form(midpoint, static_cast<int>(pick(0, above_forms - 1))));
        for (const auto& [text, expected] : {std::pair{tie, lower}, std::pair{above, upper}}) {
            const auto result = reads_as(text, negative ? -expected : expected);
            if (!result) {
                ++failures;
                ADD_FAILURE() << result.message();
            }
        }
    }
}

}  // namespace
}  // namespace qolt2wpt
