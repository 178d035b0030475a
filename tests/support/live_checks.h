#pragma once

// Checks for the test programs that run on the platform's real window system
// and clock (under wine): each check prints "ok: ..." or "FAIL: ...", and the
// program's exit status says whether any failed.

#include <cstdint>
#include <cstdio>

#include "platform/api/clock.h"
#include "platform/api/ui.h"

namespace kestro::testing {

inline int& LiveFailures() {
  static int failures = 0;
  return failures;
}

inline void Check(bool ok, const char* what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAIL", what);
  if (!ok) ++LiveFailures();
}

// Prints how many checks failed; the program's exit status: 0 when none.
inline int CheckSummary() {
  std::printf("%d failure(s)\n", LiveFailures());
  return LiveFailures() == 0 ? 0 : 1;
}

// Serves the event loop until `done` holds or `limit` milliseconds passed.
template <typename Pred>
void RunUntil(platform::EventLoop& loop, Pred done, std::uint32_t limit) {
  const std::uint32_t t0 = platform::GetTickCount();
  while (!done() && platform::GetTickCount() - t0 < limit) {
    loop.ProcessMessages();
    platform::Sleep(1);
  }
}

}  // namespace kestro::testing
