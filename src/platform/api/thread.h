#pragma once

#include <functional>
#include <memory>

namespace kestro::platform {

// Thread priorities, lowest to highest.
enum class ThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// A worker thread. Destroying a thread that still runs waits for it.
class Thread {
 public:
  virtual ~Thread() = default;
  // Waits until the body has returned. On the main thread the wait keeps
  // serving the event loop's synchronous calls, so a worker blocked in
  // EventLoop::Synchronize can finish.
  virtual void Join() = 0;
  virtual bool Finished() const = 0;
};

// Starts `body` on a new thread at the given priority.
std::unique_ptr<Thread> StartThread(std::function<void()> body, ThreadPriority priority);

}  // namespace kestro::platform
