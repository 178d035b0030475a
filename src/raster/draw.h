#pragma once

#include <cstdint>

#include "raster/bitmap24.h"
#include "raster/geometry.h"
#include "raster/region.h"

namespace kestro {

// Unscaled rectangle copy (source copy): the width x height pixels of src at
// (srcX, srcY) go to (dstX, dstY). Both ends are clipped to their bitmaps; a
// pixel is copied only when both its source and its destination exist.
// dst and src may be the same bitmap, overlapping or not.
void CopyRect(Bitmap24& dst, std::int32_t dstX, std::int32_t dstY, std::int32_t width, std::int32_t height,
              const Bitmap24& src, std::int32_t srcX, std::int32_t srcY);

// The whole of src, unscaled, with its top-left corner at (x, y).
void Draw(Bitmap24& dst, std::int32_t x, std::int32_t y, const Bitmap24& src);

// Like Draw, but pixels of src whose colour is transparent are left out.
void DrawTransparent(Bitmap24& dst, std::int32_t x, std::int32_t y, const Bitmap24& src, TColor transparent);

// Fills rect with pattern repeated from the bitmap's origin: pixel (x, y)
// takes pattern pixel (x mod pw, y mod ph). An empty pattern draws nothing.
void TiledFill(Bitmap24& dst, const TRect& rect, const Bitmap24& pattern);

// Draws the whole newPicture at (0, 0) onto screen through region: exactly
// the pixels inside region, screen and newPicture change.
void DrawThroughRegion(Bitmap24& screen, const Bitmap24& newPicture, const Region& region);

}  // namespace kestro
