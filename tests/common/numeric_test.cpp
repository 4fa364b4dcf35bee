#include "common/numeric.h"
#include "common/runtime_error.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>

using namespace rz4::common;

TEST(Numeric, RoundsHalvesToEvenBothWays) {
    EXPECT_EQ(toInt16(42.5), 42);
    EXPECT_EQ(toInt16(43.5), 44);
    EXPECT_EQ(toInt16(-2.5), -2);
    EXPECT_EQ(toInt16(-3.5), -4);
    EXPECT_EQ(toInt32(42.68), 43);
    EXPECT_EQ(toInt32(2147483647.4), 2147483647);
}

TEST(Numeric, ConversionOutOfRangeIsOverflowError) {
    EXPECT_EQ(toInt16(32767.4), 32767);
    EXPECT_EQ(toInt16(-32768.5), -32768); // halves to even stays in range
    EXPECT_THROW(toInt16(32767.5), RuntimeError);
    EXPECT_THROW(toInt32(2147483647.5), RuntimeError);
    EXPECT_THROW(toInt16(std::nan("")), RuntimeError);
    try {
        toInt16(1e9);
        FAIL();
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 6);
        EXPECT_EQ(e.description(), "溢出");
    }
}

TEST(Numeric, Checked16BitArithmetic) {
    EXPECT_EQ(mul16(2184, 15), 32760);
    EXPECT_THROW(mul16(2185, 15), RuntimeError);
    EXPECT_EQ(mul16(-2184, 15), -32760);
    EXPECT_THROW(mul16(-2185, 15), RuntimeError);
    EXPECT_EQ(add16(32000, 767), 32767);
    EXPECT_THROW(add16(32000, 768), RuntimeError);
    EXPECT_EQ(sub16(-32000, 768), -32768);
    EXPECT_THROW(sub16(-32000, 769), RuntimeError);
}

TEST(Numeric, RoundingIgnoresCurrentRoundingModeAssumptions) {
    // The default mode is what the program runs with; make sure nothing changed it.
    ASSERT_EQ(std::fegetround(), FE_TONEAREST);
    EXPECT_EQ(roundHalfEven(0.5), 0.0);
    EXPECT_EQ(roundHalfEven(1.5), 2.0);
}
