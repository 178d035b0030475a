#include "common/random.h"

#include <gtest/gtest.h>

namespace kestro {
namespace {

TEST(RandomBelow, FollowsTheLinearCongruentialSequence) {
  RandomState = 0;
  EXPECT_EQ(RandomBelow(100), 0);  // state 1: (1 * 100) >> 32
  EXPECT_EQ(RandomState, 1u);
  EXPECT_EQ(RandomBelow(100), 3);  // state 134775814
  EXPECT_EQ(RandomState, 134775814u);
  const std::uint32_t next = 134775814u * 134775813u + 1u;
  EXPECT_EQ(RandomBelow(1000), static_cast<std::int32_t>((std::uint64_t{next} * 1000) >> 32));
}

TEST(RandomBelow, SmallRangesGiveZeroButStillAdvance) {
  RandomState = 77;
  EXPECT_EQ(RandomBelow(0), 0);
  EXPECT_EQ(RandomState, 77u * 134775813u + 1u);
  EXPECT_EQ(RandomBelow(1), 0);
  EXPECT_EQ(RandomBelow(-5), 0);
}

TEST(RandomBelow, StaysInRange) {
  RandomState = 12345;
  for (int i = 0; i < 10000; ++i) {
    const auto r = RandomBelow(7);
    ASSERT_GE(r, 0);
    ASSERT_LT(r, 7);
  }
}

TEST(SeedRandomFromClock, GivesAMillisecondOfTheDay) {
  SeedRandomFromClock();
  EXPECT_LT(RandomState, 24u * 60 * 60 * 1000);
}

}  // namespace
}  // namespace kestro
