#include <windows.h>
#include <process.h>

#include <atomic>

#include "platform/native.h"

namespace kestro::platform {

namespace {

int NativePriority(ThreadPriority priority) {
  switch (priority) {
    case ThreadPriority::tpIdle: return THREAD_PRIORITY_IDLE;
    case ThreadPriority::tpLowest: return THREAD_PRIORITY_LOWEST;
    case ThreadPriority::tpLower: return THREAD_PRIORITY_BELOW_NORMAL;
    case ThreadPriority::tpNormal: return THREAD_PRIORITY_NORMAL;
    case ThreadPriority::tpHigher: return THREAD_PRIORITY_ABOVE_NORMAL;
    case ThreadPriority::tpHighest: return THREAD_PRIORITY_HIGHEST;
    case ThreadPriority::tpTimeCritical: return THREAD_PRIORITY_TIME_CRITICAL;
  }
  return THREAD_PRIORITY_NORMAL;
}

class Win32Thread final : public Thread {
 public:
  Win32Thread(std::function<void()> body, ThreadPriority priority) : body_(std::move(body)) {
    unsigned id = 0;
    handle_ = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &Win32Thread::Entry, this, CREATE_SUSPENDED, &id));
    if (handle_ == nullptr) {
      finished_ = true;
      return;
    }
    SetThreadPriority(handle_, NativePriority(priority));
    ResumeThread(handle_);
  }
  ~Win32Thread() override {
    Join();
    if (handle_ != nullptr) CloseHandle(handle_);
  }
  Win32Thread(const Win32Thread&) = delete;
  Win32Thread& operator=(const Win32Thread&) = delete;

  void Join() override {
    if (handle_ == nullptr || joined_) return;
    // Synchronous calls of the worker arrive as sent messages: keep serving
    // them while waiting, or a worker blocked in one could never end.
    while (true) {
      const DWORD r = MsgWaitForMultipleObjects(1, &handle_, FALSE, INFINITE, QS_SENDMESSAGE);
      if (r == WAIT_OBJECT_0 || r == WAIT_FAILED) break;
      MSG msg;
      PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    joined_ = true;
  }
  bool Finished() const override { return finished_; }

 private:
  static unsigned __stdcall Entry(void* self) {
    auto* thread = static_cast<Win32Thread*>(self);
    try {
      thread->body_();
    } catch (...) {
    }
    thread->finished_ = true;
    return 0;
  }

  std::function<void()> body_;
  HANDLE handle_ = nullptr;
  std::atomic<bool> finished_{false};
  bool joined_ = false;
};

}  // namespace

std::unique_ptr<Thread> StartNativeThread(std::function<void()> body, ThreadPriority priority) {
  return std::make_unique<Win32Thread>(std::move(body), priority);
}

}  // namespace kestro::platform
