#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/geometry.h"
#include "raster/region.h"
#include "transition/effect.h"

namespace kestro {

// What the clip of a shape effect's frame is made of: the union of the
// rounded rectangles (the platform's rounded-rectangle regions, corner
// ellipse ew x eh) and the polygons (winding rule), and with `xorPicture`
// that union XOR the picture rectangle (0, 0, W, H).
struct ShapeRecipe {
  struct RoundRect {
    TRect rect;
    std::int32_t ew = 0;
    std::int32_t eh = 0;
  };
  std::vector<RoundRect> roundRects;
  std::vector<TPoint> points;        // the polygons' points, one polygon after another
  std::vector<std::size_t> counts;   // how many points each polygon has
  bool xorPicture = false;

  void Clear();
};

// The recipe of a shape effect's frame; false for other numbers.
bool ShapeRecipeOf(int number, const TEffectExtents& e, std::int32_t progress, ShapeRecipe& recipe);

// The region a recipe describes on a W x H picture.
Region ShapeRegion(const ShapeRecipe& recipe, std::int32_t W, std::int32_t H);

// The polygon region (winding rule) through three points.
Region TriangleRegion(TPoint p0, TPoint p1, TPoint p2);

// Turns each point about `centre` by the angle steps * pi / 200 (clockwise on
// the screen for a positive angle, y growing downwards):
//   x' = x0 + nearest(cos * (x - x0) - sin * (y - y0))
//   y' = y0 + nearest(sin * (x - x0) + cos * (y - y0))
// both from the unturned point, nearest() exact with halves to even, the
// cosine and sine those of common/angles.h.
void RotatePoints(TPoint* points, std::size_t count, TPoint centre, std::int32_t steps);

}  // namespace kestro
