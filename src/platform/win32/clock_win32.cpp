#include <windows.h>

#include "platform/native.h"

namespace kestro::platform {

namespace {

class Win32Clock final : public Clock {
 public:
  std::uint32_t TickCount() override { return ::GetTickCount(); }
  void Sleep(std::uint32_t milliseconds) override { ::Sleep(milliseconds); }
};

}  // namespace

std::unique_ptr<Clock> CreateNativeClock() { return std::make_unique<Win32Clock>(); }

}  // namespace kestro::platform
