#pragma once

#include <algorithm>
#include <cstdint>

namespace kestro {

struct TPoint {
  std::int32_t X = 0;
  std::int32_t Y = 0;
  friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
};

// A rectangle (Left, Top, Right, Bottom): Right and Bottom are exclusive, the
// origin is top-left and y grows downwards. A rectangle whose Right is not
// greater than its Left (or Bottom not greater than Top) covers no pixel.
struct TRect {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;

  constexpr std::int32_t Width() const { return Right - Left; }
  constexpr std::int32_t Height() const { return Bottom - Top; }
  constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  constexpr TRect Offset(std::int32_t dx, std::int32_t dy) const {
    return {Left + dx, Top + dy, Right + dx, Bottom + dy};
  }
  // The common part; empty rectangles give an empty result.
  constexpr TRect Intersect(const TRect& o) const {
    const TRect r{std::max(Left, o.Left), std::max(Top, o.Top), std::min(Right, o.Right),
                  std::min(Bottom, o.Bottom)};
    return r.IsEmpty() ? TRect{} : r;
  }
  friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

constexpr TRect Rect(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) { return TRect{l, t, r, b}; }
constexpr TRect RectOfSize(std::int32_t width, std::int32_t height) { return {0, 0, width, height}; }
constexpr TRect Intersect(const TRect& a, const TRect& b) { return a.Intersect(b); }

}  // namespace kestro
