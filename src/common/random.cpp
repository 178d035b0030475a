#include "common/random.h"

#include <chrono>

namespace kestro {

std::uint32_t RandomState = 0;

std::int32_t RandomBelow(std::int32_t n) {
  RandomState = RandomState * 134775813u + 1u;
  if (n <= 1) return 0;
  const std::uint64_t product =
      static_cast<std::uint64_t>(RandomState) * static_cast<std::uint64_t>(n);
  return static_cast<std::int32_t>(product >> 32);
}

void SeedRandomFromClock() {
  using namespace std::chrono;
  const auto now = system_clock::now().time_since_epoch();
  const auto msOfDay = duration_cast<milliseconds>(now).count() % (24LL * 60 * 60 * 1000);
  // Equal to ((hour * 60 + minute) * 60 + second) * 1000 + millisecond.
  RandomState = static_cast<std::uint32_t>(msOfDay);
}

}  // namespace kestro
