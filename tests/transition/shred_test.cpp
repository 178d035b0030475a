#include "transition/effects/shred.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "common/random.h"
#include "raster/bitmap24.h"
#include "transition/effect.h"
#include "transition/effect_frame.h"
#include "transition/effects/families.h"

namespace kestro {
namespace {

// The generator's state after `draws` more draws from `state`.
std::uint32_t After(std::uint32_t state, std::int64_t draws) {
  RandomState = state;
  for (; draws > 0; --draws) RandomBelow(0);
  return RandomState;
}

std::int64_t Ceil(std::int64_t a, std::int64_t b) { return (a + b - 1) / b; }

// How many draws one frame of a member makes: two per strip end, one per
// speck candidate, one per grid point.
std::int64_t DrawsOf(const ShredMember& m, const TEffectExtents& e, int progress) {
  const auto axis = [&](int kind, std::int32_t length, std::int32_t extent, std::int32_t across) -> std::int64_t {
    if (kind == 0) return 0;
    if (m.builder == ShredMember::Builder::kShred) return Ceil(across, 5) * (kind >= 3 ? 4 : 2);
    const std::int32_t zone = length < extent ? extent / 10 : 0, block = std::max(zone / 20, 2);
    return Ceil(across, block / 2) * (zone / block);
  };
  if (m.builder == ShredMember::Builder::kSquares) {
    const std::int32_t d = RandomSquareCell(e.W, e.H, progress);
    return Ceil(e.W, d) * Ceil(e.H, d);
  }
  return axis(m.rowKind, e.PX, e.W, e.H) + axis(m.columnKind, e.PY, e.H, e.W);
}

TEST(Shreds, EveryFrameMakesAllItsDrawsAtEveryProgress) {
  const std::vector<int> members = FamilyMembers(kShredEffects);
  ASSERT_EQ(members.size(), 23u);
  for (int n : members) {
    const ShredMember* m = ShredMemberOf(n);
    ASSERT_NE(m, nullptr) << n;
    for (const auto& [w, h] : {std::pair{400, 300}, {300, 402}, {1000, 40}, {7, 5}, {1, 1}, {13, 702}}) {
      const Bitmap24 old(w, h), picture(w, h);
      for (int p : {0, 1, 50, 99, 100}) {
        const std::uint32_t state = 0x9E3779B9u * static_cast<std::uint32_t>(n + p);
        const std::uint32_t expected = After(state, DrawsOf(*m, EffectExtents({0, 0, w, h}, p, 4), p));
        Bitmap24 screen = old;
        EffectFrame frame;
        RandomState = state;
        ASSERT_TRUE(DrawEffectFrame(n, screen, picture, 4, p, frame));
        ASSERT_EQ(RandomState, expected) << "effect " << n << " on " << w << "x" << h << " at " << p;
      }
    }
  }
}

TEST(Shreds, WholeStripsAreExactAndReachTheFarEdges) {
  // 302 rows: the strips overlap by 2 rows, the last one ends at 300 + 7.
  for (int rowKind = 0; rowKind <= 4; ++rowKind) {
    for (int columnKind = 0; columnKind <= 4; ++columnKind) {
      RandomState = 1;
      const Region first = ShredRegion(400, 302, 400, columnKind, rowKind, 302);
      RandomState = 0xDEADBEEF;
      EXPECT_EQ(ShredRegion(400, 302, 400, columnKind, rowKind, 302), first) << rowKind << columnKind;
      const std::int32_t right = columnKind != 0 ? 400 : 0, bottom = rowKind != 0 ? 307 : 302;
      if (rowKind + columnKind > 0) {
        EXPECT_EQ(first, Region::FromRects({{0, 0, rowKind ? 400 : 0, bottom}, {0, 0, right, 302}}))
            << rowKind << columnKind;
      }
      if (rowKind <= 2 && columnKind <= 2) {
        RandomState = 5;
        EXPECT_EQ(SpeckleRegion(400, 302, 400, columnKind, rowKind, 302) & Region::FromRect(0, 0, 400, 302),
                  (rowKind + columnKind ? Region::FromRect(0, 0, 400, 302) : Region()));
      }
    }
  }
}

TEST(Shreds, EdgesFromTheRightStayWithinTheJitter) {
  // 65 on 700 x 300: J = 100, each strip's left edge within 99 of W - PX.
  for (int p : {30, 60}) {
    const std::int32_t px = EffectExtents({0, 0, 700, 300}, p, 4).PX;
    int widest = 0;
    std::vector<std::int32_t> lefts;
    for (int frame = 0; frame < 3; ++frame) {
      EffectPlan plan;
      ASSERT_TRUE(PlanEffect(65, EffectExtents({0, 0, 700, 300}, p, 4), p, plan));
      for (int y = 0; y < 300; y += 5) {
        const Region::Band* band = plan.clip.BandAt(y);
        ASSERT_NE(band, nullptr);
        ASSERT_EQ(band->Count, 1u);
        const Region::Span span = plan.clip.Spans(*band)[0];
        EXPECT_EQ(span.Right, 700);
        ASSERT_LE(std::abs(span.Left - (700 - px)), 99) << "row " << y << " at " << p;
        widest = std::max(widest, std::abs(span.Left - (700 - px)));
        lefts.push_back(span.Left);
      }
    }
    EXPECT_GT(widest, 50) << "the jitter reaches well out";
  }
}

TEST(Shreds, PiecesTakeTheirDrawsInOrderAndReversedEdgesAreSwapped) {
  // One strip 5 rows high (or one column 5 wide) with XLen 0 on 700: the
  // draws r1, r2 place the first piece, r3, r4 the second. Find a state
  // where the out-from-the-middle pieces come out reversed on both sides.
  std::uint32_t state = 1;
  std::int32_t r[4];
  for (;; ++state) {
    RandomState = state;
    for (std::int32_t& v : r) v = RandomBelow(100);
    if (r[0] - r[1] > 20 && r[3] - r[2] > 20) break;
  }
  const auto span = [](std::int32_t a, std::int32_t b) { return TRect{std::min(a, b), 0, std::max(a, b), 5}; };
  const auto turned = [](const std::vector<TRect>& rs) {
    std::vector<TRect> t;
    for (const TRect& x : rs) t.push_back({x.Top, x.Left, x.Bottom, x.Right});
    return Region::FromRects(t);
  };
  const std::vector<TRect> expected[] = {
      {span(700 + r[0] - r[1], 700)},
      {span(0, r[0] - r[1])},
      {span((700 + r[0] - r[1]) / 2, 350), span(350, (700 + r[2] - r[3]) / 2)},
      {span(700 - (r[0] - r[1]) / 2, 700), span(0, (r[2] - r[3]) / 2)},
  };
  for (int kind = 1; kind <= 4; ++kind) {
    RandomState = state;
    EXPECT_EQ(ShredRegion(0, 0, 700, 0, kind, 5), Region::FromRects(expected[kind - 1])) << "rows " << kind;
    RandomState = state;
    EXPECT_EQ(ShredRegion(0, 0, 5, kind, 0, 700), turned(expected[kind - 1])) << "columns " << kind;
  }
  RandomState = state;
  EXPECT_TRUE(ShredRegion(0, 0, 700, 0, 3, 5).Contains(360, 0)) << "a reversed left piece shows right of the centre";
}

TEST(Speckles, TheNearestBlocksAreAlwaysThere) {
  // 123 on 1000 x 400 at 30: Z = 100, F = 5, N = 20, Q = 15; bands 2 rows apart.
  const TEffectExtents e = EffectExtents({0, 0, 1000, 400}, 30, 4);
  const std::int32_t edge = 1000 - e.PX;
  RandomState = 77;
  EffectPlan plan;
  ASSERT_TRUE(PlanEffect(123, e, 30, plan));
  EXPECT_EQ(RandomState, After(77, 200 * 20));
  EXPECT_TRUE((plan.clip & Region::FromRect(edge - 10, 0, 1000, 400)) == Region::FromRect(edge - 10, 0, 1000, 400));
  EXPECT_GE(plan.clip.Bounds().Left, edge - 100);
  // From the top, columns: the same blocks below the solid part.
  ASSERT_TRUE(PlanEffect(126, EffectExtents({0, 0, 400, 1000}, 30, 4), 30, plan));
  const std::int32_t yLen = EffectExtents({0, 0, 400, 1000}, 30, 4).PY;
  EXPECT_TRUE((plan.clip & Region::FromRect(0, 0, 400, yLen + 10)) == Region::FromRect(0, 0, 400, yLen + 10));
}

TEST(Speckles, NearBlocksComeTwiceAsOften) {
  // 1920 wide: Z = 192, F = 9, N = 21 and Q = (3 x 192 div 9) div 4 = 16, so
  // block 16 is added with chance 2/16 and block 17 with 1/17. Each row lies
  // in two or three bands, so block 16 covers about a quarter of the rows.
  RandomState = 2024;
  const Region clip = SpeckleRegion(500, 0, 1920, 0, 1, 4000);
  const auto rowsCovering = [&](std::int32_t x) {
    int rows = 0;
    for (int y = 0; y < 4000; ++y) rows += clip.Contains(x, y) ? 1 : 0;
    return rows / 4000.0;
  };
  const std::int32_t edge = 1920 - 500;
  EXPECT_GT(rowsCovering(edge - 9 * 16 + 4), 0.2) << "block 16";
  EXPECT_LT(rowsCovering(edge - 9 * 17 + 4), 0.2) << "block 17";
}

TEST(RandomSquares, CellsFollowProgressAndPictureSize) {
  EXPECT_EQ(RandomSquareCell(1024, 768, 50), 20);
  EXPECT_EQ(RandomSquareCell(40, 40, 5), 1) << "0 becomes 1";
  EXPECT_TRUE(RandomSquaresRegion(40, 40, 0).IsEmpty()) << "a square where a draw is below the progress";
  for (const auto& [w, h, p] : {std::tuple{1024, 768, 50}, {40, 40, 5}, {100, 7, 63}}) {
    const std::int32_t d = RandomSquareCell(w, h, p);
    RandomState = 3;
    const Region clip = RandomSquaresRegion(w, h, p);
    EXPECT_EQ(RandomState, After(3, Ceil(w, d) * Ceil(h, d)));
    // Squares 2D wide on the grid of D: every edge on the grid.
    for (const Region::Band& b : clip.Bands()) {
      ASSERT_EQ((b.Top + d) % d, 0);
      ASSERT_EQ((b.Bottom + d) % d, 0);
      for (std::uint32_t i = 0; i < b.Count; ++i) ASSERT_EQ((clip.Spans(b)[i].Left + d) % d, 0);
    }
    EXPECT_FALSE(clip.IsEmpty());
  }
}

TEST(Shreds, TwoFramesAtTheSameProgressDiffer) {
  for (int n : FamilyMembers(kShredEffects)) {
    const TEffectExtents e = EffectExtents({0, 0, 400, 300}, 50, 4);
    EffectPlan first, second;
    ASSERT_TRUE(PlanEffect(n, e, 50, first));
    ASSERT_TRUE(PlanEffect(n, e, 50, second));
    EXPECT_FALSE(first.clip == second.clip) << n;
  }
}

}  // namespace
}  // namespace kestro
