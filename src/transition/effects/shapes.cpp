// The shape effects: the new picture drawn through one geometric shape or a
// few: rounded rectangles whose curved edge crosses the picture, triangles,
// a clock-hand sector, and a rectangle or star that turns as it grows. None
// of them is random.

#include "transition/effects/shapes.h"

#include <algorithm>
#include <limits>

#include "common/angles.h"
#include "common/arith.h"
#include "transition/effects/families.h"

namespace kestro {

namespace {

// The quantities the member table's coordinates are made of: the extents W,
// H, PX, PY, the centre cx = W div 2, cy = H div 2, the half extents
// g = PX div 2, h = PY div 2, and 1.
enum Var { kW, kH, kPX, kPY, kCX, kCY, kG, kHalfPY, kOne, kVarCount };

// A coordinate as the table writes it: a whole-number combination of the
// quantities, divided by `divisor` (truncating toward zero, like div).
struct Term {
  std::int8_t k[kVarCount] = {};
  std::int8_t divisor = 1;
};

constexpr Term Of(Var v, int n = 1) {
  Term t;
  t.k[v] = static_cast<std::int8_t>(n);
  return t;
}
constexpr Term N(int n) { return Of(kOne, n); }
constexpr Term operator+(Term a, const Term& b) {
  for (int i = 0; i < kVarCount; ++i) a.k[i] = static_cast<std::int8_t>(a.k[i] + b.k[i]);
  return a;
}
constexpr Term operator*(int n, Term a) {
  for (std::int8_t& c : a.k) c = static_cast<std::int8_t>(n * c);
  return a;
}
constexpr Term operator-(const Term& a, const Term& b) { return a + (-1) * b; }
constexpr Term operator+(const Term& a, int n) { return a + N(n); }
constexpr Term operator/(Term a, int d) {
  a.divisor = static_cast<std::int8_t>(d);
  return a;
}

constexpr Term W = Of(kW), H = Of(kH), PX = Of(kPX), PY = Of(kPY), cx = Of(kCX), cy = Of(kCY), g = Of(kG),
               h = Of(kHalfPY), Zero{};

struct Values {
  std::int64_t v[kVarCount];
};

Values ValuesOf(const TEffectExtents& e) {
  return Values{{e.W, e.H, e.PX, e.PY, e.W / 2, e.H / 2, e.PX / 2, e.PY / 2, 1}};
}

std::int32_t Eval(const Term& t, const Values& values) {
  std::int64_t sum = 0;
  for (int i = 0; i < kVarCount; ++i) sum += t.k[i] * values.v[i];
  sum /= t.divisor;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(sum, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

struct TermPoint {
  Term x, y;
};

TPoint Eval(const TermPoint& p, const Values& values) { return TPoint{Eval(p.x, values), Eval(p.y, values)}; }

// Rounded rectangles RR(left, top, right, bottom, ew, eh); with xorPicture
// the clip is the picture XOR the shape.
struct RoundRectMember {
  int number;
  Term left, top, right, bottom, ew, eh;
  bool xorPicture = false;
};

constexpr RoundRectMember kRoundRects[] = {
    {58, -2 * W, N(-5), 2 * PX, H + 5, 2 * W, 2 * W},
    {59, W - 2 * PX, N(-5), 3 * W, H + 5, 2 * W, 2 * W},
    {69, N(-5), -2 * H, W + 5, 2 * PY, 2 * H, 2 * H},
    {70, N(-5), H - 2 * PY, W + 5, 3 * H, 2 * H, 2 * H},
    {80, -2 * W, -2 * H, 2 * PX, 2 * PY, 2 * W, 2 * H},
    {81, W - 2 * PX, -2 * H, 3 * W, 2 * PY, 2 * W, 2 * H},
    {82, -2 * W, H - 2 * PY, 2 * PX, 3 * H, 2 * W, 2 * H},
    {83, W - 2 * PX, H - 2 * PY, 3 * W, 3 * H, 2 * H, 2 * H},  // a 2H x 2H corner, unlike 80 to 82
    {84, cx - PX, cy - PY, cx + PX, cy + PY, (9 * PX) / 5, (9 * PY) / 5},
    // (3W) div 2 - PX is (3W - 2PX) div 2: 2PX is even and 3W - 2PX > 0.
    {85, PX - cx, PY - cy, (3 * W - 2 * PX) / 2, (3 * H - 2 * PY) / 2, (9 * W - 9 * PX) / 5, (9 * H - 9 * PY) / 5,
     true},
};

// Unions of one to four triangles.
struct TriangleMember {
  int number;
  int count;
  TermPoint t[4][3];
};

constexpr TriangleMember kTriangles[] = {
    {110, 1, {{{Zero, Zero}, {2 * PX, Zero}, {Zero, 2 * PY}}}},
    {111, 1, {{{W, Zero}, {W - 2 * PX, Zero}, {W, 2 * PY}}}},
    {112, 1, {{{Zero, H}, {2 * PX, H}, {Zero, H - 2 * PY}}}},
    {113, 1, {{{W, H}, {W - 2 * PX, H}, {W, H - 2 * PY}}}},
    {114, 2, {{{Zero, H}, {Zero, Zero}, {PX, H}}, {{W, H}, {W, Zero}, {W - PX, Zero}}}},
    {115, 2, {{{W, Zero}, {Zero, Zero}, {W, PY}}, {{W, H}, {Zero, H}, {Zero, H - PY}}}},
    {116,
     4,
     {{{cx, cy}, {Zero, H}, {Zero, H - PY}},
      {{Zero, Zero}, {PX, Zero}, {cx, cy}},
      {{W - PX, H}, {cx, cy}, {W, H}},
      {{cx, cy}, {W, Zero}, {W, PY}}}},
};

constexpr int kTriangularShred = 117;
constexpr int kGridCells = 10;

// A polygon about the centre, turned by Progress * pi / 50: one full turn
// over the change.
struct TurnedMember {
  int number;
  int count;
  TermPoint p[8];
};

constexpr TurnedMember kTurned[] = {
    {149, 4, {{cx - g, cy - h}, {cx + g, cy - h}, {cx + g, cy + h}, {cx - g, cy + h}}},
    {150,
     8,
     {{cx - 2 * PX, cy},
      {cx - g, cy - h},
      {cx, cy - 2 * PY},
      {cx + g, cy - h},
      {cx + 2 * PX, cy},
      {cx + g, cy + h},
      {cx, cy + 2 * PY},
      {cx - g, cy + h}}},
};

// Clock sweeps from 12 o'clock, a step of pi / 50 per point, clockwise (+1)
// or anticlockwise (-1).
struct SweepMember {
  int number;
  int direction;
};

constexpr SweepMember kSweeps[] = {{143, 1}, {144, -1}};

// Steps of pi / 200 in the angle Progress * pi / 50, and in a sweep's step.
constexpr std::int32_t kStepsPerProgress = kHalfTurnSteps / 50;

template <typename Member, std::size_t N>
const Member* Find(const Member (&members)[N], int number) {
  for (const Member& m : members) {
    if (m.number == number) return &m;
  }
  return nullptr;
}

void AddPolygon(ShapeRecipe& recipe, const TPoint* points, std::size_t count) {
  recipe.points.insert(recipe.points.end(), points, points + count);
  recipe.counts.push_back(count);
}

// The smallest integer not below the square root of n (n >= 0), in integers.
std::int64_t CeilSqrt(std::int64_t n) {
  std::int64_t lo = 0, hi = std::min<std::int64_t>(n, 3037000499);  // hi * hi fits 63 bits
  while (lo < hi) {
    const std::int64_t mid = lo + (hi - lo) / 2;
    if (mid * mid >= n) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  return lo;
}

void AddSweep(ShapeRecipe& recipe, const TEffectExtents& e, std::int32_t progress, int direction) {
  const std::int32_t x0 = e.W / 2, y0 = e.H / 2;
  const auto r = static_cast<std::int32_t>(CeilSqrt(std::int64_t{x0} * x0 + std::int64_t{y0} * y0));
  const std::size_t first = recipe.points.size();
  recipe.points.push_back(TPoint{x0, y0});
  // The k-th point at -pi / 2 + k * 2 pi / 100 (turning the other way for
  // -1): the last lies one step short of the end angle.
  for (std::int32_t k = 0; k < progress; ++k) {
    const AngleCosSin a = CosSinOfSteps(-kHalfTurnSteps / 2 + direction * k * kStepsPerProgress);
    recipe.points.push_back(TPoint{x0 + static_cast<std::int32_t>(NearestOfSum(r, a.cos, 0, AngleValue{})),
                                   y0 + static_cast<std::int32_t>(NearestOfSum(r, a.sin, 0, AngleValue{}))});
  }
  recipe.counts.push_back(recipe.points.size() - first);
}

// The signed doubled area of a triangle: its turn, 0 for no area.
std::int64_t Turn(const TPoint* t) {
  const std::int64_t ax = std::int64_t{t[1].X} - t[0].X, ay = std::int64_t{t[1].Y} - t[0].Y;
  const std::int64_t bx = std::int64_t{t[2].X} - t[0].X, by = std::int64_t{t[2].Y} - t[0].Y;
  return ax * by - ay * bx;
}

// Whether every polygon is a triangle and all that have an area turn the
// same way. Then each has winding number 0 or the same +1 or -1 at every
// pixel, so filled together in one sweep their winding sum is not zero
// exactly where one of them is: the union, without combining regions.
bool TrianglesTurnAlike(const ShapeRecipe& recipe) {
  std::int64_t turn = 0;
  for (std::size_t k = 0, at = 0; k < recipe.counts.size(); at += recipe.counts[k], ++k) {
    if (recipe.counts[k] != 3) return false;
    const std::int64_t t = Turn(&recipe.points[at]);
    if (t == 0) continue;
    if (turn != 0 && (t > 0) != (turn > 0)) return false;
    turn = t;
  }
  return true;
}

bool PlanShapes(int number, const TEffectExtents& e, std::int32_t progress, EffectPlan& plan) {
  ShapeRecipe recipe;
  if (!ShapeRecipeOf(number, e, progress, recipe)) return false;
  plan.Clip(ShapeRegion(recipe, e.W, e.H));
  return true;
}

}  // namespace

const EffectFamily kShapeEffects{"shapes", PlanShapes};

void ShapeRecipe::Clear() {
  roundRects.clear();
  points.clear();
  counts.clear();
  xorPicture = false;
}

bool ShapeRecipeOf(int number, const TEffectExtents& e, std::int32_t progress, ShapeRecipe& recipe) {
  recipe.Clear();
  const Values values = ValuesOf(e);
  if (const RoundRectMember* m = Find(kRoundRects, number)) {
    recipe.roundRects.push_back(
        {TRect{Eval(m->left, values), Eval(m->top, values), Eval(m->right, values), Eval(m->bottom, values)},
         Eval(m->ew, values), Eval(m->eh, values)});
    recipe.xorPicture = m->xorPicture;
    return true;
  }
  if (const TriangleMember* m = Find(kTriangles, number)) {
    for (int i = 0; i < m->count; ++i) {
      const TPoint t[3] = {Eval(m->t[i][0], values), Eval(m->t[i][1], values), Eval(m->t[i][2], values)};
      AddPolygon(recipe, t, 3);
    }
    return true;
  }
  if (number == kTriangularShred) {
    if (e.W <= 0 || e.H <= 0) return true;
    const std::int32_t leg = e.PX / 5;
    const std::int32_t t2 = MulDiv(leg, e.H, e.W);
    for (std::int32_t k = 0; k < kGridCells; ++k) {
      for (std::int32_t i = 0; i < kGridCells; ++i) {
        const std::int32_t x0 = e.W * i / kGridCells, y0 = e.H * k / kGridCells;
        const TPoint t[3] = {{x0, y0}, {x0 + leg, y0}, {x0, y0 + t2}};
        AddPolygon(recipe, t, 3);
      }
    }
    return true;
  }
  if (const SweepMember* m = Find(kSweeps, number)) {
    AddSweep(recipe, e, progress, m->direction);
    return true;
  }
  if (const TurnedMember* m = Find(kTurned, number)) {
    TPoint p[8];
    for (int i = 0; i < m->count; ++i) p[i] = Eval(m->p[i], values);
    RotatePoints(p, static_cast<std::size_t>(m->count), TPoint{e.W / 2, e.H / 2}, progress * kStepsPerProgress);
    AddPolygon(recipe, p, static_cast<std::size_t>(m->count));
    return true;
  }
  return false;
}

Region ShapeRegion(const ShapeRecipe& recipe, std::int32_t W, std::int32_t H) {
  Region region;
  auto add = [&region](Region part) { region = region.IsEmpty() ? std::move(part) : region | part; };
  for (const ShapeRecipe::RoundRect& r : recipe.roundRects) {
    add(Region::RoundRect(r.rect.Left, r.rect.Top, r.rect.Right, r.rect.Bottom, r.ew, r.eh));
  }
  const std::size_t polygons = recipe.counts.size();
  if (polygons == 1) {
    add(Region::Polygon(recipe.points.data(), recipe.counts[0]));
  } else if (TrianglesTurnAlike(recipe)) {
    add(Region::PolyPolygon(recipe.points.data(), recipe.counts.data(), polygons));
  } else {
    for (std::size_t k = 0, at = 0; k < polygons; at += recipe.counts[k], ++k) {
      const TPoint* t = &recipe.points[at];
      add(recipe.counts[k] == 3 ? TriangleRegion(t[0], t[1], t[2]) : Region::Polygon(t, recipe.counts[k]));
    }
  }
  if (recipe.xorPicture) region = Region::FromRect(0, 0, W, H) ^ region;
  return region;
}

Region TriangleRegion(TPoint p0, TPoint p1, TPoint p2) {
  const TPoint t[3] = {p0, p1, p2};
  return Region::Polygon(t, 3);
}

void RotatePoints(TPoint* points, std::size_t count, TPoint centre, std::int32_t steps) {
  const AngleCosSin a = CosSinOfSteps(steps);
  for (std::size_t i = 0; i < count; ++i) {
    const std::int32_t dx = points[i].X - centre.X, dy = points[i].Y - centre.Y;
    points[i] = TPoint{centre.X + static_cast<std::int32_t>(NearestOfSum(dx, a.cos, dy, -a.sin)),
                       centre.Y + static_cast<std::int32_t>(NearestOfSum(dx, a.sin, dy, a.cos))};
  }
}

}  // namespace kestro
