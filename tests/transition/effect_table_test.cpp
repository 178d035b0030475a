#include "transition/effect.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace kestro {
namespace {

TEST(EffectTable, HoldsOneNamedEntryPerNumber) {
  std::set<std::string> names;
  for (int n = 1; n <= kEffectCount; ++n) {
    ASSERT_NE(FindEffect(n), nullptr) << n;
    ASSERT_NE(FindEffect(n)->Name, nullptr) << n;
    names.insert(FindEffect(n)->Name);
  }
  EXPECT_EQ(names.size(), 150u) << "every number has a name of its own";
  EXPECT_STREQ(FindEffect(1)->Name, "Expand from right");
  EXPECT_STREQ(FindEffect(76)->Name, "Unven shred from bottom");
  EXPECT_STREQ(FindEffect(134)->Name, "Push and sqeeze down");
  EXPECT_STREQ(FindEffect(150)->Name, "Rotational star");
  EXPECT_EQ(FindEffect(0), nullptr);
  EXPECT_EQ(FindEffect(151), nullptr);
  EXPECT_FALSE(EffectImplemented(0));
  EXPECT_FALSE(EffectImplemented(151));
}

TEST(EffectExtents, ScaleTheLongerSideFirst) {
  auto e = EffectExtents({0, 0, 400, 300}, 50, 4);
  EXPECT_EQ(e.W, 400);
  EXPECT_EQ(e.PX, 200);
  EXPECT_EQ(e.PY, 150);
  e = EffectExtents({0, 0, 300, 400}, 50, 4);
  EXPECT_EQ(e.PY, 200);
  EXPECT_EQ(e.PX, 150);
  e = EffectExtents({0, 0, 101, 101}, 33, 4);
  EXPECT_EQ(e.PX, 33);
  EXPECT_EQ(e.PY, 33);
  EXPECT_EQ(EffectExtents({0, 0, 1024, 768}, 10, 4).Unit, 46);  // 45.5 rounds away from zero
  EXPECT_EQ(EffectExtents({0, 0, 11, 5}, 10, 4).Unit, 0);
  const auto empty = EffectExtents({0, 0, 0, 0}, 50, 4);
  EXPECT_EQ(empty.PX, 0);
  EXPECT_EQ(empty.PY, 0);
}

}  // namespace
}  // namespace kestro
