#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "raster/geometry.h"

namespace kestro {

// Region combination modes, as the platform's region calls name them.
enum class RegionOp { rgnOr, rgnAnd, rgnXor, rgnDiff };

// A set of pixels, stored as y-x banded rectangles: horizontal bands sorted
// from top to bottom, each holding sorted, separate spans [Left, Right).
// Neighbouring bands with the same spans are merged, so two regions with the
// same pixels have the same representation. Right and bottom edges are
// exclusive everywhere.
class Region {
 public:
  struct Span {
    std::int32_t Left = 0;
    std::int32_t Right = 0;
    friend bool operator==(const Span&, const Span&) = default;
  };
  struct Band {
    std::int32_t Top = 0;
    std::int32_t Bottom = 0;
    std::uint32_t First = 0;  // index of the band's first span
    std::uint32_t Count = 0;
  };

  Region() = default;  // empty

  // The rectangle region of the platform's rectangle-region call: the corners
  // are put in order first; a rectangle with no width or height is empty.
  static Region FromRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
  static Region FromRect(const TRect& r) { return FromRect(r.Left, r.Top, r.Right, r.Bottom); }
  // The union of the rectangle regions of rects, in any order: the same
  // region as OR-ing them one by one, built in one sweep from top to bottom.
  static Region FromRects(const TRect* rects, std::size_t count);
  static Region FromRects(const std::vector<TRect>& rects) { return FromRects(rects.data(), rects.size()); }

  // The rounded-rectangle region of the platform's rounded-rectangle call
  // (corner ellipse ew x eh). See region_shapes.cpp for its exact pixels.
  static Region RoundRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                          std::int32_t ew, std::int32_t eh);

  // The polygon region of the platform's polygon call with the winding fill
  // rule. Fewer than three points give an empty region.
  static Region Polygon(const TPoint* points, std::size_t count);
  static Region Polygon(const std::vector<TPoint>& points) {
    return Polygon(points.data(), points.size());
  }
  // Several polygons filled together with the winding rule: polygon k has
  // counts[k] points, the polygons' points one after another; a pixel is in
  // when the sum of the polygons' winding numbers at it is not zero. For
  // polygons that all turn the same way (or have no area) this is the union
  // of their Polygon regions, made in one sweep.
  static Region PolyPolygon(const TPoint* points, const std::size_t* counts, std::size_t polygons);

  static Region Combine(const Region& a, const Region& b, RegionOp op);
  // A region that lies wholly below this one is appended in place, so that
  // OR-ing bands from top to bottom costs no more than the bands themselves.
  Region& operator|=(const Region& o);
  Region& operator&=(const Region& o) { return *this = Combine(*this, o, RegionOp::rgnAnd); }
  Region& operator^=(const Region& o) { return *this = Combine(*this, o, RegionOp::rgnXor); }
  Region& operator-=(const Region& o) { return *this = Combine(*this, o, RegionOp::rgnDiff); }
  friend Region operator|(const Region& a, const Region& b) { return Combine(a, b, RegionOp::rgnOr); }
  friend Region operator&(const Region& a, const Region& b) { return Combine(a, b, RegionOp::rgnAnd); }
  friend Region operator^(const Region& a, const Region& b) { return Combine(a, b, RegionOp::rgnXor); }
  friend Region operator-(const Region& a, const Region& b) { return Combine(a, b, RegionOp::rgnDiff); }

  void Offset(std::int32_t dx, std::int32_t dy);

  bool IsEmpty() const { return bands_.empty(); }
  TRect Bounds() const { return bounds_; }
  bool Contains(std::int32_t x, std::int32_t y) const;
  // Number of pixels (64-bit: huge shapes can exceed 2^32 pixels).
  std::int64_t Area() const;
  // The band covering row y, or nullptr.
  const Band* BandAt(std::int32_t y) const;

  const std::vector<Band>& Bands() const { return bands_; }
  const Span* Spans(const Band& b) const { return spans_.data() + b.First; }
  // The region as rectangles, band by band (the platform's region-data order).
  std::vector<TRect> Rects() const;

  friend bool operator==(const Region& a, const Region& b);

 private:
  friend class RegionBuilder;
  void UpdateBounds();
  // Adds rows [top, bottom) with these spans below the last band.
  void AppendRows(std::int32_t top, std::int32_t bottom, const Span* spans, std::size_t count);
  std::vector<Band> bands_;
  std::vector<Span> spans_;
  TRect bounds_{};
};

// Builds a region from rows given top to bottom. Each row's spans must be
// sorted and separate; rows must not overlap and must come in order.
class RegionBuilder {
 public:
  // Adds rows [top, bottom) with the same spans; touching rows with equal
  // spans become one band.
  void AddRows(std::int32_t top, std::int32_t bottom, const Region::Span* spans, std::size_t count);
  void Reserve(std::size_t bands, std::size_t spans);
  Region Finish();

 private:
  Region region_;
};

namespace raster_detail {
// Left insets of the rows of an ew x eh ellipse (both at least 1), top row
// first. Sets *tipRows to the number of rows at each end that had to be
// completed after the main step loop (the thin ends of a tall, narrow
// ellipse), 0 when none.
std::vector<std::int32_t> EllipseInsets(std::int32_t ew, std::int32_t eh, std::int32_t* tipRows);
// The rows of Region::RoundRect with these arguments that use such completed
// ends, as two runs [first, second) of rows: the top corners' and the bottom
// corners' (empty runs when there are none).
struct TipRows {
  std::pair<std::int32_t, std::int32_t> top{0, 0}, bottom{0, 0};
};
TipRows RoundRectTipRows(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom, std::int32_t ew,
                         std::int32_t eh);
// True when Region::RoundRect with these arguments uses such completed ends.
bool RoundRectUsesEllipseTips(std::int32_t left, std::int32_t top, std::int32_t right,
                              std::int32_t bottom, std::int32_t ew, std::int32_t eh);
}  // namespace raster_detail

}  // namespace kestro
