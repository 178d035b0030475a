#pragma once

#include <cstdint>

namespace kestro {

// The one process-wide pseudo-random generator: the runner, the list and
// music shuffles and the random effects all draw from it, so a seeded state
// reproduces a whole show.
extern std::uint32_t RandomState;

// Advances the generator (RandomState * 134775813 + 1, modulo 2^32) and
// returns a value from 0 to n - 1: the high 32 bits of RandomState * n.
// Returns 0 for n of 0 or 1 (and for negative n); the state advances anyway.
std::int32_t RandomBelow(std::int32_t n);

// Seeds from the time of day (UTC): ((h * 60 + m) * 60 + s) * 1000 + ms.
void SeedRandomFromClock();

}  // namespace kestro
