// WriteFixedDecimals against the C library's "%.*f" and std::to_chars with a
// precision, the conversions it stands in for in table cells and results
// lines: the same text for every value it writes, and no text for what it
// leaves to them.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "FixedDecimals.h"

namespace {

std::string Printed(double value, int decimals) {
    char buffer[512];
    const int size = std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return std::string(buffer, static_cast<size_t>(size));
}

std::string Converted(double value, int decimals) {
    char buffer[512];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

// The fast text, with a check that it stays inside the room it is given.
std::string Fast(double value, int decimals) {
    char buffer[npar::kFixedDecimalsRoom + 16];
    std::memset(buffer, '#', sizeof buffer);
    char* end = npar::WriteFixedDecimals(buffer, value, decimals);
    if (!end) return "(none)";
    EXPECT_EQ(buffer[npar::kFixedDecimalsRoom], '#') << value;
    return std::string(buffer, end);
}

// Every precision the fast conversion takes, against both conversions.
void ExpectSameAtEveryPrecision(double value) {
    for (int decimals = 0; decimals <= npar::kMostFixedDecimals; ++decimals) {
        const std::string expected = Printed(value, decimals);
        ASSERT_EQ(Fast(value, decimals), expected) << "%.17g: " << value << ", decimals " << decimals;
        ASSERT_EQ(Converted(value, decimals), expected) << value;
    }
}

double FromBits(std::uint64_t bits) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

TEST(FixedDecimals, WritesWhatThePrintedConversionWrites) {
    // Signs, zeros and the smallest values.
    for (double value :
         {0.0, -0.0, 1.0, -1.0, 0.5, -0.5, 1e-300, -1e-300, std::numeric_limits<double>::denorm_min(),
          std::numeric_limits<double>::min(), -std::numeric_limits<double>::denorm_min()})
        ExpectSameAtEveryPrecision(value);

    // Halfway cases, exact in binary: ties go to the even digit (0.125 to
    // two decimals is 0.12, 0.375 is 0.38, 2.5 to none is 2 and 3.5 is 4),
    // and the neighbours on either side of each tie round away from it.
    for (int bits = 1; bits <= 12; ++bits) {
        for (int numerator = 1; numerator < (1 << bits) * 8; numerator += 1 + numerator / 7) {
            const double tie = std::ldexp(numerator, -bits);
            for (double value : {tie, -tie, std::nextafter(tie, 0.0), std::nextafter(tie, 1e9)})
                ExpectSameAtEveryPrecision(value);
        }
    }
    EXPECT_EQ(Fast(0.125, 2), "0.12");
    EXPECT_EQ(Fast(0.375, 2), "0.38");
    EXPECT_EQ(Fast(2.5, 0), "2");
    EXPECT_EQ(Fast(-3.5, 0), "-4");

    // Decimal values near rounding boundaries, as statistics come out:
    // 0.0005, 0.045, 1.005 and the like are not ties in binary.
    for (int digits = 1; digits <= 17; ++digits) {
        for (int k = 1; k <= 99; k += 2) {
            const double value = k * 5 / std::pow(10.0, digits);
            ExpectSameAtEveryPrecision(value);
            ExpectSameAtEveryPrecision(1 + value);
            ExpectSameAtEveryPrecision(-value);
        }
    }

    // Carries through every digit and into the integer part.
    for (double value : {0.9995, 9.9999999, 99.5, 999999.9999996, -0.99999999999, 0.0049999999})
        ExpectSameAtEveryPrecision(value);

    // The largest values it writes, just below 2^63.
    for (double value : {std::nextafter(9223372036854775808.0, 0.0), 4503599627370496.5,
                         9007199254740993.0, 1e18, -1e18, 123456789012345678.0})
        ExpectSameAtEveryPrecision(value);
}

TEST(FixedDecimals, WritesWhatThePrintedConversionWritesForManyValues) {
    std::mt19937_64 random(20261207);
    // Bit patterns of every size below 2^63.
    std::uniform_int_distribution<std::uint64_t> anyBits;
    int tried = 0;
    while (tried < 20000) {
        const double value = FromBits(anyBits(random));
        if (!std::isfinite(value) || std::fabs(value) >= 9223372036854775808.0) continue;
        ExpectSameAtEveryPrecision(value);
        ++tried;
    }
    // Values of the sizes tables hold.
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> scale(-8, 8);
    for (int i = 0; i < 20000; ++i)
        ExpectSameAtEveryPrecision(mantissa(random) * std::pow(10.0, scale(random)));
}

TEST(FixedDecimals, LeavesTheRestToTheGeneralConversion) {
    for (double value :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity(), 9223372036854775808.0, -9223372036854775808.0, 1e300,
          std::numeric_limits<double>::max()}) {
        EXPECT_EQ(Fast(value, 2), "(none)") << value;
    }
    EXPECT_EQ(Fast(1.5, -1), "(none)");
    EXPECT_EQ(Fast(1.5, npar::kMostFixedDecimals + 1), "(none)");
}

}  // namespace
