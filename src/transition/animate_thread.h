#pragma once

#include <atomic>
#include <memory>

#include "platform/api/thread.h"
#include "platform/api/ui.h"
#include "transition/vorelscreen.h"

namespace kestro {

// Paces a change: measures time, hands each step to the main thread and waits
// until it has run, sleeps for the rest of the frame period. It never touches
// a bitmap. Its end notification (the completion step) runs on the main thread.
class TAnimateThread {
 public:
  TAnimateThread(TCustomVorelscreen& owner, TThreadPriority priority)
      : owner_(owner), loop_(platform::UI().Loop()) {
    thread_ = platform::StartThread([this] { Body(); }, priority);
  }
  TAnimateThread(const TAnimateThread&) = delete;
  TAnimateThread& operator=(const TAnimateThread&) = delete;
  ~TAnimateThread() = default;  // the platform thread joins when it is freed

  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  // Waits until the body and its end notification have run; on the main
  // thread the wait serves the worker's hand-offs.
  void WaitFor() { thread_->Join(); }
  bool Finished() const { return thread_->Finished(); }

 private:
  void Body();

  TCustomVorelscreen& owner_;
  platform::EventLoop& loop_;
  std::atomic<bool> terminated_{false};
  std::unique_ptr<platform::Thread> thread_;
};


}  // namespace kestro
