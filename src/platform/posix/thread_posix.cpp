#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <thread>

#include "platform/native.h"

namespace kestro::platform {

namespace {

SyncServingWait syncServingWait = nullptr;

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
    if (!thread_.joinable()) return;
    // A worker blocked in a synchronous call to the main thread could never
    // end while the main thread only waits: the window system serves those
    // calls meanwhile.
    if (syncServingWait != nullptr && std::this_thread::get_id() != thread_.get_id()) {
      syncServingWait([this] { return finished_.load(); });
    }
    thread_.join();
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

void InstallSyncServingWait(SyncServingWait wait) { syncServingWait = wait; }

}  // namespace kestro::platform
