#pragma once

#include <cstdint>

namespace kestro {

// A colour as the platform stores it: 0x00BBGGRR (red in the low byte).
// Values with a non-zero high byte (system colours and the like) are not
// pixel colours; they must be resolved by the platform before they reach a
// bitmap. The pixel helpers below use only the low three bytes.
using TColor = std::uint32_t;

constexpr TColor RGBColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}
constexpr std::uint8_t RedOf(TColor c) { return static_cast<std::uint8_t>(c & 0xFF); }
constexpr std::uint8_t GreenOf(TColor c) { return static_cast<std::uint8_t>((c >> 8) & 0xFF); }
constexpr std::uint8_t BlueOf(TColor c) { return static_cast<std::uint8_t>((c >> 16) & 0xFF); }

// A 24-bit pixel in memory order: blue, green, red.
struct Bgr {
  std::uint8_t b = 0, g = 0, r = 0;
  friend constexpr bool operator==(const Bgr&, const Bgr&) = default;
};

constexpr Bgr ToBgr(TColor c) { return Bgr{BlueOf(c), GreenOf(c), RedOf(c)}; }
constexpr TColor FromBgr(Bgr p) { return RGBColor(p.r, p.g, p.b); }

}  // namespace kestro
