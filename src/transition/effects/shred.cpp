// The shred, speckle and random-square effects: the new picture drawn
// through a region whose edge is torn, speckled or scattered by fresh draws
// from the shared generator at every frame, so that no two frames of a
// change, and no two changes, look alike. The draws are part of the show's
// sequence: every frame makes the same number of them in the same order, at
// progress 0 and 100 too, so that the effect choices and shuffles that follow
// stay where a seeded show puts them.
//
// A frame's region is the union of hundreds or thousands of pieces. Each
// builder lays its pieces out in lanes (the strips, bands or grid columns
// they belong to), and one sweep from top to bottom turns the lanes into the
// region's bands directly.

#include "transition/effects/shred.h"

#include <algorithm>
#include <bit>
#include <limits>

#include "common/random.h"
#include "transition/effects/families.h"

namespace kestro {

namespace {

using Span = Region::Span;

// The pieces of one axis of a builder, lane by lane: lane k lies across
// [origin + k step, origin + k step + thick) and holds the intervals along
// it from first[k] to first[k + 1]. Lanes overlap or touch (thick >= step).
struct Lanes {
  std::int32_t origin = 0, step = 1, thick = 1;
  std::vector<std::uint32_t> first{0};
  std::vector<Span> along;

  void Reset(std::int32_t origin_, std::int32_t step_, std::int32_t thick_) {
    origin = origin_;
    step = step_;
    thick = thick_;
    first.assign(1, 0);
    along.clear();
  }
  // An interval from a to b, its ends swapped when reversed, as the
  // platform's rectangle region takes them; joined to the lane's last one
  // when they touch.
  void Add(std::int32_t a, std::int32_t b) {
    if (a > b) std::swap(a, b);
    if (a == b) return;
    if (along.size() > first.back() && along.back().Right >= a && along.back().Left <= b) {
      along.back().Left = std::min(along.back().Left, a);
      along.back().Right = std::max(along.back().Right, b);
      return;
    }
    along.push_back(Span{a, b});
  }
  void EndLane() { first.push_back(static_cast<std::uint32_t>(along.size())); }
  std::int32_t Count() const { return static_cast<std::int32_t>(first.size()) - 1; }
  std::int32_t Start(std::int32_t k) const { return origin + k * step; }
};

// What the builders and the sweep work in, kept from frame to frame (one per
// thread) so that a frame allocates little more than the region it makes.
struct Scratch {
  Lanes rows, columns;               // row lanes hold intervals along x, column lanes along y
  std::vector<std::uint32_t> at, fill;
  std::vector<std::int32_t> events, cover;
  std::vector<std::uint64_t> on;
  std::vector<Span> rowSpans, columnSpans, merged;
  struct Slice {
    std::int32_t top, bottom;
    std::uint32_t first, count;
  };
  std::vector<Slice> slices;
  std::vector<Span> sliceSpans;
};

Scratch& Work() {
  thread_local Scratch scratch;
  return scratch;
}

// Sorts intervals by their left ends and joins those that overlap or touch.
void JoinSpans(std::vector<Span>& spans) {
  std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.Left < b.Left; });
  std::size_t out = 0;
  for (const Span& s : spans) {
    if (out > 0 && s.Left <= spans[out - 1].Right) {
      spans[out - 1].Right = std::max(spans[out - 1].Right, s.Right);
    } else {
      spans[out++] = s;
    }
  }
  spans.resize(out);
}

// Joins a few sorted, separate spans (a) into many (b): the spans of b
// between them are copied in runs.
void MergeSpans(const std::vector<Span>& a, const std::vector<Span>& b, std::vector<Span>& out) {
  out.clear();
  auto from = b.begin();
  for (const Span& r : a) {
    // The spans of b wholly before r, then those that touch or overlap it.
    const auto touching =
        std::lower_bound(from, b.end(), r.Left, [](const Span& s, std::int32_t x) { return s.Right < x; });
    out.insert(out.end(), from, touching);
    Span joined = r;
    for (from = touching; from != b.end() && from->Left <= joined.Right; ++from) {
      joined.Left = std::min(joined.Left, from->Left);
      joined.Right = std::max(joined.Right, from->Right);
    }
    if (!out.empty() && joined.Left <= out.back().Right) {
      out.back().Right = std::max(out.back().Right, joined.Right);
    } else {
      out.push_back(joined);
    }
  }
  out.insert(out.end(), from, b.end());
}

// Sorts the column lanes' interval ends by counting over the rows they span:
// the events of row top + r become events[at[r] .. at[r + 1]), each lane + 1
// where an interval of the lane starts and -(lane + 1) where one ends.
// Returns top; at is left empty when there are no intervals.
std::int32_t SortColumnEvents(Scratch& s) {
  const Lanes& lanes = s.columns;
  s.at.clear();
  if (lanes.along.empty()) return 0;
  std::int32_t top = lanes.along.front().Left, bottom = lanes.along.front().Right;
  for (const Span& a : lanes.along) {
    top = std::min(top, a.Left);
    bottom = std::max(bottom, a.Right);
  }
  const std::size_t rows = static_cast<std::size_t>(static_cast<std::int64_t>(bottom) - top) + 1;
  s.at.assign(rows + 1, 0);
  for (const Span& a : lanes.along) {
    ++s.at[static_cast<std::size_t>(a.Left - top) + 1];
    ++s.at[static_cast<std::size_t>(a.Right - top) + 1];
  }
  for (std::size_t r = 1; r <= rows; ++r) s.at[r] += s.at[r - 1];
  s.events.resize(lanes.along.size() * 2);
  s.fill.assign(s.at.begin(), s.at.end() - 1);
  for (std::int32_t k = 0; k < lanes.Count(); ++k) {
    const std::size_t lane = static_cast<std::size_t>(k);
    for (std::uint32_t i = lanes.first[lane]; i < lanes.first[lane + 1]; ++i) {
      s.events[s.fill[static_cast<std::size_t>(lanes.along[i].Left - top)]++] = k + 1;
      s.events[s.fill[static_cast<std::size_t>(lanes.along[i].Right - top)]++] = -(k + 1);
    }
  }
  return top;
}

// Applies one row's column events and lists the runs of covered lanes as
// spans.
void ApplyColumnEvents(Scratch& s, std::size_t row, std::int32_t& active) {
  for (std::uint32_t i = s.at[row]; i < s.at[row + 1]; ++i) {
    const std::int32_t e = s.events[i];
    const std::size_t k = static_cast<std::size_t>((e > 0 ? e : -e) - 1);
    if (e > 0) {
      if (s.cover[k]++ == 0) {
        ++active;
        s.on[k / 64] |= std::uint64_t{1} << (k % 64);
      }
    } else if (--s.cover[k] == 0) {
      --active;
      s.on[k / 64] &= ~(std::uint64_t{1} << (k % 64));
    }
  }
  s.columnSpans.clear();
  for (std::size_t w = 0; active > 0 && w < s.on.size(); ++w) {
    std::uint64_t bits = s.on[w];
    while (bits != 0) {
      // A run of covered lanes [k0, k1) within this word.
      const int from = std::countr_zero(bits);
      const int length = std::countr_one(bits >> from);
      const std::int32_t k0 = static_cast<std::int32_t>(w * 64) + from, k1 = k0 + length;
      const std::int32_t a = s.columns.Start(k0), b = s.columns.Start(k1 - 1) + s.columns.thick;
      if (!s.columnSpans.empty() && a <= s.columnSpans.back().Right) {
        s.columnSpans.back().Right = b;
      } else {
        s.columnSpans.push_back(Span{a, b});
      }
      bits = from + length >= 64 ? 0 : bits & (~std::uint64_t{0} << (from + length));
    }
  }
}

void AddSlice(Scratch& s, std::int32_t top, std::int32_t bottom, const std::vector<Span>& spans) {
  if (spans.empty()) return;
  s.slices.push_back(Scratch::Slice{top, bottom, static_cast<std::uint32_t>(s.sliceSpans.size()),
                                    static_cast<std::uint32_t>(spans.size())});
  s.sliceSpans.insert(s.sliceSpans.end(), spans.begin(), spans.end());
}

// The union of the row lanes and the column lanes, swept once from top to
// bottom. A slice ends wherever a row lane starts or ends or a column
// interval starts or ends; its spans are the joined intervals of the few row
// lanes covering it and the runs of covered column lanes. The slices are
// gathered first, so that the region is allocated once at its size.
Region LaneUnion(Scratch& s) {
  const Lanes& rows = s.rows;
  const std::int32_t top = SortColumnEvents(s);
  const std::size_t eventRows = s.at.empty() ? 0 : s.at.size() - 1;
  const std::int32_t nRows = rows.Count();
  s.cover.assign(static_cast<std::size_t>(s.columns.Count()), 0);
  s.on.assign((static_cast<std::size_t>(s.columns.Count()) + 63) / 64, 0);
  s.rowSpans.clear();
  s.columnSpans.clear();
  s.slices.clear();
  s.sliceSpans.clear();

  std::size_t row = 0;          // the next row of column events
  std::int32_t lo = 0, hi = 0;  // row lanes [lo, hi) cover the slice
  std::int32_t active = 0;      // covered column lanes
  const auto nextEventRow = [&] {
    while (row < eventRows && s.at[row] == s.at[row + 1]) ++row;
    return row < eventRows;
  };
  constexpr std::int64_t kNone = std::numeric_limits<std::int64_t>::max();
  std::int64_t y = nextEventRow() ? top + static_cast<std::int64_t>(row) : kNone;
  if (nRows > 0) y = std::min<std::int64_t>(y, rows.Start(0));
  while (y != kNone) {
    const std::int32_t here = static_cast<std::int32_t>(y);
    if (row < eventRows && top + static_cast<std::int64_t>(row) == y) ApplyColumnEvents(s, row++, active);
    const std::int32_t wasLo = lo, wasHi = hi;
    while (hi < nRows && rows.Start(hi) <= here) ++hi;
    while (lo < hi && rows.Start(lo) + rows.thick <= here) ++lo;
    if (lo != wasLo || hi != wasHi) {
      s.rowSpans.assign(rows.along.begin() + rows.first[static_cast<std::size_t>(lo)],
                        rows.along.begin() + rows.first[static_cast<std::size_t>(hi)]);
      JoinSpans(s.rowSpans);
    }
    std::int64_t next = nextEventRow() ? top + static_cast<std::int64_t>(row) : kNone;
    if (hi < nRows) next = std::min<std::int64_t>(next, rows.Start(hi));
    if (lo < hi) next = std::min<std::int64_t>(next, rows.Start(lo) + rows.thick);
    if (next == kNone) break;
    const std::int32_t end = static_cast<std::int32_t>(next);
    if (s.rowSpans.empty()) {
      AddSlice(s, here, end, s.columnSpans);
    } else if (s.columnSpans.empty()) {
      AddSlice(s, here, end, s.rowSpans);
    } else {
      MergeSpans(s.rowSpans, s.columnSpans, s.merged);
      AddSlice(s, here, end, s.merged);
    }
    y = next;
  }

  RegionBuilder builder;
  builder.Reserve(s.slices.size(), s.sliceSpans.size());
  for (const Scratch::Slice& slice : s.slices) {
    builder.AddRows(slice.top, slice.bottom, s.sliceSpans.data() + slice.first, slice.count);
  }
  return builder.Finish();
}

// One axis of the shred builder: `length` the strips' current length along
// the side `extent`, `across` the other side; the strips are the lanes.
void Shreds(Lanes& lanes, std::int32_t length, std::int32_t extent, std::int32_t across, int kind) {
  lanes.Reset(0, 5, 5 + across % 5);
  if (kind == 0) return;
  const std::int32_t J = length < extent ? extent / 7 : 0;  // exact once the strips are whole
  for (std::int32_t off = 0; off < across; off += 5) {
    // Two draws for the first end, two more for the second; never fewer,
    // even when J is 0.
    const std::int32_t r1 = RandomBelow(J);
    const std::int32_t r2 = RandomBelow(J);
    switch (kind) {
      case 1: lanes.Add(extent - length + r1 - r2, extent); break;
      case 2: lanes.Add(0, length + r1 - r2); break;
      case 3: {
        const std::int32_t r3 = RandomBelow(J);
        const std::int32_t r4 = RandomBelow(J);
        lanes.Add((extent - length + r1 - r2) / 2, extent / 2);
        lanes.Add(extent / 2, (extent + length + r3 - r4) / 2);
        break;
      }
      case 4: {
        const std::int32_t r3 = RandomBelow(J);
        const std::int32_t r4 = RandomBelow(J);
        lanes.Add(extent - (length + r1 - r2) / 2, extent);
        lanes.Add(0, (length + r3 - r4) / 2);
        break;
      }
      default: break;
    }
    lanes.EndLane();
  }
}

// One axis of the speckle builder; the bands are the lanes.
void Speckles(Lanes& lanes, std::int32_t length, std::int32_t extent, std::int32_t across, int kind) {
  const std::int32_t Z = length < extent ? extent / 10 : 0;  // the speck zone; none once the band is whole
  const std::int32_t F = std::max(Z / 20, 2);
  const std::int32_t N = Z / F;
  const std::int32_t Q = 3 * Z / F / 4;  // blocks this near come twice as often
  lanes.Reset(0, F / 2, F);
  if (kind == 0) return;
  for (std::int32_t s = 0; s < across; s += F / 2) {
    if (kind == 1) {
      lanes.Add(extent - length, extent);
    } else {
      lanes.Add(0, length);
    }
    // Block i lies i blocks ahead of the edge; neighbouring blocks that are
    // both added go in as one interval.
    std::int32_t runFrom = 0, runTo = 0;
    for (std::int32_t i = N; i >= 1; --i) {
      const std::int32_t draw = RandomBelow(i);
      if ((i <= Q ? 1 : 0) < draw) continue;
      const std::int32_t a = kind == 1 ? extent - length - F * i : length + F * (i - 1);
      if (runFrom < runTo && (a == runTo || a + F == runFrom)) {
        runFrom = std::min(runFrom, a);
        runTo = std::max(runTo, a + F);
        continue;
      }
      lanes.Add(runFrom, runTo);
      runFrom = a;
      runTo = a + F;
    }
    lanes.Add(runFrom, runTo);
    lanes.EndLane();
  }
}

using Builder = ShredMember::Builder;

// Rows from the right (kind 1), from the left (2), out from the vertical
// centre line (3), in to it (4); columns likewise from the bottom, the top,
// out from and in to the horizontal centre line.
constexpr ShredMember kMembers[] = {
    {65, Builder::kShred, 1, 0, true, false},    {66, Builder::kShred, 2, 0, true, false},
    {67, Builder::kShred, 3, 0, true, false},    {68, Builder::kShred, 4, 0, true, false},
    {76, Builder::kShred, 0, 1, false, true},    {77, Builder::kShred, 0, 2, false, true},
    {78, Builder::kShred, 0, 3, false, true},    {79, Builder::kShred, 0, 4, false, true},
    {100, Builder::kShred, 1, 1, true, true},    {101, Builder::kShred, 1, 2, true, true},
    {102, Builder::kShred, 2, 1, true, true},    {103, Builder::kShred, 2, 2, true, true},
    {104, Builder::kShred, 1, 3, true, true},    {105, Builder::kShred, 2, 3, true, true},
    {106, Builder::kShred, 3, 1, true, true},    {107, Builder::kShred, 3, 2, true, true},
    {108, Builder::kShred, 3, 3, true, true},    {109, Builder::kShred, 4, 4, true, true},
    {123, Builder::kSpeckle, 1, 0, true, true},  {124, Builder::kSpeckle, 2, 0, true, true},
    {125, Builder::kSpeckle, 0, 1, true, true},  {126, Builder::kSpeckle, 0, 2, true, true},
    {127, Builder::kSquares, 0, 0, false, false},
};

bool PlanShreds(int number, const TEffectExtents& e, std::int32_t progress, EffectPlan& plan) {
  const ShredMember* m = ShredMemberOf(number);
  if (m == nullptr) return false;
  const std::int32_t xLen = m->rowLength ? e.PX : 0;
  const std::int32_t yLen = m->columnLength ? e.PY : 0;
  switch (m->builder) {
    case Builder::kShred: plan.Clip(ShredRegion(xLen, yLen, e.W, m->columnKind, m->rowKind, e.H)); break;
    case Builder::kSpeckle: plan.Clip(SpeckleRegion(xLen, yLen, e.W, m->columnKind, m->rowKind, e.H)); break;
    case Builder::kSquares: plan.Clip(RandomSquaresRegion(e.W, e.H, progress)); break;
  }
  return true;
}

}  // namespace

const EffectFamily kShredEffects{"shreds", PlanShreds};

const ShredMember* ShredMemberOf(int number) {
  for (const ShredMember& m : kMembers) {
    if (m.number == number) return &m;
  }
  return nullptr;
}

Region ShredRegion(std::int32_t XLen, std::int32_t YLen, std::int32_t W, int ColumnKind, int RowKind, std::int32_t H) {
  Scratch& s = Work();
  Shreds(s.rows, XLen, W, H, RowKind);  // the rows draw first
  Shreds(s.columns, YLen, H, W, ColumnKind);
  return LaneUnion(s);
}

Region SpeckleRegion(std::int32_t XLen, std::int32_t YLen, std::int32_t W, int ColumnKind, int RowKind,
                     std::int32_t H) {
  Scratch& s = Work();
  Speckles(s.rows, XLen, W, H, RowKind);  // the rows draw first
  Speckles(s.columns, YLen, H, W, ColumnKind);
  return LaneUnion(s);
}

std::int32_t RandomSquareCell(std::int32_t W, std::int32_t H, std::int32_t progress) {
  const std::int32_t D = progress / 10 + std::min(W, H) / 50;
  return D > 0 ? D : 1;
}

Region RandomSquaresRegion(std::int32_t W, std::int32_t H, std::int32_t progress) {
  // The grid's columns are the lanes, each square an interval down its lane.
  const std::int32_t D = RandomSquareCell(W, H, progress);
  Scratch& s = Work();
  s.rows.Reset(0, 1, 1);
  s.columns.Reset(-D, D, 2 * D);
  for (std::int32_t x = 0; x < W; x += D) {
    for (std::int32_t y = 0; y < H; y += D) {
      if (RandomBelow(100) < progress) s.columns.Add(y - D, y + D);
    }
    s.columns.EndLane();
  }
  return LaneUnion(s);
}

}  // namespace kestro
