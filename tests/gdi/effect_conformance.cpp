// Whole frames of every built effect compared with GDI. Each case draws one
// frame twice from the same old picture: by the frame routine the display
// component calls (DrawEffectFrame), and by GDI, between 24-bit top-down DIB
// sections, from the family's own description of the frame:
//   rectangle copies  StretchBlt (COLORONCOLOR) for each copy; a copy within
//                     the screen reads a snapshot taken before it; a mirrored
//                     copy is anchored at the far edge with the widened
//                     negative extent: for a horizontal mirror of
//                     (l, t, r, b), x = r and width -(r - l + 2), covering
//                     columns l - 1 to r (vertically likewise)
//   clip regions      CreateRectRgn for every rectangle, CombineRgn with
//                     RGN_OR into the clip (RGN_AND where the effect takes
//                     the common part of two unions), SelectClipRgn, a full
//                     BitBlt of the new picture, SelectClipRgn(NULL)
//   shapes            CreateRoundRectRgn and CreatePolygonRgn (WINDING) for
//                     every rounded rectangle and polygon of the shape
//                     family's recipe, CombineRgn RGN_OR into the clip, and
//                     RGN_XOR with CreateRectRgn(0, 0, W, H) where the recipe
//                     says so; then as for clip regions
//   pixel operations  the blend and the pivots have no GDI counterpart: a
//                     plain reference computes them pixel by pixel, the
//                     blend with two integer divisions per byte, the pivots
//                     in long double from cosl and sinl with the x87 unit at
//                     64-bit precision (a value within the long double's own
//                     error of a half is decided exactly instead, and counted)
//   ragged regions    the shreds, speckles and random squares written out
//                     here piece by piece as their builders are described,
//                     drawing from the shared generator where the
//                     description draws; each piece is the rectangle as
//                     computed, reversed edges included (CreateRectRgn puts
//                     them in order)
// The frame rules are the component's: at progress 0 only the copies before
// a frame's own copy are drawn, at 100 the whole new picture, and numbers
// from 128 on draw nothing of their own at 0. The frames must be equal pixel
// for pixel, and at 1 to 99 the table routine must draw the same frame; the
// shared generator must end each frame where GDI's description left it.
//
// Usage: effect_conformance [--random N] [--seed S] [--only NUMBER] [--large] [--verbose]
#include <windows.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/angles.h"
#include "common/random.h"
#include "raster/bitmap24.h"
#include "transition/effect.h"
#include "transition/effect_frame.h"
#include "transition/effects/bars.h"
#include "transition/effects/blinds.h"
#include "transition/effects/families.h"
#include "transition/effects/shapes.h"
#include "transition/effects/shred.h"
#include "gdi_support.h"

using namespace kestro;
using namespace kestro::gdi_test;

namespace {

// Its own stream of the shared generator.
constexpr std::uint64_t kStream = 0x51;
// A reference region of more rectangles than this is not built through GDI
// one rectangle at a time (the grid of 142 at large steps); such cases are
// counted as skipped.
constexpr std::size_t kMostRegionRects = 60000;

std::string Describe(const std::vector<RectCopy>& copies) {
  std::string s;
  for (const RectCopy& c : copies) {
    s += Fmt(" (%d,%d,%d,%d)<-%s(%d,%d,%d,%d)%s", c.dst.Left, c.dst.Top, c.dst.Right, c.dst.Bottom,
             c.from == RectCopy::Source::kScreen ? "screen" : "new", c.src.Left, c.src.Top, c.src.Right, c.src.Bottom,
             c.mirror == RectCopy::Mirror::kHorizontal ? " mirrored h"
             : c.mirror == RectCopy::Mirror::kVertical ? " mirrored v"
                                                       : "");
  }
  return s;
}

void GdiCopy(const RectCopy& c, Dib& gScreen, Dib& gNew, int w, int h) {
  const TRect& d = c.dst;
  if (c.from == RectCopy::Source::kScreen) {
    Dib before(w, h);
    BitBlt(before.dc(), 0, 0, w, h, gScreen.dc(), 0, 0, SRCCOPY);
    StretchBlt(gScreen.dc(), d.Left, d.Top, d.Width(), d.Height(), before.dc(), c.src.Left, c.src.Top, c.src.Width(),
               c.src.Height(), SRCCOPY);
    return;
  }
  if (c.mirror == RectCopy::Mirror::kNone) {
    StretchBlt(gScreen.dc(), d.Left, d.Top, d.Width(), d.Height(), gNew.dc(), c.src.Left, c.src.Top, c.src.Width(),
               c.src.Height(), SRCCOPY);
    return;
  }
  const TRect s = Intersect(c.src, TRect{0, 0, w, h});
  if (s.IsEmpty()) return;
  if (c.mirror == RectCopy::Mirror::kHorizontal) {
    StretchBlt(gScreen.dc(), d.Right, d.Top, -(d.Right - d.Left + 2), d.Height(), gNew.dc(), s.Left, s.Top, s.Width(),
               s.Height(), SRCCOPY);
  } else {
    StretchBlt(gScreen.dc(), d.Left, d.Bottom, d.Width(), -(d.Bottom - d.Top + 2), gNew.dc(), s.Left, s.Top, s.Width(),
               s.Height(), SRCCOPY);
  }
}

// The union of rects as a GDI region, one CreateRectRgn and CombineRgn each.
HRGN GdiUnion(const std::vector<TRect>& rects) {
  HRGN all = CreateRectRgn(0, 0, 0, 0);
  for (const TRect& r : rects) {
    HRGN one = CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom);
    CombineRgn(all, all, one, RGN_OR);
    DeleteObject(one);
  }
  return all;
}

std::size_t NonEmpty(const std::vector<TRect>& rects) {
  std::size_t n = 0;
  for (const TRect& r : rects) n += (r.Left != r.Right && r.Top != r.Bottom) ? 1 : 0;
  return n;
}

// The clip of a region effect's frame as rectangles: the union of `rects`,
// with `intersect` its common part with the union of `common`; or, with
// `shaped`, the shapes of `shapes`. With `pixels` the frame is a pixel
// operation, drawn by the plain reference.
struct ClipRecipe {
  std::vector<TRect> rects, common;
  bool intersect = false;
  bool shaped = false;
  ShapeRecipe shapes = {};
  bool pixels = false;
};

// The shapes of a recipe as a GDI region, each made by GDI's own call.
HRGN GdiShapes(const ShapeRecipe& recipe, int w, int h) {
  HRGN all = CreateRectRgn(0, 0, 0, 0);
  auto add = [&all](HRGN one) {
    if (one == nullptr) return;  // fewer than three points: no region
    CombineRgn(all, all, one, RGN_OR);
    DeleteObject(one);
  };
  for (const ShapeRecipe::RoundRect& r : recipe.roundRects) {
    add(CreateRoundRectRgn(r.rect.Left, r.rect.Top, r.rect.Right, r.rect.Bottom, r.ew, r.eh));
  }
  for (std::size_t k = 0, at = 0; k < recipe.counts.size(); at += recipe.counts[k], ++k) {
    std::vector<POINT> points;
    for (std::size_t i = 0; i < recipe.counts[k]; ++i) points.push_back(POINT{recipe.points[at + i].X, recipe.points[at + i].Y});
    add(recipe.counts[k] >= 3 ? CreatePolygonRgn(points.data(), static_cast<int>(points.size()), WINDING) : nullptr);
  }
  if (recipe.xorPicture) {
    HRGN picture = CreateRectRgn(0, 0, w, h);
    CombineRgn(all, picture, all, RGN_XOR);
    DeleteObject(picture);
  }
  return all;
}

// Whether a rounded rectangle of the recipe has rows inside the h rows of
// the picture that use the thin ellipse ends Wine leaves undefined (see
// tests/gdi/gdi_conformance.cpp).
bool UsesEllipseTips(const ShapeRecipe& recipe, int h) {
  for (const ShapeRecipe::RoundRect& r : recipe.roundRects) {
    const raster_detail::TipRows rows =
        raster_detail::RoundRectTipRows(r.rect.Left, r.rect.Top, r.rect.Right, r.rect.Bottom, r.ew, r.eh);
    for (const auto& [first, end] : {rows.top, rows.bottom}) {
      if (first < end && end > 0 && first < h) return true;
    }
  }
  return false;
}

constexpr long double kPi = 3.141592653589793238462643383279502884L;
long g_nearHalves = 0;

// nearest() of a long double value, halves to even; a value within the long
// double's error of a half is decided exactly (and counted).
std::int64_t PlainNearest(long double v, int a, const AngleValue& x, int b, const AngleValue& y) {
  const long double bound = (std::abs(a) + std::abs(b) + 1) * 0x1p-60L;
  if (std::fabs(v - std::floor(v) - 0.5L) <= bound) {
    ++g_nearHalves;
    return NearestOfSum(a, x, b, y);
  }
  return static_cast<std::int64_t>(std::floor(v + 0.5L));
}

// The blend and the pivots as their arithmetic reads, pixel by pixel.
Bitmap24 PlainPixels(int n, const Bitmap24& old, const Bitmap24& picture, int p) {
  Bitmap24 screen = old;
  const int w = picture.Width(), h = picture.Height();
  if (p >= 100) return picture;
  if (p <= 0) return screen;
  if (n == 118) {
    for (int y = 0; y < h; ++y) {
      for (int i = 0; i < 3 * w; ++i) {
        std::uint8_t& s = screen.ScanLine(y)[i];
        s = static_cast<std::uint8_t>(s * (100 - p) / 100 + p * picture.ScanLine(y)[i] / 100);
      }
    }
    return screen;
  }
  const long double theta = (100 - p) * kPi / 200;
  const long double sn = std::sin(theta), cs = std::cos(theta);
  const AngleCosSin exact = CosSinOfSteps(100 - p);
  const int x0 = n == 119 || n == 120 ? -1 : w, y0 = n == 119 || n == 121 ? -1 : h;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int dx = x - x0, dy = y - y0;
      const std::int64_t sx = x0 + PlainNearest(dx * cs - dy * sn, dx, exact.cos, dy, -exact.sin);
      const std::int64_t sy = y0 + PlainNearest(dx * sn + dy * cs, dx, exact.sin, dy, exact.cos);
      if (sx >= 0 && sx < w && sy >= 0 && sy < h) {
        std::memcpy(screen.ScanLine(y) + 3 * x, picture.ScanLine(static_cast<int>(sy)) + 3 * sx, 3);
      }
    }
  }
  return screen;
}

// Long double arithmetic at the x87 unit's full 64-bit precision, whatever
// the process started with.
void FullPrecisionX87() {
  unsigned short cw = 0;
  __asm__ volatile("fnstcw %0" : "=m"(cw));
  cw = static_cast<unsigned short>(cw | 0x0300);
  __asm__ volatile("fldcw %0" : : "m"(cw));
}

// ---- The shred family as its builders are described ----------------------

// Horizontal shreds: strips 5 apart, 5 + H mod 5 rows thick, ends jittered
// by r1 - r2 (and r3 - r4 for the second piece).
void ShredRows(int XLen, int W, int RowKind, int H, std::vector<TRect>& out) {
  if (RowKind == 0) return;
  const int J = XLen < W ? W / 7 : 0;
  for (int off = 0; off < H; off += 5) {
    const int top = off, bottom = off + 5 + H % 5;
    const int r1 = RandomBelow(J);
    const int r2 = RandomBelow(J);
    if (RowKind == 1) out.push_back({W - XLen + r1 - r2, top, W, bottom});
    if (RowKind == 2) out.push_back({0, top, XLen + r1 - r2, bottom});
    if (RowKind < 3) continue;
    const int r3 = RandomBelow(J);
    const int r4 = RandomBelow(J);
    if (RowKind == 3) {
      out.push_back({(W - XLen + r1 - r2) / 2, top, W / 2, bottom});
      out.push_back({W / 2, top, (W + XLen + r3 - r4) / 2, bottom});
    } else {
      out.push_back({W - (XLen + r1 - r2) / 2, top, W, bottom});
      out.push_back({0, top, (XLen + r3 - r4) / 2, bottom});
    }
  }
}

// Vertical shreds: columns 5 apart, 5 + W mod 5 wide.
void ShredColumns(int YLen, int H, int ColumnKind, int W, std::vector<TRect>& out) {
  if (ColumnKind == 0) return;
  const int J = YLen < H ? H / 7 : 0;
  for (int off = 0; off < W; off += 5) {
    const int left = off, right = off + 5 + W % 5;
    const int r1 = RandomBelow(J);
    const int r2 = RandomBelow(J);
    if (ColumnKind == 1) out.push_back({left, H - YLen + r1 - r2, right, H});
    if (ColumnKind == 2) out.push_back({left, 0, right, YLen + r1 - r2});
    if (ColumnKind < 3) continue;
    const int r3 = RandomBelow(J);
    const int r4 = RandomBelow(J);
    if (ColumnKind == 3) {
      out.push_back({left, (H - YLen + r1 - r2) / 2, right, H / 2});
      out.push_back({left, H / 2, right, (H + YLen + r3 - r4) / 2});
    } else {
      out.push_back({left, H - (YLen + r1 - r2) / 2, right, H});
      out.push_back({left, 0, right, (YLen + r3 - r4) / 2});
    }
  }
}

// Speckle bands (rows when `rows`, else columns): a solid part and, for
// i = N down to 1, block i when (1 if i <= Q else 0) >= RandomBelow(i).
void Speckles(bool rows, int length, int extent, int across, int kind, std::vector<TRect>& out) {
  if (kind == 0) return;
  const int Z = length < extent ? extent / 10 : 0;
  int F = Z / 20;
  if (F < 2) F = 2;
  const int N = Z / F;
  const int Q = ((3 * Z) / F) / 4;
  for (int s = 0; s < across; s += F / 2) {
    const auto add = [&](int from, int to) {
      out.push_back(rows ? TRect{from, s, to, s + F} : TRect{s, from, s + F, to});
    };
    if (kind == 1) add(extent - length, extent);
    if (kind == 2) add(0, length);
    for (int i = N; i >= 1; --i) {
      const int limit = i <= Q ? 1 : 0;
      if (limit < RandomBelow(i)) continue;
      if (kind == 1) add(extent - length - F * i, extent - length - F * i + F);
      if (kind == 2) add(length + F * (i - 1), length + F * i);
    }
  }
}

void RandomSquares(int W, int H, int progress, std::vector<TRect>& out) {
  int D = progress / 10 + (W < H ? W : H) / 50;
  if (D <= 0) D = 1;
  for (int x = 0; x < W; x += D) {
    for (int y = 0; y < H; y += D) {
      if (RandomBelow(100) < progress) out.push_back({x - D, y - D, x + D, y + D});
    }
  }
}

bool ShredReference(int n, const TEffectExtents& e, int p, std::vector<TRect>& pieces) {
  const ShredMember* m = ShredMemberOf(n);
  if (m == nullptr) return false;
  const int xLen = m->rowLength ? e.PX : 0, yLen = m->columnLength ? e.PY : 0;
  switch (m->builder) {
    case ShredMember::Builder::kShred:
      ShredRows(xLen, e.W, m->rowKind, e.H, pieces);
      ShredColumns(yLen, e.H, m->columnKind, e.W, pieces);
      break;
    case ShredMember::Builder::kSpeckle:
      Speckles(true, xLen, e.W, e.H, m->rowKind, pieces);
      Speckles(false, yLen, e.H, e.W, m->columnKind, pieces);
      break;
    case ShredMember::Builder::kSquares: RandomSquares(e.W, e.H, p, pieces); break;
  }
  return true;
}

enum class Outcome { kPassed, kFailed, kSkipped };

bool g_verbose = false;

// What the family of n gives GDI to draw at progress p: copies or a clip.
// False when the family has no GDI reference here.
bool Reference(int n, const TEffectExtents& e, int p, std::vector<RectCopy>& copies, ClipRecipe& clip,
               bool& clipped) {
  const EffectFamily* family = EffectTable[n].Family;
  clipped = false;
  if (family == &kRectCopyEffects) {
    EffectPlan plan;
    if (!PlanEffect(n, e, p, plan)) return false;
    copies = plan.copies;
    return true;
  }
  if (family == &kBarEffects) {
    BarsRecipe bars;
    if (!BarsRecipeOf(n, e, bars)) return false;
    clip = ClipRecipe{bars.rects, bars.common, bars.intersect};
    clipped = true;
    return true;
  }
  if (family == &kBlindEffects) {
    clip = ClipRecipe{};
    if (!BlindRects(n, e, p, clip.rects)) return false;
    clipped = true;
    return true;
  }
  if (family == &kShapeEffects) {
    clip = ClipRecipe{};
    if (!ShapeRecipeOf(n, e, p, clip.shapes)) return false;
    clip.shaped = true;
    clipped = true;
    return true;
  }
  if (family == &kBlendPivotEffects) {
    clip = ClipRecipe{};
    clip.pixels = true;
    return true;
  }
  if (family == &kShredEffects) {
    clip = ClipRecipe{};
    if (!ShredReference(n, e, p, clip.rects)) return false;
    clipped = true;
    return true;
  }
  return false;
}

// One frame of effect n at progress p with the given step on a w x h picture.
Outcome RunCase(int n, int w, int h, int step, int p, std::uint64_t seed) {
  Rng rng(seed, kStream);
  const Bitmap24 old = RandomBitmap(rng, w, h);
  const Bitmap24 picture = RandomBitmap(rng, w, h);
  const TRect r{0, 0, w, h};
  const TEffectExtents e = EffectExtents(r, p, static_cast<std::uint16_t>(step));
  const std::uint32_t state = static_cast<std::uint32_t>(rng.Next());

  // GDI's frame.
  std::vector<RectCopy> copies;
  ClipRecipe clip;
  bool clipped = false;
  RandomState = state;
  if (!Reference(n, e, p, copies, clip, clipped)) {
    std::printf("effect %d (%s): no GDI reference for its family\n", n, EffectTable[n].Name);
    return Outcome::kFailed;
  }
  const std::uint32_t referenceState = RandomState;
  if (clipped && NonEmpty(clip.rects) + NonEmpty(clip.common) > kMostRegionRects) return Outcome::kSkipped;
  if (clipped && clip.shaped && p >= 1 && p <= 99 && UsesEllipseTips(clip.shapes, h)) return Outcome::kSkipped;
  Dib gScreen(w, h), gNew(w, h);
  gScreen.Load(old);
  gNew.Load(picture);
  const bool byRoutine = DrawnByRoutine(n);
  if (p >= 100) {
    BitBlt(gScreen.dc(), 0, 0, w, h, gNew.dc(), 0, 0, SRCCOPY);
  } else if (clip.pixels) {
    gScreen.Load(PlainPixels(n, old, picture, p));
  } else if (clipped) {
    if (p >= 1) {
      HRGN rgn = clip.shaped ? GdiShapes(clip.shapes, w, h) : GdiUnion(clip.rects);
      if (clip.intersect) {
        HRGN second = GdiUnion(clip.common);
        CombineRgn(rgn, rgn, second, RGN_AND);
        DeleteObject(second);
      }
      SelectClipRgn(gScreen.dc(), rgn);
      BitBlt(gScreen.dc(), 0, 0, w, h, gNew.dc(), 0, 0, SRCCOPY);
      SelectClipRgn(gScreen.dc(), nullptr);
      DeleteObject(rgn);
    }
  } else if (!(byRoutine && p == 0)) {
    // At 0 the frame's own copy, the last one, is left out.
    const std::size_t count = p >= 1 || copies.empty() ? copies.size() : copies.size() - 1;
    for (std::size_t i = 0; i < count; ++i) GdiCopy(copies[i], gScreen, gNew, w, h);
  }
  const Bitmap24 gdi = gScreen.Save();

  // Ours, with the generator where GDI's description started.
  RandomState = state;
  Bitmap24 ours = old;
  EffectFrame frame;
  DrawEffectFrame(n, ours, picture, static_cast<std::uint16_t>(step), p, frame);
  const std::uint32_t ourState = RandomState;
  bool routineSame = true;
  if (p >= 1 && p <= 99) {
    RandomState = state;
    Bitmap24 viaTable = old;
    EffectTable[n].Proc(viaTable, picture, r, static_cast<std::uint16_t>(step), p);
    routineSame = viaTable == ours && RandomState == ourState;
  }

  const bool drawsSame = ourState == referenceState;
  const bool same = gdi == ours && routineSame && drawsSame;
  if (!same || g_verbose) {
    std::printf("effect %d at %d (step %d) on %dx%d %s:%s%s\n", n, p, step, w, h, same ? "ok" : "FAILED",
                clipped ? Fmt(" clip of %zu rects", clip.rects.size() + clip.common.size()).c_str() : "",
                Describe(copies).c_str());
  }
  if (!same) {
    if (!routineSame) std::printf("  the table routine draws another frame than the component\n");
    if (!drawsSame) {
      std::printf("  the generator ends at %08X, GDI's description at %08X\n", static_cast<unsigned>(ourState),
                  static_cast<unsigned>(referenceState));
    }
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
  return same ? Outcome::kPassed : Outcome::kFailed;
}

struct Tally {
  long passed = 0, failed = 0, skipped = 0;
  void Add(Outcome o) { (o == Outcome::kPassed ? passed : o == Outcome::kFailed ? failed : skipped)++; }
};

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
  FullPrecisionX87();
  std::vector<int> numbers = BuiltEffects();
  if (only != 0) {
    if (!EffectImplemented(only)) {
      std::fprintf(stderr, "effect %d is not built\n", only);
      return 2;
    }
    numbers = {only};
  }

  Tally fixed, random;
  // Fixed sizes: every progress value of a change with step 4 (and 1, 2, 3,
  // 99) on the small and middle sizes, the telling ones on the larger, a few
  // other steps.
  const std::vector<std::pair<int, int>> sweepSizes{{400, 300}, {300, 400}, {101, 101}, {1, 1},  {7, 5},
                                                    {5, 7},     {2, 3},     {64, 1},    {1, 64}, {33, 21}};
  const std::vector<std::pair<int, int>> bigSizes{{641, 479}, {479, 641}, {400, 20}, {20, 400}};
  const std::vector<int> telling{0, 1, 2, 3, 10, 19, 20, 21, 25, 33, 50, 67, 75, 79, 80, 81, 90, 97, 98, 99, 100};
  std::vector<int> sweep;
  for (int p = 0; p <= 100; p += 4) sweep.push_back(p);
  for (int p : {1, 2, 3, 99}) sweep.push_back(p);
  std::uint64_t caseSeed = seed * 7919;
  for (int n : numbers) {
    for (const auto& [w, h] : sweepSizes) {
      for (int p : sweep) fixed.Add(RunCase(n, w, h, 4, p, ++caseSeed));
    }
    for (const auto& [w, h] : bigSizes) {
      for (int p : telling) fixed.Add(RunCase(n, w, h, 4, p, ++caseSeed));
      for (int step : {1, 5, 10, 46, 90, 91, 100}) fixed.Add(RunCase(n, w, h, step, 50, ++caseSeed));
    }
    if (large) {
      for (int p : {1, 4, 50, 96, 99}) fixed.Add(RunCase(n, 1920, 1080, 4, p, ++caseSeed));
      for (int p : {1, 25, 50, 75, 99}) fixed.Add(RunCase(n, 1024, 768, 4, p, ++caseSeed));
    }
  }
  // Seeded random sizes from 1 x 1 to 1920 x 1080, steps and progress values.
  Rng pick(seed, kStream);
  for (long i = 0; i < randomCases; ++i) {
    const int n = numbers[static_cast<std::size_t>(pick.In(0, static_cast<int>(numbers.size()) - 1))];
    const int size = pick.In(0, 9);
    const int w = size < 3 ? pick.In(1, 12) : size < 9 ? pick.In(1, 700) : pick.In(1, 1920);
    const int h = size < 3 ? pick.In(1, 12) : size < 9 ? pick.In(1, 700) : pick.In(1, 1080);
    const int step = pick.Chance(50) ? 4 : pick.In(1, 100);
    const int p = pick.In(0, 100);
    random.Add(RunCase(n, w, h, step, p, pick.Next()));
  }
  std::printf("fixed sizes:  %ld passed %ld failed %ld skipped\n", fixed.passed, fixed.failed, fixed.skipped);
  std::printf("random sizes: %ld passed %ld failed %ld skipped\n", random.passed, random.failed, random.skipped);
  const long passed = fixed.passed + random.passed, failed = fixed.failed + random.failed;
  std::printf("pivot values within the long double's error of a half: %ld\n", g_nearHalves);
  std::printf("effect conformance (seed %llu, %zu effects): %ld passed, %ld failed\n",
              static_cast<unsigned long long>(seed), numbers.size(), passed, failed);
  return failed == 0 ? 0 : 1;
}
