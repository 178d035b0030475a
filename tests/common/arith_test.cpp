#include "common/arith.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

TEST(MulDiv, RoundsHalvesAwayFromZero) {
  EXPECT_EQ(MulDiv(5, 1, 2), 3);
  EXPECT_EQ(MulDiv(-5, 1, 2), -3);
  EXPECT_EQ(MulDiv(5, -1, 2), -3);
  EXPECT_EQ(MulDiv(-5, -1, 2), 3);
  EXPECT_EQ(MulDiv(7, 1, 3), 2);   // 2.33
  EXPECT_EQ(MulDiv(8, 1, 3), 3);   // 2.67
  EXPECT_EQ(MulDiv(-8, 1, 3), -3);
  EXPECT_EQ(MulDiv(1024, 50, 100), 512);
}

TEST(MulDiv, UsesA64BitIntermediate) {
  EXPECT_EQ(MulDiv(2000000000, 3, 4), 1500000000);
  EXPECT_EQ(MulDiv(65536, 65536, 65536), 65536);
  EXPECT_EQ(MulDiv(-2147483647 - 1, 1, 1), -2147483647 - 1);
}

TEST(MulDiv, ZeroDivisorAndOverflowGiveMinusOne) {
  EXPECT_EQ(MulDiv(1, 1, 0), -1);
  EXPECT_EQ(MulDiv(2000000000, 2, 1), -1);
  EXPECT_EQ(MulDiv(-2000000000, 2, 1), -1);
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(76.5), 76);
  EXPECT_EQ(RoundHalfEven(-0.5), 0);
  EXPECT_EQ(RoundHalfEven(-1.5), -2);
  EXPECT_EQ(RoundHalfEven(2.4999), 2);
  EXPECT_EQ(RoundHalfEven(2.5001), 3);
  EXPECT_EQ(RoundHalfEven(450.0), 450);
}

TEST(RoundHalfEven, QuotientsRoundExactly) {
  EXPECT_EQ(RoundHalfEvenQuotient(638 * 1080, 2784), 248);  // 247.5, which doubles give as 247.4999...
  EXPECT_EQ(RoundHalfEvenQuotient(5, 2), 2);
  EXPECT_EQ(RoundHalfEvenQuotient(7, 2), 4);
  EXPECT_EQ(RoundHalfEvenQuotient(10, 4), 2);
  EXPECT_EQ(RoundHalfEvenQuotient(11, 4), 3);
  EXPECT_EQ(RoundHalfEvenQuotient(9, 4), 2);
  EXPECT_EQ(RoundHalfEvenQuotient(0, 3), 0);
  EXPECT_EQ(RoundHalfEvenQuotient(3, 3), 1);
}

TEST(Div, TruncatesTowardZero) {
  EXPECT_EQ(Div(-7, 2), -3);
  EXPECT_EQ(Div(7, -2), -3);
  EXPECT_EQ(Div(7, 2), 3);
}

}  // namespace
}  // namespace kestro
