#pragma once

#include <cstdint>
#include <vector>

#include "raster/bitmap24.h"
#include "raster/geometry.h"
#include "raster/region.h"

namespace kestro {

// The platform's plain pixel stretch (nearest source pixel, source copy).
// dstRect and srcRect are (Left, Top, Right, Bottom) and are read as the
// platform's stretch call reads (x, y, width, height) with width = Right -
// Left and height = Bottom - Top: a negative width or height (edges swapped)
// mirrors the copy, and then the rectangle covers x + width + 1 .. x. The
// destination is clipped to dst without changing the scale; a source
// reaching outside src is cut to src together with the destination part it
// maps to. dst and src may be the same bitmap: the source is read as it was
// before the copy. Exact rules in stretch.cpp.
void StretchCopy(Bitmap24& dst, const TRect& dstRect, const Bitmap24& src, const TRect& srcRect);

// The same copy, writing only the pixels of dst inside clip.
void StretchCopy(Bitmap24& dst, const TRect& dstRect, const Bitmap24& src, const TRect& srcRect,
                 const Region& clip);

// One axis of a stretch: for every destination position first .. first +
// size - 1 that is drawn, the source position it takes.
struct StretchAxis {
  std::int32_t first = 0;
  std::vector<std::int32_t> source;
  bool Empty() const { return source.empty(); }
};

// Builds one axis. srcSize and dstSize are the bitmaps' extents along the
// axis; (srcPos, srcLen) and (dstPos, dstLen) the call's position and signed
// length; vertical selects the row rules (the platform rounds rows and
// columns differently when shrinking).
StretchAxis BuildStretchAxis(std::int32_t srcSize, std::int32_t dstSize, std::int32_t srcPos,
                             std::int32_t srcLen, std::int32_t dstPos, std::int32_t dstLen, bool vertical);

namespace raster_detail {
// Lets StretchCopy use the processor's byte shuffles when it has them (the
// default) or not; true when they are in use. For tests of both row copiers.
bool UseByteShuffle(bool allowed);
}  // namespace raster_detail

}  // namespace kestro
