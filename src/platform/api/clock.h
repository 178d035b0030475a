#pragma once

#include <cstdint>

namespace kestro::platform {

// Milliseconds since some start, wrapping at 2^32 (the platform's tick count),
// and sleeping. The headless backend runs on a manual clock.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::uint32_t TickCount() = 0;
  // Blocks the calling thread for the given milliseconds.
  virtual void Sleep(std::uint32_t milliseconds) = 0;
};

Clock& TheClock();
// Installs a clock (tests install a manual one); nullptr restores the native one.
void InstallClock(Clock* clock);
inline std::uint32_t GetTickCount() { return TheClock().TickCount(); }
inline void Sleep(std::uint32_t milliseconds) { TheClock().Sleep(milliseconds); }

}  // namespace kestro::platform
