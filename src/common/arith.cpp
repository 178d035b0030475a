#include "common/arith.h"

#include <cmath>
#include <limits>

namespace kestro {

std::int32_t MulDiv(std::int32_t x, std::int32_t y, std::int32_t z) {
  if (z == 0) return -1;
  const std::int64_t product = static_cast<std::int64_t>(x) * y;
  const bool negative = (product < 0) != (z < 0);
  const std::uint64_t num = product < 0 ? static_cast<std::uint64_t>(-(product + 1)) + 1
                                        : static_cast<std::uint64_t>(product);
  const std::uint64_t den = z < 0 ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(z))
                                  : static_cast<std::uint64_t>(z);
  const std::uint64_t q = (num + den / 2) / den;  // halves away from zero
  // (num + den/2) rounds a half up only when den is even; an odd den never
  // produces an exact half, so this is exact rounding.
  if (negative) {
    if (q > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) + 1) return -1;
    return static_cast<std::int32_t>(-static_cast<std::int64_t>(q));
  }
  if (q > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) return -1;
  return static_cast<std::int32_t>(q);
}

std::int64_t RoundHalfEven(double value) {
  const double floor = std::floor(value);
  const double fraction = value - floor;
  auto whole = static_cast<std::int64_t>(floor);
  if (fraction > 0.5 || (fraction == 0.5 && (whole & 1) != 0)) ++whole;
  return whole;
}

std::int64_t RoundHalfEvenQuotient(std::int64_t num, std::int64_t den) {
  const std::int64_t q = num / den;
  const std::int64_t twiceRest = 2 * (num % den);
  if (twiceRest > den || (twiceRest == den && q % 2 != 0)) return q + 1;
  return q;
}

}  // namespace kestro
