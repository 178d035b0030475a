#include "transition/effects/rect_copy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "transition/effect.h"
#include "transition/effect_frame.h"
#include "transition/effects/families.h"

namespace kestro {
namespace {

// Pictures whose every pixel tells where it came from: the old picture and
// the new one each carry their own mark and the pixel's coordinates.
constexpr TColor kNewMark = 0x800000;
TColor Code(bool isNew, int x, int y) {
  return (isNew ? kNewMark : 0) | (static_cast<TColor>(y & 0x7FF) << 12) | static_cast<TColor>(x & 0xFFF);
}
Bitmap24 Coded(bool isNew, int w, int h) {
  Bitmap24 b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, Code(isNew, x, y));
  return b;
}
struct Origin {
  bool isNew;
  int x, y;
};
Origin Decode(TColor c) { return {(c & kNewMark) != 0, static_cast<int>(c & 0xFFF), static_cast<int>((c >> 12) & 0x7FF)}; }

struct Frame {
  Bitmap24 screen;
  EffectPlan plan;
};

// One frame of effect n, drawn as the table routine draws it.
Frame Draw(int n, int w, int h, int progress) {
  Frame f{Coded(false, w, h), {}};
  const Bitmap24 picture = Coded(true, w, h);
  const TEffectExtents e = EffectExtents(TRect{0, 0, w, h}, progress, 4);
  EXPECT_TRUE(PlanEffect(n, e, progress, f.plan)) << n;
  EffectTable[n].Proc(f.screen, picture, TRect{0, 0, w, h}, 4, progress);
  return f;
}

std::vector<int> FamilyNumbers() { return FamilyMembers(kRectCopyEffects); }

// The display component draws numbers 1 to 57 itself, taking the last copy
// of the plan as the frame's destination and source.
TEST(RectCopyEffects, PlansEndWithAPlainCopyFromTheNewPicture) {
  for (int n : FamilyNumbers()) {
    for (int p : {1, 37, 99}) {
      EffectPlan plan;
      plan.copies.assign(9, RectCopy{});  // a reused plan is replaced, not extended
      ASSERT_TRUE(PlanEffect(n, EffectExtents({0, 0, 64, 48}, p, 4), p, plan));
      ASSERT_FALSE(plan.clipped);
      ASSERT_EQ(plan.pixels, nullptr);
      ASSERT_GE(plan.copies.size(), 1u);
      ASSERT_LE(plan.copies.size(), 4u) << n;
      const RectCopy& last = plan.copies.back();
      EXPECT_EQ(last.from, RectCopy::Source::kNew) << n;
      EXPECT_EQ(last.mirror, RectCopy::Mirror::kNone) << n;
      const bool push = n >= 128;
      EXPECT_EQ(plan.copies.front().from == RectCopy::Source::kScreen, push) << n;
    }
  }
}

TEST(RectCopyEffects, RevealFromLeftUncoversTheLeftHalfAtFifty) {
  const Frame f = Draw(5, 400, 300, 50);
  for (int y : {0, 150, 299}) {
    for (int x : {0, 199}) EXPECT_EQ(f.screen.GetPixel(x, y), Code(true, x, y)) << x;
    for (int x : {200, 399}) EXPECT_EQ(f.screen.GetPixel(x, y), Code(false, x, y)) << x;
  }
}

TEST(RectCopyEffects, SlideInFromRightShowsTheNewPicturesLeftPartUnscaled) {
  const Frame f = Draw(3, 400, 300, 25);
  ASSERT_EQ(f.plan.copies.size(), 1u);
  EXPECT_EQ(f.plan.copies[0].dst, (TRect{300, 0, 700, 300}));
  for (int y = 0; y < 300; y += 37) {
    for (int x = 0; x < 400; ++x) {
      EXPECT_EQ(f.screen.GetPixel(x, y), x < 300 ? Code(false, x, y) : Code(true, x - 300, y)) << x << "," << y;
    }
  }
}

TEST(RectCopyEffects, RollWidthGrowsStaysAndShrinks) {
  EXPECT_EQ(RollWidth(1000, 100), 50);   // 100 < 200: half the uncovered part
  EXPECT_EQ(RollWidth(1000, 199), 99);
  EXPECT_EQ(RollWidth(1000, 200), 100);  // a tenth
  EXPECT_EQ(RollWidth(1000, 500), 100);
  EXPECT_EQ(RollWidth(1000, 800), 100);  // 1000 is not less than 800 + 200
  EXPECT_EQ(RollWidth(1000, 900), 50);   // half of what is left
  EXPECT_EQ(RollWidth(1000, 1000), 0);
  EXPECT_EQ(RollWidth(4, 0), 0);         // tiny pictures: no roll
  EXPECT_EQ(RollWidth(4, 3), 0);
}

// Checks the unroll from the left on a 1000-wide picture: the unrolled part,
// then the roll showing the mirrored strip beyond it, then the old picture.
void CheckUnrollFromLeft(int progress, int px, int roll) {
  const Frame f = Draw(14, 1000, 20, progress);
  const int e = px + roll;
  ASSERT_EQ(f.plan.copies.size(), 2u);
  EXPECT_EQ(f.plan.copies[0].dst, (TRect{px, 0, e, 20}));
  EXPECT_EQ(f.plan.copies[0].src, (TRect{e, 0, e + roll, 20}));
  EXPECT_EQ(f.plan.copies[0].mirror, RectCopy::Mirror::kHorizontal);
  for (int y : {0, 19}) {
    for (int x = 0; x < px; ++x) ASSERT_EQ(f.screen.GetPixel(x, y), Code(true, x, y)) << x;
    int previous = 1 << 20;
    for (int x = px; x <= e; ++x) {  // the roll, one column wider than e - px
      const Origin o = Decode(f.screen.GetPixel(x, y));
      ASSERT_TRUE(o.isNew) << x;
      EXPECT_EQ(o.y, y);
      EXPECT_GE(o.x, e);
      EXPECT_LT(o.x, e + roll);
      EXPECT_LE(o.x, previous) << "mirrored: sources fall from left to right";
      previous = o.x;
    }
    EXPECT_EQ(Decode(f.screen.GetPixel(e, y)).x, e);
    for (int x = e + 1; x < 1000; ++x) ASSERT_EQ(f.screen.GetPixel(x, y), Code(false, x, y)) << x;
  }
}

TEST(RectCopyEffects, UnrollFromLeftCarriesAMirroredRoll) {
  CheckUnrollFromLeft(10, 100, 50);
  CheckUnrollFromLeft(50, 500, 100);
  CheckUnrollFromLeft(90, 900, 50);
}

TEST(RectCopyEffects, TheOtherUnrollsAreTheFirstTurnedAndMirrored) {
  // 15 from the right at 10 %: R0 = 900, L = 850, strip 800 .. 850 mirrored.
  Frame f = Draw(15, 1000, 20, 10);
  EXPECT_EQ(f.plan.copies[0].dst, (TRect{850, 0, 900, 20}));
  EXPECT_EQ(f.plan.copies[0].src, (TRect{800, 0, 850, 20}));
  EXPECT_EQ(f.screen.GetPixel(849, 5), Code(true, 849, 5)) << "the roll reaches one column beyond its left edge";
  EXPECT_EQ(f.screen.GetPixel(848, 5), Code(false, 848, 5));
  EXPECT_EQ(Decode(f.screen.GetPixel(899, 5)).x, 801);
  EXPECT_EQ(f.screen.GetPixel(900, 5), Code(true, 900, 5));
  // 31 from the top and 32 from the bottom on a tall picture.
  f = Draw(31, 20, 1000, 50);
  EXPECT_EQ(f.plan.copies[0].dst, (TRect{0, 500, 20, 600}));
  EXPECT_EQ(f.plan.copies[0].src, (TRect{0, 600, 20, 700}));
  EXPECT_EQ(f.plan.copies[0].mirror, RectCopy::Mirror::kVertical);
  EXPECT_EQ(Decode(f.screen.GetPixel(3, 500)).y, 698);
  EXPECT_EQ(Decode(f.screen.GetPixel(3, 600)).y, 600);
  EXPECT_EQ(f.screen.GetPixel(3, 601), Code(false, 3, 601));
  f = Draw(32, 20, 1000, 50);
  EXPECT_EQ(f.plan.copies[0].dst, (TRect{0, 400, 20, 500}));
  EXPECT_EQ(f.plan.copies[0].src, (TRect{0, 300, 20, 400}));
  EXPECT_EQ(Decode(f.screen.GetPixel(3, 399)).y, 399);
  EXPECT_EQ(Decode(f.screen.GetPixel(3, 499)).y, 301);
  EXPECT_EQ(f.screen.GetPixel(3, 500), Code(true, 3, 500));
  EXPECT_EQ(f.screen.GetPixel(3, 398), Code(false, 3, 398));
}

TEST(RectCopyEffects, BuildUpSmearsAStripLimitedToThePicture) {
  Frame f = Draw(16, 1000, 10, 98);
  ASSERT_EQ(f.plan.copies.size(), 2u);
  EXPECT_EQ(f.plan.copies[1].dst, (TRect{980, 0, 1000, 10}));
  EXPECT_EQ(f.plan.copies[1].src, (TRect{980, 0, 1000, 10}));
  EXPECT_EQ(f.screen, Coded(true, 1000, 10));
  // At 90 the 50-column strip from 900 is stretched over the last 100.
  f = Draw(16, 1000, 10, 90);
  for (int x = 900; x < 1000; ++x) EXPECT_EQ(f.screen.GetPixel(x, 4), Code(true, 900 + (x - 900) / 2, 4)) << x;
  // 17 mirrors it; 33 and 34 are the same from the top and bottom.
  f = Draw(17, 1000, 10, 98);
  EXPECT_EQ(f.plan.copies[1].src, (TRect{0, 0, 20, 10}));
  f = Draw(33, 10, 1000, 90);
  EXPECT_EQ(f.plan.copies[1].src, (TRect{0, 900, 10, 950}));
  f = Draw(34, 10, 1000, 98);
  EXPECT_EQ(f.plan.copies[1].src, (TRect{0, 0, 10, 20}));
}

TEST(RectCopyEffects, PushMovesOrSqueezesTheOldPicture) {
  Frame f = Draw(128, 400, 300, 50);
  for (int x = 0; x < 400; ++x) {
    EXPECT_EQ(f.screen.GetPixel(x, 7), x < 200 ? Code(true, x + 200, 7) : Code(false, x - 200, 7)) << x;
  }
  f = Draw(130, 400, 300, 50);
  for (int x = 0; x < 200; ++x) EXPECT_EQ(f.screen.GetPixel(x, 7), Code(true, x + 200, 7)) << x;
  for (int x = 200; x < 400; ++x) {
    const Origin o = Decode(f.screen.GetPixel(x, 7));
    EXPECT_FALSE(o.isNew);
    EXPECT_EQ(o.y, 7);
    EXPECT_NEAR(o.x, 2 * (x - 200), 2) << x;
  }
  // The vertical ones, reading the old rows before they are overwritten.
  f = Draw(133, 300, 400, 25);  // PY = 100: old rows 100 .. 399 move up by 100
  for (int y = 0; y < 400; ++y) {
    EXPECT_EQ(f.screen.GetPixel(5, y), y < 300 ? Code(false, 5, y + 100) : Code(true, 5, y - 300)) << y;
  }
  f = Draw(134, 300, 400, 25);  // all 400 old rows squeezed into 100 .. 399
  for (int y = 100; y < 400; ++y) {
    const Origin o = Decode(f.screen.GetPixel(5, y));
    EXPECT_FALSE(o.isNew);
    EXPECT_NEAR(o.y, (y - 100) * 4 / 3, 2) << y;
  }
}

TEST(RectCopyEffects, WidenedRectanglesLeaveOnePixelMarginsAtTheStart) {
  const int w = 19, h = 13;  // PX = PY = 0 at progress 1; the build-up strips are empty
  const Bitmap24 old = Coded(false, w, h);
  auto changed = [&](int n) {
    const Frame f = Draw(n, w, h, 1);
    std::vector<std::pair<int, int>> out;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (f.screen.GetPixel(x, y) != old.GetPixel(x, y)) out.emplace_back(x, y);
    return out;
  };
  auto columns = [&](std::initializer_list<int> xs) {
    std::vector<std::pair<int, int>> out;
    for (int y = 0; y < h; ++y)
      for (int x : xs) out.emplace_back(x, y);
    std::sort(out.begin(), out.end(), [](auto a, auto b) { return std::pair(a.second, a.first) < std::pair(b.second, b.first); });
    return out;
  };
  auto rows = [&](std::initializer_list<int> ys) {
    std::vector<std::pair<int, int>> out;
    for (int y : ys)
      for (int x = 0; x < w; ++x) out.emplace_back(x, y);
    return out;
  };
  EXPECT_EQ(changed(12), columns({0, w - 1}));
  EXPECT_EQ(changed(13), columns({0, w - 1}));
  EXPECT_EQ(changed(29), rows({0, h - 1}));
  EXPECT_EQ(changed(30), rows({0, h - 1}));
  EXPECT_EQ(changed(55), (std::vector<std::pair<int, int>>{{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}}));
  EXPECT_EQ(changed(56), (std::vector<std::pair<int, int>>{{0, 0}}));
  for (int n : FamilyNumbers()) {
    if (n == 12 || n == 13 || n == 29 || n == 30 || n == 55 || n == 56 || n == 57) continue;
    EXPECT_TRUE(changed(n).empty()) << "number " << n << " draws nothing while nothing is uncovered";
  }
}

// Near the end every frame is the new picture but for a thin margin: each
// pixel is either a new pixel close to its place or an old pixel, and the old
// ones are few.
TEST(RectCopyEffects, LateFramesDifferFromTheNewPictureOnlyByAThinMargin) {
  for (const auto& [w, h] : std::vector<std::pair<int, int>>{{400, 300}, {300, 400}, {101, 101}, {64, 7}}) {
    for (int p : {97, 98, 99}) {
      const TEffectExtents e = EffectExtents({0, 0, w, h}, p, 4);
      const int gapX = w - e.PX + 2, gapY = h - e.PY + 2;
      for (int n : FamilyNumbers()) {
        const Frame f = Draw(n, w, h, p);
        long oldPixels = 0;
        int worst = 0;
        for (int y = 0; y < h; ++y) {
          for (int x = 0; x < w; ++x) {
            const Origin o = Decode(f.screen.GetPixel(x, y));
            if (!o.isNew) {
              ++oldPixels;
              continue;
            }
            // Stretched copies reaching beyond the picture move pixels by
            // up to twice the gap.
            worst = std::max({worst, std::abs(o.x - x) - 2 * gapX, std::abs(o.y - y) - 2 * gapY});
          }
        }
        const std::string where = std::to_string(n) + " at " + std::to_string(p) + " on " + std::to_string(w) + "x" +
                                  std::to_string(h);
        EXPECT_LE(worst, 0) << where << ": new pixels moved too far";
        EXPECT_LE(oldPixels, static_cast<long>(gapX) * h + static_cast<long>(gapY) * w) << where;
      }
    }
  }
}

// Every frame of every number, on awkward sizes: it is the same when drawn
// twice, shows only pixels of the two pictures, keeps the rows' padding
// bytes clear and, for the effects that take only the new picture, keeps the
// old picture wherever its plan's copies do not reach.
TEST(RectCopyEffects, DrawDeterministicallyAndOnlyInsideTheScreen) {
  const std::vector<std::pair<int, int>> sizes{{1, 1}, {2, 3}, {3, 2}, {7, 5}, {5, 7}, {13, 1}, {1, 13},
                                               {2000, 3}, {3, 2000}, {101, 101}, {33, 21}};
  for (const auto& [w, h] : sizes) {
    for (int p = 1; p <= 99; p += (w * h > 1000 ? 7 : 1)) {
      for (int n : FamilyNumbers()) {
        const Frame a = Draw(n, w, h, p);
        const Frame b = Draw(n, w, h, p);
        const std::string where = std::to_string(n) + " at " + std::to_string(p) + " on " + std::to_string(w) + "x" +
                                  std::to_string(h);
        ASSERT_EQ(a.screen, b.screen) << where;
        const std::size_t used = static_cast<std::size_t>(w) * 3;
        for (int y = 0; y < h; ++y) {
          const std::uint8_t* row = a.screen.ScanLine(y);
          for (std::size_t i = used; i < a.screen.Stride(); ++i) ASSERT_EQ(row[i], 0) << where << " padding";
          for (int x = 0; x < w; ++x) {
            const Origin o = Decode(a.screen.GetPixel(x, y));
            ASSERT_TRUE(o.x < w && o.y < h) << where << " at " << x << "," << y;
            if (!o.isNew && n < 128) {
              ASSERT_TRUE(o.x == x && o.y == y) << where << ": old pixel moved";
            }
          }
        }
        // Outside the copies' areas nothing changed.
        for (int y = 0; y < h; ++y) {
          for (int x = 0; x < w; ++x) {
            bool covered = false;
            for (const RectCopy& c : a.plan.copies) {
              const TRect r = CopyArea(c, a.screen.Bounds());
              covered = covered || (x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom);
            }
            if (!covered) {
              ASSERT_EQ(a.screen.GetPixel(x, y), Code(false, x, y)) << where << " at " << x << "," << y;
            }
          }
        }
      }
    }
  }
}

TEST(MirroredCopy, CoversOneColumnBeyondEachEdgeAndCutsItsSource) {
  Bitmap24 src = Coded(true, 10, 1);
  Bitmap24 dst = Coded(false, 10, 1);
  MirroredCopy(dst, TRect{3, 0, 6, 1}, src, TRect{4, 0, 8, 1}, RectCopy::Mirror::kHorizontal);
  // Four source columns mirrored over columns 2 .. 6.
  std::vector<int> got;
  for (int x = 0; x < 10; ++x) {
    const Origin o = Decode(dst.GetPixel(x, 0));
    got.push_back(o.isNew ? o.x : -1);
  }
  EXPECT_EQ(got, (std::vector<int>{-1, -1, 7, 6, 5, 5, 4, -1, -1, -1}));
  // A source reaching outside the picture is cut first: only 0 .. 2 remain,
  // stretched over the same five columns.
  dst = Coded(false, 10, 1);
  MirroredCopy(dst, TRect{3, 0, 6, 1}, src, TRect{-2, 0, 3, 1}, RectCopy::Mirror::kHorizontal);
  got.clear();
  for (int x = 0; x < 10; ++x) {
    const Origin o = Decode(dst.GetPixel(x, 0));
    got.push_back(o.isNew ? o.x : -1);
  }
  EXPECT_EQ(got, (std::vector<int>{-1, -1, 2, 2, 1, 0, 0, -1, -1, -1}));
  // A source wholly outside draws nothing; so does a vertical mirror of an
  // empty-width destination.
  dst = Coded(false, 10, 1);
  MirroredCopy(dst, TRect{3, 0, 6, 1}, src, TRect{10, 0, 14, 1}, RectCopy::Mirror::kHorizontal);
  MirroredCopy(dst, TRect{3, 0, 3, 1}, src, TRect{0, 0, 4, 1}, RectCopy::Mirror::kVertical);
  EXPECT_EQ(dst, Coded(false, 10, 1));
  // Vertically: rows t - 1 .. b, clipped to the bitmap.
  Bitmap24 tall = Coded(false, 1, 6);
  const Bitmap24 tallNew = Coded(true, 1, 6);
  MirroredCopy(tall, TRect{0, 0, 1, 2}, tallNew, TRect{0, 2, 1, 5}, RectCopy::Mirror::kVertical);
  std::vector<int> rows;
  for (int y = 0; y < 6; ++y) {
    const Origin o = Decode(tall.GetPixel(0, y));
    rows.push_back(o.isNew ? o.y : -1);
  }
  EXPECT_EQ(rows, (std::vector<int>{3, 3, 2, -1, -1, -1}));  // row -1 falls outside
}

TEST(CopyArea, IsTheDestinationWidenedForMirrorsAndCut) {
  const TRect bounds{0, 0, 100, 50};
  EXPECT_EQ(CopyArea({{10, 0, 20, 50}, {}, RectCopy::Source::kNew, RectCopy::Mirror::kHorizontal}, bounds),
            (TRect{9, 0, 21, 50}));
  EXPECT_EQ(CopyArea({{0, 10, 100, 20}, {}, RectCopy::Source::kNew, RectCopy::Mirror::kVertical}, bounds),
            (TRect{0, 9, 100, 21}));
  EXPECT_EQ(CopyArea({{60, 0, 140, 50}, {}, RectCopy::Source::kNew, RectCopy::Mirror::kNone}, bounds),
            (TRect{60, 0, 100, 50}));
  EXPECT_TRUE(CopyArea({{100, 0, 200, 50}, {}, RectCopy::Source::kNew, RectCopy::Mirror::kNone}, bounds).IsEmpty());
}

}  // namespace
}  // namespace kestro
