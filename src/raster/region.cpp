#include "raster/region.h"

#include <algorithm>
#include <limits>

namespace kestro {

// ---- Builder ---------------------------------------------------------------

void RegionBuilder::AddRows(std::int32_t top, std::int32_t bottom, const Region::Span* spans,
                              std::size_t count) {
  region_.AppendRows(top, bottom, spans, count);
}

void Region::AppendRows(std::int32_t top, std::int32_t bottom, const Span* spans, std::size_t count) {
  if (top >= bottom || count == 0) return;
  if (!bands_.empty()) {
    Band& last = bands_.back();
    if (last.Bottom == top && last.Count == count && std::equal(spans, spans + count, spans_.begin() + last.First)) {
      last.Bottom = bottom;  // same spans, touching: grow the band
      return;
    }
  }
  bands_.push_back(Band{top, bottom, static_cast<std::uint32_t>(spans_.size()), static_cast<std::uint32_t>(count)});
  spans_.insert(spans_.end(), spans, spans + count);
}

void RegionBuilder::Reserve(std::size_t bands, std::size_t spans) {
  region_.bands_.reserve(bands);
  region_.spans_.reserve(spans);
}

Region RegionBuilder::Finish() {
  region_.UpdateBounds();
  Region out = std::move(region_);
  region_ = Region();
  return out;
}

void Region::UpdateBounds() {
  if (bands_.empty()) {
    bounds_ = TRect{};
    return;
  }
  std::int32_t l = std::numeric_limits<std::int32_t>::max();
  std::int32_t r = std::numeric_limits<std::int32_t>::min();
  for (const Band& b : bands_) {
    l = std::min(l, spans_[b.First].Left);
    r = std::max(r, spans_[b.First + b.Count - 1].Right);
  }
  bounds_ = TRect{l, bands_.front().Top, r, bands_.back().Bottom};
}

// ---- Construction ------------------------------------------------------------

Region Region::FromRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  RegionBuilder b;
  const Span s{left, right};
  if (left < right) b.AddRows(top, bottom, &s, 1);
  return b.Finish();
}

namespace {

// Joins sorted span lists a and b (each sorted and separate) into out.
void UnionSpans(const Region::Span* a, std::size_t na, const Region::Span* b, std::size_t nb,
                std::vector<Region::Span>& out) {
  out.clear();
  std::size_t i = 0, j = 0;
  while (i < na || j < nb) {
    const Region::Span s = (j >= nb || (i < na && a[i].Left <= b[j].Left)) ? a[i++] : b[j++];
    if (!out.empty() && s.Left <= out.back().Right) {
      out.back().Right = std::max(out.back().Right, s.Right);
    } else {
      out.push_back(s);
    }
  }
}

// Adds one span to a sorted, separate list, joining what it overlaps or
// touches.
void InsertSpan(std::vector<Region::Span>& spans, Region::Span s) {
  auto first = std::lower_bound(spans.begin(), spans.end(), s.Left,
                                [](const Region::Span& x, std::int32_t left) { return x.Right < left; });
  auto last = first;
  while (last != spans.end() && last->Left <= s.Right) {
    s.Left = std::min(s.Left, last->Left);
    s.Right = std::max(s.Right, last->Right);
    ++last;
  }
  if (first == last) {
    spans.insert(first, s);
  } else {
    *first = s;
    spans.erase(first + 1, last);
  }
}

}  // namespace

Region Region::FromRects(const TRect* rects, std::size_t count) {
  // Every rectangle in order, empty ones left out, sorted by rows, then left.
  std::vector<TRect> rs;
  rs.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    TRect r = rects[i];
    if (r.Left > r.Right) std::swap(r.Left, r.Right);
    if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
    if (!r.IsEmpty()) rs.push_back(r);
  }
  RegionBuilder b;
  if (rs.empty()) return b.Finish();
  std::sort(rs.begin(), rs.end(), [](const TRect& x, const TRect& y) {
    return x.Top != y.Top ? x.Top < y.Top : x.Bottom != y.Bottom ? x.Bottom < y.Bottom : x.Left < y.Left;
  });

  // Rectangles over the same rows form a group, whose spans are joined once
  // (the columns of a grid or of bars share their rows).
  struct Group {
    std::int32_t Top, Bottom;
    std::uint32_t First, Count;
  };
  std::vector<Group> groups;
  std::vector<Span> all;
  all.reserve(rs.size());
  std::vector<std::int32_t> ys;
  for (std::size_t i = 0; i < rs.size();) {
    const std::int32_t top = rs[i].Top, bottom = rs[i].Bottom;
    const auto first = static_cast<std::uint32_t>(all.size());
    for (; i < rs.size() && rs[i].Top == top && rs[i].Bottom == bottom; ++i) {
      if (all.size() > first && rs[i].Left <= all.back().Right) {
        all.back().Right = std::max(all.back().Right, rs[i].Right);
      } else {
        all.push_back(Span{rs[i].Left, rs[i].Right});
      }
    }
    groups.push_back(Group{top, bottom, first, static_cast<std::uint32_t>(all.size()) - first});
    ys.push_back(top);
    ys.push_back(bottom);
  }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());

  // Sweep the slices between consecutive edges with the groups that cover
  // them. The groups of many spans are joined list by list, and that join is
  // kept while the same groups cover the next slices; the spans of the small
  // groups (single bars) are then put in one by one.
  constexpr std::uint32_t kSmall = 8;
  std::vector<const Group*> active, big, bigJoined;
  std::vector<Span> bigSpans, spans, joined;
  std::size_t next = 0;
  for (std::size_t k = 0; k + 1 < ys.size(); ++k) {
    const std::int32_t top = ys[k], bottom = ys[k + 1];
    std::erase_if(active, [top](const Group* g) { return g->Bottom <= top; });
    for (; next < groups.size() && groups[next].Top <= top; ++next) active.push_back(&groups[next]);
    if (active.empty()) continue;
    big.clear();
    for (const Group* g : active) {
      if (g->Count > kSmall) big.push_back(g);
    }
    if (big != bigJoined || big.empty()) {
      bigSpans.clear();
      for (const Group* g : big) {
        UnionSpans(bigSpans.data(), bigSpans.size(), all.data() + g->First, g->Count, joined);
        bigSpans.swap(joined);
      }
      bigJoined = big;
    }
    if (big.size() == active.size()) {
      b.AddRows(top, bottom, bigSpans.data(), bigSpans.size());
      continue;
    }
    spans = bigSpans;
    for (const Group* g : active) {
      if (g->Count > kSmall) continue;
      for (std::uint32_t i = 0; i < g->Count; ++i) InsertSpan(spans, all[g->First + i]);
    }
    b.AddRows(top, bottom, spans.data(), spans.size());
  }
  return b.Finish();
}

// ---- Queries -------------------------------------------------------------------

const Region::Band* Region::BandAt(std::int32_t y) const {
  auto it = std::upper_bound(bands_.begin(), bands_.end(), y,
                             [](std::int32_t v, const Band& b) { return v < b.Bottom; });
  if (it == bands_.end() || it->Top > y) return nullptr;
  return &*it;
}

bool Region::Contains(std::int32_t x, std::int32_t y) const {
  const Band* b = BandAt(y);
  if (b == nullptr) return false;
  const Span* first = Spans(*b);
  const Span* last = first + b->Count;
  const Span* it = std::upper_bound(first, last, x, [](std::int32_t v, const Span& s) { return v < s.Right; });
  return it != last && it->Left <= x;
}

std::int64_t Region::Area() const {
  std::int64_t area = 0;
  for (const Band& b : bands_) {
    std::int64_t w = 0;
    for (std::uint32_t i = 0; i < b.Count; ++i) {
      const Span& s = spans_[b.First + i];
      w += static_cast<std::int64_t>(s.Right) - s.Left;
    }
    area += w * (static_cast<std::int64_t>(b.Bottom) - b.Top);
  }
  return area;
}

std::vector<TRect> Region::Rects() const {
  std::vector<TRect> out;
  out.reserve(spans_.size());
  for (const Band& b : bands_) {
    for (std::uint32_t i = 0; i < b.Count; ++i) {
      const Span& s = spans_[b.First + i];
      out.push_back(TRect{s.Left, b.Top, s.Right, b.Bottom});
    }
  }
  return out;
}

bool operator==(const Region& a, const Region& b) {
  if (a.bands_.size() != b.bands_.size() || a.spans_.size() != b.spans_.size()) return false;
  for (std::size_t i = 0; i < a.bands_.size(); ++i) {
    if (a.bands_[i].Top != b.bands_[i].Top || a.bands_[i].Bottom != b.bands_[i].Bottom ||
        a.bands_[i].Count != b.bands_[i].Count) {
      return false;
    }
  }
  return a.spans_ == b.spans_;
}

void Region::Offset(std::int32_t dx, std::int32_t dy) {
  for (Band& b : bands_) {
    b.Top += dy;
    b.Bottom += dy;
  }
  for (Span& s : spans_) {
    s.Left += dx;
    s.Right += dx;
  }
  if (!bands_.empty()) {
    bounds_.Left += dx;
    bounds_.Right += dx;
    bounds_.Top += dy;
    bounds_.Bottom += dy;
  }
}

// ---- Combination -------------------------------------------------------------

namespace {

bool Apply(RegionOp op, bool a, bool b) {
  switch (op) {
    case RegionOp::rgnOr: return a || b;
    case RegionOp::rgnAnd: return a && b;
    case RegionOp::rgnXor: return a != b;
    case RegionOp::rgnDiff: return a && !b;
  }
  return false;
}

// Merges two sorted span lists under op into out (cleared first).
void CombineSpans(const Region::Span* a, std::size_t na, const Region::Span* b, std::size_t nb,
                  RegionOp op, std::vector<Region::Span>& out) {
  if (op == RegionOp::rgnOr) {
    UnionSpans(a, na, b, nb, out);
    return;
  }
  out.clear();
  if (op == RegionOp::rgnAnd) {
    // The common parts, walking both lists once.
    std::size_t i = 0, j = 0;
    while (i < na && j < nb) {
      const std::int32_t l = std::max(a[i].Left, b[j].Left), r = std::min(a[i].Right, b[j].Right);
      if (l < r) {
        if (!out.empty() && out.back().Right == l) {
          out.back().Right = r;
        } else {
          out.push_back(Region::Span{l, r});
        }
      }
      if (a[i].Right < b[j].Right) {
        ++i;
      } else {
        ++j;
      }
    }
    return;
  }
  std::size_t ia = 0, ib = 0;
  bool inA = false, inB = false, inOut = false;
  std::int32_t start = 0;
  // Walk the edges of both lists in x order; each edge toggles its list.
  while (ia < na * 2 || ib < nb * 2) {
    const std::int32_t xa = ia < na * 2 ? ((ia & 1) ? a[ia / 2].Right : a[ia / 2].Left)
                                        : std::numeric_limits<std::int32_t>::max();
    const std::int32_t xb = ib < nb * 2 ? ((ib & 1) ? b[ib / 2].Right : b[ib / 2].Left)
                                        : std::numeric_limits<std::int32_t>::max();
    const std::int32_t x = std::min(xa, xb);
    if (xa == x) {
      inA = !inA;
      ++ia;
    }
    if (xb == x) {
      inB = !inB;
      ++ib;
    }
    const bool now = Apply(op, inA, inB);
    if (now != inOut) {
      if (now) {
        start = x;
      } else if (!out.empty() && out.back().Right == start) {
        out.back().Right = x;  // touching the previous span: extend it
      } else {
        out.push_back(Region::Span{start, x});
      }
      inOut = now;
    }
  }
}

}  // namespace

Region& Region::operator|=(const Region& o) {
  if (IsEmpty() || o.IsEmpty() || o.bounds_.Top < bounds_.Bottom) return *this = Combine(*this, o, RegionOp::rgnOr);
  // Below this region: append its bands (a first band that touches the last
  // one with the same spans joins it).
  for (const Band& band : o.bands_) AppendRows(band.Top, band.Bottom, o.Spans(band), band.Count);
  bounds_ = TRect{std::min(bounds_.Left, o.bounds_.Left), bounds_.Top, std::max(bounds_.Right, o.bounds_.Right),
                  o.bounds_.Bottom};
  return *this;
}

Region Region::Combine(const Region& a, const Region& b, RegionOp op) {
  // Quick answers for empty operands.
  if (a.IsEmpty() || b.IsEmpty()) {
    switch (op) {
      case RegionOp::rgnAnd: return Region();
      case RegionOp::rgnDiff: return a;
      case RegionOp::rgnOr:
      case RegionOp::rgnXor: return a.IsEmpty() ? b : a;
    }
  }
  if (op == RegionOp::rgnAnd || op == RegionOp::rgnDiff) {
    const TRect both = Intersect(a.bounds_, b.bounds_);
    if (both.IsEmpty()) return op == RegionOp::rgnAnd ? Region() : a;
  }

  RegionBuilder builder;
  builder.Reserve(a.bands_.size() + b.bands_.size(), a.spans_.size() + b.spans_.size());
  std::vector<Span> row;
  // What a slice covered by only one operand becomes: its spans or nothing.
  const bool keepAOnly = op != RegionOp::rgnAnd;
  const bool keepBOnly = op == RegionOp::rgnOr || op == RegionOp::rgnXor;
  std::size_t ia = 0, ib = 0;
  const std::int64_t kEnd = std::numeric_limits<std::int64_t>::max();
  std::int64_t y = std::min<std::int64_t>(a.bands_.front().Top, b.bands_.front().Top);
  while (ia < a.bands_.size() || ib < b.bands_.size()) {
    // Skip bands that end at or before y.
    while (ia < a.bands_.size() && a.bands_[ia].Bottom <= y) ++ia;
    while (ib < b.bands_.size() && b.bands_[ib].Bottom <= y) ++ib;
    if (ia >= a.bands_.size() && ib >= b.bands_.size()) break;
    const Band* ba = ia < a.bands_.size() ? &a.bands_[ia] : nullptr;
    const Band* bb = ib < b.bands_.size() ? &b.bands_[ib] : nullptr;
    // Move y to the first row that some band covers.
    std::int64_t next = kEnd;
    if (ba) next = std::min<std::int64_t>(next, std::max<std::int64_t>(y, ba->Top));
    if (bb) next = std::min<std::int64_t>(next, std::max<std::int64_t>(y, bb->Top));
    y = next;
    const bool inA = ba && ba->Top <= y;
    const bool inB = bb && bb->Top <= y;
    // The slice ends where a covering band ends or a waiting band starts.
    std::int64_t end = kEnd;
    if (ba) end = std::min<std::int64_t>(end, inA ? ba->Bottom : ba->Top);
    if (bb) end = std::min<std::int64_t>(end, inB ? bb->Bottom : bb->Top);
    const std::int32_t top = static_cast<std::int32_t>(y), bottom = static_cast<std::int32_t>(end);
    if (inA && !inB) {
      if (keepAOnly) builder.AddRows(top, bottom, a.Spans(*ba), ba->Count);
    } else if (inB && !inA) {
      if (keepBOnly) builder.AddRows(top, bottom, b.Spans(*bb), bb->Count);
    } else {
      CombineSpans(a.Spans(*ba), ba->Count, b.Spans(*bb), bb->Count, op, row);
      builder.AddRows(top, bottom, row.data(), row.size());
    }
    y = end;
  }
  return builder.Finish();
}

}  // namespace kestro
