#include "fixed_format.hpp"

#include "exact_reference.hpp"

#include <gmpxx.h>
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace qolt2wpt {
namespace {

using testing_reference::reference_fixed7;

constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr double largest = std::numeric_limits<double>::max();

std::string describe(double value) {
    char text[96];
    std::snprintf(text, sizeof text, "%.17g (%a)", value, value);
    return text;
}

// The one check on a result: the text, and that nothing was written past it
// or past the longest text there can be.
::testing::AssertionResult formats_as(double value, std::string_view expected) {
    constexpr char untouched = '#';
    char buffer[fixed7_max_length + 32];
    std::memset(buffer, untouched, sizeof buffer);
    const std::size_t length = format_fixed7(value, buffer);
    if (length > fixed7_max_length) {
        return ::testing::AssertionFailure() << describe(value) << ": length " << length << " exceeds "
                                             << fixed7_max_length;
    }
    for (std::size_t i = length; i < sizeof buffer; ++i) {
        if (buffer[i] != untouched) {
            return ::testing::AssertionFailure() << describe(value) << ": byte " << i << " written past length "
                                                 << length;
        }
    }
    const std::string_view actual(buffer, length);
    if (actual != expected) {
        return ::testing::AssertionFailure() << describe(value) << " gave \"" << actual << "\", expected \""
                                             << expected << "\"";
    }
    return ::testing::AssertionSuccess();
}

struct format_case {
    double value;
    std::string expected;
};

void expect_all(const std::vector<format_case>& cases) {
    for (const auto& c : cases) EXPECT_TRUE(formats_as(c.value, c.expected));
}

TEST(FixedFormat, Coordinates) {
    expect_all({
        // The stored values of the first three lie just below a tie at the 8th
        // decimal, but their 17-digit forms end in 5 and zeros there:
        // 35.42793485 is 35.4279348499999997..., 17 digits 35.427934850000000.
        {35.42793485, "35.4279349"},
        {139.66240395, "139.6624040"},
        {-122.95832195, "-122.9583220"},
        // 35.2254257499999994..., 17 digits 35.225425749999999: no tie left.
        {35.22542575, "35.2254257"},
        {35.00390625, "35.0039063"},  // exactly representable, an exact tie: up
        {35.6812362, "35.6812362"},
        {-122.4194, "-122.4194000"},
        {139.7671248, "139.7671248"},
        {0.5, "0.5000000"},
        {-0.5, "-0.5000000"},
        {7.0, "7.0000000"},
        {0.1, "0.1000000"},
        {0.0, "0.0000000"},
        {-0.0, "0.0000000"},
        {infinity, "1.#INF000"},
        {-infinity, "-1.#INF000"},
    });
}

TEST(FixedFormat, RoundingStages) {
    expect_all({
        // 1.0000000499999999182: the 17 digits 1.0000000499999999 keep a 4
        // at the 8th decimal, while 2.0000000500000001402 has a 5 there.
        {1.00000005, "1.0000000"},
        {2.00000005, "2.0000001"},
        {0.99999995, "0.9999999"},  // 0.99999994999999997...
        // An exact 18th significant digit of 5 rounds the 17th up, not to even.
        {1000000000000000.25, "1000000000000000.3000000"},
        {1000000000000000.75, "1000000000000000.8000000"},
        // 17 digits 123456789.12345679, whose 8th decimal 9 rounds up.
        {123456789.123456789, "123456789.1234568"},
        {12345.678901234549, "12345.6789012"},
    });
}

TEST(FixedFormat, CarryThroughNines) {
    expect_all({
        {9.99999996, "10.0000000"},
        {999.99999996, "1000.0000000"},
        {-99.99999996, "-100.0000000"},
        {0.99999999, "1.0000000"},
        {-0.99999996, "-1.0000000"},
        {99999999.99999999, "100000000.0000000"},  // stored as 99999999.9999999851
        {0.99999994, "0.9999999"},
    });
}

TEST(FixedFormat, TinyValues) {
    expect_all({
        {std::numeric_limits<double>::denorm_min(), "0.0000000"},
        {-std::numeric_limits<double>::denorm_min(), "-0.0000000"},
        {std::numeric_limits<double>::min(), "0.0000000"},
        // 0.00000005 is stored as 4.99999999999999977374e-8, whose 17 digits
        // 4.9999999999999998e-8 put a 4 at the 8th decimal.
        {0.00000005, "0.0000000"},
        {-0.00000005, "-0.0000000"},
        {-0.00000004, "-0.0000000"},
        {0.000000050000000001, "0.0000001"},
        {0.00000006, "0.0000001"},
        {-0.00000015, "-0.0000001"},
    });
}

TEST(FixedFormat, LargeValues) {
    const std::string decimals = ".0000000";
    expect_all({
        {1e17, "100000000000000000" + decimals},
        {1e20, "100000000000000000000" + decimals},
        // Stored as 123456789012345685803008; the 18th digit 5 raises the 17th.
        {123456789012345678901234.0, "123456789012345690000000" + decimals},
        // Stored as 1.00000000000000005250476e300, so the 17th digit becomes 1.
        {1e300, "1" + std::string(15, '0') + "1" + std::string(284, '0') + decimals},
        {largest, "17976931348623157" + std::string(292, '0') + decimals},
        {-largest, "-17976931348623157" + std::string(292, '0') + decimals},
    });
}

TEST(FixedFormat, RandomDoublesMatchTheTwoStageRounding) {
    std::mt19937_64 random(0xC0FFEE);
    std::vector<double> values;
    // Spread evenly over the magnitudes coordinates and beyond take.
    std::uniform_real_distribution<double> magnitude(-10.0, 20.0);
    for (int i = 0; i < 30000; ++i) {
        const double v = std::pow(10.0, magnitude(random));
        values.push_back(random() % 2 == 0 ? v : -v);
    }
    // Any finite double, subnormals and the largest included.
    std::uniform_int_distribution<std::uint64_t> bits(0, 0x7FEFFFFFFFFFFFFF);
    for (int i = 0; i < 10000; ++i) {
        const double v = std::bit_cast<double>(bits(random));
        values.push_back(random() % 2 == 0 ? v : -v);
    }
    // Within two steps of a tie at the 8th decimal: k.5 units of the 7th.
    for (int i = 0; i < 10000; ++i) {
        const auto digits = std::uniform_int_distribution<int>(1, 16)(random);
        std::string text = std::to_string(random() % 10000000000000000);
        text = text.substr(0, static_cast<std::size_t>(digits)) + "5e-8";
        double v = 0;
        std::from_chars(text.data(), text.data() + text.size(), v);
        const auto steps = std::uniform_int_distribution<int>(-2, 2)(random);
        for (int s = 0; s < std::abs(steps); ++s) v = std::nextafter(v, steps < 0 ? 0.0 : infinity);
        values.push_back(random() % 2 == 0 ? v : -v);
    }
    int failures = 0;
    for (const double v : values) {
        const auto result = formats_as(v, reference_fixed7(v));
        if (!result && ++failures <= 10) ADD_FAILURE() << result.message();
    }
    EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace qolt2wpt
