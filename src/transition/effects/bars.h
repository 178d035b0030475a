#pragma once

#include <cstdint>
#include <vector>

#include "raster/region.h"
#include "transition/effect.h"

namespace kestro {

// The bars builder: the union of the bars for the current horizontal bar
// length XLen and vertical bar length YLen on a W x H picture, the rows
// growing as RowKind says and the columns as ColumnKind says (0 none, 1 from
// the right or bottom, 2 from the left or top, 3 alternately from both ends
// in one pass, 4 left/top then right/bottom, 5 right/bottom then left/top),
// first-pass bars snapping to full length within Snap pixels of it.
Region BarsRegion(std::int32_t XLen, std::int32_t YLen, std::int32_t W, int ColumnKind, int RowKind, std::int32_t Snap,
                  std::int32_t H);
// The same bars as rectangles, rows first, each pass in order.
std::vector<TRect> BarRects(std::int32_t XLen, std::int32_t YLen, std::int32_t W, int ColumnKind, int RowKind,
                            std::int32_t Snap, std::int32_t H);

// The rectangles whose union is the clip of a bar effect's frame; with
// `intersect` the clip is the common part of that union and the union of
// `common`.
struct BarsRecipe {
  std::vector<TRect> rects;
  std::vector<TRect> common;
  bool intersect = false;
};
// False for a number that is not a bar effect.
bool BarsRecipeOf(int number, const TEffectExtents& e, BarsRecipe& recipe);

}  // namespace kestro
