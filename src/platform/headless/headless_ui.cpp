#include "platform/headless/headless_ui.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "platform/native.h"

namespace kestro::platform {

namespace {

HeadlessWindowSystem* active = nullptr;

}  // namespace

// ---------------------------------------------------------------- workers

struct HeadlessWindowSystem::Worker {
  enum class State { kRunning, kSleeping, kSyncing, kFinished };
  State state = State::kRunning;
  std::uint64_t wakeAt = 0;
  std::thread::id id;
};

struct HeadlessWindowSystem::SyncCall {
  const std::function<void()>* call = nullptr;
  Worker* worker = nullptr;  // the caller, when it is a tracked worker
  bool done = false;
  std::exception_ptr error;
};

class HeadlessThread final : public Thread {
 public:
  HeadlessThread(HeadlessWindowSystem& owner, std::function<void()> body) : owner_(owner) {
    {
      std::lock_guard<std::mutex> lock(owner_.mutex_);
      owner_.workers_.push_back(&worker_);
    }
    thread_ = std::thread([this, body = std::move(body)] {
      {
        std::lock_guard<std::mutex> lock(owner_.mutex_);
        worker_.id = std::this_thread::get_id();
      }
      try {
        body();
      } catch (...) {
      }
      std::lock_guard<std::mutex> lock(owner_.mutex_);
      worker_.state = HeadlessWindowSystem::Worker::State::kFinished;
      owner_.changed_.notify_all();
    });
  }
  ~HeadlessThread() override {
    Join();
    std::lock_guard<std::mutex> lock(owner_.mutex_);
    auto& list = owner_.workers_;
    list.erase(std::remove(list.begin(), list.end(), &worker_), list.end());
  }
  HeadlessThread(const HeadlessThread&) = delete;
  HeadlessThread& operator=(const HeadlessThread&) = delete;

  void Join() override {
    if (!thread_.joinable()) return;
    if (owner_.IsMainThread()) {
      // Serve the worker's synchronous calls while waiting; when it sleeps
      // and nothing else runs, let its sleep pass (no timers fire meanwhile).
      std::unique_lock<std::mutex> lock(owner_.mutex_);
      while (worker_.state != HeadlessWindowSystem::Worker::State::kFinished) {
        owner_.WaitForWorkers(lock);
        if (owner_.ServeSyncs(lock)) continue;
        if (worker_.state == HeadlessWindowSystem::Worker::State::kSleeping) {
          const std::uint64_t wake = worker_.wakeAt;
          lock.unlock();
          owner_.MoveTo(wake, /*fireTimers=*/false);
          lock.lock();
          continue;
        }
        if (worker_.state != HeadlessWindowSystem::Worker::State::kFinished) owner_.changed_.wait(lock);
      }
    }
    thread_.join();
  }

  bool Finished() const override {
    std::lock_guard<std::mutex> lock(owner_.mutex_);
    return worker_.state == HeadlessWindowSystem::Worker::State::kFinished;
  }

 private:
  HeadlessWindowSystem& owner_;
  HeadlessWindowSystem::Worker worker_;
  std::thread thread_;
};

std::size_t HeadlessWindowSystem::LiveThreads() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return workers_.size();
}

std::unique_ptr<Thread> HeadlessWindowSystem::StartTrackedThread(std::function<void()> body,
                                                                 ThreadPriority) {
  return std::make_unique<HeadlessThread>(*active, std::move(body));
}

// ---------------------------------------------------------------- timers

class HeadlessTimer final : public Timer {
 public:
  HeadlessTimer(HeadlessWindowSystem& owner, std::function<void()> onTimer)
      : owner_(owner), onTimer_(std::move(onTimer)) {
    owner_.timers_.push_back(this);
  }
  ~HeadlessTimer() override {
    auto& list = owner_.timers_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  HeadlessTimer(const HeadlessTimer&) = delete;
  HeadlessTimer& operator=(const HeadlessTimer&) = delete;

  void SetInterval(std::uint32_t milliseconds) override {
    interval_ = milliseconds;
    Rearm();
  }
  std::uint32_t Interval() const override { return interval_; }
  void SetEnabled(bool enabled) override {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Rearm();
  }
  bool Enabled() const override { return enabled_; }

  bool Armed() const { return enabled_ && interval_ > 0; }
  std::uint64_t Due() const { return due_; }
  void Fire() {
    due_ = owner_.Now() + interval_;
    if (onTimer_) onTimer_();
  }

 private:
  void Rearm() { due_ = owner_.Now() + interval_; }

  HeadlessWindowSystem& owner_;
  std::function<void()> onTimer_;
  std::uint32_t interval_ = 1000;
  bool enabled_ = false;
  std::uint64_t due_ = 0;
};

// ---------------------------------------------------------------- windows

HeadlessWindow::HeadlessWindow(HeadlessWindowSystem& owner, WindowHandle handle, const WindowParams& params)
    : owner_(owner),
      handle_(handle),
      parent_(params.parent),
      drawIntoParent_(params.drawIntoParent && params.parent != 0),
      title_(params.title),
      style_(params.style),
      bounds_(params.bounds),
      color_(params.color) {
  ResizeSurface();
  owner_.Register(this);
}

HeadlessWindow::~HeadlessWindow() { owner_.Unregister(this); }

void HeadlessWindow::ResizeSurface() {
  std::int32_t w = bounds_.Width();
  std::int32_t h = bounds_.Height();
  if (style_ == WindowStyle::kFramed) {
    w -= 2 * owner_.frameWidth;
    h -= 2 * owner_.frameWidth + owner_.captionHeight;
  }
  const bool changed = w != surface_.Width() || h != surface_.Height();
  surface_.Resize(w, h, color_);
  if (changed) {
    InvalidateAll();
    if (onResize) onResize();
  }
}

void HeadlessWindow::SetBounds(const TRect& bounds) {
  if (drawIntoParent_) return;  // the parent's owner decides its size
  bounds_ = bounds;
  ResizeSurface();
}

void HeadlessWindow::SetStyle(WindowStyle style) {
  if (drawIntoParent_) return;
  style_ = style;
  ResizeSurface();
}

void HeadlessWindow::Maximize() {
  const std::vector<TRect>& screens = owner_.monitors;
  if (!screens.empty()) SetBounds(screens.front());
}

void HeadlessWindow::Invalidate(const TRect& rect) {
  const TRect r = rect.Intersect(RectOfSize(surface_.Width(), surface_.Height()));
  if (r.IsEmpty()) return;
  if (dirty_.IsEmpty()) {
    dirty_ = r;
  } else {
    dirty_ = {std::min(dirty_.Left, r.Left), std::min(dirty_.Top, r.Top), std::max(dirty_.Right, r.Right),
              std::max(dirty_.Bottom, r.Bottom)};
  }
}

void HeadlessWindow::InvalidateAll() { Invalidate(RectOfSize(surface_.Width(), surface_.Height())); }

void HeadlessWindow::Update() {
  if (dirty_.IsEmpty() || closed_) return;
  const TRect area = dirty_;
  dirty_ = {};
  SurfacePaintContext context(surface_, area);
  context.FillRect(area, color_);
  paints_.push_back(area);
  if (onPaint) onPaint(context);
}

void HeadlessWindow::Close() {
  if (closed_) return;
  if (onClose) onClose();
  closed_ = true;
  visible_ = false;
}

void HeadlessWindow::RequestClose() {
  if (!onCloseQuery || onCloseQuery()) Close();
}

// ---------------------------------------------------------------- system

HeadlessWindowSystem::HeadlessWindowSystem() : mainThread_(std::this_thread::get_id()) {}

HeadlessWindowSystem::~HeadlessWindowSystem() {
  if (active == this) Uninstall();
}

void HeadlessWindowSystem::Install() {
  active = this;
  InstallWindowSystem(this);
  InstallClock(this);
  InstallThreadStarter(&HeadlessWindowSystem::StartTrackedThread);
}

void HeadlessWindowSystem::Uninstall() {
  InstallWindowSystem(nullptr);
  InstallClock(nullptr);
  InstallThreadStarter(nullptr);
  if (active == this) active = nullptr;
}

std::unique_ptr<Timer> HeadlessWindowSystem::NewTimer(std::function<void()> onTimer) {
  return std::make_unique<HeadlessTimer>(*this, std::move(onTimer));
}

std::unique_ptr<Window> HeadlessWindowSystem::NewWindow(const WindowParams& params) {
  if (params.drawIntoParent && params.parent != 0) {
    // The parent's own handle and size, borderless whatever was asked.
    WindowParams into = params;
    into.style = WindowStyle::kBorderless;
    into.bounds = WindowRect(params.parent).value_or(TRect{});
    return std::make_unique<HeadlessWindow>(*this, params.parent, into);
  }
  return std::make_unique<HeadlessWindow>(*this, nextHandle_++, params);
}

void HeadlessWindowSystem::Terminate() {
  if (terminate_) terminate_();
  quit_ = true;
}

std::unique_ptr<DialogView> HeadlessWindowSystem::NewDialog(const DialogLayout& layout) {
  auto dialog = std::make_unique<HeadlessDialog>(layout);
  dialogs_.push_back(dialog.get());
  dialog->onDestroyed = [this](HeadlessDialog* gone) {
    dialogs_.erase(std::remove(dialogs_.begin(), dialogs_.end(), gone), dialogs_.end());
  };
  return dialog;
}

void HeadlessWindowSystem::Register(HeadlessWindow* window) { windows_.push_back(window); }

void HeadlessWindowSystem::Unregister(HeadlessWindow* window) {
  windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
}

HeadlessWindow* HeadlessWindowSystem::FindWindow(WindowHandle handle) const {
  for (HeadlessWindow* w : windows_) {
    if (w->Handle() == handle) return w;
  }
  return nullptr;
}

std::optional<TRect> HeadlessWindowSystem::WindowRect(WindowHandle window) {
  if (const HeadlessWindow* w = FindWindow(window)) return w->Bounds();
  if (window == kDesktopHandle) {
    TRect all{};
    for (const TRect& m : monitors) {
      all = all.IsEmpty() ? m : TRect{std::min(all.Left, m.Left), std::min(all.Top, m.Top),
                                      std::max(all.Right, m.Right), std::max(all.Bottom, m.Bottom)};
    }
    return all;
  }
  const auto host = hosts_.find(window);
  if (host != hosts_.end()) return host->second;
  return std::nullopt;
}

void HeadlessWindowSystem::SetTopmost(WindowHandle window, bool on) { topmost[window] = on; }

int HeadlessWindowSystem::ShowCursor(bool show) { return show ? ++cursorCount : --cursorCount; }

void HeadlessWindowSystem::SetScreenSaverRunning(bool running) { screenSaverRunning = running; }

std::optional<bool> HeadlessWindowSystem::CallVerifyScreenSavePassword(WindowHandle) {
  ++passwordChecks;
  cursorAtPasswordChecks.push_back(cursorCount);
  return passwordAnswer;
}

std::optional<std::int32_t> HeadlessWindowSystem::CallChangeScreenSavePassword(WindowHandle owner) {
  changePasswordOwners.push_back(owner);
  return changePasswordResult;
}

bool HeadlessWindowSystem::IsMainThread() const { return std::this_thread::get_id() == mainThread_; }

std::uint64_t HeadlessWindowSystem::Now() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return now_;
}

std::uint32_t HeadlessWindowSystem::TickCount() { return static_cast<std::uint32_t>(Now()); }

void HeadlessWindowSystem::Sleep(std::uint32_t milliseconds) {
  if (IsMainThread()) {
    MoveTo(Now() + milliseconds, /*fireTimers=*/false);
    return;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  Worker* self = nullptr;
  for (Worker* w : workers_) {
    if (w->id == std::this_thread::get_id()) self = w;
  }
  const std::uint64_t wake = now_ + milliseconds;
  if (self == nullptr) {  // a thread this system does not know: wait for the time to pass
    changed_.wait(lock, [&] { return now_ >= wake; });
    return;
  }
  self->state = Worker::State::kSleeping;
  self->wakeAt = wake;
  changed_.notify_all();
  changed_.wait(lock, [&] { return now_ >= wake; });
  self->state = Worker::State::kRunning;
}

void HeadlessWindowSystem::Synchronize(const std::function<void()>& call) {
  if (IsMainThread()) {
    call();
    return;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  Worker* self = nullptr;
  for (Worker* w : workers_) {
    if (w->id == std::this_thread::get_id()) self = w;
  }
  SyncCall sync;
  sync.call = &call;
  sync.worker = self;
  syncs_.push_back(&sync);
  if (self != nullptr) self->state = Worker::State::kSyncing;
  changed_.notify_all();
  changed_.wait(lock, [&] { return sync.done; });
  if (self != nullptr) self->state = Worker::State::kRunning;
  if (sync.error) std::rethrow_exception(sync.error);
}

void HeadlessWindowSystem::WaitForWorkers(std::unique_lock<std::mutex>& lock) {
  changed_.wait(lock, [&] {
    return std::none_of(workers_.begin(), workers_.end(),
                        [](const Worker* w) { return w->state == Worker::State::kRunning; });
  });
}

bool HeadlessWindowSystem::ServeSyncs(std::unique_lock<std::mutex>& lock) {
  bool any = false;
  while (!syncs_.empty()) {
    SyncCall* sync = syncs_.front();
    syncs_.pop_front();
    lock.unlock();
    try {
      (*sync->call)();
    } catch (...) {
      sync->error = std::current_exception();
    }
    lock.lock();
    sync->done = true;
    // Counted as running from here, so that waiting for the workers waits
    // until this one has reached its next sleep or call.
    if (sync->worker != nullptr) sync->worker->state = Worker::State::kRunning;
    any = true;
    changed_.notify_all();
    // The worker runs again now: let it reach its next wait first.
    WaitForWorkers(lock);
  }
  return any;
}

bool HeadlessWindowSystem::DispatchOneInput() {
  if (input_.empty()) return false;
  const InputMessage message = input_.front();
  input_.pop_front();
  if (filter_ && filter_(message)) return true;
  dispatched.push_back(message);
  return true;
}

bool HeadlessWindowSystem::PaintInvalidWindows() {
  bool any = false;
  for (HeadlessWindow* w : std::vector<HeadlessWindow*>(windows_)) {
    if (w->HasInvalidArea() && !w->Closed()) {
      w->Update();
      any = true;
    }
  }
  return any;
}

void HeadlessWindowSystem::RunUntilIdle() {
  while (true) {
    bool any = false;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      WaitForWorkers(lock);
      any = ServeSyncs(lock);
    }
    if (any) continue;
    if (DispatchOneInput()) continue;
    if (PaintInvalidWindows()) continue;
    break;
  }
}

void HeadlessWindowSystem::MoveTo(std::uint64_t when, bool fireTimers) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (when > now_) now_ = when;
    for (Worker* w : workers_) {
      if (w->state == Worker::State::kSleeping && w->wakeAt <= now_) w->state = Worker::State::kRunning;
    }
    changed_.notify_all();
  }
  // Scheduled input that is due joins the queue.
  while (!scheduled_.empty() && scheduled_.begin()->first <= Now()) {
    input_.push_back(scheduled_.begin()->second);
    scheduled_.erase(scheduled_.begin());
  }
  if (!fireTimers) return;
  for (HeadlessTimer* timer : std::vector<HeadlessTimer*>(timers_)) {
    // A timer freed by an earlier handler is no longer in the list.
    if (std::find(timers_.begin(), timers_.end(), timer) == timers_.end()) continue;
    if (timer->Armed() && timer->Due() <= Now()) timer->Fire();
  }
}

std::optional<std::uint64_t> HeadlessWindowSystem::NextEvent() {
  std::optional<std::uint64_t> next;
  auto consider = [&next](std::uint64_t t) {
    if (!next || t < *next) next = t;
  };
  for (const HeadlessTimer* timer : timers_) {
    if (timer->Armed()) consider(timer->Due());
  }
  if (!scheduled_.empty()) consider(scheduled_.begin()->first);
  std::lock_guard<std::mutex> lock(mutex_);
  for (const Worker* w : workers_) {
    if (w->state == Worker::State::kSleeping) consider(w->wakeAt);
  }
  return next;
}

void HeadlessWindowSystem::Advance(std::uint64_t milliseconds) {
  const std::uint64_t target = Now() + milliseconds;
  while (true) {
    RunUntilIdle();
    const std::optional<std::uint64_t> next = NextEvent();
    if (!next || *next > target) break;
    MoveTo(std::max(*next, Now()), /*fireTimers=*/true);
  }
  MoveTo(target, /*fireTimers=*/true);
  RunUntilIdle();
}

void HeadlessWindowSystem::Run() {
  quit_ = false;
  while (!quit_) {
    RunUntilIdle();
    if (quit_) break;
    const std::optional<std::uint64_t> next = NextEvent();
    if (!next) break;  // nothing can ever happen again
    if (runLimit != 0 && *next > runLimit) break;
    MoveTo(std::max(*next, Now()), /*fireTimers=*/true);
  }
}

void HeadlessWindowSystem::ProcessMessages() {
  bool any = false;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    WaitForWorkers(lock);
    any = ServeSyncs(lock);
  }
  while (DispatchOneInput()) any = true;
  if (PaintInvalidWindows()) any = true;
  // A loop that spins on ProcessMessages waiting for time to pass must see
  // it pass: an idle call takes one millisecond.
  if (!any) MoveTo(Now() + 1, /*fireTimers=*/true);
}

void HeadlessWindowSystem::Post(const InputMessage& message) { input_.push_back(message); }

void HeadlessWindowSystem::PostAt(std::uint64_t when, const InputMessage& message) {
  scheduled_.emplace(when, message);
}

}  // namespace kestro::platform
