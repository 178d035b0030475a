// Whole frames of the rectangle-copy effects compared with GDI. For every
// effect of the family, at several picture sizes and progress values, the
// frame is drawn twice from the same old picture: by DrawPlan, and by GDI
// doing the plan's copies with StretchBlt between 24-bit top-down DIB
// sections (COLORONCOLOR). The frames must be equal pixel for pixel.
//
// On the GDI side a copy within the screen reads a snapshot of the screen
// taken before it, so that overlapping rectangles read the old pixels; a
// mirrored copy is drawn with its source cut to the picture, anchored at the
// far edge with the widened negative extent: for a horizontal mirror of
// (l, t, r, b), x = r and width -(r - l + 2), which covers columns l - 1 to r
// (vertically likewise).
//
// Usage: effect_conformance [--random N] [--seed S] [--only NUMBER] [--large] [--verbose]
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "raster/bitmap24.h"
#include "transition/effect.h"
#include "transition/effects/rect_copy.h"
#include "gdi_support.h"

using namespace kestro;
using namespace kestro::gdi_test;

namespace {

// Its own stream of the shared generator.
constexpr std::uint64_t kStream = 0x51;

std::string Describe(const EffectPlan& plan) {
  std::string s;
  for (const RectCopy& c : plan.copies) {
    s += Fmt(" (%d,%d,%d,%d)<-%s(%d,%d,%d,%d)%s", c.dst.Left, c.dst.Top, c.dst.Right, c.dst.Bottom,
             c.from == RectCopy::Source::kScreen ? "screen" : "new", c.src.Left, c.src.Top, c.src.Right, c.src.Bottom,
             c.mirror == RectCopy::Mirror::kHorizontal ? " mirrored h"
             : c.mirror == RectCopy::Mirror::kVertical ? " mirrored v"
                                                       : "");
  }
  return s;
}

// The plan's copies done by GDI onto gScreen.
void GdiDraw(const EffectPlan& plan, Dib& gScreen, Dib& gNew, int w, int h) {
  for (const RectCopy& c : plan.copies) {
    const TRect& d = c.dst;
    if (c.from == RectCopy::Source::kScreen) {
      Dib before(w, h);
      BitBlt(before.dc(), 0, 0, w, h, gScreen.dc(), 0, 0, SRCCOPY);
      StretchBlt(gScreen.dc(), d.Left, d.Top, d.Width(), d.Height(), before.dc(), c.src.Left, c.src.Top,
                 c.src.Width(), c.src.Height(), SRCCOPY);
      continue;
    }
    if (c.mirror == RectCopy::Mirror::kNone) {
      StretchBlt(gScreen.dc(), d.Left, d.Top, d.Width(), d.Height(), gNew.dc(), c.src.Left, c.src.Top, c.src.Width(),
                 c.src.Height(), SRCCOPY);
      continue;
    }
    const TRect s = Intersect(c.src, TRect{0, 0, w, h});
    if (s.IsEmpty()) continue;
    if (c.mirror == RectCopy::Mirror::kHorizontal) {
      StretchBlt(gScreen.dc(), d.Right, d.Top, -(d.Right - d.Left + 2), d.Height(), gNew.dc(), s.Left, s.Top,
                 s.Width(), s.Height(), SRCCOPY);
    } else {
      StretchBlt(gScreen.dc(), d.Left, d.Bottom, d.Width(), -(d.Bottom - d.Top + 2), gNew.dc(), s.Left, s.Top,
                 s.Width(), s.Height(), SRCCOPY);
    }
  }
}

struct Tally {
  long passed = 0, failed = 0;
};

bool g_verbose = false;

// One frame of effect n at progress p on a w x h picture. True when equal.
bool RunCase(int n, int w, int h, int p, std::uint64_t seed) {
  Rng rng(seed, kStream);
  const Bitmap24 old = RandomBitmap(rng, w, h);
  const Bitmap24 picture = RandomBitmap(rng, w, h);
  const TRect r{0, 0, w, h};
  EffectPlan plan;
  if (!PlanEffect(n, EffectExtents(r, p, 4), p, plan)) {
    std::printf("effect %d: no plan\n", n);
    return false;
  }
  Bitmap24 ours = old;
  DrawPlan(plan, ours, picture, p);
  // The table routine draws the same frame.
  Bitmap24 viaTable = old;
  EffectTable[n].Proc(viaTable, picture, r, 4, p);

  Dib gScreen(w, h), gNew(w, h);
  gScreen.Load(old);
  gNew.Load(picture);
  GdiDraw(plan, gScreen, gNew, w, h);
  const Bitmap24 gdi = gScreen.Save();

  const bool same = gdi == ours && viaTable == ours;
  if (!same || g_verbose) {
    std::printf("effect %d at %d on %dx%d %s:%s\n", n, p, w, h, same ? "ok" : "FAILED", Describe(plan).c_str());
  }
  if (!same) {
    if (!(viaTable == ours)) std::printf("  the table routine draws another frame than the plan\n");
    long count = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        if (gdi.GetPixel(x, y) == ours.GetPixel(x, y)) continue;
        if (count < 3) {
          std::printf("  differs at (%d, %d): gdi %06X, ours %06X\n", x, y, static_cast<unsigned>(gdi.GetPixel(x, y)),
                      static_cast<unsigned>(ours.GetPixel(x, y)));
        }
        ++count;
      }
    }
    if (count > 0) std::printf("  %ld pixels differ\n", count);
  }
  return same;
}

std::vector<int> FamilyNumbers() {
  std::vector<int> v;
  for (int n = 1; n <= 57; ++n) v.push_back(n);
  for (int n = 128; n <= 135; ++n) v.push_back(n);
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  long randomCases = 2000;
  std::uint64_t seed = 1;
  int only = 0;
  bool large = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--random" && i + 1 < argc) {
      randomCases = std::strtol(argv[++i], nullptr, 10);
    } else if (a == "--seed" && i + 1 < argc) {
      seed = std::strtoull(argv[++i], nullptr, 10);
    } else if (a == "--only" && i + 1 < argc) {
      only = static_cast<int>(std::strtol(argv[++i], nullptr, 10));
    } else if (a == "--large") {
      large = true;
    } else if (a == "--verbose") {
      g_verbose = true;
    } else {
      std::fprintf(stderr, "usage: effect_conformance [--random N] [--seed S] [--only NUMBER] [--large] [--verbose]\n");
      return 2;
    }
  }
  std::vector<int> numbers = FamilyNumbers();
  if (only != 0) {
    if (!IsRectCopyEffect(only)) {
      std::fprintf(stderr, "effect %d is not a rectangle-copy effect\n", only);
      return 2;
    }
    numbers = {only};
  }

  Tally fixed, random;
  // Fixed sizes: every progress value from 1 to 99 on the small and middle
  // sizes, the telling ones on the larger.
  const std::vector<std::pair<int, int>> sweepSizes{{400, 300}, {300, 400}, {101, 101}, {1, 1},  {7, 5},
                                                    {5, 7},     {2, 3},     {64, 1},    {1, 64}, {33, 21}};
  const std::vector<std::pair<int, int>> bigSizes{{641, 479}, {479, 641}};
  const std::vector<int> telling{1, 2, 3, 10, 19, 20, 21, 25, 33, 50, 67, 79, 80, 81, 90, 97, 98, 99};
  std::uint64_t caseSeed = seed * 7919;
  for (int n : numbers) {
    for (const auto& [w, h] : sweepSizes) {
      for (int p = 1; p <= 99; ++p) (RunCase(n, w, h, p, ++caseSeed) ? fixed.passed : fixed.failed)++;
    }
    for (const auto& [w, h] : bigSizes) {
      for (int p : telling) (RunCase(n, w, h, p, ++caseSeed) ? fixed.passed : fixed.failed)++;
    }
    if (large) {
      for (int p : {1, 4, 50, 96, 99}) (RunCase(n, 1920, 1080, p, ++caseSeed) ? fixed.passed : fixed.failed)++;
    }
  }
  // Seeded random sizes and progress values.
  Rng pick(seed, kStream);
  for (long i = 0; i < randomCases; ++i) {
    const int n = numbers[static_cast<std::size_t>(pick.In(0, static_cast<int>(numbers.size()) - 1))];
    const int w = pick.In(0, 3) == 0 ? pick.In(1, 12) : pick.In(1, 700);
    const int h = pick.In(0, 3) == 0 ? pick.In(1, 12) : pick.In(1, 700);
    const int p = pick.In(1, 99);
    (RunCase(n, w, h, p, pick.Next()) ? random.passed : random.failed)++;
  }
  std::printf("fixed sizes:  %ld passed %ld failed\n", fixed.passed, fixed.failed);
  std::printf("random sizes: %ld passed %ld failed\n", random.passed, random.failed);
  const long passed = fixed.passed + random.passed, failed = fixed.failed + random.failed;
  std::printf("effect conformance (seed %llu): %ld passed, %ld failed\n", static_cast<unsigned long long>(seed), passed,
              failed);
  return failed == 0 ? 0 : 1;
}
