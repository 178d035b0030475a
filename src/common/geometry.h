#pragma once

#include <algorithm>
#include <cstdint>

namespace kestro {

struct TPoint {
  std::int32_t X = 0;
  std::int32_t Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

// A rectangle (Left, Top, Right, Bottom): Right and Bottom are exclusive,
// the origin is top-left and y grows downwards.
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
  constexpr TRect Intersect(const TRect& o) const {
    return {std::max(Left, o.Left), std::max(Top, o.Top), std::min(Right, o.Right),
            std::min(Bottom, o.Bottom)};
  }
  friend bool operator==(const TRect&, const TRect&) = default;
};

constexpr TRect RectOfSize(std::int32_t width, std::int32_t height) { return {0, 0, width, height}; }

}  // namespace kestro
