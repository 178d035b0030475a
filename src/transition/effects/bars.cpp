// The bar and criss-cross effects: the new picture drawn through a region
// of 5-pixel bars on a 10-pixel period, whatever the picture size.
// Horizontal bars grow along the rows, vertical bars along the columns; most
// members fill them in two passes, first every other bar, then the bars in
// between.

#include "transition/effects/bars.h"

#include <algorithm>

#include "transition/effects/families.h"

namespace kestro {

namespace {

// One axis of the bars: `length` the current bar length, `extent` the
// picture's side the bars run along, `across` the other side. Rect(a, b, c, d)
// makes the rectangle with a and c along the bars, b and d across them.
template <typename MakeRect>
void AddBars(std::vector<TRect>& out, std::int32_t length, std::int32_t extent, std::int32_t across, int kind,
             std::int32_t snap, MakeRect rect) {
  if (kind == 0) return;
  std::int32_t l = length;
  if (extent < l) {
    // Second pass: the first-pass bars are whole, the bars between them grow.
    for (std::int32_t i = 5; i < across + 5; i += 10) {
      out.push_back(rect(0, i - 5, extent, i));
      if (kind == 1 || kind == 4) out.push_back(rect(2 * extent - l, i, extent, i + 5));
      if (kind == 2 || kind == 5) out.push_back(rect(0, i, l - extent, i + 5));
    }
    return;
  }
  if (extent < snap + l) l = extent;  // within the snap distance: full length at once
  for (std::int32_t i = 0; i < across + 5; i += 10) {
    switch (kind) {
      case 1:
      case 5: out.push_back(rect(extent - l, i, extent, i + 5)); break;
      case 2:
      case 4: out.push_back(rect(0, i, l, i + 5)); break;
      case 3:
        out.push_back(rect(extent - l, i, extent, i + 5));
        out.push_back(rect(0, i + 5, l, i + 10));
        break;
      default: break;
    }
  }
}

// How a member calls the bars builder.
struct BarsMember {
  int number;
  int rowKind;
  int columnKind;
  bool doubled;   // bar lengths 2PX and 2PY (two passes), else PX and PY
  bool snap;      // snap distance Unit, else 0
};

// Rows from the right (kind 1), from the left (2), both at once (3), left
// then right (4), right then left (5); columns likewise with "bottom" for
// "right". Number 99 is the common part of 86 and 89.
constexpr BarsMember kMembers[] = {
    {60, 1, 0, true, true},  {61, 2, 0, true, true},  {62, 4, 0, true, true},  {63, 5, 0, true, true},
    {64, 3, 0, false, false}, {71, 0, 1, true, true},  {72, 0, 2, true, true},  {73, 0, 4, true, true},
    {74, 0, 5, true, true},  {75, 0, 3, false, false}, {86, 1, 1, true, true},  {87, 1, 2, true, true},
    {88, 2, 1, true, true},  {89, 2, 2, true, true},  {90, 4, 4, true, true},  {91, 4, 5, true, true},
    {92, 5, 4, true, true},  {93, 5, 5, true, true},  {94, 1, 3, false, true},  {95, 2, 3, false, true},
    {96, 3, 1, false, true},  {97, 3, 2, false, true},  {98, 3, 3, false, false},
};
constexpr int kIntersection = 99;

const BarsMember* FindMember(int number) {
  for (const BarsMember& m : kMembers) {
    if (m.number == number) return &m;
  }
  return nullptr;
}

std::vector<TRect> MemberRects(const BarsMember& m, const TEffectExtents& e) {
  const std::int32_t xLen = m.rowKind == 0 ? 0 : (m.doubled ? 2 * e.PX : e.PX);
  const std::int32_t yLen = m.columnKind == 0 ? 0 : (m.doubled ? 2 * e.PY : e.PY);
  return BarRects(xLen, yLen, e.W, m.columnKind, m.rowKind, m.snap ? e.Unit : 0, e.H);
}

bool PlanBars(int number, const TEffectExtents& e, std::int32_t /*progress*/, EffectPlan& plan) {
  BarsRecipe recipe;
  if (!BarsRecipeOf(number, e, recipe)) return false;
  Region clip = Region::FromRects(recipe.rects);
  if (recipe.intersect) clip = Region::Combine(clip, Region::FromRects(recipe.common), RegionOp::rgnAnd);
  plan.Clip(std::move(clip));
  return true;
}

}  // namespace

const EffectFamily kBarEffects{"bars", PlanBars};

std::vector<TRect> BarRects(std::int32_t XLen, std::int32_t YLen, std::int32_t W, int ColumnKind, int RowKind,
                            std::int32_t Snap, std::int32_t H) {
  std::vector<TRect> rects;
  rects.reserve(static_cast<std::size_t>(std::max(H, 0) / 5 + std::max(W, 0) / 5 + 4));
  AddBars(rects, XLen, W, H, RowKind, Snap,
          [](std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) { return TRect{a, b, c, d}; });
  AddBars(rects, YLen, H, W, ColumnKind, Snap,
          [](std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) { return TRect{b, a, d, c}; });
  return rects;
}

bool BarsRecipeOf(int number, const TEffectExtents& e, BarsRecipe& recipe) {
  recipe.rects.clear();
  recipe.common.clear();
  recipe.intersect = false;
  if (number == kIntersection) {
    recipe.rects = MemberRects(*FindMember(86), e);
    recipe.common = MemberRects(*FindMember(89), e);
    recipe.intersect = true;
    return true;
  }
  const BarsMember* m = FindMember(number);
  if (m == nullptr) return false;
  recipe.rects = MemberRects(*m, e);
  return true;
}

Region BarsRegion(std::int32_t XLen, std::int32_t YLen, std::int32_t W, int ColumnKind, int RowKind, std::int32_t Snap,
                  std::int32_t H) {
  return Region::FromRects(BarRects(XLen, YLen, W, ColumnKind, RowKind, Snap, H));
}

}  // namespace kestro
