// Rounded-rectangle and polygon regions, pixel for pixel as the platform's
// region calls make them.
//
// Rounded rectangle (left, top, right, bottom, ew, eh):
//   - the corners are put in order, then right and bottom are moved one pixel
//     in (the platform's rounded rectangles leave out their last column and
//     row), then the corners are put in order again: a rectangle with
//     left == right becomes the one column left - 1;
//   - W = right - left, H = bottom - top; no pixel when either is 0;
//   - the corner ellipse is |ew| x |eh|, each cut down to W and H; under 1 in
//     either direction there is no rounding;
//   - the ellipse is rasterised in its ew x eh box by an integer step walk
//     (below); for a tall, narrow ellipse the walk reaches the last column
//     before the top and bottom rows, which are then completed with the
//     last column (Wine leaves those rows undefined, so they are our own
//     choice); the top half of its rows rounds the top corners, the bottom
//     half the bottom corners, each row losing the same number of pixels on
//     the left and on the right; the rows between are whole.
//
// Polygon, winding rule: pixel (x, y) is inside when the point (x, y), its
// top-left corner, is inside the polygon (for several polygons: when the sum
// of their winding numbers there is not zero). Each edge covers the rows from its
// upper end up to, not including, its lower end, and crosses row y at the
// exact rational x, rounded up; a pixel is inside when the winding number
// of the crossings to its left (up to and including its own x) is not zero.

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "raster/region.h"

namespace kestro {

namespace {

// Coordinates of shapes are limited to the range of the platform's 27-bit
// device space, so that every intermediate product fits 64 bits.
constexpr std::int64_t kCoordLimit = (1 << 27) - 1;
// Ellipses larger than this are drawn at this size (keeps the step walk's
// error terms inside 64 bits).
constexpr std::int32_t kEllipseLimit = 1 << 14;

std::int64_t ClampCoord(std::int64_t v) { return std::clamp(v, -kCoordLimit, kCoordLimit); }

std::int64_t FloorDiv(std::int64_t n, std::int64_t d) {
  // d > 0
  std::int64_t q = n / d;
  if ((n % d != 0) && (n < 0)) --q;
  return q;
}
std::int64_t CeilDiv(std::int64_t n, std::int64_t d) { return -FloorDiv(-n, d); }

struct RoundRectGeometry {
  std::int32_t left = 0, top = 0, width = 0, height = 0, ew = 0, eh = 0;
};

RoundRectGeometry Normalise(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                            std::int32_t ew, std::int32_t eh) {
  std::int64_t l = ClampCoord(left), t = ClampCoord(top), r = ClampCoord(right), b = ClampCoord(bottom);
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  --r;
  --b;
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  RoundRectGeometry g;
  g.left = static_cast<std::int32_t>(l);
  g.top = static_cast<std::int32_t>(t);
  g.width = static_cast<std::int32_t>(r - l);
  g.height = static_cast<std::int32_t>(b - t);
  const std::int64_t aw = std::llabs(static_cast<std::int64_t>(ew));
  const std::int64_t ah = std::llabs(static_cast<std::int64_t>(eh));
  g.ew = static_cast<std::int32_t>(std::min<std::int64_t>({aw, g.width, kEllipseLimit}));
  g.eh = static_cast<std::int32_t>(std::min<std::int64_t>({ah, g.height, kEllipseLimit}));
  return g;
}

}  // namespace

namespace raster_detail {

std::vector<std::int32_t> EllipseInsets(std::int32_t ew, std::int32_t eh, std::int32_t* tipRows) {
  // Step walk over the quarter ellipse inside the box [0, ew - 1] x [0, eh - 1],
  // moving from the middle rows outwards; err is the scaled distance of the
  // next candidate from the ellipse. Rows are marked with the smallest x seen.
  std::vector<std::int32_t> inset(static_cast<std::size_t>(eh), std::numeric_limits<std::int32_t>::max());
  const std::int64_t a = ew - 1, b = eh - 1, bOdd = b & 1;
  std::int64_t dx = 4 * (1 - a) * b * b;
  std::int64_t dy = 4 * (bOdd + 1) * a * a;
  std::int64_t err = dx + dy + bOdd * a * a;
  std::int64_t x0 = 0, x1 = a;
  std::int64_t yDown = (b + 1) / 2, yUp = yDown - bOdd;
  const std::int64_t stepY = 8 * a * a, stepX = 8 * b * b;
  auto mark = [&](std::int64_t y, std::int64_t x) {
    if (y < 0 || y >= eh) return false;
    std::int32_t& v = inset[static_cast<std::size_t>(y)];
    const bool fresh = v == std::numeric_limits<std::int32_t>::max();
    v = std::min<std::int32_t>(v, static_cast<std::int32_t>(x));
    return fresh;
  };
  do {
    mark(yDown, x0);
    mark(yUp, x0);
    const std::int64_t e2 = 2 * err;
    if (e2 <= dy) {
      ++yDown;
      --yUp;
      dy += stepY;
      err += dy;
    }
    if (e2 >= dx) {
      ++x0;
      --x1;
      dx += stepX;
      err += dx;
    }
  } while (x0 <= x1);
  std::int32_t completedDown = 0, completedUp = 0;
  while (yDown - yUp <= b) {  // thin ends of a tall ellipse
    if (mark(yDown, x0 - 1)) ++completedDown;
    if (mark(yUp, x0 - 1)) ++completedUp;
    ++yDown;
    --yUp;
  }
  if (tipRows != nullptr) *tipRows = std::max(completedDown, completedUp);
  for (std::int32_t& v : inset) {
    if (v == std::numeric_limits<std::int32_t>::max()) v = 0;
  }
  return inset;
}

TipRows RoundRectTipRows(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom, std::int32_t ew,
                         std::int32_t eh) {
  const RoundRectGeometry g = Normalise(left, top, right, bottom, ew, eh);
  TipRows rows;
  if (g.width <= 0 || g.height <= 0 || g.ew < 1 || g.eh < 1) return rows;
  std::int32_t k = 0;
  EllipseInsets(g.ew, g.eh, &k);
  if (k == 0) return rows;
  // As Region::RoundRect takes the ellipse's rows: its first k rows for the
  // top corners, its last k for the bottom ones.
  const std::int32_t topRows = std::min((g.eh + 1) / 2, g.height);
  const std::int32_t bottomStart = std::max(topRows, g.height - (g.eh + 1) / 2);
  rows.top = {g.top, g.top + std::min(k, topRows)};
  rows.bottom = {g.top + std::max(bottomStart, g.height - k), g.top + g.height};
  return rows;
}

bool RoundRectUsesEllipseTips(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                              std::int32_t ew, std::int32_t eh) {
  const TipRows rows = RoundRectTipRows(left, top, right, bottom, ew, eh);
  return rows.top.first < rows.top.second || rows.bottom.first < rows.bottom.second;
}

}  // namespace raster_detail

Region Region::RoundRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                         std::int32_t ew, std::int32_t eh) {
  const RoundRectGeometry g = Normalise(left, top, right, bottom, ew, eh);
  RegionBuilder builder;
  if (g.width <= 0 || g.height <= 0) return builder.Finish();
  const std::int32_t right1 = g.left + g.width;
  if (g.ew < 1 || g.eh < 1) {
    const Span s{g.left, right1};
    builder.AddRows(g.top, g.top + g.height, &s, 1);
    return builder.Finish();
  }
  const std::vector<std::int32_t> inset = raster_detail::EllipseInsets(g.ew, g.eh, nullptr);
  // Rows i with 2i < eh take ellipse row i (top corners); rows counted from
  // the bottom likewise take the ellipse's bottom rows. Both can hold only
  // when eh equals the height, and then they name the same ellipse row.
  const std::int32_t cornerRows = (g.eh + 1) / 2;
  const std::int32_t topRows = std::min(cornerRows, g.height);
  for (std::int32_t i = 0; i < topRows; ++i) {
    const std::int32_t in = inset[static_cast<std::size_t>(i)];
    const Span s{g.left + in, right1 - in};
    if (s.Left < s.Right) builder.AddRows(g.top + i, g.top + i + 1, &s, 1);
  }
  const std::int32_t bottomStart = std::max(topRows, g.height - cornerRows);
  if (bottomStart > topRows) {
    const Span s{g.left, right1};
    builder.AddRows(g.top + topRows, g.top + bottomStart, &s, 1);
  }
  for (std::int32_t i = bottomStart; i < g.height; ++i) {
    const std::int32_t fromBottom = g.height - 1 - i;
    const std::int32_t in = inset[static_cast<std::size_t>(g.eh - 1 - fromBottom)];
    const Span s{g.left + in, right1 - in};
    if (s.Left < s.Right) builder.AddRows(g.top + i, g.top + i + 1, &s, 1);
  }
  return builder.Finish();
}

Region Region::Polygon(const TPoint* points, std::size_t count) {
  return PolyPolygon(points, &count, points == nullptr ? 0 : 1);
}

Region Region::PolyPolygon(const TPoint* points, const std::size_t* counts, std::size_t polygons) {
  RegionBuilder builder;
  struct Edge {
    std::int64_t x0, y0, x1, y1;  // y0 < y1
    int dir;
  };
  std::vector<Edge> edges;
  std::int64_t minY = std::numeric_limits<std::int64_t>::max();
  std::int64_t maxY = std::numeric_limits<std::int64_t>::min();
  for (std::size_t k = 0; k < polygons; points += counts[k], ++k) {
    const std::size_t count = counts[k];
    if (count < 3) continue;  // no area
    for (std::size_t i = 0; i < count; ++i) {
      const TPoint& p = points[i];
      const TPoint& q = points[(i + 1) % count];
      const std::int64_t px = ClampCoord(p.X), py = ClampCoord(p.Y);
      const std::int64_t qx = ClampCoord(q.X), qy = ClampCoord(q.Y);
      if (py == qy) continue;  // horizontal edges cross no row
      if (py < qy) {
        edges.push_back(Edge{px, py, qx, qy, 1});
      } else {
        edges.push_back(Edge{qx, qy, px, py, -1});
      }
      minY = std::min({minY, py, qy});
      maxY = std::max({maxY, py, qy});
    }
  }
  if (edges.empty()) return builder.Finish();
  std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.y0 < b.y0; });

  struct Crossing {
    std::int64_t x;
    int dir;
  };
  std::vector<const Edge*> active;
  std::vector<Crossing> cross;
  std::vector<Span> row;
  std::size_t nextEdge = 0;
  for (std::int64_t y = minY; y < maxY; ++y) {
    while (nextEdge < edges.size() && edges[nextEdge].y0 <= y) active.push_back(&edges[nextEdge++]);
    active.erase(std::remove_if(active.begin(), active.end(), [y](const Edge* e) { return e->y1 <= y; }),
                 active.end());
    cross.clear();
    for (const Edge* e : active) {
      const std::int64_t x = e->x0 + CeilDiv((y - e->y0) * (e->x1 - e->x0), e->y1 - e->y0);
      cross.push_back(Crossing{x, e->dir});
    }
    std::sort(cross.begin(), cross.end(), [](const Crossing& a, const Crossing& b) { return a.x < b.x; });
    row.clear();
    int winding = 0;
    std::int64_t start = 0;
    for (const Crossing& c : cross) {
      const int before = winding;
      winding += c.dir;
      if (before == 0 && winding != 0) {
        start = c.x;
      } else if (before != 0 && winding == 0 && c.x > start) {
        const Span s{static_cast<std::int32_t>(start), static_cast<std::int32_t>(c.x)};
        if (!row.empty() && row.back().Right >= s.Left) {
          row.back().Right = std::max(row.back().Right, s.Right);
        } else {
          row.push_back(s);
        }
      }
    }
    builder.AddRows(static_cast<std::int32_t>(y), static_cast<std::int32_t>(y + 1), row.data(), row.size());
  }
  return builder.Finish();
}

}  // namespace kestro
