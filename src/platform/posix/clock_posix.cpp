#include <chrono>
#include <thread>

#include "platform/native.h"

namespace kestro::platform {

namespace {

class SteadyClock final : public Clock {
 public:
  std::uint32_t TickCount() override {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
  }
  void Sleep(std::uint32_t milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
};

}  // namespace

std::unique_ptr<Clock> CreateNativeClock() { return std::make_unique<SteadyClock>(); }

}  // namespace kestro::platform
