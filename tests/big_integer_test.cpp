#include "big_integer.hpp"

#include <gmpxx.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace qolt2wpt {
namespace {

constexpr unsigned capacity_bits = big_integer_limbs * 32;

mpz_class power(unsigned base, unsigned exponent) {
    mpz_class result;
    mpz_ui_pow_ui(result.get_mpz_t(), base, exponent);
    return result;
}

mpz_class from_u64(std::uint64_t value) {
    mpz_class result;
    mpz_import(result.get_mpz_t(), 1, -1, sizeof value, 0, 0, &value);
    return result;
}

// Everything a result must satisfy: it fits, it has no leading zero limb
// (equality compares limb counts), and it holds `expected`.
::testing::AssertionResult holds(const big_integer& value, const mpz_class& expected) {
    if (value.overflowed) return ::testing::AssertionFailure() << "overflowed, expected " << expected.get_str(16);
    if (value.used > big_integer_limbs) return ::testing::AssertionFailure() << "used " << value.used;
    if (value.used != 0 && value.limbs[value.used - 1] == 0) {
        return ::testing::AssertionFailure() << "leading zero limb, used " << value.used;
    }
    mpz_class actual;
    mpz_import(actual.get_mpz_t(), value.used, -1, sizeof value.limbs[0], 0, 0, value.limbs);
    if (actual != expected) {
        return ::testing::AssertionFailure() << "holds 0x" << actual.get_str(16) << ", expected 0x"
                                             << expected.get_str(16);
    }
    return ::testing::AssertionSuccess();
}

TEST(BigInteger, ShiftsAcrossLimbBoundaries) {
    const std::uint64_t values[] = {0, 1, 0x80000000, 0xFFFFFFFF, 0x123456789ABCDEF, 0xFFFFFFFFFFFFFFFF};
    const unsigned shifts[] = {0, 1, 31, 32, 33, 63, 64, 65, 1000, capacity_bits - 64};
    for (const std::uint64_t value : values) {
        for (const unsigned shift : shifts) {
            SCOPED_TRACE(testing::Message() << std::hex << value << " << " << std::dec << shift);
            big_integer n = big_integer_from_u64(value);
            multiply_by_power_of_2(n, shift);
            EXPECT_TRUE(holds(n, from_u64(value) << shift));
        }
    }
    // Repeated shifts of a multi-limb value add up.
    big_integer n = big_integer_from_u64(0xFFFFFFFFFFFFFFFF);
    for (int i = 0; i < 40; ++i) multiply_by_power_of_2(n, 37);
    EXPECT_TRUE(holds(n, from_u64(0xFFFFFFFFFFFFFFFF) << (40 * 37)));
}

TEST(BigInteger, ShiftThatLeavesTheCapacityOverflows) {
    struct shift_case {
        std::uint64_t value;
        unsigned shift;
        bool fits;
    };
    const shift_case cases[] = {
        {1, capacity_bits - 1, true},
        {1, capacity_bits, false},
        {0xFFFFFFFF, capacity_bits - 32, true},       // fills the top limb exactly
        {0xFFFFFFFF, capacity_bits - 31, false},      // one bit spills from the top limb
        {0xFFFFFFFFFFFFFFFF, capacity_bits - 64, true},
        {0xFFFFFFFFFFFFFFFF, capacity_bits - 63, false},
        {0x80000000, capacity_bits - 32, true},
        {0x80000000, capacity_bits - 31, false},
        {1, 100000, false},
        {0, 100000, true},  // zero stays zero, however far it is shifted
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.value << " << " << std::dec << c.shift);
        big_integer n = big_integer_from_u64(c.value);
        multiply_by_power_of_2(n, c.shift);
        if (c.fits) {
            EXPECT_TRUE(holds(n, from_u64(c.value) << c.shift));
        } else {
            EXPECT_TRUE(n.overflowed);
        }
    }
}

TEST(BigInteger, PowersOfFiveAndTen) {
    // 13 is where the factor stops fitting one limb; 1075 is the deepest
    // midpoint below the smallest subnormal.
    const unsigned exponents[] = {0, 1, 12, 13, 14, 26, 27, 100, 1075};
    for (const unsigned e : exponents) {
        SCOPED_TRACE(e);
        big_integer five = big_integer_from_u64(3);
        multiply_by_power_of_5(five, e);
        EXPECT_TRUE(holds(five, 3 * power(5, e)));
        big_integer ten = big_integer_from_u64(0xFFFFFFFFFFFFF);
        multiply_by_power_of_10(ten, e > 700 ? 700 : e);
        EXPECT_TRUE(holds(ten, from_u64(0xFFFFFFFFFFFFF) * power(10, e > 700 ? 700 : e)));
    }
    big_integer too_big = big_integer_from_u64(1);
    multiply_by_power_of_5(too_big, 1200);  // about 2786 bits
    EXPECT_TRUE(too_big.overflowed);
    too_big = big_integer_from_u64(1);
    multiply_by_power_of_10(too_big, 810);
    EXPECT_TRUE(too_big.overflowed);
}

TEST(BigInteger, FromDigits) {
    const std::string largest_fitting = mpz_class((mpz_class(1) << capacity_bits) - 1).get_str();
    const std::string smallest_too_big = mpz_class(mpz_class(1) << capacity_bits).get_str();
    const std::string cases[] = {
        "",
        "0",
        "000000000000",
        "7",
        "123456789",    // one chunk of nine
        "1234567890",   // a chunk and a digit
        "4294967296",   // 2^32
        "18446744073709551615",
        "18446744073709551616",
        "0000000000000000000018446744073709551616",
        std::string(768, '9'),
        std::string(809, '9'),  // the most nines that fit
        largest_fitting,
    };
    for (const auto& digits : cases) {
        SCOPED_TRACE(digits);
        EXPECT_TRUE(holds(big_integer_from_digits(digits.data(), digits.size()),
                          digits.empty() ? mpz_class(0) : mpz_class(digits, 10)));
    }
    EXPECT_TRUE(big_integer_from_digits(smallest_too_big.data(), smallest_too_big.size()).overflowed);
    const std::string nines(810, '9');
    EXPECT_TRUE(big_integer_from_digits(nines.data(), nines.size()).overflowed);
    // Only `count` digits are read.
    EXPECT_TRUE(holds(big_integer_from_digits("12345678901234567890", 11), mpz_class("12345678901")));
}

TEST(BigInteger, MultiplyByU32OverflowsOnlyPastTheCapacity) {
    const std::string largest = mpz_class((mpz_class(1) << capacity_bits) - 1).get_str();
    big_integer n = big_integer_from_digits(largest.data(), largest.size());
    multiply_by_u32(n, 1);
    EXPECT_TRUE(holds(n, mpz_class(largest)));
    multiply_by_u32(n, 2);
    EXPECT_TRUE(n.overflowed);

    big_integer half = big_integer_from_u64(1);
    multiply_by_power_of_2(half, capacity_bits - 2);
    multiply_by_u32(half, 3);
    EXPECT_TRUE(holds(half, mpz_class(3) << (capacity_bits - 2)));
}

TEST(BigInteger, Equality) {
    // The same value reached two ways, as the midpoint test does it: the
    // decimal digits of 0x1FFFFFFFFFFFFF * 5^1075 against the product.
    const mpz_class product = from_u64(0x1FFFFFFFFFFFFF) * power(5, 1075);
    const std::string digits = product.get_str();
    big_integer built = big_integer_from_u64(0x1FFFFFFFFFFFFF);
    multiply_by_power_of_5(built, 1075);
    const big_integer read = big_integer_from_digits(digits.data(), digits.size());
    EXPECT_TRUE(big_integers_equal(built, read));
    EXPECT_TRUE(big_integers_equal(read, built));

    // One unit apart at the bottom, and one limb longer.
    const std::string one_more = mpz_class(product + 1).get_str();
    EXPECT_FALSE(big_integers_equal(built, big_integer_from_digits(one_more.data(), one_more.size())));
    big_integer shifted = built;
    multiply_by_power_of_2(shifted, 32);
    EXPECT_FALSE(big_integers_equal(built, shifted));
    EXPECT_TRUE(big_integers_equal(big_integer_from_u64(0), big_integer_from_digits("000", 3)));
    EXPECT_FALSE(big_integers_equal(big_integer_from_u64(0), big_integer_from_u64(1)));
    EXPECT_TRUE(big_integers_equal(big_integer_from_u64(1ULL << 32), big_integer_from_digits("4294967296", 10)));

    // An overflowed value equals nothing, not even a copy of itself.
    big_integer overflowed = big_integer_from_u64(1);
    multiply_by_power_of_2(overflowed, capacity_bits);
    ASSERT_TRUE(overflowed.overflowed);
    const big_integer copy = overflowed;
    EXPECT_FALSE(big_integers_equal(overflowed, copy));
}

}  // namespace
}  // namespace qolt2wpt
