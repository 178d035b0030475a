#pragma once

#include <cstdint>

namespace kestro {

// x * y / z with a 64-bit intermediate, rounded to the nearest integer, halves
// away from zero. Returns -1 when z is 0 or the result does not fit 32 bits,
// as the platform's MulDiv does.
std::int32_t MulDiv(std::int32_t x, std::int32_t y, std::int32_t z);

// Integer division truncating toward zero ("div").
constexpr std::int32_t Div(std::int32_t a, std::int32_t b) { return a / b; }

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
std::int64_t RoundHalfEven(double value);
// The same for the exact quotient num / den (den > 0, num >= 0), in integers.
std::int64_t RoundHalfEvenQuotient(std::int64_t num, std::int64_t den);

}  // namespace kestro
