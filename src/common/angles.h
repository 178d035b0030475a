#pragma once

#include <cstdint>

namespace kestro {

// The turning effects use angles that are whole multiples of pi / 200: the
// pivots' (100 - p) pi / 200, the rotations' p pi / 50 and the clock sweeps'
// steps of pi / 50. Their cosines and sines are held as the extended type
// holds them: the value with a 64-bit significand nearest to the exact one,
// from a table written out as integers. Products and sums of these values
// are then taken exactly, in integers, so nearest() gives the same result on
// every build and processor, whatever the platform's sinl and cosl return and
// whatever precision its floating-point unit runs at.

// significand * 2^-scale, negated when `negative`; significand 0 is zero.
struct AngleValue {
  std::uint64_t significand = 0;
  std::int32_t scale = 0;
  bool negative = false;

  AngleValue operator-() const { return AngleValue{significand, scale, !negative}; }
  // The value as a long double (exact: 64-bit significands fit it).
  long double ToLongDouble() const;
};

struct AngleCosSin {
  AngleValue cos;
  AngleValue sin;
};

// Angles in steps of pi / 200.
inline constexpr std::int32_t kHalfTurnSteps = 200;

// cos and sin of steps * pi / 200, for any whole number of steps.
AngleCosSin CosSinOfSteps(std::int32_t steps);

// nearest(a * x + b * y) for the exact value of the sum: the nearest
// integer, halves to the even neighbour.
std::int64_t NearestOfSum(std::int32_t a, const AngleValue& x, std::int32_t b, const AngleValue& y);

// round(v * 2^bits), halves away from zero, for bits from 0 to 62: a
// fixed-point copy of v within 2^-(bits + 1) of it.
std::int64_t FixedPoint(const AngleValue& v, int bits);

}  // namespace kestro
