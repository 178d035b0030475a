#pragma once

#include <cstdint>

#include "raster/bitmap24.h"
#include "transition/effect.h"

namespace kestro {

// The rectangle-copy effects: numbers 1 to 57 and the push effects 128 to 135.
// Each frame is one to four rectangle copies onto the screen bitmap.
bool IsRectCopyEffect(int number);

// Replaces plan with the copies of one frame of rectangle-copy effect
// `number`, in drawing order. False (plan untouched) for other numbers.
bool PlanRectCopy(int number, const TEffectExtents& e, EffectPlan& plan);

// Width of the roll at the moving edge of the unroll effects, for a picture
// `extent` long of which `uncovered` is uncovered: it grows with the
// uncovered part at the start, shrinks into the far edge at the end, and is a
// tenth of the picture in between.
std::int32_t RollWidth(std::int32_t extent, std::int32_t uncovered);

// Copies srcRect of src mirrored into dstRect of dst. srcRect is first cut
// to src; the mirrored image then covers dstRect widened by one pixel beyond
// each of the two mirrored edges: for a horizontal mirror of (l, t, r, b) the
// columns l - 1 to r, rows t to b - 1, the source stretched over those
// r - l + 2 columns from right to left (a vertical mirror likewise with the
// rows). Only the part inside dst is drawn; an empty source draws nothing.
// dst and src may be the same bitmap.
void MirroredCopy(Bitmap24& dst, const TRect& dstRect, const Bitmap24& src, const TRect& srcRect,
                  RectCopy::Mirror mirror);

}  // namespace kestro
