#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <thread>

#include "platform/native.h"

namespace kestro::platform {

namespace {

class PosixThread final : public Thread {
 public:
  PosixThread(std::function<void()> body, ThreadPriority priority) {
    thread_ = std::thread([this, body = std::move(body), priority] {
      // Only lowering is open to ordinary users: idle and low priorities map
      // to the idle scheduling class, the others keep the default.
      if (priority == ThreadPriority::tpIdle || priority == ThreadPriority::tpLowest) {
        sched_param param{};
        pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
      }
      try {
        body();
      } catch (...) {
      }
      finished_ = true;
    });
  }
  ~PosixThread() override { Join(); }
  PosixThread(const PosixThread&) = delete;
  PosixThread& operator=(const PosixThread&) = delete;

  void Join() override {
    if (thread_.joinable()) thread_.join();
  }
  bool Finished() const override { return finished_; }

 private:
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

}  // namespace

std::unique_ptr<Thread> StartNativeThread(std::function<void()> body, ThreadPriority priority) {
  return std::make_unique<PosixThread>(std::move(body), priority);
}

// The Linux build has no window system yet: the show runs on Windows, and on
// the headless backend in tests.
std::unique_ptr<WindowSystem> CreateNativeWindowSystem() { return nullptr; }

}  // namespace kestro::platform
