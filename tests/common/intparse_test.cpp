#include "common/intparse.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

TEST(ParseInteger, AcceptsBlanksSignAndDollarHex) {
  EXPECT_EQ(ParseInteger("1234"), 1234);
  EXPECT_EQ(ParseInteger("   42"), 42);
  EXPECT_EQ(ParseInteger("-17"), -17);
  EXPECT_EQ(ParseInteger("+17"), 17);
  EXPECT_EQ(ParseInteger("$1F"), 31);
  EXPECT_EQ(ParseInteger("$ff"), 255);
  EXPECT_EQ(ParseInteger("-$10"), -16);
  EXPECT_EQ(ParseInteger("  $FFFFFFFF"), -1);
  EXPECT_EQ(ParseInteger("2147483647"), 2147483647);
  EXPECT_EQ(ParseInteger("-2147483648"), -2147483647 - 1);
}

TEST(ParseInteger, RejectsEverythingElse) {
  for (const char* bad : {"", " ", "-", "+", "$", "12a", "12 ", "1.5", "0x10", "xyz", "2147483648",
                          "-2147483649", "$100000000", "\t5", "5,"}) {
    EXPECT_FALSE(ParseInteger(bad).has_value()) << '"' << bad << '"';
  }
}

TEST(ParseIniInteger, ReadsZeroXHexAsWell) {
  EXPECT_EQ(ParseIniInteger("0x0A"), 10);
  EXPECT_EQ(ParseIniInteger("0X0a"), 10);
  EXPECT_EQ(ParseIniInteger("0xFFFFFF"), 16777215);
  EXPECT_EQ(ParseIniInteger("10"), 10);
  EXPECT_EQ(ParseIniInteger("$0A"), 10);
  EXPECT_FALSE(ParseIniInteger("0x").has_value());
  EXPECT_FALSE(ParseIniInteger("yes").has_value());
  EXPECT_FALSE(ParseIniInteger("0xZZ").has_value());
}

}  // namespace
}  // namespace kestro
