#pragma once

#include <cstdint>
#include <vector>

#include "raster/bitmap24.h"
#include "transition/effect.h"

namespace kestro {

// One frame of a change, drawn without a window system: what the display
// component composes after it has put the old picture over the screen
// bitmap. The display component, kestro-effects and the conformance programs
// all draw frames through DrawEffectFrame.
struct EffectFrame {
  EffectPlan plan;              // the frame's plan, its storage kept from frame to frame
  std::vector<TRect> changed;   // what the last frame may have changed, in picture coordinates
};

// Whether the component hands effect `number` to its table routine (128 to
// 150) rather than drawing the number's plan itself (1 to 127).
constexpr bool DrawnByRoutine(int number) { return number >= 128; }

// Draws the frame of built effect `number` at `progress` (0..100) onto
// screen, which holds the old picture, from newPicture (same size). Numbers
// 1 to 127 are planned at every progress, 0 and 100 included, so a random
// effect makes its draws at every frame: the copies before the frame's own
// drawing are made at every progress, the frame's own drawing at 1 to 99,
// and at 100 the whole new picture goes up. Numbers 128 to 150 call their
// table routine at 1 to 99 only. frame.changed receives the rectangles to
// repaint. False, with nothing drawn, for a number that is not built.
bool DrawEffectFrame(int number, Bitmap24& screen, const Bitmap24& newPicture, std::uint16_t step,
                     std::int32_t progress, EffectFrame& frame);

// Draws a whole plan onto the screen bitmap, as the table routines do.
void DrawPlan(const EffectPlan& plan, int number, const TEffectExtents& extents, std::int32_t progress,
              Bitmap24& screen, const Bitmap24& newPicture);

// Makes one copy of a plan onto the screen bitmap: a plain stretch copy, a
// mirrored copy (MirroredCopy), or for Source::kScreen a copy within the
// screen bitmap that reads the source as it was before the copy.
void DrawCopy(const RectCopy& copy, Bitmap24& screen, const Bitmap24& newPicture);

// The part of bounds (the screen bitmap's rectangle) that a copy can change:
// its destination, widened by one pixel beyond each mirrored edge for a
// mirrored copy. Empty when the copy draws nothing there.
TRect CopyArea(const RectCopy& copy, const TRect& bounds);

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
