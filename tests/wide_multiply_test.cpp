#include "wide_multiply.hpp"

#include <gtest/gtest.h>

#include <random>

namespace qolt2wpt {
namespace {

void expect_product(std::uint64_t a, std::uint64_t b, uint128 expected) {
    for (const uint128 product : {multiply_64x64(a, b), multiply_64x64_portable(a, b)}) {
        EXPECT_EQ(product.high, expected.high) << a << " * " << b;
        EXPECT_EQ(product.low, expected.low) << a << " * " << b;
    }
}

TEST(WideMultiply, CarriesBetweenHalves) {
    constexpr std::uint64_t all = ~std::uint64_t{0};
    expect_product(0, all, {0, 0});
    expect_product(all, 1, {0, all});
    expect_product(all, all, {all - 1, 1});                                  // (2^64-1)^2 = 2^128 - 2^65 + 1
    expect_product(std::uint64_t{1} << 32, std::uint64_t{1} << 32, {1, 0});  // the carry into the high word
    expect_product(0xFFFFFFFF, 0xFFFFFFFF, {0, 0xFFFFFFFE00000001});
    expect_product(9007199254740991, 10000000000000000000u, {0x1158e460913cff, 0x7538dcfb76180000});  // (2^53-1) * 10^19
}

TEST(WideMultiply, PortableAgreesWithTheCompilersProduct) {
    std::mt19937_64 random(7);
    for (int i = 0; i < 100000; ++i) {
        // Mix of full-width values and values with long runs of ones or zeros.
        std::uint64_t a = random(), b = random();
        if (i % 3 == 0) a |= 0xFFFFFFFF00000000;
        if (i % 5 == 0) b >>= random() % 64;
        const uint128 fast = multiply_64x64(a, b);
        const uint128 portable = multiply_64x64_portable(a, b);
        ASSERT_EQ(fast.high, portable.high) << a << " * " << b;
        ASSERT_EQ(fast.low, portable.low) << a << " * " << b;
    }
}

}  // namespace
}  // namespace qolt2wpt
