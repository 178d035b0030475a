#pragma once

#include <cstddef>
#include <cstdint>

#include "common/angles.h"
#include "common/geometry.h"
#include "raster/bitmap24.h"

namespace kestro {

// One row of the blend: each byte of `screen` becomes
// screen * (100 - p) div 100 + p * fresh div 100 (p = progress, 0..100).
void BlendBytes(std::uint8_t* screen, const std::uint8_t* fresh, std::size_t count, std::int32_t progress);

// The pivot point of effect 119 to 122 for a Wn x Hn new picture: one pixel
// outside the named corner.
TPoint PivotOf(int number, std::int32_t Wn, std::int32_t Hn);

// Where the pixels of a pivot frame come from: screen pixel (x, y) takes the
// new picture's pixel (x0 + nearest(dx cos - dy sin), y0 + nearest(dx sin +
// dy cos)), dx = x - x0, dy = y - y0, for the angle (100 - p) pi / 200 and
// nearest() exact with halves to even (common/angles.h). Most pixels are
// decided in 64-bit fixed point, whose error is bounded; a pixel whose
// fixed-point value lies within that bound of a half is decided exactly, so
// the result is always the exact one.
class PivotMapping {
 public:
  // Effect 119 to 122 at progress 0..100 over a Wn x Hn new picture.
  PivotMapping(int number, std::int32_t Wn, std::int32_t Hn, std::int32_t progress);

  TPoint Pivot() const { return pivot_; }
  // The source of screen pixel (x, y), for x in 0..Wn - 1, y in 0..Hn - 1.
  TPoint Source(std::int32_t x, std::int32_t y) const;
  // The same from the exact computation alone.
  TPoint ExactSource(std::int32_t x, std::int32_t y) const;
  // How many sources of the last Draw were decided exactly.
  std::int64_t ExactCount() const { return exact_; }

  // Draws the frame: screen pixels whose source lies in both bitmaps take
  // it; only pixels inside both bitmaps are visited. kPortable keeps to the
  // path without vector instructions (what a build without SSE2 runs).
  enum class PivotPath { kBest, kPortable };
  void Draw(Bitmap24& screen, const Bitmap24& newPicture, PivotPath path = PivotPath::kBest);

 private:
  bool Near(std::int64_t value) const;
  // Draws the pixels x = a .. b - 1 of row y (all with sources in the
  // picture, whose rows have padding when `padded`); returns how many were
  // decided exactly.
  std::int64_t DrawRun(std::int32_t y, std::int32_t a, std::int32_t b, std::uint8_t* row, const std::uint8_t* source,
                       std::ptrdiff_t stride, bool padded) const;
  // The same four pixels at a time from a, over whole blocks of four below
  // b, reading four bytes a pixel; `reached` gets the first pixel not drawn.
  std::int64_t DrawRunVector(std::int32_t y, std::int32_t a, std::int32_t b, std::uint8_t* row,
                             const std::uint8_t* source, std::ptrdiff_t stride, std::int32_t& reached) const;
  // Whether the run may read each source pixel as four bytes.
  bool WideReads(std::int32_t y, std::int32_t a, std::int32_t b, bool padded) const;
  TPoint pivot_;
  std::int32_t Wn_, Hn_;
  AngleCosSin angle_;
  std::int64_t cos_ = 0, sin_ = 0;  // cosine and sine in fixed point
  std::uint64_t margin_ = 0;        // bound of the fixed-point error, in fixed-point units
  std::int64_t exact_ = 0;
};

namespace blend_detail {
// The ways BlendBytes blends: without vector instructions (the i686 build,
// compiled for any x86, on a processor without AVX2), and, where built, 16
// bytes at a time with SSE2 and 32 at a time with AVX2 (used where the
// processor has it). The vector ones blend a whole number of their blocks
// and return how many bytes that was.
void BlendBytesPortable(std::uint8_t* screen, const std::uint8_t* fresh, std::size_t count, std::int32_t progress);
#if defined(__SSE2__)
std::size_t BlendBytesSse2(std::uint8_t* screen, const std::uint8_t* fresh, std::size_t count, std::int32_t progress);
#endif
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
std::size_t BlendBytesAvx2(std::uint8_t* screen, const std::uint8_t* fresh, std::size_t count, std::int32_t progress);
bool HasAvx2();
#endif
}  // namespace blend_detail

}  // namespace kestro
