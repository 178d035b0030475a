#include "transition/animate_thread.h"

#include "platform/api/clock.h"

namespace kestro {

void TAnimateThread::Body() {
  bool done = false;
  while (!terminated_ && !owner_.manual_ && !owner_.stopping_) {
    const std::uint32_t t0 = platform::GetTickCount();
    bool stepDone = false;
    try {
      loop_.Synchronize([&] {
        owner_.inHandOff_ = true;
        try {
          owner_.AnimateStep();
        } catch (...) {
          // One failed frame does not end the change.
        }
        owner_.inHandOff_ = false;
        stepDone = owner_.ChangeDone();
      });
    } catch (...) {
    }
    const std::uint32_t t1 = platform::GetTickCount();
    if (stepDone) {
      done = true;
      Terminate();
    } else {
      const std::uint32_t elapsed = t1 - t0;
      const std::uint16_t delay = owner_.delay_;
      if (elapsed < delay) platform::Sleep(delay - elapsed);
    }
  }
  try {
    loop_.Synchronize([&] { owner_.AnimateThreadEnded(*this, done); });
  } catch (...) {
  }
}

}  // namespace kestro
