// The blind and grid effects: the new picture drawn through a row of slats,
// bands centred in each pitch, or a grid of rectangles. A slat run repeats a
// starting rectangle every pitch pixels until it passes the far edge of the
// picture.
//
// Where the pitch would be 0 (Unit 0 on tiny pictures, Unit larger than the
// side at large steps or on very long pictures), a run makes a single slat
// across the whole side, so the effect still wipes smoothly instead of
// showing nothing until the change ends; the grid reads a Unit of 0 as 1.
// No run ever repeats a rectangle in place.

#include "transition/effects/blinds.h"

#include <algorithm>

#include "transition/effects/families.h"

namespace kestro {

namespace {

// What sets a run's pitch: the side divided by Unit, or the uncovered extent
// PX (runs along the width) or PY (along the height).
enum class Pitch { kUnit, kExtent };

// A slat covers p percent of its pitch from its leading edge; a band of
// p percent of the pitch is centred on the middle of its pitch.
enum class Shape { kSlat, kBand };

struct Run {
  SlatDirection direction;
  Pitch pitch;
  Shape shape;
};

struct BlindMember {
  int number;
  int runs;
  Run run[2];
};

constexpr int kGrid = 142;

constexpr BlindMember kMembers[] = {
    {136, 1, {{SlatDirection::kRightwards, Pitch::kUnit, Shape::kSlat}}},
    {137, 1, {{SlatDirection::kDownwards, Pitch::kUnit, Shape::kSlat}}},
    {138, 1, {{SlatDirection::kRightwards, Pitch::kExtent, Shape::kSlat}}},
    {139, 1, {{SlatDirection::kLeftwards, Pitch::kExtent, Shape::kSlat}}},
    {140, 1, {{SlatDirection::kDownwards, Pitch::kExtent, Shape::kSlat}}},
    {141, 1, {{SlatDirection::kUpwards, Pitch::kExtent, Shape::kSlat}}},
    {145, 2, {{SlatDirection::kDownwards, Pitch::kUnit, Shape::kBand}, {SlatDirection::kRightwards, Pitch::kExtent, Shape::kSlat}}},
    {146, 2, {{SlatDirection::kDownwards, Pitch::kUnit, Shape::kBand}, {SlatDirection::kLeftwards, Pitch::kExtent, Shape::kSlat}}},
    {147, 2, {{SlatDirection::kRightwards, Pitch::kUnit, Shape::kBand}, {SlatDirection::kDownwards, Pitch::kExtent, Shape::kSlat}}},
    {148, 2, {{SlatDirection::kRightwards, Pitch::kUnit, Shape::kBand}, {SlatDirection::kUpwards, Pitch::kExtent, Shape::kSlat}}},
};

const BlindMember* FindMember(int number) {
  for (const BlindMember& m : kMembers) {
    if (m.number == number) return &m;
  }
  return nullptr;
}

bool Across(SlatDirection d) { return d == SlatDirection::kRightwards || d == SlatDirection::kLeftwards; }

std::int32_t RunPitch(const Run& run, const TEffectExtents& e) {
  const bool across = Across(run.direction);
  if (run.pitch == Pitch::kExtent) return across ? e.PX : e.PY;
  return UnitPitch(across ? e.W : e.H, e.Unit);
}

void AddRun(std::vector<TRect>& out, const Run& run, const TEffectExtents& e, std::int32_t p) {
  const std::int32_t n = RunPitch(run, e);
  const std::int32_t W = e.W, H = e.H;
  TRect start;
  if (run.shape == Shape::kBand) {
    const std::int32_t t = n / 2, d = p * n / 200;
    start = Across(run.direction) ? TRect{t - d, 0, t + d, H} : TRect{0, t - d, W, t + d};
  } else {
    const std::int32_t len = p * n / 100;
    switch (run.direction) {
      case SlatDirection::kRightwards: start = TRect{0, 0, len, H}; break;
      case SlatDirection::kLeftwards: start = TRect{W - len, 0, W, H}; break;
      case SlatDirection::kDownwards: start = TRect{0, 0, W, len}; break;
      case SlatDirection::kUpwards: start = TRect{0, H - len, W, H}; break;
    }
  }
  SlatRun(out, start, n, run.direction, W, H);
}

// The grid's geometry: rectangles 2 ax x 2 ay centred on the points
// (j gx, i gy) for i, j = 0 .. n.
struct Grid {
  std::int32_t ax, ay, n, gx, gy;
};

Grid GridOf(const TEffectExtents& e) {
  const std::int32_t unit = std::max(e.Unit, 1);
  const std::int32_t n = unit > 1 ? unit / 2 : unit;
  return Grid{e.PX / unit, e.PY / unit, n, e.W / n, e.H / n};
}

// The intervals [k g - a, k g + a) for k = 0 .. n, joined where they touch.
std::vector<Region::Span> GridLine(std::int32_t a, std::int32_t n, std::int32_t g) {
  std::vector<Region::Span> spans;
  if (a <= 0) return spans;
  for (std::int32_t k = 0; k <= n; ++k) {
    const std::int32_t lo = k * g - a, hi = k * g + a;
    if (!spans.empty() && lo <= spans.back().Right) {
      spans.back().Right = std::max(spans.back().Right, hi);
    } else {
      spans.push_back(Region::Span{lo, hi});
    }
  }
  return spans;
}

// The union of the (n + 1)^2 grid rectangles is the product of the rows'
// and the columns' unions, built band by band without listing every cell.
Region GridRegion(const TEffectExtents& e) {
  const Grid g = GridOf(e);
  const std::vector<Region::Span> columns = GridLine(g.ax, g.n, g.gx);
  const std::vector<Region::Span> rows = GridLine(g.ay, g.n, g.gy);
  RegionBuilder builder;
  if (columns.empty()) return builder.Finish();
  for (const Region::Span& row : rows) builder.AddRows(row.Left, row.Right, columns.data(), columns.size());
  return builder.Finish();
}

bool PlanBlinds(int number, const TEffectExtents& e, std::int32_t progress, EffectPlan& plan) {
  if (number == kGrid) {
    plan.Clip(GridRegion(e));
    return true;
  }
  std::vector<TRect> rects;
  if (!BlindRects(number, e, progress, rects)) return false;
  plan.Clip(Region::FromRects(rects));
  return true;
}

}  // namespace

const EffectFamily kBlindEffects{"blinds", PlanBlinds};

std::int32_t UnitPitch(std::int32_t side, std::int32_t unit) {
  const std::int32_t n = unit > 0 ? side / unit : 0;
  return n > 0 ? n : side;
}

void SlatRun(std::vector<TRect>& out, TRect r, std::int32_t pitch, SlatDirection direction, std::int32_t W,
             std::int32_t H) {
  if (pitch <= 0) {
    out.push_back(r);
    return;
  }
  switch (direction) {
    case SlatDirection::kRightwards:
      for (; r.Left < W; r = r.Offset(pitch, 0)) out.push_back(r);
      break;
    case SlatDirection::kLeftwards:
      for (; r.Right >= 0; r = r.Offset(-pitch, 0)) out.push_back(r);
      break;
    case SlatDirection::kDownwards:
      for (; r.Top < H; r = r.Offset(0, pitch)) out.push_back(r);
      break;
    case SlatDirection::kUpwards:
      for (; r.Bottom >= 0; r = r.Offset(0, -pitch)) out.push_back(r);
      break;
  }
}

bool BlindRects(int number, const TEffectExtents& e, std::int32_t progress, std::vector<TRect>& rects) {
  rects.clear();
  if (number == kGrid) {
    const Grid g = GridOf(e);
    for (std::int32_t i = g.n; i >= 0; --i) {
      for (std::int32_t j = g.n; j >= 0; --j) {
        rects.push_back(TRect{j * g.gx - g.ax, i * g.gy - g.ay, j * g.gx + g.ax, i * g.gy + g.ay});
      }
    }
    return true;
  }
  const BlindMember* m = FindMember(number);
  if (m == nullptr) return false;
  for (int k = 0; k < m->runs; ++k) AddRun(rects, m->run[k], e, progress);
  return true;
}

}  // namespace kestro
